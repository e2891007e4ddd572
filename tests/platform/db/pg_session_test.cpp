// The PostgreSQL engine's session: parameters, types, case-insensitive
// text, transactions and what one session keeps from another. Skipped when
// no PostgreSQL server is at hand.
#include "platform/db/fixture.h"
#include "platform/db/pg_server.h"
#include "platform/db/pg_session.h"
#include "platform/db/schema.h"
#include "support/pgtest.h"

#include <QProcess>

#include <atomic>
#include <set>
#include <thread>

using db::Money;
using db::Value;
using db::detail::PgSession;

TEST(PgText, NumbersParametersOutsideQuotesAndComments)
{
    const struct {
        const char *sql;
        const char *text;
        int count;
    } cases[] = {
        {"select ?", "select $1", 1},
        {"a = ? and b in (?, ?)", "a = $1 and b in ($2, $3)", 3},
        {"'?' || ? || 'it''s ?'", "'?' || $1 || 'it''s ?'", 1},
        {"\"odd?name\" = ?", "\"odd?name\" = $1", 1},
        {"x -- why?\n = ? /* ? */", "x -- why?\n = $1 /* ? */", 1},
        {"select 'none'", "select 'none'", 0},
    };
    for (const auto &c : cases) {
        int n = -1;
        EXPECT_EQ(db::detail::pgText(QString::fromUtf8(c.sql), &n), QByteArray(c.text)) << c.sql;
        EXPECT_EQ(n, c.count) << c.sql;
    }
}

class PgSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ORU_REQUIRE_PG(pg);
        m_server = pg;
        m_db = std::make_unique<pgtest::Database>(pg);
        s = open();
        db::detail::preparePgDatabase(*s);
        s->execute("CREATE TABLE Voucher (VouNo INTEGER PRIMARY KEY, Party VARCHAR(30) COLLATE NOCASE, "
                   "Amount oru_money, VouDate DATE, Note TEXT)",
            {});
    }

    // As the server's administrator making the program's objects: what it
    // makes goes into the program's schema.
    std::unique_ptr<PgSession> open()
    {
        auto session = std::make_unique<PgSession>(
            db::detail::PgAddress {m_server.host, m_server.port, m_db->name(),
                pgtest::tlsOn(m_server) ? QString() : QStringLiteral("disable"), QString()},
            m_server.user, m_server.password);
        session->run("SET search_path = oru, pg_catalog");
        return session;
    }

    pgtest::Server m_server;
    std::unique_ptr<pgtest::Database> m_db;
    std::unique_ptr<PgSession> s;
};

TEST_F(PgSessionTest, TypedTextIsBoundNeverSpliced)
{
    const QString hostile = QStringLiteral("O'Brien'); DROP TABLE Voucher; --");
    EXPECT_EQ(s->execute("INSERT INTO Voucher (VouNo, Note) VALUES (?, ?)", {1, hostile}), 1);
    EXPECT_EQ(s->scalar("SELECT Note FROM Voucher WHERE VouNo = ?", {1}).toString(), hostile);
    EXPECT_EQ(s->scalar("SELECT count(*) FROM Voucher WHERE Note = ?", {hostile}).toInt(), 1);
    EXPECT_DB_ERROR(s->execute("SELECT ? , ?", {1}), "The statement takes 2 parameter(s); 1 were given.");
}

