// The whole program as start-up wires it: every menu item finds its window,
// and each window loads and closes again without an error.
#include "accounts/accounts.h"
#include "accounts/chart_rules.h"
#include "admissions/admissions.h"
#include "common/printing.h"
#include "common/window.h"
#include "directory/directory.h"
#include "fees/fees.h"
#include "platform/report/viewer.h"
#include "platform/ui/controls.h"
#include "reports/reports.h"
#include "shell/shell.h"
#include "support/testengine.h"
#include "support/testserver.h"
#include "vouchers/voucher_rules.h"
#include "vouchers/vouchers.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>

#include <thread>

namespace {

void registerProgram()
{
    shell::registerWindows();
    accounts::registerWindows();
    admissions::registerWindows();
    vouchers::registerWindows();
    fees::registerWindows();
    reports::registerWindows();
    reports::registerProcedures();
    directory::registerWindows();
}

class Program : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        registerProgram();
    }
};

TEST_F(Program, EveryMenuItemOpensItsWindow)
{
    common::Window *main = common::windows::show(QStringLiteral("MDIForm1"));
    ASSERT_TRUE(main);
    int opened = 0;
    for (QAction *a : main->findChildren<QAction *>()) {
        const QString name = a->objectName();
        if (!name.startsWith(QLatin1String("mnu")) || a->menu() || a->isSeparator() || a->text().isEmpty()
            || name == QLatin1String("mnuExit"))
            continue;
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(a->isEnabled()) << "no window is registered for " << a->text().toStdString();
        const int before = int(common::windows::loadedNames().size());
        a->trigger();
        EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(QStringLiteral("; ")).toStdString();
        dialogs().clear();
        EXPECT_GT(common::windows::loadedNames().size(), before) << "nothing opened";
        common::windows::unloadAll({QStringLiteral("MDIForm1")});
        flushDeferred();
        EXPECT_EQ(dialogs().count(), 0)
            << "closing: " << dialogs().texts().join(QStringLiteral("; ")).toStdString();
        dialogs().clear();
        ++opened;
    }
    // Nine registrations, six vouchers, ten reports, three administration items.
    EXPECT_EQ(opened, 28);
}

// An office day on the test run's server: the program logs in through its
// login window, it and another copy save vouchers at the same moment, and
// the trial balance prints them all.
TEST_F(Program, LogsInSavesVouchersFromTwoCopiesAtOnceAndPrintsTheTrialBalance)
{
    const auto assets = accounts::addControlAccount(conn(), QStringLiteral("ASSETS"));
    const auto cash = accounts::addChildAccount(conn(),
        accounts::addChildAccount(conn(), assets.acNodes, QStringLiteral("CURRENT")).acNodes,
        QStringLiteral("CASH IN HAND"));
    const auto expenses = accounts::addControlAccount(conn(), QStringLiteral("EXPENSES"));
    const auto rent = accounts::addChildAccount(conn(),
        accounts::addChildAccount(conn(), expenses.acNodes, QStringLiteral("OFFICE")).acNodes,
        QStringLiteral("RENT"));
    ASSERT_TRUE(cash.ok() && rent.ok());
    exec("Insert Into Company (Company, comActive) Values ('ORU INSTITUTE', 'Y')");
    gConn->close();

    common::setAppPath(QStringLiteral(ORU_REPORTS_DIR)); // the report files; no Server.txt
    shell::setEndProgramHandler([] {});
    shell::Main();
    common::Window *login = common::windows::ifLoaded(QStringLiteral("frmLogin"));
    ASSERT_NE(login, nullptr);
    findControl<QLineEdit>(login, "txtServer")->setText(serverPath());
    auto *password = findControl<QLineEdit>(login, "txtPassword");
    typeText(password, saPassword());
    pressEnter(password);
    ASSERT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    common::Window *main = common::windows::ifLoaded(QStringLiteral("MDIForm1"));
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(gConn->state(), 1);

    constexpr int perCopy = 10;
    auto voucher = [&](const char *amount) {
        vouchers::Voucher v;
        v.kind = books::Kind::CP;
        v.date = QDate(2024, 3, 5);
        v.paidReceive = QStringLiteral("LANDLORD");
        vouchers::Line l;
        l.debit = rent.rowId;
        l.credit = cash.rowId;
        l.amount = db::Money::parse(QString::fromLatin1(amount));
        v.lines = {l};
        return v;
    };
    auto other = otherCopy();
    std::string theirError;
    std::thread theirs([&] {
        try {
            for (int i = 0; i < perCopy; ++i)
                vouchers::saveVoucher(*other, voucher("1.00"), QStringLiteral("OTHER"), 1);
        } catch (const std::exception &e) {
            theirError = e.what();
        }
    });
    for (int i = 0; i < perCopy; ++i)
        vouchers::saveVoucher(*gConn, voucher("2.00"), gUserName, 1);
    theirs.join();
    ASSERT_EQ(theirError, "");
    EXPECT_EQ(count("Select count(Distinct VouNo) From MasJV Where VouStatus = 'CP'"), 2 * perCopy);
    EXPECT_EQ(count("Select max(VouNo) From MasJV Where VouStatus = 'CP'"), 2 * perCopy);

    findControl<QAction>(main, QStringLiteral("mnuSubTBSimple"))->trigger();
    flushDeferred();
    common::Window *rpt = common::windows::ifLoaded(QStringLiteral("frmRPTAccounts"));
    ASSERT_NE(rpt, nullptr);
    findControl<ui::DatePicker>(rpt, "DTPicker1")->setDate(QDate(2024, 3, 1));
    findControl<ui::DatePicker>(rpt, "DTPicker2")->setDate(QDate(2024, 3, 31));
    clickButton(rpt, QStringLiteral("cmdTrialBal"));
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    const report::CRViewer91 *viewer = common::viewerControl();
    ASSERT_TRUE(viewer && viewer->document());
    const QStringList lines = viewer->document()->allLines();
    EXPECT_EQ(viewer->document()->title, "rptTrialBalance");
    EXPECT_TRUE(lines.contains(rent.acNodes + " | RENT | 30.00 | 30.00")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Total | 30.00 | 30.00 | 30.00 | 30.00")) << lines.join('\n').toStdString();
    shell::setEndProgramHandler(nullptr);
}

} // namespace

