#include "fees/frmFindApp.h"

#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "fees/carryforward_rules.h"
#include "platform/ui/grid.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace fees {

namespace {

const QString kName = QStringLiteral("frmFindApp");

} // namespace

frmFindApp::frmFindApp(QWidget *parent)
    : common::Window(kName, parent)
{
    setWindowTitle(QStringLiteral("Find Application"));

    cboCriteria = new QComboBox(this);
    cboCriteria->setObjectName(QStringLiteral("cboCriteria"));
    cboCriteria->setEditable(true);
    cboCriteria->setInsertPolicy(QComboBox::NoInsert);
    cboCriteria->setMinimumWidth(common::twips(2200));
    lblCriteria = new QLabel(QStringLiteral("Criteria :"), this);
    lblCriteria->setObjectName(QStringLiteral("lblCriteria"));
    lblCriteria->setBuddy(cboCriteria);
    txt_s_value = new QLineEdit(this);
    txt_s_value->setObjectName(QStringLiteral("txt_s_value"));
    lblSearch = new QLabel(QStringLiteral("Search Value "), this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->setBuddy(txt_s_value);
    Msh = new ui::Grid(this);
    Msh->setObjectName(QStringLiteral("Msh"));

    auto *search = new QHBoxLayout;
    search->addWidget(lblCriteria);
    search->addWidget(cboCriteria);
    search->addSpacing(12);
    search->addWidget(lblSearch);
    search->addWidget(txt_s_value, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addLayout(search);
    layout->addWidget(Msh, 1);

    setTabOrder(cboCriteria, txt_s_value);
    setTabOrder(txt_s_value, Msh);

    using common::on;
    on(cboCriteria, &QComboBox::currentTextChanged, this, [this](const QString &) { FillGrid(); });
    on(txt_s_value, &QLineEdit::textChanged, this, [this](const QString &) { FillGrid(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { pick(); });
    on(Msh, &ui::Grid::enterPressed, this, [this] { pick(); });

    resize(common::twips(9600), common::twips(6000));
}

void frmFindApp::formLoad()
{
    m_opener.remember(this);
    {
        const QSignalBlocker block(cboCriteria);
        cboCriteria->addItems(
            {QStringLiteral("Student Name"), QStringLiteral("Application ID"), QStringLiteral("Cell No.")});
        cboCriteria->setCurrentIndex(0);
    }
    setGrid();
    FillGrid();
    txt_s_value->setFocus(Qt::OtherFocusReason);
}

void frmFindApp::formUnload()
{
    if (!m_picked)
        return;
    if (!m_opener.handBack(this)) {
        gPickAppId = m_previous;
    }
}

void frmFindApp::FillGrid()
{
    const carryforward::Query q
        = carryforward::applicationListQuery(cboCriteria->currentText(), txt_s_value->text());
    OpenQuery(q.sql, q.params);
    common::formkit::fillList(Msh, *gRs);
    setGrid();
}

void frmFindApp::setGrid()
{
    static const struct {
        const char *header;
        int width;
    } columns[] = {{"Application ID", 1500}, {"Reg #.", 1500}, {"Fix Date", 1500}, {"Date", 1500},
        {"Student Name", 3000}, {"Father Name", 2500}, {"Cell No.", 3800}, {"Total Amount", 2200},
        {"Cash Receive", 1800}};
    Msh->setCols(9);
    for (int c = 0; c < 9; ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

void frmFindApp::pick()
{
    const int row = Msh->row();
    if (row < 1 || row >= Msh->rows())
        return;
    bool ok = false;
    const int id = Msh->textMatrix(row, 0).toInt(&ok);
    if (!ok)
        return;
    m_previous = gPickAppId;
    gPickAppId = id;
    m_picked = true;
    unload();
}

void openApplicationPicker()
{
    common::windows::unload(kName);
    if (common::Window *w = common::windows::show(kName)) {
        w->moveTwips(2000, 1200);
        w->setWidthTwips(9600);
        w->setHeightTwips(6000);
    }
}

} // namespace fees
