#include "shell/fixture.h"

#include "common/globals.h"
#include "shell/shellrules.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>

namespace {

using MainWindow = ShellTest;

TEST_F(MainWindow, HomePanelStatusLineAndClock)
{
    gUserName = QStringLiteral("clerk");
    MDIForm1 *w = openMain();
    EXPECT_TRUE(w->isMaximizedWindow());
    EXPECT_EQ(common::windows::host(), w->mdiArea()) << "task windows open in the main window";
    EXPECT_EQ(w->subWindow(), nullptr) << "the main window is no child of its own";
    QWidget *panel = findControl<QWidget>(w, "Picture1");
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), w->mdiArea()->viewport()->rect()) << "the panel fills the client area";
    EXPECT_EQ(findControl<QLabel>(w, "lblTitle")->text(), "Login :   clerk");
    EXPECT_NE(w->findChild<QWidget *>("flashVOLogo"), nullptr);

    auto *lblDate = findControl<QLabel>(w, "lblDate");
    EXPECT_EQ(lblDate->text(), "Date & Time");
    w->Timer1_Timer();
    static const QRegularExpression clock(
        QStringLiteral("^[A-Z][a-z]+day, \\d\\d-[A-Z][a-z]+-\\d{4}  \\d\\d:\\d\\d:\\d\\d [AP]M$"));
    EXPECT_TRUE(clock.match(lblDate->text()).hasMatch()) << lblDate->text().toStdString();
}

TEST_F(MainWindow, ItemsAreEnabledExactlyWhenTheirWindowIsRegistered)
{
    openMain();
    for (const char *name :
        {"mnuSession", "mnuCourse", "mnuSubject", "mnuSetMenu", "mnuExit", "mnuCompany", "mnuAddUser"})
        EXPECT_TRUE(item(QLatin1String(name))->isEnabled()) << name;
    // Subsystems not in this build: the items stay, with their captions, greyed.
    for (const char *name : {"mnuApp", "mnuCPVou", "mnuCarryFor", "mnuRecvVou"}) {
        EXPECT_FALSE(item(QLatin1String(name))->isEnabled()) << name;
        EXPECT_TRUE(item(QLatin1String(name))->isVisible()) << name;
    }
    EXPECT_EQ(item("mnuApp")->text(), "Application Form");
    EXPECT_EQ(item("mnuCPVou")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F1));
    if (!common::windows::isRegistered(QStringLiteral("frmRPTAccounts"))) {
        EXPECT_FALSE(item("mnuCashBook")->isEnabled());
    }

    // A window registered later enables its item in the next main window.
    registerStub(QStringLiteral("frmCP"));
    main()->unload();
    flushDeferred();
    openMain();
    EXPECT_TRUE(item("mnuCPVou")->isEnabled());
}

