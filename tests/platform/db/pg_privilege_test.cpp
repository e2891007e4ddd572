// What a login can do on a PostgreSQL server outside the program (psql or
// any libpq client): read and write the program's rows and make temporary
// tables, nothing more. And how the program's connections are secured:
// TLS, passwords only by SCRAM, never answered in clear.
#include "platform/db/fixture.h"
#include "platform/db/pg_server.h"
#include "platform/db/pg_server_fixture.h"
#include "shell/admin_rules.h"
#include "shell/server_setup.h"
#include "support/pgtest.h"

#include <QFile>
#include <QProcess>

#include <atomic>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using db::Value;

namespace {

// An outcome of one statement on a bare libpq connection: empty when it
// succeeded, else its SQLSTATE.
QString sqlState(PGconn *c, const QString &sql)
{
    PGresult *r = PQexec(c, sql.toUtf8().constData());
    const ExecStatusType st = PQresultStatus(r);
    QString out;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
        const char *code = PQresultErrorField(r, PG_DIAG_SQLSTATE);
        out = QString::fromLatin1(code ? code : "?");
    }
    PQclear(r);
    return out;
}

QString one(PGconn *c, const QString &sql)
{
    PGresult *r = PQexec(c, sql.toUtf8().constData());
    const QString v = PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1
        ? QString::fromUtf8(PQgetvalue(r, 0, 0))
        : QStringLiteral("<error: %1>").arg(QString::fromUtf8(PQerrorMessage(c)).trimmed());
    PQclear(r);
    return v;
}

} // namespace

class PgPrivilegeTest : public PgServerTest {
protected:
    void SetUp() override
    {
        PgServerTest::SetUp();
        if (!ready())
            return;
        clerk = unique(QStringLiteral("clerk"));
        boss = unique(QStringLiteral("boss"));
        for (const QString &name : {clerk, boss}) {
            sa.execute("sp_addlogin ?,?", {name, "pw"});
            sa.execute("sp_adduser ?", {name});
        }
        sa.execute("Sp_AddSrvroleMember ?,?", {boss, "sysadmin"});
    }

    // A login's own libpq connection, as psql would make it (the program
    // keeps passwords upper-cased).
    PGconn *bare(const QString &login, const QString &password)
    {
        pgtest::Server s = m_pg;
        s.user = login;
        s.password = password.toUpper();
        PGconn *c = pgtest::connectTo(s, m_db->name());
        EXPECT_EQ(PQstatus(c), CONNECTION_OK) << PQerrorMessage(c);
        PQsetNoticeProcessor(
            c, [](void *, const char *) {}, nullptr);
        return c;
    }

    QString adminOne(const QString &sql)
    {
        PGconn *c = pgtest::connectTo(m_pg, m_db->name());
        const QString v = one(c, sql);
        PQfinish(c);
        return v;
    }

    int runTool(const QStringList &args, const QString &password = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!password.isEmpty())
            env.insert("ORU_PASSWORD", password);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(ORU_ADMIN_EXE), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        m_toolOut = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    }

    // The database as an earlier build left it: everything in public, owned
    // by the users role that every login could act as, the database owned by
    // sa, no owner role; `meanwhile` runs before the owner role goes.
    void toEarlierLayout(const QString &meanwhile = {})
    {
        const QString name = m_db->name(), users = name + "_users", owner = name + "_owner";
        admin("ALTER DATABASE \"" + name
                + "\" OWNER TO sa; DROP SCHEMA public; ALTER SCHEMA oru RENAME TO public; "
                + "REASSIGN OWNED BY \"" + owner + "\" TO \"" + users + "\"; DROP OWNED BY \"" + owner
                + "\"; "
                + "ALTER SCHEMA public OWNER TO pg_database_owner; GRANT USAGE, CREATE ON SCHEMA public TO \""
                + users + "\"; " + meanwhile + "DROP ROLE \"" + owner + "\"",
            name);
    }

    QString m_toolOut;
    QString clerk, boss;
};

