#include "directory/frm_Tele_Directory.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/printing.h"
#include "directory/directory_rules.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString tagD = QStringLiteral("D");
const QString directoryReport = QStringLiteral("\\rptTelePhone.rpt");
} // namespace

frm_Tele_Directory::frm_Tele_Directory()
    : common::Window(QStringLiteral("frm_Tele_Directory"))
{
    setWindowTitle(QString());
    namespace kit = common::formkit;
    auto *outer = kit::windowColumn(this);
    outer->addWidget(kit::heading(QStringLiteral("lblHeading"), QStringLiteral("TELEPHONE DIRECTORY"), this));
    m_tabs = kit::tabs(QStringLiteral("tabDirectory"), this, outer);

    // ---- entry
    const auto [entryTab, entryLayout] = kit::tabPage(QStringLiteral("tabEntry"));
    auto *frame = new QGroupBox(entryTab);
    frame->setObjectName(QStringLiteral("fraDirectory"));
    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(7);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto box = [&](const char *name, const char *field) { return kit::boundEdit(name, tagD, field, frame); };
    auto label = [&](const char *name, const QString &text, QWidget *buddy) {
        return kit::fieldLabel(name, text, buddy, frame);
    };
    txt_Row_No = box("txt_Row_No", "Row_No");
    txt_Row_No->setVisible(false);
    txtCodeNo = box("txtCodeNo", "Code_No");
    txtCodeNo->setVisible(false);
    txtCName = box("txtCName", "Client_Name");
    txtComName = box("txtComName", "Company");
    txtConPerson = box("txtConPerson", "Contact_Per");
    txtTeleNo = box("txtTeleNo", "Tele_No");
    txtMobNo = box("txtMobNo", "Mob_No");
    txtFaxNo = box("txtFaxNo", "Fax_NO");
    txtEmail = box("txtEmail", "Email");
    txtWebsite = box("txtWebsite", "WebSite");
    txtLocation = box("txtLocation", "Location");
    txtCity = box("txtCity", "City");
    txtCountry = box("txtCountry", "Country");
    txtAdd = box("txtAdd", "Address");

    lblCodeNo = label("lblCodeNo", QStringLiteral("CODE NO "), txtCodeNo);
    lblCodeNo->setVisible(false);
    grid->addWidget(label("lblCName", QStringLiteral("CLIENT NAME "), txtCName), 0, 0);
    grid->addWidget(txtCName, 0, 1, 1, 3);
    grid->addWidget(label("lblComName", QStringLiteral("COMPANY NAME "), txtComName), 1, 0);
    grid->addWidget(txtComName, 1, 1, 1, 3);
    grid->addWidget(label("lblConPerson", QStringLiteral("CONTACT PERSON "), txtConPerson), 2, 0);
    grid->addWidget(txtConPerson, 2, 1, 1, 3);
    grid->addWidget(label("lblTeleNo", QStringLiteral("TELE PHONE NO "), txtTeleNo), 3, 0);
    grid->addWidget(txtTeleNo, 3, 1);
    grid->addWidget(label("lblMobNo", QStringLiteral("MOBILE NO "), txtMobNo), 3, 2);
    grid->addWidget(txtMobNo, 3, 3);
    grid->addWidget(label("lblFaxNo", QStringLiteral("FAX NO "), txtFaxNo), 4, 0);
    grid->addWidget(txtFaxNo, 4, 1);
    grid->addWidget(label("lblEmail", QStringLiteral("E-MAIL  "), txtEmail), 4, 2);
    grid->addWidget(txtEmail, 4, 3);
    grid->addWidget(label("lblWebsite", QStringLiteral("WEB SITE "), txtWebsite), 5, 0);
    grid->addWidget(txtWebsite, 5, 1);
    grid->addWidget(label("lblLocation", QStringLiteral("LOCATION "), txtLocation), 5, 2);
    grid->addWidget(txtLocation, 5, 3);
    grid->addWidget(label("lblCity", QStringLiteral("CITY  "), txtCity), 6, 0);
    grid->addWidget(txtCity, 6, 1);
    grid->addWidget(label("lblCountry", QStringLiteral("COUNTRY "), txtCountry), 6, 2);
    grid->addWidget(txtCountry, 6, 3);
    grid->addWidget(label("lblAdd", QStringLiteral("ADDRESS "), txtAdd), 7, 0);
    grid->addWidget(txtAdd, 7, 1, 1, 3);
    grid->addWidget(lblCodeNo, 8, 0);
    grid->addWidget(txtCodeNo, 8, 1);
    grid->addWidget(txt_Row_No, 8, 3);
    const kit::RecordControls controls = kit::recordTabs(this, outer, m_tabs, {entryTab, entryLayout}, frame,
        {QStringLiteral("TELEPHONE DIRECTORY"), QStringLiteral("tabSearch"), QStringLiteral("SEARCH"), true});
    cmb_s_cri = controls.search.criterion;
    txt_s_value = controls.search.value;
    Msh = controls.search.list;
    cmdSave = controls.save;
    cmdDelete = controls.erase;
    cmdCancel = controls.cancel;
    cmdPrint = controls.print;
    cmdExit = controls.exit;

    kit::tabOrder({txtCName, txtComName, txtConPerson, txtTeleNo, txtMobNo, txtFaxNo, txtEmail, txtWebsite,
        txtLocation, txtCity, txtCountry, txtAdd, cmdSave});

    for (QLineEdit *e :
        {txtCName, txtComName, txtConPerson, txtTeleNo, txtMobNo, txtFaxNo, txtCity, txtAdd, txt_s_value})
        ui::keys(e).upperCase().enterMovesNext();
    ui::keys(txtEmail).enterMovesNext();
    ui::keys(txtWebsite).enterMovesNext();

    using common::on;
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { ClearAll(); });
    on(cmdPrint, &QPushButton::clicked, this, [this](bool) { cmdPrint_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
    on(Msh, &ui::Grid::enterPressed, this, [this] { Msh_Enter(); });
    // Only a new search value refills the list; the criterion chosen alone
    // takes effect with the next value.
    on(txt_s_value, &QLineEdit::textChanged, this,
        [this](const QString &) { FillGird(cmb_s_cri->currentText()); });

    resize(760, 440);
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
    ui::showTab(m_tabs, 0);
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
    Msh->setUpdatesEnabled(false);
    Msh->setLines({QStringLiteral("Row_No"), QStringLiteral("Code_No"), QStringLiteral("Client_Name"),
                      QStringLiteral("Company"), QStringLiteral("Contact_Per"), QStringLiteral("Tele_No"),
                      QStringLiteral("Mob_No"), QStringLiteral("Fax_NO"), QStringLiteral("Email"),
                      QStringLiteral("WebSite"), QStringLiteral("Location"), QStringLiteral("City"),
                      QStringLiteral("Country"), QStringLiteral("Address")},
        lines);
    Msh->setUpdatesEnabled(true);
    if (lines.isEmpty()) {
        Msh->clearToBlank();
        return;
    }
    setGrid();
}

void frm_Tele_Directory::setGrid()
{
    static const struct {
        const char *header;
        int width;
    } columns[]
        = {{"Row No", 0}, {"Code No", 0}, {"Client Name", 3000}, {"Company", 4000}, {"Contact Person", 3000},
            {"TelePhone No", 4000}, {"Mobile No", 2000}, {"Fax NO", 2000}, {"Email", 3000}, {"WebSite", 3000},
            {"Location", 3000}, {"City", 3000}, {"Country", 3000}, {"Address", 5000}};
    for (int c = 0; c < int(std::size(columns)); ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

bool frm_Tele_Directory::requireFilled(QLineEdit *box, const QString &message)
{
    if (!box->text().trimmed().isEmpty())
        return true;
    common::msgBox(message, common::Buttons::Ok, common::Icon::Information);
    ui::showTab(m_tabs, 0);
    box->setFocus();
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

void frm_Tele_Directory::cmdDelete_Click()
{
    if (txt_Row_No->text().isEmpty())
        return;
    if (common::msgBox(QStringLiteral("Are you sure delete this information"), common::Buttons::YesNo,
            common::Icon::Question, QStringLiteral("Confirm"))
        != common::Answer::Yes)
        return;
    directory::deleteEntry(*gConn, db::Value(txt_Row_No->text()).toInt());
    ClearAll();
    FillGird(QString());
}

void frm_Tele_Directory::cmdPrint_Click()
{
    common::PrintJob job;
    job.reportFile = directoryReport;
    job.user = gUserName;
    job.password = gUserPassword;
    if (!txt_Row_No->text().isEmpty())
        job.selection = QStringLiteral("{tbl_Tele_Directory.row_no} = ") + txt_Row_No->text();
    common::printReport(job);
}

void frm_Tele_Directory::Msh_DblClick()
{
    const int r = Msh->row();
    if (r < 1 || r >= Msh->rows() || Msh->textMatrix(r, 0).isEmpty())
        return;
    ClearAll();
    txt_Row_No->setText(Msh->textMatrix(r, 0));
    FillData();
    if (gLookupMode) {
        unload();
        return;
    }
    ui::showTab(m_tabs, 0);
    txtCName->setFocus();
}

void frm_Tele_Directory::Msh_Enter()
{
    const int r = Msh->row();
    if (r < 1 || r >= Msh->rows() || Msh->textMatrix(r, 0).isEmpty())
        return;
    unload();
}