// The whole menu bar, level by level in order: a moved, renamed or dropped
// item or shortcut changes what the menu rights store and what users press.
TEST_F(MainWindow, MenuBarHoldsEveryItemInItsPlace)
{
    MDIForm1 *w = openMain();
    QStringList shown;
    std::function<void(const QList<QAction *> &, int)> walk
        = [&](const QList<QAction *> &actions, int depth) {
              for (QAction *a : actions) {
                  shown << QStringLiteral("%1|%2|%3|%4")
                               .arg(depth)
                               .arg(a->objectName(), MDIForm1::caption(a), a->shortcut().toString());
                  if (QMenu *m = a->menu())
                      walk(m->actions(), depth + 1);
              }
          };
    walk(findControl<QMenuBar>(w, "MDIForm1_menubar")->actions(), 0);
    const QStringList expected {
        "0|mnu_Reg_Form|REGISTRATIONS|",
        "1|mnuApp|Application Form|Ctrl+A",
        "1|gp0|-|",
        "1|mnuCarryFor|Carry Forward Entry|Ctrl+C",
        "1|gp01|-|",
        "1|mnuCompany|Company|",
        "1|gpt|-|",
        "1|mnu_TelDir|Telephone Directory|Ctrl+T",
        "1|gp1|-|",
        "1|mnuChartOfAC|Chart Of Accounts|Ctrl+O",
        "1|gp2|-|",
        "1|mnuVocSetting|Voucher Setup|",
        "1|gp3|-|",
        "1|mnuSubject|Subjects|Ctrl+S",
        "1|gp4|-|",
        "1|mnuCourse|Course|Ctrl+U",
        "1|gp5|-|",
        "1|mnuSession|Session|Ctrl+I",
        "0|mnuMainTrans|TRANSACTION|",
        "1|mnuMainVouc|Vouchers|",
        "2|mnuCPVou|Cash Payment Voucher|Ctrl+F1",
        "2|mnuCRVou|Cash Receive Voucher|Ctrl+F2",
        "2|mnuBVouc3|-|",
        "2|mnuBPVouc|Bank Payment Voucher|Ctrl+F3",
        "2|mnuBRVouc|Bank Receive Voucher|Ctrl+F4",
        "2|mnuBVouc2|-|",
        "2|mnuJVVouc|Journal Voucher|Ctrl+F5",
        "2|mnuBVouc13|-|",
        "2|mnuRecvVou|Fee Receive Voucher|Ctrl+F6",
        "0|mnuMainRpt|Reports|",
        "1|mnuCashBook|CASH BOOK|",
        "1|mnuRBlank|-|",
        "1|mnuBankBook|BANK BOOK|",
        "1|mnuRBlank1|-|",
        "1|mnuSimpleLedger|SIMPLE LEDGER|",
        "1|mnuRBlank2|-|",
        "1|mnuDetLedger|DETAIL LEDGER|",
        "1|mnuRBlank3|-|",
        "1|mnuSubTBSimple|SUBSIDIARY TRIAL BALANCE SIMPLE|",
        "1|mnuRBlank4|-|",
        "1|mnuControlTB|CONTROL TRIAL BALANCE|",
        "1|mnuRBlank5|-|",
        "1|mnuSubTBWOB|SUBSIDIARY TRIAL BALANCE (WITH OPENING)|",
        "1|gpFD|-|",
        "1|mnuFee|SESSION WISE OUTSTANDING|",
        "1|gpS|-|",
        "1|mnuStuFeeDet|ACTIVE STUDENT WISE DETAIL|",
        "1|gpS1|-|",
        "1|mnuInctiveStuWiseRPT|INACTIVE STUDENT WISE DETAIL|",
        "0|mnuAdmin|Administartor|",
        "1|mnuAddUser|Add Users|",
        "1|mnuSetMenu|Set Menus|",
        "1|mnuRemoveData|Remove Data|",
        "0|mnuExit|E&xit|",
    };
    EXPECT_EQ(shown, expected);
}

TEST_F(MainWindow, OpeningATaskWindowHidesThePanelAndPlacesTheWindow)
{
    MDIForm1 *w = openMain();
    trigger("mnuSession");
    EXPECT_FALSE(w->homePanel()->isVisible());
    common::Window *session = common::windows::ifLoaded(QStringLiteral("frmSession"));
    ASSERT_NE(session, nullptr);
    ASSERT_NE(session->subWindow(), nullptr);
    EXPECT_EQ(session->subWindow()->mdiArea(), w->mdiArea());
    EXPECT_EQ(session->frame()->pos(), at(4000, 1000));

    // Shown again: the same window, placed again.
    session->moveTwips(0, 0);
    trigger("mnuSession");
    EXPECT_EQ(common::windows::ifLoaded(QStringLiteral("frmSession")), session);
    EXPECT_EQ(session->frame()->pos(), at(4000, 1000));

    // Closing it brings the panel back.
    session->unload();
    EXPECT_TRUE(w->homePanel()->isVisible());

    gLockAccount = true;
    gLockRemoveData = true;
    trigger("mnuSetMenu");
    EXPECT_TRUE(gLockSetMenus);
    EXPECT_FALSE(gLockRemoveData);
    EXPECT_FALSE(gLockAccount);
    common::Window *gate = common::windows::ifLoaded(QStringLiteral("frmLocPass"));
    ASSERT_NE(gate, nullptr);
    EXPECT_TRUE(gate->isVisible());
    EXPECT_EQ(gate->frame()->pos(), at(5000, 3000));
}

