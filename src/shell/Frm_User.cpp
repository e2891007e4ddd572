#include "shell/Frm_User.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/printing.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "shell/admin_rules.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString tagD = QStringLiteral("D");
const QString userReport = QStringLiteral("\\Vel_Report\\rpt_User_Name.rpt");
} // namespace

Frm_User::Frm_User()
    : common::Window(QStringLiteral("Frm_User"))
{
    setWindowTitle(QStringLiteral("Users"));
    namespace kit = common::formkit;
    auto *outer = kit::windowColumn(this);
    outer->addWidget(kit::heading(QStringLiteral("lblHeading"), QStringLiteral("USER INFORMATION"), this));
    m_tabs = kit::tabs(QStringLiteral("tabUser"), this, outer);

    // ---- fields
    const auto [dataTab, dataLayout] = kit::tabPage(QStringLiteral("tabUserData"));
    auto *frame = new QGroupBox(dataTab);
    frame->setObjectName(QStringLiteral("fraUser"));
    auto *grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    auto box = [&](const char *name, const char *field) { return kit::boundEdit(name, tagD, field, frame); };
    auto label = [&](const char *name, const QString &text, QWidget *buddy) {
        return kit::fieldLabel(name, text, buddy, frame);
    };
    txt_User_Nm = box("txt_User_Nm", "User_Name");
    txt_Desig = box("txt_Desig", "Designation");
    txt_User_pass = box("txt_User_pass", "PassWard");
    txt_User_pass->setEchoMode(QLineEdit::Password);
    txt_User_pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    txt_Row_No = box("txt_Row_No", "Row_No");
    txt_Row_No->setVisible(false);
    txt_User_Code = box("txt_User_Code", "User_Code");
    txt_User_Code->setVisible(false);

    grid->addWidget(label("lblUserName", QStringLiteral("User  Name "), txt_User_Nm), 0, 0);
    grid->addWidget(txt_User_Nm, 0, 1);
    grid->addWidget(label("lblDesig", QStringLiteral("Designation "), txt_Desig), 1, 0);
    grid->addWidget(txt_Desig, 1, 1);
    grid->addWidget(label("lblPass", QStringLiteral("Passward "), txt_User_pass), 2, 0);
    grid->addWidget(txt_User_pass, 2, 1);
    lblUserCode = label("lblUserCode", QStringLiteral("User  Code "), txt_User_Code);
    lblUserCode->setVisible(false);
    grid->addWidget(lblUserCode, 3, 0);
    grid->addWidget(txt_User_Code, 3, 1);
    grid->addWidget(txt_Row_No, 4, 1);

    grid->addWidget(label("lblStatus", QStringLiteral("Status "), nullptr), 5, 0);
    auto *options = new QHBoxLayout;
    Opt_Admin = new QRadioButton(QStringLiteral("Administrator"), frame);
    Opt_Admin->setObjectName(QStringLiteral("Opt_Admin"));
    Opt_User = new QRadioButton(QStringLiteral(" User "), frame);
    Opt_User->setObjectName(QStringLiteral("Opt_User"));
    auto *group = new QButtonGroup(this);
    group->addButton(Opt_Admin);
    group->addButton(Opt_User);
    Opt_User->setChecked(true);
    options->addWidget(Opt_Admin);
    options->addSpacing(20);
    options->addWidget(Opt_User);
    options->addStretch(1);
    grid->addLayout(options, 5, 1);
    const kit::RecordControls controls = kit::recordTabs(this, outer, m_tabs, {dataTab, dataLayout}, frame,
        {QStringLiteral("USER DATA"), QStringLiteral("tabUserSearch"), QStringLiteral("USER SEARCH"), false});
    cmb_s_cri = controls.search.criterion;
    txt_s_value = controls.search.value;
    Msh = controls.search.list;
    cmdSave = controls.save;
    cmdCancel = controls.cancel;
    cmdDelete = controls.erase;
    cmdPrint = controls.print;
    cmdExit = controls.exit;

    kit::tabOrder({txt_User_Nm, txt_Desig, txt_User_pass, Opt_Admin, Opt_User, cmdSave});

    for (QLineEdit *e : {txt_User_Nm, txt_User_Code, txt_Desig, txt_s_value})
        ui::keys(e).upperCase().enterMovesNext();
    ui::keys(txt_User_pass).upperCase().dropBlanks().enterMovesNext();
    ui::keys(Opt_Admin).enterMovesNext();
    ui::keys(Opt_User).enterMovesNext();

    using common::on;
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { ClearAll(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdPrint, &QPushButton::clicked, this, [this](bool) { cmdPrint_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { cmdExit_Click(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
    // Typing into the criterion, or changing the value, refills the list; a
    // criterion chosen from the drop-down takes effect with the next value.
    on(cmb_s_cri->lineEdit(), &QLineEdit::textEdited, this,
        [this](const QString &) { FillGird(cmb_s_cri->currentText()); });
    on(txt_s_value, &QLineEdit::textChanged, this,
        [this](const QString &) { FillGird(cmb_s_cri->currentText()); });

    resize(680, 380);
}

void Frm_User::formLoad()
{
    {
        const QSignalBlocker block(cmb_s_cri);
        cmb_s_cri->addItem(QStringLiteral("User Name"));
        cmb_s_cri->addItem(QStringLiteral("Designation"));
        cmb_s_cri->setCurrentIndex(0);
    }
    FillGird(QStringLiteral("User Name"));
    SetMaxlength();
}

void Frm_User::formUnload()
{
    gLookupMode = false;
}

QString Frm_User::statusChosen() const
{
    return Opt_Admin->isChecked() ? QStringLiteral("A") : QStringLiteral("U");
}

void Frm_User::ClearAll()
{
    common::binding::clear(this, tagD);
    txt_User_Nm->setReadOnly(false);
}

void Frm_User::FillGird(const QString &criterion)
{
    QList<QStringList> lines;
    for (const shell::admin::UserRow &r : shell::admin::userList(*gConn, criterion, txt_s_value->text()))
        lines.push_back(
            {QString::number(r.rowNo), r.userCode, r.userName, r.designation, r.passWard, r.status});
    Msh->setLines({QStringLiteral("Row_No"), QStringLiteral("User_Code"), QStringLiteral("User_Name"),
                      QStringLiteral("Designation"), QStringLiteral("PassWard"), QStringLiteral("Status")},
        lines);
    if (lines.isEmpty()) {
        Msh->clearToBlank();
        return;
    }
    setGrid();
}

void Frm_User::setGrid()
{
    static const struct {
        const char *header;
        int width;
    } columns[] = {{"Code", 0}, {"User No", 0}, {"User Name", 3000}, {"Designation", 2000},
        {"PassWard", 3000}, {"Status", 2000}};
    for (int c = 0; c < int(std::size(columns)); ++c) {
        Msh->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        Msh->setColWidth(c, columns[c].width);
    }
}

void Frm_User::FillData()
{
    if (txt_Row_No->text().isEmpty())
        return;
    if (const auto user = shell::admin::readUser(*gConn, txt_Row_No->text())) {
        common::binding::load(this, tagD, user->columns);
        // The password is the server's; the box only takes a new one.
        txt_User_pass->clear();
        const QString status = user->status;
        if (status == QLatin1String("U"))
            Opt_User->setChecked(true);
        else if (status == QLatin1String("A"))
            Opt_Admin->setChecked(true);
        txt_User_Nm->setReadOnly(true);
    }
}

void Frm_User::SetMaxlength()
{
    common::binding::setMaxLengths(this, tagD, *gConn, QStringLiteral("User_Information"));
}

void Frm_User::cmdSave_Click()
{
    const QString name = txt_User_Nm->text();
    if (name.trimmed().isEmpty()) {
        common::msgBox(
            QStringLiteral("Please enter User Name"), common::Buttons::Ok, common::Icon::Information);
        txt_User_Nm->setFocus();
        return;
    }
    const bool adding = txt_Row_No->text().isEmpty();
    if (adding) {
        if (shell::admin::userNameTaken(*gConn, name)) {
            common::msgBox(QStringLiteral("User Name Is already exitis! "), common::Buttons::Ok,
                common::Icon::Information);
            txt_User_Nm->setFocus();
            return;
        }
        if (txt_User_pass->text().isEmpty()) {
            common::msgBox(
                QStringLiteral("please enter Password"), common::Buttons::Ok, common::Icon::Information);
            txt_User_pass->setFocus();
            return;
        }
        shell::admin::addUser(*gConn, name, txt_Desig->text(), txt_User_pass->text(), statusChosen());
    } else {
        shell::admin::changeUser(*gConn, txt_Row_No->text().toLongLong(), txt_Desig->text(), statusChosen(),
            txt_User_pass->text());
        // Printouts log on with the logged-in user's password: keep it current
        // when that user has just changed it.
        if (!txt_User_pass->text().isEmpty()
            && txt_User_Nm->text().trimmed().compare(gUserName, Qt::CaseInsensitive) == 0) {
            gUserPassword = txt_User_pass->text();
            gConn->setProperty(QStringLiteral("Password"), gUserPassword);
        }
    }
    FillGird(QString());
    ClearAll();
}

void Frm_User::cmdDelete_Click()
{
    if (txt_Row_No->text().isEmpty())
        return;
    const std::int64_t rowNo = txt_Row_No->text().toLongLong();
    if (shell::admin::isLoggedInUser(*gConn, rowNo)) {
        common::msgBox(QStringLiteral("You are logged in as this user: it cannot be deleted."),
            common::Buttons::Ok, common::Icon::Information);
        return;
    }
    if (common::msgBox(QStringLiteral("Are you sure delete this information"), 68, QStringLiteral("Confirm"))
        != common::Answer::Yes)
        return;
    shell::admin::deleteUser(*gConn, rowNo);
    ClearAll();
    FillGird(QString());
}

void Frm_User::cmdPrint_Click()
{
    common::PrintJob job;
    job.reportFile = userReport;
    job.user = gUserName;
    job.password = gUserPassword;
    if (!txt_Row_No->text().isEmpty())
        job.selection = QStringLiteral("{User_Information.Row_No} = ") + txt_Row_No->text();
    common::printReport(job);
}

void Frm_User::cmdExit_Click()
{
    if (gLookupMode)
        hideWindow();
    else
        unload();
}

void Frm_User::Msh_DblClick()
{
    const int r = Msh->row();
    if (r < 1 || r >= Msh->rows() || Msh->textMatrix(r, 0).isEmpty())
        return;
    ClearAll();
    txt_Row_No->setText(Msh->textMatrix(r, 0));
    FillData();
    ui::showTab(m_tabs, 0);
    txt_User_Nm->setFocus();
}
