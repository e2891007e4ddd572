#include "formkit.h"

#include "binding.h"
#include "grid.h"

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
    auto *outer = new QVBoxLayout(window);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(8);
    return outer;
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

QLabel *fieldLabel(const QString &objectName, const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(objectName);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setBuddy(buddy);
    return l;
}

QLineEdit *boundEdit(const QString &objectName, const QString &tag, const QString &field, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(objectName);
    binding::bind(e, tag, field);
    return e;
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
    m_layout->addWidget(b);
    return b;
}

ButtonRow footerButtons(QBoxLayout *column, QWidget *parent, int minimumWidth)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    column->addLayout(row);
    return ButtonRow(row, parent, minimumWidth, false);
}

void tabOrder(const QList<QWidget *> &order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace common::formkit
