#include "common/formkit.h"

#include "common/binding.h"
#include "common/format.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace common::formkit {

QVBoxLayout *windowColumn(QWidget *window)
{
    return windowColumn(window, 10, 8);
}

QVBoxLayout *windowColumn(QWidget *window, int margin, int spacing)
{
    auto *outer = new QVBoxLayout(window);
    outer->setContentsMargins(margin, margin, margin, margin);
    outer->setSpacing(spacing);
    return outer;
}

QLabel *title(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    QFont big = l->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    l->setFont(big);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLabel *heading(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumHeight(34);
    l->setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                    "stop:0 #2f5d8a, stop:1 #1f4266); color: white; font-size: 15pt; "
                                    "font-weight: bold; border-radius: 3px; padding: 4px; }"));
    return l;
}

QTabWidget *tabs(const QString &objectName, QWidget *parent, QBoxLayout *column)
{
    auto *t = new QTabWidget(parent);
    t->setObjectName(objectName);
    column->addWidget(t, 1);
    return t;
}

Page tabPage(const QString &objectName)
{
    auto *page = new QWidget;
    page->setObjectName(objectName);
    return {page, new QVBoxLayout(page)};
}

QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

QLabel *fieldLabel(const QString &objectName, const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setBuddy(buddy);
    return l;
}

QLineEdit *lineEdit(const QString &objectName, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(objectName);
    return e;
}

QLineEdit *boundEdit(const QString &objectName, const QString &tag, const QString &field, QWidget *parent)
{
    QLineEdit *e = lineEdit(objectName, parent);
    binding::bind(e, tag, field);
    return e;
}

QCheckBox *checkBox(const QString &objectName, const QString &caption, QWidget *parent)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(objectName);
    return c;
}

CriteriaRow criteriaRow(
    QWidget *page, const QString &criterionLabelName, const QString &valueLabelName, bool editable)
{
    auto *grid = new QGridLayout;
    auto *lblCri = new QLabel(QStringLiteral("Search Criteria "), page);
    lblCri->setObjectName(criterionLabelName);
    auto *criterion = new QComboBox(page);
    criterion->setObjectName(QStringLiteral("cmb_s_cri"));
    if (editable) {
        criterion->setEditable(true);
        criterion->setInsertPolicy(QComboBox::NoInsert);
    }
    auto *lblValue = new QLabel(QStringLiteral("Search Value "), page);
    lblValue->setObjectName(valueLabelName);
    auto *value = new QLineEdit(page);
    value->setObjectName(QStringLiteral("txt_s_value"));
    lblCri->setBuddy(criterion);
    lblValue->setBuddy(value);
    grid->addWidget(lblCri, 0, 0);
    grid->addWidget(criterion, 0, 1);
    grid->addWidget(lblValue, 0, 2);
    grid->addWidget(value, 0, 3);
    return {grid, criterion, value};
}

ui::Grid *listGrid(QWidget *page, QBoxLayout *column)
{
    auto *g = new ui::Grid(page);
    g->setObjectName(QStringLiteral("Msh"));
    column->addWidget(g, 1);
    return g;
}

void fillList(ui::Grid *list, db::Recordset &rs)
{
    if (rs.recordCount() < 1) {
        list->clearToBlank();
        return;
    }
    list->clearCells();
    list->setUpdatesEnabled(false);
    list->bind(rs);
    list->setUpdatesEnabled(true);
}

void fillList(ui::Grid *list, const QStringList &header, const QList<QStringList> &lines)
{
    if (lines.isEmpty()) {
        list->clearToBlank();
        return;
    }
    list->clearCells();
    list->setUpdatesEnabled(false);
    list->setLines(header, lines);
    list->setUpdatesEnabled(true);
}

void fillChoices(ui::DataCombo *combo, const common::Choices &choices)
{
    QStringList names, keys;
    for (const common::Choice &c : choices) {
        names << c.name;
        keys << c.key;
    }
    combo->fill(names, keys);
}

SearchTab searchTab(QTabWidget *tabs, const QString &objectName, const QString &caption)
{
    const Page page = tabPage(objectName);
    const CriteriaRow criteria = criteriaRow(
        page.widget, QStringLiteral("lblSearchCriteria"), QStringLiteral("lblSearchValue"), true);
    criteria.layout->setColumnStretch(1, 1);
    criteria.layout->setColumnStretch(3, 2);
    page.column->addLayout(criteria.layout);
    ui::Grid *list = listGrid(page.widget, page.column);
    tabs->addTab(page.widget, caption);
    return {criteria.criterion, criteria.value, list};
}

