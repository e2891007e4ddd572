#include "shell/frmCompany.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"
#include "shell/admin_rules.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString taxMask = QStringLiteral("##-##-####-###-##");
const QString ntnMask = QStringLiteral("#######-#");
const QString tagM = QStringLiteral("M");

const common::ListEditWindow::Settings settings {
    .name = "frmCompany",
    .title = "Company Information",
    .heading = "Company Information",
    .tabsName = "tabCompany",
    .entryPage = "tabAddChange",
    .frameName = "fraCompany",
    .frameTitle = "Company Profile",
    .tag = tagM,
};
} // namespace

frmCompany::frmCompany()
    : common::ListEditWindow(settings)
{
    createFields();
    layOutFields();
    addEntryTab(QStringLiteral("Add / Change Company"));
    createSearchTab();
    createButtons();
    setKeys();
    connectControls();
    resize(760, 470);
}

void frmCompany::createFields()
{
    auto box = [&](const char *name, const char *field, int length) {
        QLineEdit *e = boundBox(name, field);
        e->setMaxLength(length);
        return e;
    };
    txtCompany = box("txtCompany", "Company", 50);
    txtAddr = box("txtAddr", "comAddr", 50);
    txtTel = box("txtTel", "comTel", 15);
    txtFax = box("txtFax", "comFax", 15);
    txtEmail = box("txtEmail", "comEmail", 70);
    txtWebSite = box("txtWebSite", "comWebSite", 70);
    mskTax = new ui::MaskedEdit(taxMask, frame());
    mskTax->setObjectName(QStringLiteral("mskTax"));
    mskNTN = new ui::MaskedEdit(ntnMask, frame());
    mskNTN->setObjectName(QStringLiteral("mskNTN"));
    chkComActive = new QCheckBox(QStringLiteral("Active Company"), frame());
    chkComActive->setObjectName(QStringLiteral("chkComActive"));
    txtCompCode = new QLineEdit(frame());
    txtCompCode->setObjectName(QStringLiteral("txtCompCode"));
    txtCompCode->setEnabled(false);
    txtCompCode->setVisible(false);
    setKeyBox(txtCompCode);
}

void frmCompany::layOutFields()
{
    layOutCells({
        {"lblCompany", "Company Name", txtCompany, 0, 0, 3},
        {"lblAddr", "Address", txtAddr, 1, 0, 3},
        {"lblTel", "Contact No", txtTel, 2, 0, 1},
        {"lblFax", "Fax No.", txtFax, 2, 2, 1},
        {"lblEmail", "E-mail Address", txtEmail, 3, 0, 3},
        {"lblWebSite", "Web Site", txtWebSite, 4, 0, 3},
        {"lblTax", "Sale Tax No", mskTax, 5, 0, 1},
        {"lblNTN", "NTN No.", mskNTN, 5, 2, 1},
    });
    QGridLayout *grid = fieldGrid();
    grid->addWidget(chkComActive, 6, 1, 1, 3);
    grid->addWidget(txtCompCode, 7, 1);
}

void frmCompany::createSearchTab()
{
    namespace kit = common::formkit;
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
    tabs()->addTab(searchTab, QStringLiteral("Search Company"));
}

void frmCompany::createButtons()
{
    namespace kit = common::formkit;
    const kit::ButtonRow button = kit::footerButtons(static_cast<QBoxLayout *>(layout()), this, 90);
    cmdNew = button.add(QStringLiteral("cmdNew"), QStringLiteral("&Save"));
    cmdCancel = button.add(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdDelete = button.add(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"));
    cmdExit = button.add(QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    kit::tabOrder(
        {txtCompany, txtAddr, txtTel, txtFax, txtEmail, txtWebSite, mskTax, mskNTN, chkComActive, cmdNew});
}

void frmCompany::setKeys()
{
    ui::keys(txtCompany).enterMovesNext();
    ui::keys(txtTel).pattern(QStringLiteral("[0-9 -- ,]")).enterMovesNext();
    ui::keys(txtFax).pattern(QStringLiteral("[0-9 - ,]")).enterMovesNext();
}

void frmCompany::connectControls()
{
    using common::on;
    on(cmdNew, &QPushButton::clicked, this, [this](bool) { cmdNew_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { cmdCancel_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
    on(txtSearch, &QLineEdit::textChanged, this, [this](const QString &) { FillGrid(); });
    on(chkComActive, &QCheckBox::toggled, this, [this](bool) { showActiveBold(); });
}

void frmCompany::formLoad()
{
    FillGrid();
    SetMaxlength();
    ui::showTab(tabs(), 0);
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
    setColumns({{nullptr, 0}, {"Company", 3000}, {"Telephone", 3000}, {"Fax", 3000}, {"Address", 4000},
        {"Active", 800}, {"Sale Tax #", 1500}, {"NTN #", 1300}, {"Email", 2000}, {"WebSite", 2000}});
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

bool frmCompany::mayDelete(const QString &)
{
    return common::msgBox(QStringLiteral("are you sure delete this Company"), 68) == common::Answer::Yes;
}

void frmCompany::deleteRecord(const QString &key)
{
    shell::admin::deleteCompany(*gConn, key.toLongLong());
}

void frmCompany::cmdDelete_Click()
{
    deleteShown();
    txtCompany->setFocus();
}

void frmCompany::Msh_DblClick()
{
    const int r = pickedRow();
    if (r < 0)
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
    showEntry(txtCompany);
}
