// Logins, database users and the sysadmin role on a PostgreSQL server, through
// the same procedures and with the same texts as on the embedded server.
// Each test has a database of its own; roles are the server's, so every
// login a test makes has a name of its own and is dropped afterwards.
#include "platform/db/fixture.h"
#include "platform/db/pg_server.h"
#include "platform/db/pg_server_fixture.h"
#include "shell/admin_rules.h"
#include "shell/server_setup.h"
#include "support/pgtest.h"

#include <QProcess>
#include <QScopeGuard>

using db::Value;

namespace {

const QString noPermission = QStringLiteral("User does not have permission to perform this action.");
const QString oldIncorrect
    = QStringLiteral("Old (current) password incorrect for user. The password was not changed.");

QString notALogin(const QString &name)
{
    return QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(name);
}

} // namespace

class PgLoginTest : public PgServerTest {
protected:
    // The text of the error a login gives, or empty when it opens.
    QString loginError(const QString &user, const QString &password)
    {
        db::Connection c;
        try {
            connect(c, user, password);
            return {};
        } catch (const db::Error &e) {
            return e.text();
        }
    }

    // A login with its database user; a sysadmin when asked.
    QString addUser(const QString &stem, const QString &password, bool sysadmin)
    {
        const QString name = unique(stem);
        sa.execute("sp_addlogin ?,?,?", {name, password, "Velund_System"});
        sa.execute("sp_adduser ?", {name});
        if (sysadmin)
            sa.execute("Sp_AddSrvroleMember ?,?", {name, "sysadmin"});
        return name;
    }
};

TEST_F(PgLoginTest, AddedUsersLogInWithoutRegardToCaseAndSysadminsAdminister)
{
    const QString clerk = unique("Clerk");
    sa.execute("sp_addlogin ?,?,?", {clerk, "Pass-Word", "Velund_System"});
    // A login that is no user of the database is refused at the database.
    EXPECT_EQ(loginError(clerk, "Pass-Word"),
        "Cannot open database \"ORU\" requested by the login. The login failed.");
    sa.execute("sp_adduser ?", {clerk.toUpper()});

    db::Connection c;
    connect(c, clerk.toUpper(), "pASS-wORD");
    EXPECT_EQ(c.loginName(), clerk.toLower());
    EXPECT_FALSE(c.isSysadmin());
    EXPECT_DB_ERROR(c.execute("sp_addlogin ?,?", {unique("Other"), "x"}), noPermission);
    c.close();

    sa.execute("Sp_AddSrvroleMember ?,?", {clerk, "SYSADMIN"});
    connect(c, clerk, "pass-word");
    EXPECT_TRUE(c.isSysadmin());
    const QString made = unique("Made");
    c.execute("sp_addlogin ?,?", {made, "m"});
    EXPECT_EQ(
        loginError(made, "M"), "Cannot open database \"ORU\" requested by the login. The login failed.");

    // As the embedded server lists them: name, default database, sysadmin.
    std::map<QString, std::pair<QString, bool>> seen;
    for (const auto &l : db::server::logins(m_server))
        seen[l.name] = {l.defaultDatabase, l.sysadmin};
    EXPECT_EQ(seen[clerk.toLower()], std::make_pair(QStringLiteral("Velund_System"), true));
    EXPECT_EQ(seen[made.toLower()], std::make_pair(QStringLiteral("master"), false));
    EXPECT_EQ(seen["sa"], std::make_pair(QStringLiteral("ORU"), true));

    // Without a catalog the login's default database is asked for, as there.
    db::Connection noCatalog;
    noCatalog.setProperty("User ID", clerk);
    noCatalog.setProperty("Password", "pass-word");
    noCatalog.setProperty("Data Source", m_server);
    EXPECT_DB_ERROR(
        noCatalog.open(), "Cannot open database \"Velund_System\" requested by the login. The login failed.");
}

