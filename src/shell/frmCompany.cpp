#include "shell/frmCompany.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"
#include "shell/admin_rules.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString taxMask = QStringLiteral("##-##-####-###-##");
const QString ntnMask = QStringLiteral("#######-#");
const QString tagM = QStringLiteral("M");
} // namespace

frmCompany::frmCompany()
    : common::Window(QStringLiteral("frmCompany"))
{
    setWindowTitle(QStringLiteral("Company Information"));
    namespace kit = common::formkit;
    auto *outer = kit::windowColumn(this);
    outer->addWidget(kit::heading(QStringLiteral("lblHeading"), QStringLiteral("Company Information"), this));
    m_tabs = kit::tabs(QStringLiteral("tabCompany"), this, outer);

    // ---- fields
    const auto [fieldsTab, fieldsLayout] = kit::tabPage(QStringLiteral("tabAddChange"));
    auto *frame = new QGroupBox(QStringLiteral("Company Profile"), fieldsTab);
    frame->setObjectName(QStringLiteral("fraCompany"));
    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(7);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto box = [&](const char *name, const char *field, int length) {
        QLineEdit *e = kit::boundEdit(name, tagM, field, frame);
        e->setMaxLength(length);
        return e;
    };
    auto label = [&](const char *name, const QString &text, QWidget *buddy) {
        return kit::fieldLabel(name, text, buddy, frame);
    };
    txtCompany = box("txtCompany", "Company", 50);
    txtAddr = box("txtAddr", "comAddr", 50);
    txtTel = box("txtTel", "comTel", 15);
    txtFax = box("txtFax", "comFax", 15);
    txtEmail = box("txtEmail", "comEmail", 70);
    txtWebSite = box("txtWebSite", "comWebSite", 70);
    mskTax = new ui::MaskedEdit(taxMask, frame);
    mskTax->setObjectName(QStringLiteral("mskTax"));
    mskNTN = new ui::MaskedEdit(ntnMask, frame);
    mskNTN->setObjectName(QStringLiteral("mskNTN"));
    chkComActive = new QCheckBox(QStringLiteral("Active Company"), frame);
    chkComActive->setObjectName(QStringLiteral("chkComActive"));
    txtCompCode = new QLineEdit(frame);
    txtCompCode->setObjectName(QStringLiteral("txtCompCode"));
    txtCompCode->setEnabled(false);
    txtCompCode->setVisible(false);

    grid->addWidget(label("lblCompany", QStringLiteral("Company Name"), txtCompany), 0, 0);
    grid->addWidget(txtCompany, 0, 1, 1, 3);
    grid->addWidget(label("lblAddr", QStringLiteral("Address"), txtAddr), 1, 0);
    grid->addWidget(txtAddr, 1, 1, 1, 3);
    grid->addWidget(label("lblTel", QStringLiteral("Contact No"), txtTel), 2, 0);
    grid->addWidget(txtTel, 2, 1);
    grid->addWidget(label("lblFax", QStringLiteral("Fax No."), txtFax), 2, 2);
    grid->addWidget(txtFax, 2, 3);
    grid->addWidget(label("lblEmail", QStringLiteral("E-mail Address"), txtEmail), 3, 0);
    grid->addWidget(txtEmail, 3, 1, 1, 3);
    grid->addWidget(label("lblWebSite", QStringLiteral("Web Site"), txtWebSite), 4, 0);
    grid->addWidget(txtWebSite, 4, 1, 1, 3);
    grid->addWidget(label("lblTax", QStringLiteral("Sale Tax No"), mskTax), 5, 0);
    grid->addWidget(mskTax, 5, 1);
    grid->addWidget(label("lblNTN", QStringLiteral("NTN No."), mskNTN), 5, 2);
    grid->addWidget(mskNTN, 5, 3);
    grid->addWidget(chkComActive, 6, 1, 1, 3);
    grid->addWidget(txtCompCode, 7, 1);
    fieldsLayout->addWidget(frame);
    fieldsLayout->addStretch(1);
    m_tabs->addTab(fieldsTab, QStringLiteral("Add / Change Company"));

    // ---- list
    const auto [searchTab, searchLayout] = kit::tabPage(QStringLiteral("tabSearch"));
    auto *searchRow = new QHBoxLayout;
    auto *lblSearch = new QLabel(QStringLiteral("Company Name :"), searchTab);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    txtSearch = new QLineEdit(searchTab);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    lblSearch->setBuddy(txtSearch);
    searchRow->addWidget(lblSearch);
    searchRow->addWidget(txtSearch, 1);
    searchLayout->addLayout(searchRow);
    Msh = kit::listGrid(searchTab, searchLayout);
    m_tabs->addTab(searchTab, QStringLiteral("Search Company"));

    // ---- buttons
    const kit::ButtonRow button = kit::footerButtons(outer, this, 90);
    cmdNew = button.add(QStringLiteral("cmdNew"), QStringLiteral("&Save"));
    cmdCancel = button.add(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdDelete = button.add(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"));
    cmdExit = button.add(QStringLiteral("cmdExit"), QStringLiteral("E&xit"));

    kit::tabOrder(
        {txtCompany, txtAddr, txtTel, txtFax, txtEmail, txtWebSite, mskTax, mskNTN, chkComActive, cmdNew});

    ui::keys(txtCompany).enterMovesNext();
    ui::keys(txtTel).pattern(QStringLiteral("[0-9 -- ,]")).enterMovesNext();
    ui::keys(txtFax).pattern(QStringLiteral("[0-9 - ,]")).enterMovesNext();

    using common::on;
    on(cmdNew, &QPushButton::clicked, this, [this](bool) { cmdNew_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { cmdCancel_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
    on(txtSearch, &QLineEdit::textChanged, this, [this](const QString &) { FillGrid(); });
    on(chkComActive, &QCheckBox::toggled, this, [this](bool) { showActiveBold(); });

    resize(760, 470);
}

void frmCompany::formLoad()
{
    FillGrid();
    SetMaxlength();
    ui::showTab(m_tabs, 0);
}

void frmCompany::formUnload()
{
    ApplyMenuRights();
}

void frmCompany::resetMask(ui::MaskedEdit *box)
{
    box->reset();
}

void frmCompany::showActiveBold()
{
    QFont f = chkComActive->font();
    f.setBold(chkComActive->isChecked());
    chkComActive->setFont(f);
}

void frmCompany::ClearAll()
{
    common::binding::clear(this, tagM);
    resetMask(mskTax);
    resetMask(mskNTN);
    chkComActive->setChecked(false);
    txtCompCode->clear();
}

void frmCompany::FillGrid()
{
    const QString search = txtSearch->text();
    if (!search.isEmpty())
        OpenQuery(shell::admin::companyListSql(true), {db::likeContains(search)});
    else
        OpenQuery(shell::admin::companyListSql(false));
    Msh->clearCells();
    Msh->bind(*gRs);
    static const struct {
        const char *header;
        int width;
    } columns[] = {{"", 0}, {"Company", 3000}, {"Telephone", 3000}, {"Fax", 3000}, {"Address", 4000},
        {"Active", 800}, {"Sale Tax #", 1500}, {"NTN #", 1300}, {"Email", 2000}, {"WebSite", 2000}};
    for (int c = 0; c < int(std::size(columns)); ++c) {
        if (c > 0)
            Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

void frmCompany::SetMaxlength()
{
    OpenQuery(QStringLiteral("Select * From Company where 0=1"));
    common::binding::setMaxLengths(this, tagM, *gRs);
}

void frmCompany::cmdNew_Click()
{
    if (txtCompany->text().isEmpty()) {
        common::msgBox(
            QStringLiteral("please enter Company Name "), common::Buttons::Ok, common::Icon::Information);
        txtCompany->setFocus();
        return;
    }
    shell::admin::CompanyEntry entry;
    entry.compCode = txtCompCode->text();
    for (QLineEdit *box : common::binding::fields(this, tagM))
        entry.fields.append({common::binding::dataFieldOf(box), box->text()});
    entry.active = chkComActive->isChecked();
    if (mskTax->isComplete())
        entry.tax = mskTax->text();
    if (mskNTN->isComplete())
        entry.ntn = mskNTN->text();
    shell::admin::saveCompany(*gConn, entry);
    ClearAll();
    FillGrid();
    txtCompany->setFocus();
}

void frmCompany::cmdCancel_Click()
{
    ClearAll();
    txtCompany->setFocus();
}

void frmCompany::cmdDelete_Click()
{
    if (txtCompCode->text().isEmpty())
        return;
    if (common::msgBox(QStringLiteral("are you sure delete this Company"), 68) == common::Answer::Yes) {
        shell::admin::deleteCompany(*gConn, txtCompCode->text().toLongLong());
        ClearAll();
        FillGrid();
    }
    txtCompany->setFocus();
}

void frmCompany::Msh_DblClick()
{
    const int r = Msh->row();
    if (r < 1 || r >= Msh->rows())
        return;
    if (Msh->textMatrix(r, 0).isEmpty()) {
        txtCompCode->clear();
        return;
    }
    txtCompCode->setText(Msh->textMatrix(r, 0));
    txtCompany->setText(Msh->textMatrix(r, 1));
    txtAddr->setText(Msh->textMatrix(r, 4));
    txtTel->setText(Msh->textMatrix(r, 2));
    txtFax->setText(Msh->textMatrix(r, 3));
    chkComActive->setChecked(Msh->textMatrix(r, 5) == QLatin1String("Y"));
    const QString tax = Msh->textMatrix(r, 6);
    if (!tax.isEmpty())
        mskTax->setText(tax);
    else
        resetMask(mskTax);
    const QString ntn = Msh->textMatrix(r, 7);
    if (!ntn.isEmpty())
        mskNTN->setText(ntn);
    else
        resetMask(mskNTN);
    txtEmail->setText(Msh->textMatrix(r, 8));
    txtWebSite->setText(Msh->textMatrix(r, 9));
    ui::showTab(m_tabs, 0);
    txtCompany->setFocus();
}