TEST_F(PgSessionTest, ColumnsCarryOriginAndStorageRules)
{
    s->execute("INSERT INTO Voucher VALUES (?, ?, ?, ?, ?)",
        {7, "Smith", Money::fromCents(123456), QDate(2009, 8, 3), "n"});
    s->execute("INSERT INTO Voucher (VouNo, Amount, VouDate) VALUES (?, ?, ?)",
        {8, Money::fromCents(99), "04/08/2009"});

    const db::engine::Result r
        = s->query("SELECT VouNo, Party, Amount, VouDate, Amount + 1 AS x FROM Voucher "
                   "ORDER BY VouNo",
            {});
    ASSERT_EQ(r.rows, 2);
    const struct {
        const char *origin, *declType;
        db::Type kind;
    } want[] = {{"VouNo", "INTEGER", db::Type::Int}, {"Party", "VARCHAR(30)", db::Type::Text},
        {"Amount", "MONEY", db::Type::Money}, {"VouDate", "DATE", db::Type::Date}, {"", "", db::Type::Null}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(r.columns[i].origin, QString::fromUtf8(want[i].origin)) << i;
        EXPECT_EQ(r.columns[i].declType, QString::fromUtf8(want[i].declType)) << i;
        EXPECT_EQ(r.columns[i].kind, want[i].kind) << i;
    }
    EXPECT_EQ(r.columns[0].table, QStringLiteral("Voucher")); // as the CREATE spelled it
    EXPECT_EQ(r.columns[1].definedSize, 30);
    EXPECT_EQ(r.cells[0], Value(7));
    EXPECT_EQ(r.cells[2], Value(Money::fromCents(123456)));
    EXPECT_EQ(r.cells[3], Value(QDate(2009, 8, 3)));
    EXPECT_EQ(r.cells[4], Value(123457)); // untyped: a plain integer
    EXPECT_EQ(r.cells[5 + 3], Value(QDate(2009, 8, 4))); // typed day first

    // Sums stay exact and read as the embedded engine's do.
    EXPECT_EQ(s->scalar("SELECT money(sum(Amount)) FROM Voucher", {}), Value("1235.55"));
    EXPECT_EQ(s->scalar("SELECT sum(Amount) FROM Voucher", {}), Value(123555));
    EXPECT_EQ(s->scalar("SELECT money(avg(Amount)) FROM Voucher", {}), Value("617.78"));
    EXPECT_EQ(s->scalar("SELECT avg(Amount) FROM Voucher", {}), Value(61777.5)); // a fraction stays one
    EXPECT_EQ(s->scalar("SELECT -sum(Amount) FROM Voucher", {}), Value(-123555));
    EXPECT_EQ(s->scalar("SELECT ?::date = DATE '0987-01-02'", {QDate(987, 1, 2)}), Value(1));
    EXPECT_EQ(s->scalar("SELECT year(VouDate) * 100 + month(VouDate) FROM Voucher WHERE VouNo = 7", {}),
        Value(200908));
    EXPECT_EQ(s->scalar("SELECT len(?)", {"ab  "}), Value(2));
    EXPECT_EQ(s->scalar("SELECT ifnull(Party, ?) FROM Voucher WHERE VouNo = 8", {"none"}), Value("none"));
    EXPECT_EQ(s->scalar("SELECT ifnull(max(VouNo), 0) + 1 FROM Voucher WHERE VouNo > 100", {}), Value(1));

    const auto cols = s->columns("SELECT Amount FROM Voucher WHERE VouNo = ?");
    ASSERT_EQ(cols.size(), 1u);
    EXPECT_EQ(cols[0].kind, db::Type::Money);
}

TEST_F(PgSessionTest, NocaseTextComparesWithoutRegardToCase)
{
    s->execute("CREATE UNIQUE INDEX VoucherParty ON Voucher (Party)", {});
    s->execute("INSERT INTO Voucher (VouNo, Party) VALUES (1, 'Smith')", {});
    EXPECT_EQ(s->scalar("SELECT VouNo FROM Voucher WHERE Party = ?", {"SMITH"}), Value(1));
    EXPECT_ANY_THROW(s->execute("INSERT INTO Voucher (VouNo, Party) VALUES (2, 'sMITH')", {}));
}

TEST_F(PgSessionTest, TableKeysDefaultsAndRowStatements)
{
    s->execute("CREATE TABLE Line (VouNo INTEGER, LineNo INTEGER, Amt oru_money DEFAULT 0, Memo TEXT, "
               "PRIMARY KEY (VouNo, LineNo))",
        {});
    const db::engine::TableInfo info = s->table("Line");
    // The rowid every table gets, as on the embedded engine: last, never a key.
    ASSERT_EQ(info.columns.size(), 5u);
    EXPECT_TRUE(info.hasRowid);
    EXPECT_EQ(info.columns[4].name, QStringLiteral("rowid"));
    EXPECT_EQ(info.columns[4].pk, 0);
    EXPECT_EQ(info.columns[0].pk, 1);
    EXPECT_EQ(info.columns[1].pk, 2);
    EXPECT_EQ(info.columns[3].pk, 0);
    EXPECT_TRUE(info.columns[2].hasDefault);
    EXPECT_EQ(info.columns[2].type, QStringLiteral("MONEY"));

    auto insert = s->rowStatement("INSERT INTO Line (VouNo, LineNo, Amt) VALUES (?, ?, ?)");
    const Value v1(1), amount(Money::fromCents(250)), nothing;
    for (int line = 1; line <= 3; ++line) {
        const Value l(line);
        EXPECT_EQ(insert->run({&v1, &l, line == 3 ? &nothing : &amount}), 1);
    }
    EXPECT_EQ(s->scalar("SELECT money(sum(Amt)) FROM Line", {}), Value("5.00"));
    auto update = s->rowStatement("UPDATE Line SET Memo = ? WHERE VouNo = ?");
    const Value memo("m");
    EXPECT_EQ(update->run({&memo, &v1}), 3);
    // Insertion order; `Select *` leaves it out, naming it shows it.
    EXPECT_EQ(s->query("SELECT * FROM Line", {}).columns.size(), 4u);
    const db::engine::Result order = s->query("SELECT rowid, LineNo FROM Line ORDER BY rowid DESC", {});
    ASSERT_EQ(order.rows, 3);
    EXPECT_EQ(order.cells[1], Value(3));
    EXPECT_EQ(order.columns[1].name, QStringLiteral("LineNo"));
}