namespace {

// The default server of a fresh data folder, made as scripts/run makes it on
// a first run, and the program started on it.
class FirstRun : public GuiTest {
protected:
    static QString sa() { return QStringLiteral("First-sa-1"); }
    static QString lock() { return QStringLiteral("Lk42"); }

    void SetUp() override
    {
        GuiTest::SetUp();
        ORU_EMBEDDED_ONLY("the first run makes the embedded default server");
        ASSERT_TRUE(m_home.isValid());
        m_oldHome = qgetenv("ORU_DATA_HOME");
        qputenv("ORU_DATA_HOME", m_home.path().toUtf8());
        oruadmin({"create", "."}, sa());
        oruadmin({"lock-add", "."}, lock());
        registerProgram();
        shell::setEndProgramHandler([] {});
        common::setAppPath(QStringLiteral(ORU_BIN_DIR)); // its Server.txt names "."
        common::resetGlobals();
        shell::Main();
    }
    void TearDown() override
    {
        GuiTest::TearDown();
        common::resetGlobals();
        if (gConn && gConn->state() == 1)
            gConn->close();
        shell::setEndProgramHandler(nullptr);
        flushDeferred();
        qputenv("ORU_DATA_HOME", m_oldHome);
    }

    void oruadmin(const QStringList &args, const QString &password)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORU_PASSWORD"), password);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ORU_BIN_DIR "/oruadmin"), args);
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    common::Window *loaded(const char *name) { return common::windows::ifLoaded(QLatin1String(name)); }
    QAction *item(const char *name) { return findControl<QAction>(loaded("MDIForm1"), QLatin1String(name)); }

    QTemporaryDir m_home;
    QByteArray m_oldHome = qgetenv("ORU_DATA_HOME");
};

} // namespace

TEST_F(FirstRun, LogsInAndKeepsEveryMenuAndTheGateOpensAfterAWindowCloses)
{
    common::Window *login = loaded("frmLogin");
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(findControl<QLineEdit>(login, "txtServer")->text(), ".");
    auto *password = findControl<QLineEdit>(login, "txtPassword");
    typeText(password, sa());
    pressEnter(password);
    ASSERT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    ASSERT_NE(loaded("MDIForm1"), nullptr);

    item("mnuSession")->trigger();
    common::Window *session = loaded("frmSession");
    ASSERT_NE(session, nullptr);
    session->unload();
    flushDeferred();
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    for (const char *top : {"mnu_Reg_Form", "mnuMainTrans", "mnuMainRpt", "mnuAdmin"})
        EXPECT_TRUE(item(top)->isVisible()) << top;
    EXPECT_TRUE(item("mnuSession")->isVisible());

    item("mnuSetMenu")->trigger();
    ASSERT_NE(loaded("frmLocPass"), nullptr);
    auto *gatePassword = findControl<QLineEdit>(loaded("frmLocPass"), "txtPassword");
    typeText(gatePassword, lock());
    pressEnter(gatePassword);
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    common::Window *rights = loaded("frmSecMenus");
    ASSERT_NE(rights, nullptr);
    const QList<QCheckBox *> boxes = rights->findChildren<QCheckBox *>();
    EXPECT_EQ(boxes.size(), 19);
    for (QCheckBox *b : boxes)
        EXPECT_TRUE(b->isChecked()) << b->text().toStdString();
}
