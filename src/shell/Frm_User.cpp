#include "shell/Frm_User.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "shell/admin_rules.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
const QString tagD = QStringLiteral("D");
const QString userReport = QStringLiteral("\\Vel_Report\\rpt_User_Name.rpt");
const QList<common::ListEditWindow::Column> listColumns {{"Code", 0}, {"User No", 0}, {"User Name", 3000},
    {"Designation", 2000}, {"PassWard", 3000}, {"Status", 2000}};

const common::ListEditWindow::Settings settings {
    .name = "Frm_User",
    .title = "Users",
    .heading = "USER INFORMATION",
    .tabsName = "tabUser",
    .entryPage = "tabUserData",
    .frameName = "fraUser",
    .tag = tagD,
    .rowSpacing = 8,
    .twoFieldColumns = false,
};
} // namespace

Frm_User::Frm_User()
    : common::ListEditWindow(settings)
{
    createFields();
    layOutFields();
    createTabs();
    setKeys();
    connectControls();
    resize(680, 380);
}

void Frm_User::createFields()
{
    txt_User_Nm = boundBox("txt_User_Nm", "User_Name");
    txt_Desig = boundBox("txt_Desig", "Designation");
    txt_User_pass = boundBox("txt_User_pass", "PassWard");
    txt_User_pass->setEchoMode(QLineEdit::Password);
    txt_User_pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    txt_Row_No = boundBox("txt_Row_No", "Row_No");
    txt_Row_No->setVisible(false);
    txt_User_Code = boundBox("txt_User_Code", "User_Code");
    txt_User_Code->setVisible(false);
    setKeyBox(txt_Row_No);
}

void Frm_User::layOutFields()
{
    QGridLayout *grid = fieldGrid();
    grid->addWidget(fieldLabel("lblUserName", QStringLiteral("User  Name "), txt_User_Nm), 0, 0);
    grid->addWidget(txt_User_Nm, 0, 1);
    grid->addWidget(fieldLabel("lblDesig", QStringLiteral("Designation "), txt_Desig), 1, 0);
    grid->addWidget(txt_Desig, 1, 1);
    grid->addWidget(fieldLabel("lblPass", QStringLiteral("Passward "), txt_User_pass), 2, 0);
    grid->addWidget(txt_User_pass, 2, 1);
    lblUserCode = fieldLabel("lblUserCode", QStringLiteral("User  Code "), txt_User_Code);
    lblUserCode->setVisible(false);
    grid->addWidget(lblUserCode, 3, 0);
    grid->addWidget(txt_User_Code, 3, 1);
    grid->addWidget(txt_Row_No, 4, 1);

    grid->addWidget(fieldLabel("lblStatus", QStringLiteral("Status "), nullptr), 5, 0);
    auto *options = new QHBoxLayout;
    Opt_Admin = new QRadioButton(QStringLiteral("Administrator"), frame());
    Opt_Admin->setObjectName(QStringLiteral("Opt_Admin"));
    Opt_User = new QRadioButton(QStringLiteral(" User "), frame());
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
}

void Frm_User::createTabs()
{
    addRecordTabs(
        {QStringLiteral("USER DATA"), QStringLiteral("tabUserSearch"), QStringLiteral("USER SEARCH"), false});
    common::formkit::tabOrder({txt_User_Nm, txt_Desig, txt_User_pass, Opt_Admin, Opt_User, cmdSave});
}

void Frm_User::setKeys()
{
    for (QLineEdit *e : {txt_User_Nm, txt_User_Code, txt_Desig, txt_s_value})
        ui::keys(e).upperCase().enterMovesNext();
    ui::keys(txt_User_pass).upperCase().dropBlanks().enterMovesNext();
    ui::keys(Opt_Admin).enterMovesNext();
    ui::keys(Opt_User).enterMovesNext();
}

void Frm_User::connectControls()
{
    using common::on;
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { ClearAll(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { deleteShown(); });
    on(cmdPrint, &QPushButton::clicked, this,
        [this](bool) { printShown(userReport, QStringLiteral("{User_Information.Row_No}")); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { cmdExit_Click(); });
    on(Msh, &ui::Grid::cellDoubleClicked, this, [this] { Msh_DblClick(); });
    // Typing into the criterion, or changing the value, refills the list; a
    // criterion chosen from the drop-down takes effect with the next value.
    on(cmb_s_cri->lineEdit(), &QLineEdit::textEdited, this,
        [this](const QString &) { FillGird(cmb_s_cri->currentText()); });
    on(txt_s_value, &QLineEdit::textChanged, this,
        [this](const QString &) { FillGird(cmb_s_cri->currentText()); });
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
    showList({QStringLiteral("Row_No"), QStringLiteral("User_Code"), QStringLiteral("User_Name"),
                 QStringLiteral("Designation"), QStringLiteral("PassWard"), QStringLiteral("Status")},
        lines, listColumns);
}

void Frm_User::setGrid()
{
    setColumns(listColumns);
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

bool Frm_User::mayDelete(const QString &key)
{
    if (shell::admin::isLoggedInUser(*gConn, key.toLongLong())) {
        common::msgBox(QStringLiteral("You are logged in as this user: it cannot be deleted."),
            common::Buttons::Ok, common::Icon::Information);
        return false;
    }
    return common::msgBox(
               QStringLiteral("Are you sure delete this information"), 68, QStringLiteral("Confirm"))
        == common::Answer::Yes;
}

void Frm_User::deleteRecord(const QString &key)
{
    shell::admin::deleteUser(*gConn, key.toLongLong());
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
    if (openPicked())
        showEntry(txt_User_Nm);
}
