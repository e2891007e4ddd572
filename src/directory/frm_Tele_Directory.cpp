#include "directory/frm_Tele_Directory.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "directory/directory_rules.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString tagD = QStringLiteral("D");
const QString directoryReport = QStringLiteral("\\rptTelePhone.rpt");
const QList<common::ListEditWindow::Column> listColumns {{"Row No", 0}, {"Code No", 0}, {"Client Name", 3000},
    {"Company", 4000}, {"Contact Person", 3000}, {"TelePhone No", 4000}, {"Mobile No", 2000},
    {"Fax NO", 2000}, {"Email", 3000}, {"WebSite", 3000}, {"Location", 3000}, {"City", 3000},
    {"Country", 3000}, {"Address", 5000}};

const common::ListEditWindow::Settings settings {
    .name = "frm_Tele_Directory",
    .heading = "TELEPHONE DIRECTORY",
    .tabsName = "tabDirectory",
    .entryPage = "tabEntry",
    .frameName = "fraDirectory",
    .tag = tagD,
};
} // namespace

frm_Tele_Directory::frm_Tele_Directory()
    : common::ListEditWindow(settings)
{
    createFields();
    layOutFields();
    createTabs();
    setKeys();
    connectControls();
    resize(760, 440);
}

void frm_Tele_Directory::createFields()
{
    txt_Row_No = boundBox("txt_Row_No", "Row_No");
    txt_Row_No->setVisible(false);
    txtCodeNo = boundBox("txtCodeNo", "Code_No");
    txtCodeNo->setVisible(false);
    txtCName = boundBox("txtCName", "Client_Name");
    txtComName = boundBox("txtComName", "Company");
    txtConPerson = boundBox("txtConPerson", "Contact_Per");
    txtTeleNo = boundBox("txtTeleNo", "Tele_No");
    txtMobNo = boundBox("txtMobNo", "Mob_No");
    txtFaxNo = boundBox("txtFaxNo", "Fax_NO");
    txtEmail = boundBox("txtEmail", "Email");
    txtWebsite = boundBox("txtWebsite", "WebSite");
    txtLocation = boundBox("txtLocation", "Location");
    txtCity = boundBox("txtCity", "City");
    txtCountry = boundBox("txtCountry", "Country");
    txtAdd = boundBox("txtAdd", "Address");
    setKeyBox(txt_Row_No);
}

void frm_Tele_Directory::layOutFields()
{
    lblCodeNo = fieldLabel("lblCodeNo", QStringLiteral("CODE NO "), txtCodeNo);
    lblCodeNo->setVisible(false);
    layOutCells({
        {"lblCName", "CLIENT NAME ", txtCName, 0, 0, 3},
        {"lblComName", "COMPANY NAME ", txtComName, 1, 0, 3},
        {"lblConPerson", "CONTACT PERSON ", txtConPerson, 2, 0, 3},
        {"lblTeleNo", "TELE PHONE NO ", txtTeleNo, 3, 0, 1},
        {"lblMobNo", "MOBILE NO ", txtMobNo, 3, 2, 1},
        {"lblFaxNo", "FAX NO ", txtFaxNo, 4, 0, 1},
        {"lblEmail", "E-MAIL  ", txtEmail, 4, 2, 1},
        {"lblWebsite", "WEB SITE ", txtWebsite, 5, 0, 1},
        {"lblLocation", "LOCATION ", txtLocation, 5, 2, 1},
        {"lblCity", "CITY  ", txtCity, 6, 0, 1},
        {"lblCountry", "COUNTRY ", txtCountry, 6, 2, 1},
        {"lblAdd", "ADDRESS ", txtAdd, 7, 0, 3},
    });
    QGridLayout *grid = fieldGrid();
    grid->addWidget(lblCodeNo, 8, 0);
    grid->addWidget(txtCodeNo, 8, 1);
    grid->addWidget(txt_Row_No, 8, 3);
}

void frm_Tele_Directory::createTabs()
{
    addRecordTabs(
        {QStringLiteral("TELEPHONE DIRECTORY"), QStringLiteral("tabSearch"), QStringLiteral("SEARCH"), true});
    common::formkit::tabOrder({txtCName, txtComName, txtConPerson, txtTeleNo, txtMobNo, txtFaxNo, txtEmail,
        txtWebsite, txtLocation, txtCity, txtCountry, txtAdd, cmdSave});
}

void frm_Tele_Directory::setKeys()
{
    for (QLineEdit *e :
        {txtCName, txtComName, txtConPerson, txtTeleNo, txtMobNo, txtFaxNo, txtCity, txtAdd, txt_s_value})
        ui::keys(e).upperCase().enterMovesNext();
    ui::keys(txtEmail).enterMovesNext();
    ui::keys(txtWebsite).enterMovesNext();
}

