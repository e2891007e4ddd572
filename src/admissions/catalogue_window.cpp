#include "admissions/catalogue_window.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace admissions {

namespace {
const QString tagM = QStringLiteral("M");
}

namespace kit = common::formkit;

CatalogueWindow::CatalogueWindow(const Design &design)
    : common::Window(design.name)
    , m_design(design)
{
    setWindowTitle(design.caption);
    auto *outer = kit::windowColumn(this);
    lblTitle = kit::heading(QStringLiteral("lblTitle"), design.caption.trimmed(), this);
    outer->addWidget(lblTitle);
    SSTab1 = kit::tabs(QStringLiteral("SSTab1"), this, outer);
    QWidget *fieldBox = buildEntryTab();
    buildSearchTab();
    buildKeyBox(fieldBox);
    setKeyRules();
    connectHandlers();
}

// The entry tab: the subclass's fields (added later) above the buttons.
// Returns the box the fields go in.
QWidget *CatalogueWindow::buildEntryTab()
{
    const kit::Page entryPage = kit::tabPage(QStringLiteral("tabEntry"));
    m_entryTab = entryPage.widget;
    auto *entry = entryPage.column;
    auto *fieldBox = new QWidget(m_entryTab);
    m_fields = new QGridLayout(fieldBox);
    m_fields->setContentsMargins(20, 16, 20, 8);
    m_fields->setHorizontalSpacing(12);
    m_fields->setVerticalSpacing(10);
    m_fields->setColumnStretch(1, 1);
    entry->addWidget(fieldBox);
    entry->addStretch(1);

    auto *buttonFrame = new QGroupBox(m_entryTab);
    buttonFrame->setObjectName(QStringLiteral("Frame1"));
    // Enter on a focused button clicks it.
    const kit::ButtonRow button(new QHBoxLayout(buttonFrame), buttonFrame, 90, true);
    cmdSave = button.add(QStringLiteral("cmdSave"), QStringLiteral("&Save"));
    cmdDelete = button.add(QStringLiteral("cmdDelete"), QStringLiteral("&DELETE"));
    cmdCancel = button.add(QStringLiteral("cmdCancel"), QStringLiteral("&CANCEL"));
    cmdExit = button.add(QStringLiteral("cmdExit"), QStringLiteral("E&XIT"));
    cmdPrint = button.add(QStringLiteral("cmdPrint"), QStringLiteral("&PRINT"));
    // Nothing to print from a catalogue window.
    cmdPrint->setEnabled(false);
    entry->addWidget(buttonFrame);
    SSTab1->addTab(m_entryTab, m_design.entryTab);
    return fieldBox;
}

void CatalogueWindow::buildSearchTab()
{
    const kit::Page searchPage = kit::tabPage(QStringLiteral("tabSearch"));
    m_searchTab = searchPage.widget;
    const kit::CriteriaRow criteria
        = kit::criteriaRow(m_searchTab, QStringLiteral("lblCriteria"), QStringLiteral("lblValue"), false);
    cmb_s_cri = criteria.criterion;
    cmb_s_cri->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cmb_s_cri->setMinimumContentsLength(12);
    txt_s_value = criteria.value;
    criteria.layout->setColumnStretch(3, 1);
    searchPage.column->addLayout(criteria.layout);
    Msh = kit::listGrid(m_searchTab, searchPage.column);
    SSTab1->addTab(m_searchTab, m_design.searchTab);
}

// The hidden box of the row's key.
void CatalogueWindow::buildKeyBox(QWidget *fieldBox)
{
    m_key = new QLineEdit(fieldBox);
    m_key->setObjectName(m_design.table == catalogue::Table::Session ? QStringLiteral("txtSessionNo")
            : m_design.table == catalogue::Table::Course             ? QStringLiteral("txtCourseNo")
                                                                     : QStringLiteral("txtCodeNo"));
    m_key->setVisible(false);
    common::binding::bind(m_key, tagM, catalogue::keyColumn(m_design.table));
}

void CatalogueWindow::setKeyRules()
{
    auto toList = [this] { Msh->setFocus(Qt::OtherFocusReason); };
    ui::keys(txt_s_value).upperCase().enterMovesNext().onKey(Qt::Key_Up, toList).onKey(Qt::Key_Down, toList);
    // The criterion is chosen from its list; typed keys are dropped.
    cmb_s_cri->installEventFilter(this);
}