TEST_F(PgSessionTest, TheStatementCacheStaysBoundedAndRowStatementsOutliveIt)
{
    auto insert = s->rowStatement("INSERT INTO Voucher (VouNo) VALUES (?)");
    for (int i = 0; i < 250; ++i)
        EXPECT_EQ(s->scalar(QStringLiteral("SELECT %1").arg(i), {}), Value(i));
    EXPECT_LE(s->scalar("SELECT count(*) FROM pg_prepared_statements", {}).toInt(), 202);
    const Value one(1);
    EXPECT_EQ(insert->run({&one}), 1);
    insert.reset();
    EXPECT_EQ(s->scalar("SELECT count(*) FROM pg_prepared_statements WHERE statement LIKE 'INSERT%'", {}),
        Value(0));
}

TEST_F(PgSessionTest, SavepointsAndAFailedStatementNeverCommitQuietly)
{
    s->begin();
    s->execute("INSERT INTO Voucher (VouNo) VALUES (1)", {});
    s->savepoint("sp1");
    s->execute("INSERT INTO Voucher (VouNo) VALUES (2)", {});
    s->rollback("sp1");
    s->commit({});
    EXPECT_EQ(s->scalar("SELECT string_agg(VouNo::text, ',') FROM Voucher", {}), Value("1"));

    s->begin();
    s->execute("INSERT INTO Voucher (VouNo) VALUES (3)", {});
    EXPECT_ANY_THROW(s->execute("INSERT INTO Voucher (VouNo) VALUES (1)", {}));
    EXPECT_DB_ERROR(s->commit({}), "A statement of the transaction failed, so nothing was saved.");
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(s->scalar("SELECT count(*) FROM Voucher", {}), Value(1));
}

TEST_F(PgSessionTest, OneWriterAtATimeAcrossSessions)
{
    auto other = open();
    other->run("SET lock_timeout = '100ms'");
    s->begin();
    EXPECT_THROW(other->begin(), db::BusyError);
    EXPECT_FALSE(other->inTransaction());
    s->commit({});
    other->begin();
    other->commit({});

    // Next numbers read and inserted in a transaction never repeat.
    std::atomic<int> failures {0};
    auto worker = [&] {
        try {
            auto w = open();
            for (int i = 0; i < 15; ++i) {
                w->begin();
                const std::int64_t next
                    = w->scalar("SELECT COALESCE(max(VouNo), 0) + 1 FROM Voucher", {}).toInt();
                w->execute("INSERT INTO Voucher (VouNo) VALUES (?)", {Value(qlonglong(next))});
                w->commit({});
            }
        } catch (const db::Error &) {
            ++failures;
        }
    };
    std::thread a(worker), b(worker), c(worker);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(s->scalar("SELECT count(DISTINCT VouNo) FROM Voucher", {}), Value(45));
}

TEST_F(PgSessionTest, WorkTablesArePrivateToTheirSession)
{
    auto other = open();
    s->execute("CREATE TEMP TABLE Work (Id INTEGER, Amt oru_money)", {});
    other->execute("CREATE TEMP TABLE Work (Id INTEGER)", {});
    s->execute("INSERT INTO Work VALUES (1, 500)", {});
    EXPECT_EQ(other->scalar("SELECT count(*) FROM Work", {}), Value(0));
    const db::engine::Result r = s->query("SELECT Amt FROM Work", {});
    EXPECT_EQ(r.columns[0].kind, db::Type::Money);
    EXPECT_EQ(r.cells[0], Value(Money::fromCents(500)));
}