TEST_F(PgPrivilegeTest, ALoginOutsideTheProgramReadsAndWritesRowsAndChangesNothingElse)
{
    const QString owner = m_db->name() + "_owner", users = m_db->name() + "_users";
    const QString attempts[] = {
        "CREATE TABLE oru.extra (a int)",
        "CREATE TABLE public.extra (a int)",
        "CREATE TABLE extra (a int)",
        "CREATE SCHEMA mine",
        "CREATE FUNCTION oru.to_regclass(text) RETURNS regclass LANGUAGE sql AS 'SELECT NULL::regclass'",
        "CREATE FUNCTION public.to_regclass(text) RETURNS regclass LANGUAGE sql AS 'SELECT NULL::regclass'",
        "CREATE OR REPLACE FUNCTION oru.money(bigint) RETURNS text LANGUAGE sql AS 'SELECT ''0'''",
        "ALTER FUNCTION oru.money(bigint) RENAME TO cash",
        "DROP FUNCTION oru.len(text)",
        "DROP TABLE oru.accounts CASCADE",
        "ALTER TABLE oru.accounts ADD COLUMN extra int",
        "ALTER TABLE oru.detjv DISABLE ROW LEVEL SECURITY",
        "TRUNCATE oru.detjv",
        "CREATE TRIGGER t BEFORE UPDATE ON oru.lctpswd FOR EACH ROW EXECUTE FUNCTION "
        "suppress_redundant_updates_trigger()",
        "CREATE INDEX ON oru.detjv (vouno)",
        "ALTER TABLE oru.accounts OWNER TO CURRENT_USER",
        "ALTER ROLE CURRENT_USER SUPERUSER",
        "ALTER ROLE CURRENT_USER CREATEROLE",
        "ALTER ROLE CURRENT_USER BYPASSRLS",
        "ALTER ROLE %other PASSWORD 'x'",
        "ALTER ROLE %other NOLOGIN",
        "ALTER ROLE %other SUPERUSER",
        "GRANT \"" + owner + "\" TO CURRENT_USER",
        "SET ROLE \"" + owner + "\"",
        "SET ROLE oru_login_admin",
        "ALTER DATABASE \"" + m_db->name() + "\" SET search_path = public",
        "CREATE DATABASE another",
    };
    for (const QString &login : {clerk, boss, QStringLiteral("sa")}) {
        SCOPED_TRACE(login.toStdString());
        PGconn *c = bare(login, login == u"sa" ? "Secret-1" : "pw");
        const QString other = login == clerk ? boss : clerk;
        for (QString sql : attempts) {
            sql.replace("%other", "\"" + other + "\"");
            const QString state = sqlState(c, sql);
            // Refused for want of rights (or no schema to create in).
            EXPECT_TRUE(state == u"42501" || state == u"3F000") << sql << " gave '" << state << "'";
        }
        // What the program asks of it stays open.
        EXPECT_EQ(sqlState(c, "CREATE TEMP TABLE work (a int); INSERT INTO work VALUES (1); DROP TABLE work"),
            QString());
        EXPECT_EQ(sqlState(c,
                      "INSERT INTO oru.lctpswd (pswd) VALUES ('h'); UPDATE oru.lctpswd SET pswd = 'i'; "
                      "DELETE FROM oru.lctpswd"),
            QString());
        EXPECT_EQ(one(c, "SELECT oru.money(12345::bigint)"), "123.45");
        // A grant of what it does not own gives nothing.
        sqlState(c, "GRANT ALL ON oru.detjv TO PUBLIC");
        EXPECT_EQ(one(c, "SELECT has_table_privilege('public', 'oru.detjv', 'SELECT')::text"), "false");
        EXPECT_EQ(one(c,
                      "SELECT rolsuper::text || rolcreaterole::text FROM pg_roles WHERE rolname = "
                      "current_user"),
            "falsefalse");
        PQfinish(c);
    }
    // No login owns anything of the database, nor the database.
    EXPECT_EQ(adminOne("SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                       "WHERE n.nspname IN ('oru', 'public') AND pg_get_userbyid(c.relowner) <> '"
                  + owner + "'"),
        "0");
    EXPECT_EQ(adminOne("SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = current_database()"),
        owner);
    EXPECT_EQ(
        adminOne("SELECT count(*) FROM pg_auth_members m WHERE m.roleid = '\"" + owner + "\"'::regrole"),
        "0");
    EXPECT_EQ(adminOne("SELECT has_database_privilege('public', current_database(), 'CONNECT')::text || "
                       "has_schema_privilege('public', 'oru', 'USAGE')::text"),
        "falsefalse");
    EXPECT_EQ(adminOne("SELECT count(*) FROM information_schema.role_table_grants WHERE table_schema = 'oru' "
                       "AND grantee = '"
                  + users + "' AND privilege_type IN ('TRUNCATE', 'TRIGGER', 'REFERENCES')"),
        "0");
}

