#include "common/listedit.h"

#include "common/dialogs.h"
#include "common/globals.h"
#include "common/printing.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace common {

ListEditWindow::ListEditWindow(const Settings &settings)
    : Window(settings.name)
    , m_tag(settings.tag)
{
    setWindowTitle(settings.title);
    auto *outer = formkit::windowColumn(this);
    outer->addWidget(formkit::heading(QStringLiteral("lblHeading"), settings.heading, this));
    m_tabs = formkit::tabs(settings.tabsName, this, outer);
    m_entry = formkit::tabPage(settings.entryPage);
    m_frame = new QGroupBox(settings.frameTitle, m_entry.widget);
    m_frame->setObjectName(settings.frameName);
    m_grid = new QGridLayout(m_frame);
    m_grid->setHorizontalSpacing(10);
    m_grid->setVerticalSpacing(settings.rowSpacing);
    m_grid->setColumnStretch(1, 1);
    if (settings.twoFieldColumns)
        m_grid->setColumnStretch(3, 1);
}

QLineEdit *ListEditWindow::boundBox(const char *name, const char *field)
{
    return formkit::boundEdit(QLatin1String(name), m_tag, QLatin1String(field), m_frame);
}

QLabel *ListEditWindow::fieldLabel(const char *name, const QString &text, QWidget *buddy)
{
    return formkit::fieldLabel(QLatin1String(name), text, buddy, m_frame);
}

void ListEditWindow::layOutCells(std::initializer_list<Cell> cells)
{
    for (const Cell &c : cells) {
        m_grid->addWidget(fieldLabel(c.label, QLatin1String(c.caption), c.box), c.row, c.column);
        m_grid->addWidget(c.box, c.row, c.column + 1, 1, c.span);
    }
}

void ListEditWindow::addRecordTabs(const formkit::RecordTabs &names)
{
    auto *column = static_cast<QBoxLayout *>(layout());
    const formkit::RecordControls c = formkit::recordTabs(this, column, m_tabs, m_entry, m_frame, names);
    Msh = c.search.list;
    cmb_s_cri = c.search.criterion;
    txt_s_value = c.search.value;
    cmdSave = c.save;
    cmdDelete = c.erase;
    cmdCancel = c.cancel;
    cmdPrint = c.print;
    cmdExit = c.exit;
}

void ListEditWindow::addEntryTab(const QString &caption)
{
    m_entry.column->addWidget(m_frame);
    m_entry.column->addStretch(1);
    m_tabs->addTab(m_entry.widget, caption);
}

void ListEditWindow::showList(
    const QStringList &fields, const QList<QStringList> &lines, const QList<Column> &columns)
{
    Msh->setUpdatesEnabled(false);
    Msh->setLines(fields, lines);
    Msh->setUpdatesEnabled(true);
    if (lines.isEmpty()) {
        Msh->clearToBlank();
        return;
    }
    setColumns(columns);
}

void ListEditWindow::setColumns(const QList<Column> &columns)
{
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].header)
            Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

int ListEditWindow::pickedRow() const
{
    const int r = Msh->row();
    return r >= 1 && r < Msh->rows() ? r : -1;
}

bool ListEditWindow::pickedRecord() const
{
    const int r = pickedRow();
    return r >= 0 && !Msh->textMatrix(r, 0).isEmpty();
}

bool ListEditWindow::openPicked()
{
    if (!pickedRecord())
        return false;
    ClearAll();
    m_key->setText(Msh->textMatrix(pickedRow(), 0));
    FillData();
    return true;
}

void ListEditWindow::showEntry(QWidget *field)
{
    ui::showTab(m_tabs, 0);
    field->setFocus();
}

void ListEditWindow::deleteShown()
{
    const QString key = m_key->text();
    if (key.isEmpty() || !mayDelete(key))
        return;
    deleteRecord(key);
    ClearAll();
    refillList();
}

void ListEditWindow::printShown(const QString &reportFile, const QString &keyField) const
{
    PrintJob job = sessionJob(reportFile);
    if (!m_key->text().isEmpty())
        job.selection = keyField + QStringLiteral(" = ") + m_key->text();
    printReport(job);
}

} // namespace common