TEST_F(PgSessionTest, ALostConnectionIsMadeAgainOnlyOutsideATransaction)
{
    const auto backend = [&] { return s->scalar("SELECT pg_backend_pid()", {}).toInt(); };
    const auto count = [&] { return s->scalar("SELECT count(*) FROM Voucher", {}).toInt(); };
    const QString lost = db::ConnectionLostError().text();
    s->run("SET lock_timeout = '1234ms'");
    auto row = s->rowStatement("INSERT INTO Voucher (VouNo) VALUES (?)");

    // Between statements: the server's closing is seen before the next
    // statement is sent, which runs on a new connection with the session's
    // settings; a row statement is prepared again, and BEGIN goes through.
    pgtest::terminate(m_server, backend());
    EXPECT_EQ(s->execute("INSERT INTO Voucher (VouNo) VALUES (1)", {}), 1);
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(s->scalar("SHOW lock_timeout", {}), Value("1234ms"));
    EXPECT_EQ(s->scalar("SHOW DateStyle", {}), Value("ISO, DMY"));
    const Value six(6);
    pgtest::terminate(m_server, backend());
    EXPECT_EQ(row->run({&six}), 1);
    pgtest::terminate(m_server, backend());
    s->begin();
    EXPECT_TRUE(s->inTransaction());
    s->rollback({});

    // Inside a transaction that had written: every statement fails until
    // the transaction is rolled back, none runs on a new connection.
    s->begin();
    s->execute("INSERT INTO Voucher (VouNo) VALUES (2)", {});
    pgtest::terminate(m_server, backend());
    EXPECT_DB_ERROR(s->execute("INSERT INTO Voucher (VouNo) VALUES (3)", {}), lost);
    EXPECT_TRUE(s->inTransaction());
    EXPECT_DB_ERROR(s->scalar("SELECT count(*) FROM Voucher", {}), lost);
    EXPECT_DB_ERROR(s->execute("INSERT INTO Voucher (VouNo) VALUES (4)", {}), lost);
    EXPECT_DB_ERROR(s->commit({}), lost);
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(count(), 2);

    // Lost while the COMMIT was on its way: the outcome is not known.
    s->begin();
    s->execute("INSERT INTO Voucher (VouNo) VALUES (5)", {});
    pgtest::terminate(m_server, backend());
    EXPECT_DB_ERROR(
        s->commit({}), db::ConnectionLostError(db::ConnectionLostError::When::DuringCommit).text());
    EXPECT_FALSE(s->inTransaction());
    EXPECT_EQ(count(), 2); // here the server had ended the session first

    // No connection to be had (here its database is gone): said each time,
    // a read as a read and a save as a save.
    m_db.reset();
    const QString unread = db::ConnectionLostError(db::ConnectionLostError::When::Reading).text();
    EXPECT_EQ(unread,
        "The database server could not be reached, so the data could not be read. Check that the server is "
        "running and can be reached, then try again.");
    EXPECT_DB_ERROR(s->scalar("SELECT 1", {}), unread);
    EXPECT_DB_ERROR(s->query("SELECT 1", {}), unread);
    EXPECT_DB_ERROR(s->begin(), lost);
    EXPECT_DB_ERROR(s->execute("INSERT INTO Voucher (VouNo) VALUES (7)", {}), lost);
}

namespace {

// Restarts the cluster the test server is (pg_virtualenv's throwaway one,
// found by its port); false when this run's server is no such cluster.
bool restartCluster(const pgtest::Server &server, QString *why)
{
    if (qEnvironmentVariableIsEmpty("PG_CLUSTER_CONF_ROOT")) {
        *why = QStringLiteral("the test server is not a throwaway cluster of pg_virtualenv");
        return false;
    }
    QProcess list;
    list.start(QStringLiteral("pg_lsclusters"), {QStringLiteral("-h")});
    if (!list.waitForFinished(10000)) {
        *why = QStringLiteral("pg_lsclusters did not run");
        return false;
    }
    for (const QString &line : QString::fromUtf8(list.readAllStandardOutput()).split(u'\n')) {
        const QStringList f = line.simplified().split(u' ');
        if (f.size() < 3 || f[2].toInt() != server.port)
            continue;
        const int rc = QProcess::execute(QStringLiteral("pg_ctlcluster"),
            {f[0], f[1], QStringLiteral("restart"), QStringLiteral("-m"), QStringLiteral("fast")});
        if (rc != 0)
            *why = QStringLiteral("pg_ctlcluster %1 %2 restart failed").arg(f[0], f[1]);
        return rc == 0;
    }
    *why = QStringLiteral("no cluster of pg_lsclusters listens on port %1").arg(server.port);
    return false;
}

} // namespace

