#include "common/printing.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "platform/ui/grid.h"
#include "shell/admin_fixture.h"
#include "shell/admin_rules.h"
#include "support/printers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace {

class Users : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        w = common::windows::show(QStringLiteral("Frm_User"));
        ASSERT_TRUE(w);
    }
    template <class T = QLineEdit> T *ctl(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    ui::Grid *grid() { return ctl<ui::Grid>("Msh"); }

    // Types a new user into the fields and saves.
    void addThroughWindow(const QString &name, const QString &designation, const QString &password)
    {
        clickButton(w, "cmdCancel");
        typeText(ctl("txt_User_Nm"), name);
        typeText(ctl("txt_Desig"), designation);
        typeText(ctl("txt_User_pass"), password);
        clickButton(w, "cmdSave");
    }
    void pick(const QString &name)
    {
        ctl<QTabWidget>("tabUser")->setCurrentIndex(1);
        // Typing and rubbing out a search value lists every user afresh.
        typeText(ctl("txt_s_value"), "Z");
        pressKey(ctl("txt_s_value"), Qt::Key_Backspace);
        for (int r = 1; r < grid()->rows(); ++r)
            if (grid()->textMatrix(r, 2) == name) {
                doubleClickRow(grid(), r);
                ASSERT_EQ(ctl<QTabWidget>("tabUser")->currentIndex(), 0);
                return;
            }
        FAIL() << "no line for " << name.toStdString();
    }
    // Opens a connection of its own, as the login window would; "" when it
    // opens, else the server's message.
    QString tryLogin(const QString &name, const QString &password)
    {
        db::Connection c;
        c.setProperty("User ID", name);
        c.setProperty("Password", password);
        c.setProperty("Data Source", serverPath());
        c.setProperty("Initial Catalog", "ORU");
        try {
            c.open();
            return {};
        } catch (const db::Error &e) {
            return e.text();
        }
    }
    bool loginExists(const QString &name)
    {
        for (const auto &l : db::server::logins(serverPath()))
            if (l.name.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    }
    QStringList listColumn(int c) { return gridLines(grid(), {c}); }

    common::Window *w = nullptr;
};

} // namespace

TEST_F(Users, ANewUserLogsInWithThePasswordTyped)
{
    addThroughWindow("clerk one", "accounts clerk", "se cret1");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(column("select User_Code || '|' || User_Name || '|' || Designation || '|' || Status || '|' || "
                     "ifnull(PassWard, '<null>') from User_Information"),
        QStringList {"UC-1|CLERK ONE|ACCOUNTS CLERK|U|<null>"});
    EXPECT_EQ(tryLogin("CLERK ONE", "SECRET1"), "");
    EXPECT_EQ(tryLogin("clerk one", "secret1"), "") << "the typed password logs in whatever its case";
    EXPECT_NE(tryLogin("CLERK ONE", "SE CRET1"), "");
    const auto logins = db::server::logins(serverPath());
    const auto it
        = std::find_if(logins.begin(), logins.end(), [](const auto &l) { return l.name == "CLERK ONE"; });
    ASSERT_NE(it, logins.end());
    EXPECT_EQ(it->defaultDatabase, "Velund_System");
    EXPECT_TRUE(it->sysadmin);

    EXPECT_TRUE(ctl("txt_User_Nm")->text().isEmpty()) << "fields cleared after the save";
    EXPECT_EQ(listColumn(2), QStringList {"CLERK ONE"});
    EXPECT_EQ(grid()->textMatrix(0, 4), "PassWard");
    EXPECT_FALSE(listColumn(4).join("").contains("SECRET")) << "the list shows no password";
}

TEST_F(Users, PasswordBoxUpperCasesAndDropsBlanks)
{
    typeText(ctl("txt_User_pass"), "ab c1");
    EXPECT_EQ(ctl("txt_User_pass")->text(), "ABC1");
    EXPECT_EQ(ctl("txt_User_pass")->echoMode(), QLineEdit::Password);
}

TEST_F(Users, RefusedSaves)
{
    shell::admin::addUser(conn(), "JOHN SMITH", "", "PW1", "U");
    const struct {
        const char *name, *password, *message;
    } cases[] = {
        {"", "PW", "Please enter User Name"},
        {"JOHNSMITH", "PW", "User Name Is already exitis! "},
        {"JOHN  SMITH ", "PW", "User Name Is already exitis! "},
        {"MARY", "", "please enter Password"},
    };
    for (const auto &c : cases) {
        dialogs().clear();
        addThroughWindow(QString::fromLatin1(c.name), "", QString::fromLatin1(c.password));
        ASSERT_EQ(dialogs().count(), 1) << c.name;
        EXPECT_EQ(dialogs().last().text, c.message);
        EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    }
    EXPECT_EQ(column("select User_Name from User_Information"), QStringList {"JOHN SMITH"});
    EXPECT_FALSE(loginExists("JOHNSMITH"));
    EXPECT_FALSE(loginExists("MARY"));
}