QLabel *totalLabel(QWidget *parent)
{
    auto *l = new QLabel(QStringLiteral("Total Amount:"), parent);
    l->setObjectName(QStringLiteral("lblTotalAmount"));
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

VoucherSearchTab voucherSearchTab(QTabWidget *tabs, const QString &caption)
{
    const Page page = tabPage(QStringLiteral("tabSearch"));
    QWidget *search = page.widget;
    auto *row = new QHBoxLayout;
    auto *criterion = new QComboBox(search);
    criterion->setObjectName(QStringLiteral("cboSearch"));
    criterion->setEditable(true);
    criterion->setMinimumWidth(common::twips(2000));
    auto *label = new QLabel(search);
    label->setObjectName(QStringLiteral("lblSearch"));
    label->setMinimumWidth(common::twips(1200));
    QLineEdit *text = lineEdit(QStringLiteral("txtSearch"), search);
    auto *date = new ui::DatePicker(search);
    date->setObjectName(QStringLiteral("DTPSearch"));
    date->setFixedWidth(common::twips(1700));
    row->addWidget(buddyLabel(QStringLiteral("Select Searching Criteria"), criterion, search));
    row->addWidget(criterion);
    row->addSpacing(20);
    row->addWidget(label);
    row->addWidget(text, 1);
    row->addWidget(date);
    page.column->addLayout(row);
    auto *list = new ui::Grid(search);
    list->setObjectName(QStringLiteral("mshSearch"));
    page.column->addWidget(list, 1);
    tabs->addTab(search, caption);
    return {criterion, label, text, date, list};
}

QPushButton *pushButton(const QString &objectName, const QString &caption, QWidget *parent, bool autoDefault)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    b->setAutoDefault(autoDefault);
    return b;
}

QPushButton *pushButton(
    const QString &objectName, const QString &caption, QWidget *parent, int minimumWidth, bool autoDefault)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    b->setMinimumWidth(minimumWidth);
    b->setAutoDefault(autoDefault);
    return b;
}

QPushButton *ButtonRow::add(const QString &objectName, const QString &caption) const
{
    QPushButton *b = pushButton(objectName, caption, m_parent, m_minimumWidth, m_autoDefault);
    m_layout->insertWidget(m_layout->count() - m_kept, b);
    return b;
}

ButtonRow footerButtons(QBoxLayout *column, QWidget *parent, int minimumWidth)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    column->addLayout(row);
    return ButtonRow(row, parent, minimumWidth, false);
}

RecordControls recordTabs(QWidget *window, QBoxLayout *column, QTabWidget *tabs, const Page &entry,
    QWidget *frame, const RecordTabs &names)
{
    entry.column->addWidget(frame);
    entry.column->addStretch(1);
    tabs->addTab(entry.widget, names.entryCaption);
    RecordControls c;
    c.search = searchTab(tabs, names.searchName, names.searchCaption);
    const ButtonRow button = footerButtons(column, window, 86);
    c.save = button.add(QStringLiteral("cmdSave"), QStringLiteral("&Save"));
    const auto erase = [&] { c.erase = button.add(QStringLiteral("cmdDelete"), QStringLiteral("&DELETE")); };
    const auto cancel
        = [&] { c.cancel = button.add(QStringLiteral("cmdCancel"), QStringLiteral("&CANCEL")); };
    if (names.deleteFirst) {
        erase();
        cancel();
    } else {
        cancel();
        erase();
    }
    c.print = button.add(QStringLiteral("cmdPrint"), QStringLiteral("&PRINT"));
    c.exit = button.add(QStringLiteral("cmdExit"), QStringLiteral("E&XIT"));
    return c;
}

ButtonRow centredButtons(QBoxLayout *column, QWidget *parent, int minimumWidth, bool autoDefault)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addStretch(1);
    column->addLayout(row);
    return ButtonRow(row, parent, minimumWidth, autoDefault, 1);
}

void tabOrder(const QList<QWidget *> &order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace common::formkit