TEST_F(PgSessionTest, TheFirstSaveAndTheFirstReadAfterTheServerRestartedGoThrough)
{
    const auto save = [&](int no) {
        s->begin();
        s->execute("INSERT INTO Voucher (VouNo, Party) VALUES (?, 'A')", {no});
        s->commit({});
    };
    const auto list = [&] {
        QStringList out;
        const db::engine::Result r = s->query("SELECT VouNo FROM Voucher ORDER BY VouNo", {});
        for (const Value &v : r.cells)
            out << v.toString();
        return out;
    };
    save(1);
    EXPECT_EQ(list(), QStringList {"1"});
    QString why;
    if (!restartCluster(m_server, &why))
        GTEST_SKIP() << "cannot restart the server: " << why.toStdString();
    save(2);
    EXPECT_EQ(list(), QStringList({"1", "2"}));
    ASSERT_TRUE(restartCluster(m_server, &why)) << why.toStdString();
    EXPECT_EQ(list(), QStringList({"1", "2"}));
    EXPECT_EQ(s->scalar("SELECT count(*) FROM Voucher WHERE Party = ?", {"a"}), Value(2));
}

TEST_F(PgSessionTest, LoginsAreTheServersRoles)
{
    EXPECT_TRUE(
        s->isSysadmin(m_server.user.isEmpty() ? QStringLiteral("postgres") : m_server.user.toUpper()));
    EXPECT_FALSE(s->isSysadmin("nobody here"));
    const QString role = QStringLiteral("clerk_%1").arg(QCoreApplication::applicationPid());
    s->run(QStringLiteral("DROP ROLE IF EXISTS %1; CREATE ROLE %1 LOGIN PASSWORD 'SECRET-1'")
               .arg(role)
               .toUtf8()
               .constData());
    EXPECT_FALSE(s->isSysadmin(role));
    // Names and passwords without regard to case, as on the embedded server.
    s->checkLogin(role.toUpper(), "secret-1", "ORU");
    EXPECT_DB_ERROR(
        s->checkLogin(role, "wrong", "ORU"), QStringLiteral("Login failed for user '%1'.").arg(role));
    EXPECT_DB_ERROR(s->checkLogin(role, "", "ORU"), QStringLiteral("Login failed for user '%1'.").arg(role));
    s->run(
        QStringLiteral("REVOKE CONNECT ON DATABASE %1 FROM PUBLIC").arg(m_db->name()).toUtf8().constData());
    EXPECT_DB_ERROR(s->checkLogin(role, "secret-1", "ORU"),
        "Cannot open database \"ORU\" requested by the login. The login failed.");
    s->run(QStringLiteral("DROP ROLE %1").arg(role).toUtf8().constData());
}