void frm_Tele_Directory::connectControls()
{
    using common::on;
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { deleteShown(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { ClearAll(); });
    on(cmdPrint, &QPushButton::clicked, this,
        [this](bool) { printShown(directoryReport, QStringLiteral("{tbl_Tele_Directory.row_no}")); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
    on(Msh, &ui::Grid::enterPressed, this, [this] { Msh_Enter(); });
    // Only a new search value refills the list; the criterion chosen alone
    // takes effect with the next value.
    on(txt_s_value, &QLineEdit::textChanged, this,
        [this](const QString &) { FillGird(cmb_s_cri->currentText()); });
}

void frm_Tele_Directory::formLoad()
{
    {
        const QSignalBlocker block(cmb_s_cri);
        cmb_s_cri->addItem(QStringLiteral("Client Name"));
        cmb_s_cri->addItem(QStringLiteral("Company Name"));
        cmb_s_cri->addItem(QStringLiteral("TelePhone No."));
        cmb_s_cri->setCurrentIndex(0);
    }
    FillGird(cmb_s_cri->currentText());
    ui::showTab(tabs(), 0);
}

void frm_Tele_Directory::formUnload()
{
    ApplyMenuRights();
}

void frm_Tele_Directory::ClearAll()
{
    common::binding::clear(this, tagD);
}

void frm_Tele_Directory::FillData()
{
    if (txt_Row_No->text().isEmpty())
        return;
    if (const auto entry = directory::readEntry(*gConn, txt_Row_No->text()))
        common::binding::load(this, tagD, *entry);
}

void frm_Tele_Directory::FillGird(const QString &criterion)
{
    QList<QStringList> lines;
    for (const directory::ListRow &r : directory::list(*gConn, criterion, txt_s_value->text()))
        lines.push_back({QString::number(r.rowNo), r.codeNo, r.clientName, r.company, r.contactPer, r.teleNo,
            r.mobNo, r.faxNo, r.email, r.webSite, r.location, r.city, r.country, r.address});
    showList({QStringLiteral("Row_No"), QStringLiteral("Code_No"), QStringLiteral("Client_Name"),
                 QStringLiteral("Company"), QStringLiteral("Contact_Per"), QStringLiteral("Tele_No"),
                 QStringLiteral("Mob_No"), QStringLiteral("Fax_NO"), QStringLiteral("Email"),
                 QStringLiteral("WebSite"), QStringLiteral("Location"), QStringLiteral("City"),
                 QStringLiteral("Country"), QStringLiteral("Address")},
        lines, listColumns);
}

void frm_Tele_Directory::setGrid()
{
    setColumns(listColumns);
}

bool frm_Tele_Directory::requireFilled(QLineEdit *box, const QString &message)
{
    if (!box->text().trimmed().isEmpty())
        return true;
    common::msgBox(message, common::Buttons::Ok, common::Icon::Information);
    showEntry(box);
    return false;
}

void frm_Tele_Directory::cmdSave_Click()
{
    if (!requireFilled(txtCName, QStringLiteral("please enter Client Name"))
        || !requireFilled(txtComName, QStringLiteral("please enter Company Name"))
        || !requireFilled(txtTeleNo, QStringLiteral("please enter Telephone No"))
        || !requireFilled(txtAdd, QStringLiteral("please enter Address")))
        return;
    directory::Entry entry;
    entry.rowNo = txt_Row_No->text();
    entry.codeNo = txtCodeNo->text();
    for (QLineEdit *box : common::binding::fields(this, tagD)) {
        if (box == txt_Row_No || box == txtCodeNo)
            continue;
        entry.fields.append({common::binding::dataFieldOf(box), box->text()});
    }
    directory::saveEntry(*gConn, entry);
    FillGird(QString());
    ClearAll();
}

bool frm_Tele_Directory::mayDelete(const QString &)
{
    return common::msgBox(QStringLiteral("Are you sure delete this information"), common::Buttons::YesNo,
               common::Icon::Question, QStringLiteral("Confirm"))
        == common::Answer::Yes;
}

void frm_Tele_Directory::deleteRecord(const QString &key)
{
    directory::deleteEntry(*gConn, db::Value(key).toInt());
}

void frm_Tele_Directory::Msh_DblClick()
{
    if (!openPicked())
        return;
    if (gLookupMode) {
        unload();
        return;
    }
    showEntry(txtCName);
}

void frm_Tele_Directory::Msh_Enter()
{
    if (pickedRecord())
        unload();
}