TEST_F(Users, AFailedAddLeavesNeitherLoginNorRow)
{
    exec("create temp trigger failUsers before insert on User_Information begin "
         "select raise(abort, 'register full'); end");
    addThroughWindow("CASHIER", "", "PW1");
    EXPECT_TRUE(dialogs().last().text.contains("register full"));
    EXPECT_FALSE(loginExists("CASHIER"));
    EXPECT_EQ(scalar("select count(*) from sysusers where login = 'CASHIER'").toInt(), 0);
    EXPECT_NE(tryLogin("CASHIER", "PW1"), "");
    exec("drop trigger failUsers");

    // A login the server already has: nothing is written, the login is untouched.
    dialogs().clear();
    addThroughWindow("sa", "", "OTHER");
    EXPECT_TRUE(dialogs().last().text.contains("already exists")) << dialogs().last().text.toStdString();
    EXPECT_EQ(scalar("select count(*) from User_Information").toInt(), 0);
    EXPECT_EQ(tryLogin("sa", saPassword()), "");
}

TEST_F(Users, QuotesInNamesAndPasswordsAreKeptAsTyped)
{
    addThroughWindow("O'BRIEN','X", "", "P'W,'SYSADMIN");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_TRUE(loginExists("O'BRIEN','X"));
    EXPECT_FALSE(loginExists("O'BRIEN"));
    EXPECT_EQ(tryLogin("O'BRIEN','X", "P'W,'SYSADMIN"), "");
    EXPECT_EQ(column("select User_Name from User_Information"), QStringList {"O'BRIEN','X"});
}

TEST_F(Users, ChangingKeepsOrResetsThePassword)
{
    shell::admin::addUser(conn(), "CLERK", "JUNIOR", "OLDPW", "U");
    addThroughWindow("OTHER", "", "PW2"); // a user added just before the change
    pick("CLERK");
    EXPECT_EQ(ctl("txt_User_Nm")->text(), "CLERK");
    EXPECT_TRUE(ctl("txt_User_Nm")->isReadOnly());
    EXPECT_TRUE(ctl("txt_User_pass")->text().isEmpty()) << "the password box starts empty";

    // Designation and status only: the login's password stays.
    ctl("txt_Desig")->setText("SENIOR");
    ctl<QRadioButton>("Opt_Admin")->setChecked(true);
    clickButton(w, "cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(column("select Designation || Status from User_Information where User_Name = 'CLERK'"),
        QStringList {"SENIORA"});
    EXPECT_EQ(tryLogin("CLERK", "OLDPW"), "");
    EXPECT_TRUE(ctl<QRadioButton>("Opt_Admin")->isChecked()) << "the status options keep their state";

    // A typed password replaces the old one.
    pick("CLERK");
    typeText(ctl("txt_User_pass"), "newpw");
    clickButton(w, "cmdSave");
    EXPECT_EQ(tryLogin("CLERK", "NEWPW"), "");
    EXPECT_NE(tryLogin("CLERK", "OLDPW"), "");
    EXPECT_TRUE(column("select PassWard from User_Information where PassWard is not null").isEmpty());
}

TEST_F(Users, ChangingOwnPasswordKeepsPrintoutsLoggingOn)
{
    exec("insert into User_Information (Row_No, User_Code, User_Name, Status) values (1, 'UC-1', 'sa', 'A')");
    pick("sa");
    typeText(ctl("txt_User_pass"), "fresh1");
    clickButton(w, "cmdSave");
    EXPECT_EQ(tryLogin("sa", "FRESH1"), "");
    EXPECT_EQ(gUserPassword, "FRESH1") << "printouts log on with the logged-in user's password";
}