TEST(PgSchema, TranslatesTheEmbeddedSpellings)
{
    const struct {
        const char *sqlite, *pg;
    } cases[] = {
        {"CompCode INTEGER PRIMARY KEY AUTOINCREMENT,",
            "CompCode BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY,"},
        {"Dcode integer NOT NULL DEFAULT 0, Id INTEGER NOT NULL PRIMARY KEY",
            "Dcode BIGINT NOT NULL DEFAULT 0, Id BIGINT NOT NULL PRIMARY KEY"},
        {"DrAmt MONEY NOT NULL DEFAULT 0, Rate REAL",
            "DrAmt oru_money NOT NULL DEFAULT 0, Rate DOUBLE PRECISION"},
        {"SELECT money (sum(DrAmt)), 'MONEY INTEGER' -- REAL\n",
            "SELECT money (sum(DrAmt)), 'MONEY INTEGER' -- REAL\n"},
        {"Name VARCHAR(30) COLLATE NOCASE, IntegerPart TEXT",
            "Name VARCHAR(30) COLLATE NOCASE, IntegerPart TEXT"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(db::detail::pgSchema(c.sqlite), QByteArray(c.pg)) << c.sqlite;
}

TEST_F(PgSessionTest, MigrationsApplyUnderTheSameNumbersInOneTransaction)
{
    const std::vector<db::Migration> list = db::schema::migrations();
    ASSERT_FALSE(list.empty());
    db::detail::migratePg(*s, list);
    db::detail::migratePg(*open(), list); // another copy finds the work done
    EXPECT_EQ(s->scalar("SELECT version FROM oru_schema", {}), Value(db::schemaVersion()));
    const auto cols = s->columns("SELECT DrAmt, VouDate, AcCode FROM DetJV");
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].kind, db::Type::Money);
    EXPECT_EQ(cols[1].kind, db::Type::Date);
    EXPECT_EQ(cols[2].kind, db::Type::Int);

    // A failing step leaves nothing of the pending ones.
    std::vector<db::Migration> more = list;
    const int next = int(list.size()) + 1;
    more.push_back({next, "901_good.sql", "CREATE TABLE Extra (Id INTEGER);"});
    more.push_back({next + 1, "902_bad.sql", "CREATE TABLE Broken (Id NOSUCHTYPE);"});
    try {
        db::detail::migratePg(*s, more);
        ADD_FAILURE() << "a failing step was applied";
    } catch (const db::Error &e) {
        EXPECT_TRUE(e.text().startsWith("Schema file 902_bad.sql failed: ")) << e.text();
    }
    EXPECT_EQ(s->scalar("SELECT version FROM oru_schema", {}), Value(db::schemaVersion()));
    EXPECT_EQ(s->scalar("SELECT to_regclass('extra') IS NULL", {}), Value(1));

    more.pop_back();
    db::detail::migratePg(*s, more);
    std::vector<db::Migration> older(list.begin(), list.end() - 1);
    EXPECT_DB_ERROR(db::detail::migratePg(*s, older),
        QStringLiteral("The database has schema version %1, newer than this program knows (%2). "
                       "Use the newer program.")
            .arg(next)
            .arg(next - 2));
}

TEST_F(PgSessionTest, AStepWhoseQueryFindsRowsIsRefusedNamingThemAndAppliesNothing)
{
    std::vector<db::Migration> list = db::schema::migrations();
    db::detail::migratePg(*s, list);
    const int next = int(list.size()) + 1;
    list.push_back({next, "901_unique.sql",
        "-- leading comment\n"
        "SELECT 'Menu ' || Menus || ' is stored ' || count(*) || ' times.' FROM Menus GROUP BY Menus "
        "HAVING count(*) > 1 ORDER BY Menus;\n"
        "CREATE UNIQUE INDEX ux_Menus_Menus ON Menus (Menus); CREATE TABLE Extra (Id INTEGER);\n"});
    s->execute("INSERT INTO Menus (Menus, Active) VALUES (?, ?), (?, ?)", {"Twice", "1", "Twice", "0"});
    EXPECT_DB_ERROR(db::detail::migratePg(*s, list),
        QStringLiteral("The database cannot be upgraded: schema file 901_unique.sql cannot take rows it "
                       "holds. Nothing was changed; correct these rows, then open the database again.\n"
                       "Menu Twice is stored 2 times."));
    EXPECT_EQ(s->scalar("SELECT version FROM oru_schema", {}), Value(db::schemaVersion()));
    EXPECT_EQ(s->scalar("SELECT to_regclass('extra') IS NULL", {}), Value(1));
    EXPECT_EQ(s->scalar("SELECT count(*) FROM Menus WHERE Menus = 'TWICE'", {}), Value(2));

    // Put right, the same step goes through.
    s->execute("DELETE FROM Menus WHERE Active = ?", {"0"});
    db::detail::migratePg(*s, list);
    EXPECT_EQ(s->scalar("SELECT version FROM oru_schema", {}), Value(next));
    EXPECT_EQ(s->scalar("SELECT to_regclass('extra') IS NULL", {}), Value(0));
}