TEST_F(PgPrivilegeTest, FunctionsNamedLikeTheServersOwnAreNeverWhatTheAdministratorRuns)
{
    // The program's sessions search pg_catalog first, then its own schema.
    EXPECT_EQ(sa.scalar("SHOW search_path"), Value("pg_catalog, oru"));
    // A user had a function of a catalog's name (and the program's money())
    // that makes them superuser left where an earlier build searched:
    // the administrator's and sa's work never reaches it.
    const QString grab = QStringLiteral("LANGUAGE plpgsql AS $$ BEGIN EXECUTE 'ALTER ROLE \"%1\" SUPERUSER'; "
                                        "RETURN NULL; END $$")
                             .arg(clerk);
    admin("CREATE FUNCTION public.to_regclass(text) RETURNS regclass " + grab
            + "; CREATE FUNCTION public.money(bigint) RETURNS text " + grab
            + "; CREATE FUNCTION public.lower(text) RETURNS text " + grab
            + "; GRANT EXECUTE ON ALL FUNCTIONS IN SCHEMA public TO PUBLIC",
        m_db->name());
    EXPECT_EQ(runTool({"lock-add", m_server}, "Lock1"), 0) << m_toolOut;
    EXPECT_EQ(runTool({"lock-count", m_server}), 0) << m_toolOut;
    EXPECT_EQ(runTool({"upgrade", m_server}), 0) << m_toolOut;
    db::Connection again;
    connect(again, "sa", "Secret-1");
    EXPECT_EQ(again.scalar("SELECT money(sum(DrAmt)) FROM DetJV"), Value());
    EXPECT_EQ(again.scalar("SELECT money(150)"), Value("1.50"));
    EXPECT_EQ(again.scalar("SELECT count(*) FROM Menus WHERE lower(Menus) = 'x'"), Value(0));
    EXPECT_TRUE(shell::checkLockPassword(again, "LOCK1"));
    EXPECT_EQ(adminOne("SELECT rolsuper::text FROM pg_roles WHERE rolname = '" + clerk + "'"), "false");
}

TEST_F(PgPrivilegeTest, OruLoginTakesPasswordsOnlyAsScramVerifiers)
{
    const QString refused
        = QStringLiteral("oru_login: a password is taken only as a SCRAM-SHA-256 verifier.");
    const Value secrets[] = {Value("Plain-Secret"), Value("md5" + QString(32, u'a')), Value(),
        Value("SCRAM-SHA-256$4096:c2FsdA==$bad"), Value("x SCRAM-SHA-256$4096:c2FsdA==$a2V5:a2V5")};
    for (const Value &secret : secrets) {
        SCOPED_TRACE(secret.toString().toStdString());
        EXPECT_DB_ERROR(
            sa.execute("SELECT oru.oru_login('add', ?, ?, 'master')", {"sneak", secret}), refused);
        EXPECT_DB_ERROR(sa.execute("SELECT oru.oru_login('password', ?, ?, NULL)", {clerk, secret}), refused);
    }
    EXPECT_EQ(adminOne("SELECT count(*) FROM pg_roles WHERE rolname = 'sneak'"), "0");
    // What the program sends is a verifier, and it works.
    sa.execute("sp_password ?,?,?", {Value(), "Next-Pw", clerk});
    db::Connection c;
    connect(c, clerk, "next-pw");
}