TEST_F(MainWindow, ReportItemsStartFromTheReportWindowsDesignStateAndKeepTheWindow)
{
    registerReportStub();
    MDIForm1 *w = openMain();
    ASSERT_TRUE(item("mnuCashBook")->isEnabled());
    trigger("mnuCashBook");
    QPointer<common::Window> first = common::windows::ifLoaded(QStringLiteral("frmRPTAccounts"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->frame()->pos(), at(2500, 1000));
    EXPECT_TRUE(findControl<QGroupBox>(first, "frmCashBook")->isVisible());
    EXPECT_FALSE(findControl<QWidget>(first, "lblAC")->isVisible());
    EXPECT_FALSE(findControl<QWidget>(first, "cmdFindAC")->isVisible());
    EXPECT_EQ(findControl<QLabel>(first, "LblCashBook")->text(), "CASH BOOK");
    EXPECT_EQ(findControl<QLabel>(first, "LblMain")->text(), "CASH BOOK");

    trigger("mnuBankBook");
    flushDeferred();
    // The window stays, keeping its values; no unload, so no menu rights on the way.
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(StubWindow::unloads().value("frmRPTAccounts"), 0);
    common::Window *second = common::windows::ifLoaded(QStringLiteral("frmRPTAccounts"));
    ASSERT_EQ(second, first.data());
    EXPECT_FALSE(w->homePanel()->isVisible());
    EXPECT_FALSE(findControl<QGroupBox>(second, "frmCashBook")->isVisible()) << "no stacked frames";
    EXPECT_TRUE(findControl<QGroupBox>(second, "frmBankBook")->isVisible());
    EXPECT_TRUE(findControl<QWidget>(second, "lblAC")->isVisible()) << "the account box is back";
    EXPECT_EQ(findControl<QLabel>(second, "LblMain")->text(), "BANK BOOK");

    trigger("mnuInctiveStuWiseRPT");
    common::Window *third = common::windows::ifLoaded(QStringLiteral("frmRPTAccounts"));
    EXPECT_TRUE(findControl<QGroupBox>(third, "frmInActiveStuFeeDetail")->isVisible());
    EXPECT_FALSE(findControl<QGroupBox>(third, "frmStuFeeDetail")->isVisible());
    EXPECT_EQ(findControl<QLabel>(third, "Label1")->text(), "INACTIVE STUDENT WISE DETAIL");
    for (const char *shown :
        {"cboSession", "Label23", "DtaCourse", "DtaSubject", "LblSubname", "LblCourseName"})
        EXPECT_TRUE(findControl<QWidget>(third, shown)->isVisible()) << shown;
    for (const char *hidden : {"DTPicker1", "DTPicker2", "LblFrom", "LblTo", "lblAC", "txtAcName"})
        EXPECT_FALSE(findControl<QWidget>(third, hidden)->isVisible()) << hidden;
    // The user closes it; only then does it unload.
    common::windows::unload(QStringLiteral("frmRPTAccounts"));
    flushDeferred();
    EXPECT_EQ(StubWindow::unloads().value("frmRPTAccounts"), 1);
}

TEST_F(MainWindow, ExitClosesEveryWindowAndAnotherUserLogsIn)
{
    openMain();
    for (const char *name : {"mnuSession", "mnuCourse", "mnuSubject"})
        trigger(QLatin1String(name));
    ASSERT_EQ(common::windows::loadedNames().size(), 4);

    trigger("mnuExit");
    flushDeferred();
    for (const char *name : {"frmSession", "frmCourse", "frmSubject"})
        EXPECT_EQ(StubWindow::unloads().value(QLatin1String(name)), 1) << name;
    EXPECT_EQ(StubWindow::loadsDuringUnload(), 0) << "nothing loads while logging off";
    EXPECT_EQ(common::windows::loadedNames(), QStringList {"frmLogin"});
    EXPECT_FALSE(common::windows::closingDown());
    common::Window *login = common::windows::ifLoaded(QStringLiteral("frmLogin"));
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->isVisible());
    EXPECT_EQ(gConn->state(), 1) << "the connection stays open until the next login";

    exec(QStringLiteral("sp_addlogin ?, ?, ?"), {"clerk", "Clerk-pw1", "ORU"});
    exec(QStringLiteral("Sp_AddSrvroleMember ?, ?"), {"clerk", "sysadmin"});
    auto *cboUsers = findControl<QComboBox>(login, "cboUsers");
    cboUsers->setEditText(QString());
    typeText(cboUsers, QStringLiteral("clerk"));
    typeText(findControl<QLineEdit>(login, "txtPassword"), QStringLiteral("Clerk-pw1"));
    findControl<QLineEdit>(login, "txtServer")->setText(serverPath());
    clickButton(login, "cmdLogIn");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    ASSERT_NE(main(), nullptr);
    EXPECT_EQ(findControl<QLabel>(main(), "lblTitle")->text(), "Login :   clerk");
    EXPECT_EQ(gConn->loginName(), "clerk");
    EXPECT_TRUE(item("mnuSession")->isVisible()) << "a new main window shows every item";
    EXPECT_EQ(m_ended, 0);
}

TEST_F(MainWindow, CloseBoxUnloadsEverythingAndEndsTheProgram)
{
    MDIForm1 *w = openMain();
    trigger("mnuSession");
    trigger("mnuCourse");
    w->close();
    flushDeferred();
    EXPECT_EQ(StubWindow::unloads().value("frmSession"), 1);
    EXPECT_EQ(StubWindow::unloads().value("frmCourse"), 1);
    EXPECT_EQ(StubWindow::loadsDuringUnload(), 0);
    EXPECT_TRUE(common::windows::loadedNames().isEmpty());
    EXPECT_EQ(m_ended, 1);
}

} // namespace