TEST(PgServer, AnAttachedFolderIsCreatedAndOpenedAsAnyServer)
{
    ORU_REQUIRE_PG(pg);
    QTemporaryDir tmp;
    const DataHome home(tmp.path());
    const pgtest::Database database(pg, false);
    const QString host = pg.host.isEmpty() ? QStringLiteral("localhost") : pg.host;
    testengine::attachTo("office", pg, database.name());
    EXPECT_TRUE(db::server::attached("office"));
    EXPECT_DB_ERROR(
        db::server::attach("office", host, pg.port, database.name()), "Server 'office' already exists.");
    db::server::create("office", "Secret-1");
    EXPECT_DB_ERROR(db::server::create("office", "Secret-1"), "Server 'office' already exists.");

    auto connect = [](db::Connection &c, const QString &user, const QString &password) {
        c.setProperty("User ID", user);
        c.setProperty("Password", password);
        c.setProperty("Data Source", "office");
        c.setProperty("Initial Catalog", "ORU");
        c.open();
    };
    db::Connection c;
    connect(c, "SA", "secret-1"); // names and passwords without regard to case, as on the embedded server
    EXPECT_TRUE(c.isSysadmin());
    EXPECT_EQ(c.scalar("SELECT count(*) FROM Menus WHERE Active = '1'"), Value(19));
    EXPECT_EQ(c.scalar("SELECT version FROM oru_schema"), Value(db::schemaVersion()));
    {
        db::Transaction tx(c);
        c.execute("INSERT INTO Menus (Menus, Active) VALUES (?, ?)", {"Extra", "1"});
        tx.commit();
    }
    EXPECT_EQ(c.scalar("SELECT Menus FROM Menus WHERE Menus = ?", {"EXTRA"}), Value("Extra"));
    c.close();

    db::Connection wrong;
    EXPECT_DB_ERROR(connect(wrong, "sa", "Secret-2"), "Login failed for user 'sa'.");
    EXPECT_DB_ERROR(connect(wrong, "", "Secret-1"), "Login failed for user ''.");
}

TEST(PgServer, ADatabaseMadeBeforeEveryTableHadARowidGetsThemWhenOpened)
{
    ORU_REQUIRE_PG(pg);
    QTemporaryDir tmp;
    const QString folder = tmp.path() + QStringLiteral("/srv");
    const pgtest::Database database(pg, false);
    testengine::attachTo(folder, pg, database.name());
    db::server::create(folder, "Secret-1", db::server::HashCost::Minimal);
    {
        // As an earlier build left it: no rowids, none of the later functions, rows of its own.
        PgSession admin(
            {pg.host, pg.port, database.name(), pgtest::tlsOn(pg) ? QString() : "disable", QString()},
            pg.user, pg.password);
        admin.run("ALTER TABLE DetJV DROP COLUMN rowid; ALTER TABLE tblSession DROP COLUMN rowid; "
                  "DROP FUNCTION oru_printf(text, text[]); DROP FUNCTION instr(text, text); "
                  "INSERT INTO DetJV (VouNo, VouStatus) VALUES (3, 'JV'), (1, 'JV'), (2, 'JV'); "
                  "INSERT INTO tblSession (SessionId, SessionName) VALUES (7, 'OLD')");
    }
    db::Connection c;
    c.setProperty("User ID", "sa");
    c.setProperty("Password", "Secret-1");
    c.setProperty("Data Source", folder);
    // A login changes nothing and names the administrator's command.
    EXPECT_DB_ERROR(c.open(),
        QStringLiteral(
            "The database \"%1\" on the PostgreSQL server localhost was made by an earlier version "
            "of the program. Nothing was changed: the administrator brings it up to date with: "
            "oruadmin upgrade %2")
            .arg(database.name(), folder));
    db::server::upgrade(folder);
    c.open();
    db::Recordset rs;
    rs.open("SELECT VouNo FROM DetJV ORDER BY rowid", c);
    QStringList order;
    for (; !rs.eof(); rs.moveNext())
        order << rs.fields(0).toString();
    EXPECT_EQ(order, QStringList({"3", "1", "2"}));
    EXPECT_EQ(c.scalar("SELECT rowid FROM tblSession WHERE SessionName = 'OLD'"), Value(7));
    EXPECT_EQ(c.scalar("SELECT printf('%03d', 5)"), Value("005"));
    EXPECT_EQ(c.scalar("SELECT instr('a.b', '.')"), Value(2));
    rs.open("SELECT * FROM DetJV", c);
    EXPECT_EQ(rs.fieldCount(), 14) << "the rowid stays out of Select *";
}