TEST_F(PgPrivilegeTest, TheProgramsConnectionsAreEncryptedAndCheckTheServersCertificate)
{
    if (!pgtest::tlsOn(m_pg)) {
        if (qEnvironmentVariableIsSet("ORU_TEST_TLS_ROOT"))
            FAIL() << "scripts/test's cluster should have TLS on";
        GTEST_SKIP() << "the test server has no TLS (scripts/test's cluster has)";
    }
    EXPECT_EQ(sa.scalar("SELECT ssl::int FROM pg_stat_ssl WHERE pid = pg_backend_pid()"), Value(1));
    const QString descriptor = m_server + "/postgres.txt";
    QFile f(descriptor);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray plain = f.readAll();
    f.close();
    auto rewrite = [&](const QByteArray &extra) {
        QFile w(descriptor);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly | QIODevice::Truncate));
        w.write(plain + extra);
    };
    const QString root = qEnvironmentVariable("ORU_TEST_TLS_ROOT");
    if (!root.isEmpty()) {
        // With the server's root certificate named: verify-full.
        rewrite("sslrootcert=" + root.toUtf8() + "\n");
        db::Connection c;
        connect(c, clerk, "pw");
        EXPECT_EQ(c.scalar("SELECT ssl::int FROM pg_stat_ssl WHERE pid = pg_backend_pid()"), Value(1));
        c.close();
        // A root that vouches for another server is refused.
        QTemporaryDir other;
        QProcess::execute("openssl",
            {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=localhost",
                "-keyout", other.path() + "/k", "-out", other.path() + "/c"});
        rewrite("sslrootcert=" + other.path().toUtf8() + "/c\n");
        try {
            connect(c, clerk, "pw");
            ADD_FAILURE() << "a server its root does not vouch for was taken";
        } catch (const db::Error &e) {
            EXPECT_TRUE(e.text().contains("is not the one its certificate should prove")) << e.text();
        }
    }
    // Modes that would quietly fall back to a connection in clear are refused.
    rewrite("sslmode=prefer\n");
    db::Connection c;
    EXPECT_DB_ERROR(connect(c, clerk, "pw"),
        "The file '" + descriptor
            + "' names sslmode=prefer; it takes require, verify-ca, verify-full or (for a test server only) "
              "disable.");
}

// A server on a loopback socket that answers the connection's first
// messages as a PostgreSQL server asking for the password in clear (3) or
// as an MD5 hash (5) would, and notes whether a password came.
class FakeServer {
public:
    explicit FakeServer(quint32 asks)
        : m_asks(asks)
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        listen(m_listen, 4);
        socklen_t len = sizeof a;
        getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~FakeServer()
    {
        m_stop = true;
        m_thread.join();
        close(m_listen);
    }
    int port() const { return m_port; }
    bool gotPassword() const { return m_gotPassword; }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p {m_listen, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            const int c = accept(m_listen, nullptr, nullptr);
            talk(c);
            close(c);
        }
    }
    static bool readMessage(int c, QByteArray *out, bool typed)
    {
        out->clear();
        const int head = typed ? 5 : 4;
        char buf[4096];
        while (out->size() < head) {
            pollfd p {c, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0)
                return false;
            const ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                return false;
            out->append(buf, n);
        }
        return true;
    }
    void talk(int c)
    {
        QByteArray m;
        if (!readMessage(c, &m, false))
            return;
        if (m.size() >= 8 && m.mid(4, 4) == QByteArray::fromHex("04d2162f")) { // SSLRequest
            if (send(c, "N", 1, 0) != 1 || !readMessage(c, &m, false))
                return;
        }
        QByteArray ask = QByteArray::fromHex(m_asks == 3 ? "520000000800000003" : "520000000c00000005");
        if (m_asks == 5)
            ask += "salt";
        if (send(c, ask.constData(), size_t(ask.size()), 0) != ask.size())
            return;
        if (readMessage(c, &m, true) && m.startsWith('p'))
            m_gotPassword = true;
    }

    quint32 m_asks;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_gotPassword {false};
    std::thread m_thread;
};

TEST(PgConnection, AServerAskingForThePasswordInClearIsRefusedAndGetsNone)
{
    QTemporaryDir tmp;
    for (const quint32 asks : {3u, 5u}) {
        for (const char *mode : {"", "sslmode=disable\n"}) {
            SCOPED_TRACE(std::to_string(asks) + " " + mode);
            FakeServer fake(asks);
            const QString folder = tmp.path() + QStringLiteral("/fake%1%2").arg(asks).arg(*mode ? 1 : 0);
            db::server::attach(folder, "127.0.0.1", fake.port(), "oru");
            if (*mode) {
                QFile f(folder + "/postgres.txt");
                ASSERT_TRUE(f.open(QIODevice::Append));
                f.write(mode);
            }
            db::Connection c;
            c.setProperty("User ID", "sa");
            c.setProperty("Password", "Secret-1");
            c.setProperty("Data Source", folder);
            try {
                c.open();
                ADD_FAILURE() << "the login went through";
            } catch (const db::Error &e) {
                const QString at = QStringLiteral("The PostgreSQL server at 127.0.0.1:%1").arg(fake.port());
                EXPECT_EQ(e.text(),
                    *mode ? at
                            + " did not ask for the password by SCRAM-SHA-256 (with channel binding over "
                              "TLS), so the password was not sent and the login was refused."
                          : at
                            + " offers no encrypted connection (TLS), so the login was refused. Turn TLS on "
                              "at the server (ssl = on).");
            }
            EXPECT_FALSE(fake.gotPassword());
        }
    }
}