void CatalogueWindow::connectHandlers()
{
    using common::on;
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { cmdCancel_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { cmdExit_Click(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_Pick(); });
    on(Msh, &ui::Grid::enterPressed, this, [this] { Msh_Pick(); });
    on(txt_s_value, &QLineEdit::textChanged, this,
        [this](const QString &) { FillGrid(cmb_s_cri->currentText()); });
}

QLineEdit *CatalogueWindow::addField(
    const char *labelName, const QString &label, const char *name, const QString &column)
{
    QLineEdit *box
        = common::formkit::boundEdit(QString::fromLatin1(name), tagM, column, m_fields->parentWidget());
    addRow(labelName, label, box);
    return box;
}

void CatalogueWindow::addRow(const char *labelName, const QString &label, QWidget *control)
{
    m_fields->addWidget(
        common::formkit::fieldLabel(QString::fromLatin1(labelName), label, control, m_fields->parentWidget()),
        m_nextRow, 0);
    m_fields->addWidget(control, m_nextRow, 1);
    ++m_nextRow;
}

void CatalogueWindow::finishLayout(const QList<QWidget *> &fields, const QList<QWidget *> &after)
{
    QList<QWidget *> order = fields;
    order << cmdSave << cmdDelete << cmdCancel << cmdExit << cmdPrint;
    order << after;
    order << cmb_s_cri << txt_s_value << Msh;
    common::formkit::tabOrder(order);
    for (QWidget *w : fields)
        ui::keys(w).enterMovesNext();
    for (QWidget *w : after)
        ui::keys(w).enterMovesNext();
}

void CatalogueWindow::formLoad()
{
    // The frame as large as the window was designed, within the host.
    QSize want = size() + QSize(10, 34);
    if (QMdiArea *area = common::windows::host())
        want = want.boundedTo(area->viewport()->size());
    setWidthTwips(common::toTwips(want.width()));
    setHeightTwips(common::toTwips(want.height()));
    ui::showTab(SSTab1, 0);
    loadMember();
    cmb_s_cri->addItems(m_design.criteria);
    cmb_s_cri->setCurrentIndex(0);
    setMaxLengths();
    FillGrid(QString());
}

void CatalogueWindow::formUnload()
{
    if (appliesMenuRights())
        ApplyMenuRights();
}

void CatalogueWindow::setMaxLengths()
{
    common::binding::setMaxLengths(
        this, tagM, *gConn, catalogue::tableName(m_design.table), {catalogue::keyColumn(m_design.table)});
}

bool CatalogueWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cmb_s_cri && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Letters would choose an item by its first letter; the arrows and
        // the list's own keys still work.
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return common::Window::eventFilter(watched, event);
}

void CatalogueWindow::FillGrid(const QString &criterion)
{
    const catalogue::Query q = catalogue::listQuery(m_design.table, criterion, txt_s_value->text());
    OpenQuery(q.sql, q.params);
    if (gRs->recordCount() < 1) {
        Msh->clearToBlank();
    } else {
        Msh->clearCells();
        Msh->bind(*gRs);
    }
    setGrid();
}

void CatalogueWindow::setGrid()
{
    Msh->setCols(int(m_design.columns.size()));
    for (int c = 0; c < m_design.columns.size(); ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(m_design.columns[c].header));
        Msh->setColWidth(c, m_design.columns[c].width);
    }
}

void CatalogueWindow::ClearAll()
{
    common::binding::clear(this, tagM);
}

void CatalogueWindow::collectBoxes(catalogue::Entry *entry, const QStringList &skip)
{
    const QString key = catalogue::keyColumn(m_design.table);
    for (QLineEdit *box : common::binding::fields(this, tagM)) {
        const QString column = common::binding::dataFieldOf(box);
        if (column == key || skip.contains(column))
            continue;
        entry->fields.append({column, box->text().isEmpty() ? db::Value() : db::Value(box->text())});
    }
}

void CatalogueWindow::cmdSave_Click()
{
    catalogue::Entry entry;
    entry.key = m_key->text();
    if (!collect(&entry))
        return;
    catalogue::saveRecord(*gConn, m_design.table, entry);
    afterWrite();
    FillGrid(QString());
    ClearAll();
}

void CatalogueWindow::cmdDelete_Click()
{
    if (m_key->text().isEmpty() || m_design.table != catalogue::Table::Session)
        return;
    if (common::msgBox(QStringLiteral("Are you sure delete this information"), common::Buttons::YesNo,
            common::Icon::Information, QStringLiteral("Confirm"))
        != common::Answer::Yes)
        return;
    if (!catalogue::deleteSession(*gConn, m_key->text().toLongLong())) {
        common::msgBox(QStringLiteral("This session is used by admission applications or fee receipts, so it "
                                      "cannot be deleted."),
            common::Buttons::Ok, common::Icon::Information);
        return;
    }
    ClearAll();
    FillGrid(QString());
}

void CatalogueWindow::cmdCancel_Click()
{
    ClearAll();
}

void CatalogueWindow::Msh_Pick()
{
    const int row = Msh->row();
    if (row < 1 || row >= Msh->rows() || Msh->textMatrix(row, 0).isEmpty())
        return;
    Msh->setTextMatrix(0, 0, m_design.pickedHeader);
    m_key->setText(Msh->textMatrix(row, 0));
    loadRow(row);
    if (gLookupMode) {
        unload();
        return;
    }
    ui::showTab(SSTab1, 0);
    firstField()->setFocus(Qt::OtherFocusReason);
}

} // namespace admissions