TEST_F(Users, DeleteRemovesTheLoginButNeverTheLoggedInUser)
{
    shell::admin::addUser(conn(), "LEAVER", "", "PW1", "U");
    shell::admin::addUser(conn(), "BOSS", "", "PW2", "A");
    pick("LEAVER");
    dialogs().answer(common::Answer::No);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(dialogs().last().text, "Are you sure delete this information");
    EXPECT_EQ(dialogs().last().title, "Confirm");
    EXPECT_EQ(tryLogin("LEAVER", "PW1"), "");

    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(column("select User_Name from User_Information"), QStringList {"BOSS"});
    EXPECT_NE(tryLogin("LEAVER", "PW1"), "") << "a deleted user can no longer log in";
    EXPECT_FALSE(loginExists("LEAVER"));
    EXPECT_EQ(scalar("select count(*) from sysusers where login = 'LEAVER'").toInt(), 0);

    // Logged in as BOSS, BOSS cannot delete itself.
    w->unload();
    flushDeferred();
    login("boss", "pw2");
    w = common::windows::show(QStringLiteral("Frm_User"));
    pick("BOSS");
    dialogs().clear();
    clickButton(w, "cmdDelete");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_EQ(dialogs().last().text, "You are logged in as this user: it cannot be deleted.");
    EXPECT_EQ(column("select User_Name from User_Information"), QStringList {"BOSS"});
    EXPECT_TRUE(loginExists("BOSS"));
}

TEST_F(Users, ListOrderAndSearch)
{
    for (int i : {9, 10, 11})
        exec("insert into User_Information (Row_No, User_Code, User_Name, Designation, Status) values (?, ?, "
             "?, ?, 'U')",
            {i, QStringLiteral("UC-%1").arg(i), QStringLiteral("USER_%1").arg(i),
                i == 10 ? "MANAGER" : "CLERK"});
    exec("insert into User_Information (Row_No, User_Code, User_Name, Status) values (12, 'UC-12', "
         "'USERX12', 'U')");
    ctl("txt_s_value")->setText("x");
    ctl("txt_s_value")->clear();
    EXPECT_EQ(listColumn(1), QStringList({"UC-9", "UC-12", "UC-11", "UC-10"}))
        << "user code descending, as text";
    EXPECT_EQ(grid()->colWidth(0), 0);
    EXPECT_EQ(grid()->colWidth(1), 0);

    typeText(ctl("txt_s_value"), "_");
    EXPECT_EQ(listColumn(2), QStringList({"USER_9", "USER_11", "USER_10"}))
        << "an underscore is searched literally";
    auto *criterion = ctl<QComboBox>("cmb_s_cri");
    criterion->setCurrentIndex(1); // "Designation", effective with the next value
    ctl("txt_s_value")->setText("MANA");
    EXPECT_EQ(listColumn(2), QStringList {"USER_10"});
    ctl("txt_s_value")->setText("nobody");
    EXPECT_EQ(grid()->rows(), 2) << "an empty list keeps one blank line";
    EXPECT_EQ(grid()->textMatrix(1, 2), "");
}

TEST_F(Users, PrintShowsOneUserOrAllAndNoPassword)
{
    shell::admin::addUser(conn(), "CLERK", "ACCOUNTS", "SECRETPW", "U");
    shell::admin::addUser(conn(), "BOSS", "DIRECTOR", "OTHERPW", "A");
    // A register row written before passwords left the table.
    exec("update User_Information set PassWard = 'LEGACYPW' where User_Name = 'BOSS'");
    login("CLERK", "SECRETPW");
    w = common::windows::show(QStringLiteral("Frm_User"));

    clickButton(w, "cmdPrint");
    report::CRViewer91 *viewer = common::viewerControl();
    ASSERT_TRUE(viewer && viewer->document()) << dialogs().texts().join("; ").toStdString();
    QString all = viewer->document()->allLines().join('\n');
    EXPECT_TRUE(all.contains("UC-1 | CLERK | ACCOUNTS | User")) << all.toStdString();
    EXPECT_TRUE(all.contains("UC-2 | BOSS | DIRECTOR | Administrator")) << all.toStdString();
    EXPECT_FALSE(all.contains("PW")) << "no password on the report";

    pick("BOSS");
    clickButton(w, "cmdPrint");
    all = common::viewerControl()->document()->allLines().join('\n');
    EXPECT_TRUE(all.contains("BOSS"));
    EXPECT_FALSE(all.contains("CLERK")) << all.toStdString();
}

TEST_F(Users, ExitOnlyHidesInLookupModeAndUnloadEndsIt)
{
    gLookupMode = true;
    clickButton(w, "cmdExit");
    ASSERT_EQ(common::windows::ifLoaded("Frm_User"), w);
    EXPECT_FALSE(w->frame()->isVisible());
    EXPECT_TRUE(gLookupMode);

    w->showWindow();
    gLookupMode = false;
    clickButton(w, "cmdExit");
    flushDeferred();
    EXPECT_FALSE(common::windows::ifLoaded("Frm_User"));
    EXPECT_EQ(menuRightsCalls, 0) << "the users window leaves the menu rights alone";

    gLookupMode = true;
    common::windows::show("Frm_User")->unload();
    EXPECT_FALSE(gLookupMode);
}
