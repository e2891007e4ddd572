// The whole program as start-up wires it: every menu item finds its window,
// and each window loads and closes again without an error.
#include "accounts/accounts.h"
#include "admissions/admissions.h"
#include "common/window.h"
#include "directory/directory.h"
#include "fees/fees.h"
#include "reports/reports.h"
#include "shell/shell.h"
#include "support/testserver.h"
#include "vouchers/vouchers.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>

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
    QByteArray m_oldHome;
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