TEST_F(PgLoginTest, RefusalsGiveTheEmbeddedServersTexts)
{
    const QString clerk = addUser("Clerk", "pw", false);
    const QString foreign = unique("Foreign");
    admin(QStringLiteral("CREATE ROLE \"%1\" LOGIN PASSWORD 'PW'").arg(foreign));

    const QString lonely = unique("Lonely");
    sa.execute("sp_addlogin ?,?", {lonely, "pw"});
    db::Connection plain;
    connect(plain, clerk, "pw");
    const struct {
        db::Connection *conn;
        const char *sql;
        db::Params params;
        QString error;
    } cases[] = {
        {&plain, "sp_addlogin ?,?", {"Someone", "x"}, noPermission},
        {&plain, "sp_adduser ?", {clerk}, noPermission},
        {&plain, "Sp_AddSrvroleMember ?,?", {clerk, "sysadmin"}, noPermission},
        {&plain, "sp_dropuser ?", {clerk}, noPermission},
        {&plain, "sp_droplogin ?", {clerk}, noPermission},
        {&plain, "sp_password ?,?,?", {"Secret-1", "x", "sa"},
            "Only members of the sysadmin role can use the loginame option. The password was not changed."},
        {&plain, "sp_password ?,?", {Value(), "x"}, oldIncorrect},
        {&plain, "sp_password ?,?", {"wrong", "x"}, oldIncorrect},
        // The server checks the caller too, whatever the program does.
        {&plain, "SELECT oru_login('add', ?, 'x', 'master')", {unique("Sneak")}, noPermission},
        {&sa, "sp_addlogin ?,?", {clerk.toUpper(), "x"},
            QStringLiteral("The login '%1' already exists.").arg(clerk.toUpper())},
        // A role the server has of its own is never taken for a login.
        {&sa, "sp_addlogin ?,?", {foreign, "x"},
            QStringLiteral("The login '%1' already exists.").arg(foreign)},
        {&sa, "sp_adduser ?", {foreign}, notALogin(foreign)},
        {&sa, "Sp_AddSrvroleMember ?,?", {foreign, "sysadmin"}, notALogin(foreign)},
        {&sa, "sp_password ?,?,?", {Value(), "x", foreign}, notALogin(foreign)},
        {&sa, "sp_droplogin ?", {foreign}, notALogin(foreign)},
        {&sa, "sp_dropuser ?", {foreign},
            QStringLiteral("User '%1' does not exist in the current database.").arg(foreign)},
        {&sa, "SELECT oru_login('drop', ?, NULL, NULL)", {foreign.toLower()}, notALogin(foreign.toLower())},
        {&sa, "sp_adduser ?", {"nobody"}, notALogin("nobody")},
        {&sa, "sp_adduser ?", {clerk},
            QStringLiteral("User or role '%1' already exists in the current database.").arg(clerk.toLower())},
        // The server knows a database's users by their logins' names only.
        {&sa, "sp_adduser ?,?", {lonely, "Someone"},
            QStringLiteral(
                "A user of a database on a PostgreSQL server has the name of its login ('%1'), not "
                "'Someone'.")
                .arg(lonely.toLower())},
        {&sa, "Sp_AddSrvroleMember ?,?", {clerk, "dbcreator"},
            "'dbcreator' is not a fixed server role of this server (only 'sysadmin')."},
        {&sa, "sp_droplogin ?", {"SA"}, "Cannot drop the login 'sa'."},
        {&sa, "sp_droplogin ?", {clerk},
            QStringLiteral(
                "Login '%1' is aliased or mapped to a user in one or more database(s). Drop the user "
                "or alias before dropping the login.")
                .arg(clerk.toLower())},
        {&sa, "sp_addlogin ?,?", {"bad\\name", "x"},
            "'bad\\name' is not a valid name because it contains invalid characters."},
        {&sa, "sp_addlogin ?", {Value()},
            "Procedure 'sp_addlogin' expects parameter '@loginame', which was not supplied."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_DB_ERROR(c.conn->execute(QString::fromLatin1(c.sql), c.params), c.error);
    }
    EXPECT_EQ(loginError(foreign, "pw"), "Login failed for user '" + foreign + "'.");
    EXPECT_EQ(loginError(clerk, "PW"), QString());
}

TEST_F(PgLoginTest, PasswordsChangeAndLoginsGo)
{
    const QString clerk = addUser("Clerk", "first", false);
    {
        db::Connection self;
        connect(self, clerk, "FIRST");
        self.execute("sp_password ?,?", {"First", "Second"}); // one's own, with the old one
    }
    EXPECT_EQ(loginError(clerk, "first"), "Login failed for user '" + clerk + "'.");
    EXPECT_EQ(loginError(clerk, "second"), QString());

    sa.execute("sp_password ?,?,?", {Value(), "Third", clerk}); // a sysadmin needs no old one
    EXPECT_EQ(loginError(clerk, "THIRD"), QString());
    db::server::setLoginPassword(m_server, clerk.toUpper(), "Fourth"); // the administration tool's way
    EXPECT_EQ(loginError(clerk, "fourth"), QString());
    EXPECT_DB_ERROR(db::server::setLoginPassword(m_server, "nobody", "x"), notALogin("nobody"));

    // The shell finds a login's user as on the embedded server.
    EXPECT_EQ(
        sa.scalar("select name from sysusers where login = ?", {clerk.toUpper()}), Value(clerk.toLower()));
    sa.execute("sp_dropuser ?", {clerk});
    EXPECT_EQ(loginError(clerk, "fourth"),
        "Cannot open database \"ORU\" requested by the login. The login failed.");
    sa.execute("sp_droplogin ?", {clerk});
    EXPECT_EQ(loginError(clerk, "fourth"), "Login failed for user '" + clerk + "'.");
    EXPECT_DB_ERROR(sa.execute("sp_droplogin ?", {clerk}), notALogin(clerk));
}

TEST_F(PgLoginTest, UsersShareTheProgramsRowsAndMakeNoTables)
{
    const QString admin = addUser("Admin", "a", true);
    const QString clerk = addUser("Clerk", "c", false);
    db::Connection a, c;
    connect(a, admin, "a");
    connect(c, clerk, "c");
    // Schema steps are the administrator's: not even a sysadmin's session makes a table.
    for (db::Connection *login : {&a, &c, &sa})
        EXPECT_THROW(
            login->execute("CREATE TABLE Extra (Id INTEGER PRIMARY KEY, Note VARCHAR(20))"), db::Error);
    c.execute("INSERT INTO LctPswd (Pswd) VALUES ('h')");
    a.execute("UPDATE LctPswd SET Pswd = 'i' WHERE Pswd = 'h'");
    EXPECT_EQ(sa.scalar("SELECT count(*) FROM LctPswd WHERE Pswd = 'i'"), Value(1));
    // Work tables are each session's own.
    c.execute("CREATE TEMP TABLE rptWork (Id INTEGER)");
    c.execute("INSERT INTO rptWork VALUES (1)");
    EXPECT_THROW(a.scalar("SELECT count(*) FROM rptWork"), db::Error);
}

TEST_F(PgLoginTest, HostileNamesAndPasswordsStayData)
{
    const QString name = unique("O'Brien\"; DROP ROLE sa; --");
    const QString password = QStringLiteral("x'); DROP ROLE sa; -- \"$$");
    sa.execute("sp_addlogin ?,?", {name, password});
    sa.execute("sp_adduser ?", {name});
    EXPECT_EQ(loginError(name.toUpper(), password.toLower()), QString());
    std::set<QString> names;
    for (const auto &l : db::server::logins(m_server))
        names.insert(l.name);
    EXPECT_TRUE(names.count(name.toLower()));
    EXPECT_TRUE(names.count("sa"));
    sa.execute("sp_password ?,?,?", {password, "new'pw", name});
    EXPECT_EQ(loginError(name, "NEW'PW"), QString());
}

TEST_F(PgLoginTest, AnEmptyPasswordIsAPasswordAndNothingElseIsTaken)
{
    const QString open = unique("Open");
    sa.execute("sp_addlogin ?", {open});
    sa.execute("sp_adduser ?", {open});
    const QString blank = addUser("Blank", "", false);
    const QString real = addUser("Real", "Real-Pw", false);
    EXPECT_EQ(loginError(open, ""), QString());
    EXPECT_EQ(loginError(blank, ""), QString());
    EXPECT_EQ(loginError(blank, "x"), "Login failed for user '" + blank + "'.");
    // An empty password is never made up from the environment.
    const QByteArray saved = qgetenv("PGPASSWORD");
    qputenv("PGPASSWORD", "REAL-PW");
    EXPECT_EQ(loginError(real, ""), "Login failed for user '" + real + "'.");
    qputenv("PGPASSWORD", saved);
    EXPECT_EQ(loginError("", ""), "Login failed for user ''.");
    sa.execute("sp_password ?,?,?", {Value(), "", real});
    EXPECT_EQ(loginError(real, ""), QString());
}

TEST_F(PgLoginTest, TheAdministrationToolWorksOnAnAttachedFolder)
{
    shell::addLockPassword(m_server, "Lock1");
    EXPECT_EQ(shell::lockPasswordCount(m_server), 1);
    EXPECT_TRUE(shell::checkLockPassword(sa, "LOCK1"));
    EXPECT_EQ(shell::removeLockPasswords(m_server), 1);

    const QString clerk = addUser("Clerk", "pw", true);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORU_PASSWORD", "Tool-Pw");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORU_ADMIN_EXE), {"password", m_server, clerk});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(loginError(clerk, "tool-pw"), QString());
    p.start(QStringLiteral(ORU_ADMIN_EXE), {"logins", m_server});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_TRUE(
        QString::fromUtf8(p.readAllStandardOutput()).contains(clerk.toLower() + "\tVelund_System\tsysadmin"));
}

TEST_F(PgLoginTest, DatabasesOfOneServerShareItsLoginsButNotTheirUsers)
{
    const QString clerk = addUser("Clerk", "pw", false);
    const auto second = std::make_unique<pgtest::Database>(m_pg, false);
    m_roles << second->name() + QStringLiteral("_users");
    const QString branch = m_tmp.path() + QStringLiteral("/branch");
    testengine::attachTo(branch, m_pg, second->name());
    // Its "sa" is the server's one: another password would change it under the first database.
    EXPECT_DB_ERROR(db::server::create(branch, "Other-Pw"),
        "The PostgreSQL server already has the login 'sa' with another password (its databases share their "
        "logins): give that one. Nothing was created.");
    db::server::create(branch, "SECRET-1");

    db::Connection there;
    there.setProperty("User ID", "sa");
    there.setProperty("Password", "secret-1");
    there.setProperty("Data Source", branch);
    there.setProperty("Initial Catalog", "ORU");
    there.open();
    EXPECT_DB_ERROR(
        there.execute("sp_addlogin ?", {clerk}), QStringLiteral("The login '%1' already exists.").arg(clerk));
    EXPECT_DB_ERROR(there.execute("sp_dropuser ?", {clerk}),
        QStringLiteral("User '%1' does not exist in the current database.").arg(clerk));
    there.execute("sp_adduser ?", {clerk});
    there.execute("sp_dropuser ?", {clerk});
    EXPECT_EQ(loginError(clerk, "pw"), QString()); // still a user of the first
}

TEST_F(PgLoginTest, TheUsersWindowsSaveMakesChangesAndDeletesALogin)
{
    const QString name = unique("Typist");
    const std::int64_t row = shell::admin::addUser(sa, name, "CLERK", "FIRST", "U");
    db::Connection c;
    connect(c, name, "first");
    EXPECT_TRUE(c.isSysadmin()); // every user the window adds is one
    shell::admin::changeUser(sa, row, "HEAD CLERK", "A", "SECOND");
    EXPECT_EQ(loginError(name, "second"), QString());
    EXPECT_EQ(
        sa.scalar("select Designation from User_Information where Row_No = ?", {row}), Value("HEAD CLERK"));
    // Deleting asks the server through the open connection, not through the
    // server administrator's environment an office computer does not have.
    c.close();
    EXPECT_TRUE(sa.hasLogin(name.toUpper()));
    {
        const QByteArray user = qgetenv("PGUSER"), password = qgetenv("PGPASSWORD");
        qunsetenv("PGUSER");
        qunsetenv("PGPASSWORD");
        const auto restore = qScopeGuard([&] {
            qputenv("PGUSER", user);
            qputenv("PGPASSWORD", password);
        });
        shell::admin::deleteUser(sa, row);
    }
    EXPECT_FALSE(sa.hasLogin(name));
    EXPECT_NE(loginError(name, "second"), QString());
}

TEST_F(PgLoginTest, AUsersSaveThatFailsLeavesNoLoginAndSaysOnlyWhatFailed)
{
    // The server refuses a designation longer than its column; the login
    // made before it goes with the rolled-back transaction.
    const QString name = unique("Longname");
    try {
        shell::admin::addUser(sa, name, QString(51, u'D'), "FIRST", "U");
        ADD_FAILURE() << "the save went through";
    } catch (const db::Error &e) {
        EXPECT_FALSE(e.text().contains("could not be removed")) << e.text();
    }
    EXPECT_FALSE(sa.hasLogin(name));
    EXPECT_EQ(sa.scalar("select count(*) from User_Information"), Value(0));
}

TEST_F(PgLoginTest, NamesAndMarksOfTheProgramsOwnRolesAreNoLogins)
{
    const auto reserved = [](const QString &name) {
        return QStringLiteral("'%1' is not a valid name because the program keeps it for its own roles.")
            .arg(name);
    };
    // The function refuses them whoever calls it, even names a role has
    // already, before the server would say so.
    PGconn *c = pgtest::connectTo(m_pg, QStringLiteral("postgres"));
    char *v = PQencryptPasswordConn(c, "PW", "x", "scram-sha-256");
    const QString verifier = QString::fromLatin1(v);
    PQfreemem(v);
    PQfinish(c);
    const QString names[] = {m_db->name() + "_owner", m_db->name() + "_USERS", "later_owner", "Later_Users",
        "oru_logins", "ORU_LOGIN_ADMIN", "sysadmin", "postgres", "pg_sneak", "PG_monitor"};
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_DB_ERROR(
            sa.execute("SELECT oru.oru_login('add', ?, ?, 'ORU')", {name, verifier}), reserved(name));
    }
    EXPECT_EQ(sa.scalar("SELECT count(*) FROM pg_roles WHERE lower(rolname) IN ('later_owner', "
                        "'later_users', 'pg_sneak')"),
        Value(0));

    // The users window's save says it and leaves neither a login nor a row.
    const QString later = unique("Later") + "_OWNER";
    EXPECT_DB_ERROR(shell::admin::addUser(sa, later, "CLERK", "FIRST", "U"), reserved(later.toLower()));
    EXPECT_FALSE(sa.hasLogin(later));
    EXPECT_EQ(sa.scalar("select count(*) from User_Information"), Value(0));

    // Nor does a login carry the mark of a database's owner or users role.
    for (const char *mark : {"ORU owner of oru_next", "oru USERS of oru_next"}) {
        const QString name = unique("Marked");
        EXPECT_DB_ERROR(sa.execute("sp_addlogin ?,?,?", {name, "pw", mark}),
            QStringLiteral("'%1' is not a valid default database because the program marks its own roles "
                           "with it.")
                .arg(QLatin1String(mark)));
        EXPECT_FALSE(sa.hasLogin(name));
    }
}