TEST(EmbeddedServerFiles, AreTheirOwnersAloneAndAnOpenTightensWiderModes)
{
    ORU_EMBEDDED_ONLY("the embedded server's files");
    QTemporaryDir tmp;
    const DataHome home(tmp.path() + "/data/oru");
    db::server::create("office", "Secret-1", db::server::HashCost::Minimal);
    const QString folder = db::server::resolve("office");
    {
        db::Connection c;
        c.setProperty("User ID", "sa");
        c.setProperty("Password", "Secret-1");
        c.setProperty("Data Source", "office");
        c.open();
        c.execute("INSERT INTO LctPswd (Pswd) VALUES ('h')");
        auto mode = [](const QString &path) {
            struct stat st { };
            return ::stat(path.toUtf8().constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
        };
        EXPECT_EQ(mode(tmp.path() + "/data/oru"), 0700);
        EXPECT_EQ(mode(folder), 0700);
        const QStringList files = QDir(folder).entryList(QDir::Files);
        for (const char *f : {"master.db", "ORU.db", "ORU.db-wal", "ORU.db-shm"})
            EXPECT_TRUE(files.contains(f)) << f << " in " << files.join(", ");
        for (const QString &f : files)
            EXPECT_EQ(mode(folder + "/" + f), 0600) << f;

        // A folder copied in with wider modes is narrowed when opened.
        c.close();
        chmod(folder.toUtf8().constData(), 0755);
        for (const QString &f : files)
            chmod((folder + "/" + f).toUtf8().constData(), 0644);
        shell::lockPasswordCount("office");
        EXPECT_EQ(mode(folder), 0700);
        for (const QString &f : QDir(folder).entryList(QDir::Files))
            EXPECT_EQ(mode(folder + "/" + f), 0600) << f;
    }
}

TEST_F(PgPrivilegeTest, UpgradeMovesADatabaseOfTheEarlierLayoutOutOfPublicAndWhatUsersAddedGoes)
{
    sa.execute("INSERT INTO LctPswd (Pswd) VALUES ('kept')");
    sa.close();
    // As an earlier build left it: everything in public, owned by the users
    // role that every login could act as, the database owned by sa; and
    // what a login added there as that role.
    const QString name = m_db->name(), users = name + "_users", owner = name + "_owner";
    const QString grab = QStringLiteral("LANGUAGE plpgsql AS $$ BEGIN EXECUTE 'ALTER ROLE \"%1\" SUPERUSER'; "
                                        "RETURN %2; END $$");
    toEarlierLayout("SET ROLE \"" + users + "\"; " + "CREATE FUNCTION public.evil() RETURNS trigger "
        + grab.arg(clerk, "NEW") + "; "
        + "CREATE TRIGGER evil BEFORE INSERT ON public.lctpswd FOR EACH ROW EXECUTE FUNCTION "
          "public.evil(); "
        + "CREATE OR REPLACE FUNCTION public.money(bigint) RETURNS text " + grab.arg(clerk, "'x'") + "; "
        + "GRANT ALL ON public.detjv TO \"" + clerk + "\"; RESET ROLE; ");

    db::Connection c;
    try {
        connect(c, "sa", "Secret-1");
        ADD_FAILURE() << "a login opened a database of the earlier layout";
    } catch (const db::Error &e) {
        EXPECT_TRUE(e.text().endsWith("oruadmin upgrade " + m_server)) << e.text();
    }
    EXPECT_EQ(runTool({"upgrade", m_server}), 0) << m_toolOut;
    EXPECT_EQ(runTool({"lock-add", m_server}, "Lock1"), 0) << m_toolOut; // the trigger would run here
    connect(c, "sa", "Secret-1");
    EXPECT_EQ(c.scalar("SELECT count(*) FROM LctPswd"), Value(2));
    EXPECT_EQ(c.scalar("SELECT money(250)"), Value("2.50"));
    c.execute("INSERT INTO LctPswd (Pswd) VALUES ('new')");
    EXPECT_EQ(adminOne("SELECT rolsuper::text FROM pg_roles WHERE rolname = '" + clerk + "'"), "false");

    EXPECT_EQ(
        adminOne("SELECT (SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                 "WHERE n.nspname = 'public') + (SELECT count(*) FROM pg_proc p JOIN pg_namespace n "
                 "ON n.oid = p.pronamespace WHERE n.nspname = 'public')"),
        "0");
    EXPECT_EQ(adminOne("SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal"), "0");
    EXPECT_EQ(adminOne("SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = current_database()"),
        owner);
    EXPECT_EQ(adminOne("SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                       "WHERE n.nspname = 'oru' AND pg_get_userbyid(c.relowner) <> '"
                  + owner + "'"),
        "0");
    PGconn *bareClerk = bare(clerk, "pw");
    EXPECT_EQ(sqlState(bareClerk, "TRUNCATE oru.detjv"), "42501");
    EXPECT_EQ(sqlState(bareClerk, "CREATE TABLE public.x (a int)"), "42501");
    EXPECT_EQ(sqlState(bareClerk, "SELECT count(*) FROM oru.detjv"), QString());
    PQfinish(bareClerk);
}

TEST_F(PgPrivilegeTest, UpgradeAndCreateTakeNoOwnerRoleThatALoginCouldBe)
{
    sa.close();
    toEarlierLayout();
    const QString name = m_db->name(), owner = name + "_owner";
    const QString quoted = "\"" + owner + "\"", mark = "'ORU owner of " + name + "'";
    const QString refused
        = QStringLiteral("The PostgreSQL server's role '%1' is not the owner this program made "
                         "for the database \"%2\" (it can log in, has members or lacks the "
                         "program's mark); nothing was changed.")
              .arg(owner, name);
    const QString planted[] = {
        "CREATE ROLE " + quoted + " LOGIN PASSWORD 'X'; COMMENT ON ROLE " + quoted + " IS " + mark,
        "CREATE ROLE " + quoted + " NOLOGIN; COMMENT ON ROLE " + quoted + " IS " + mark + "; GRANT " + quoted
            + " TO \"" + clerk + "\"",
        "CREATE ROLE " + quoted + " NOLOGIN",
    };
    for (const QString &plant : planted) {
        SCOPED_TRACE(plant.toStdString());
        admin(plant);
        EXPECT_EQ(runTool({"upgrade", m_server}), 1);
        EXPECT_TRUE(m_toolOut.contains(refused)) << m_toolOut;
        // Nothing moved to it, nothing handed to it.
        EXPECT_EQ(
            adminOne("SELECT (to_regnamespace('oru') IS NULL)::text || ' ' || "
                     "(SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = current_database()) "
                     "|| ' ' || (SELECT count(*) FROM pg_class WHERE relowner = "
                + QStringLiteral("'%1'::regrole)").arg(owner)),
            "true sa 0");
        admin("DROP ROLE " + quoted);
    }
    // One that only the administrator can be is taken.
    admin("CREATE ROLE " + quoted + " NOLOGIN; COMMENT ON ROLE " + quoted + " IS " + mark);
    EXPECT_EQ(runTool({"upgrade", m_server}), 0) << m_toolOut;
    EXPECT_EQ(adminOne("SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = current_database()"),
        owner);

    // A new database's owner role planted beforehand: nothing is created.
    pgtest::Database other(m_pg, false);
    const QString otherOwner = other.name() + "_owner", folder = m_tmp.path() + "/other";
    testengine::attachTo(folder, m_pg, other.name());
    admin("CREATE ROLE \"" + otherOwner + "\" LOGIN; COMMENT ON ROLE \"" + otherOwner + "\" IS 'ORU owner of "
        + other.name() + "'");
    m_roles << otherOwner;
    EXPECT_DB_ERROR(db::server::create(folder, "Secret-1"),
        QStringLiteral(
            "The PostgreSQL server's role '%1' is not the owner this program made for the database "
            "\"%2\" (it can log in, has members or lacks the program's mark); nothing was created.")
            .arg(otherOwner, other.name()));
    EXPECT_EQ(
        adminOne("SELECT (SELECT count(*) FROM pg_database WHERE datname = '" + other.name()
            + "')::text || ' ' || (SELECT rolcanlogin::text FROM pg_roles WHERE rolname = '" + otherOwner
            + "') || ' ' || (SELECT count(*) FROM pg_roles WHERE rolname = '" + other.name() + "_users')"),
        "0 true 0");
}
