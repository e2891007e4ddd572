// Schema migrations: applied in order, in place, keeping every row.
#include "platform/db/fixture.h"
#include "platform/db/internal.h"
#include "platform/db/schema.h"

#include <QFile>

using db::schema::Migration;

namespace {

class MigrationTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    db::detail::DatabaseHandle file;
    sqlite3 *h = nullptr;
    void SetUp() override
    {
        ORU_EMBEDDED_ONLY("applies the schema steps to an embedded database file");
        file = db::detail::openFile(tmp.path() + QStringLiteral("/t.db"), true);
        h = file.get();
    }
    std::int64_t count(const char *sql) { return db::detail::scalar(h, QString::fromLatin1(sql)).toInt(); }
};

const Migration v1 {1, "001_first.sql", "CREATE TABLE T (a INTEGER, b VARCHAR(10) COLLATE NOCASE);"};
const Migration v2 {2, "002_second.sql", "ALTER TABLE T ADD COLUMN c MONEY; CREATE TABLE U (x INTEGER);"};
const Migration v3bad {3, "003_bad.sql", "CREATE TABLE V (x INTEGER); INSERT INTO Nowhere VALUES (1);"};

} // namespace

TEST_F(MigrationTest, EarlierDatabaseUpgradesInPlaceKeepingRows)
{
    db::schema::migrate(h, {v1});
    EXPECT_EQ(db::schema::version(h), 1);
    db::detail::exec(h,
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
        "INSERT INTO T SELECT i, 'row' || i FROM n");
    db::schema::migrate(h, {v1, v2});
    EXPECT_EQ(db::schema::version(h), 2);
    EXPECT_EQ(count("SELECT count(*) FROM T"), 500);
    EXPECT_EQ(count("SELECT sum(a) FROM T WHERE b LIKE 'ROW%' AND c IS NULL"), 500 * 501 / 2);
    EXPECT_EQ(count("SELECT count(*) FROM U"), 0);
    db::schema::migrate(h, {v1, v2}); // nothing left to do
    EXPECT_EQ(db::schema::version(h), 2);
}

TEST_F(MigrationTest, AFailingStepAppliesNothing)
{
    db::schema::migrate(h, {v1});
    db::detail::exec(h, "INSERT INTO T VALUES (1, 'kept')");
    try {
        db::schema::migrate(h, {v1, v2, v3bad});
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(e.text(), QStringLiteral("Schema file 003_bad.sql failed: no such table: Nowhere"));
    }
    EXPECT_EQ(db::schema::version(h), 1);
    EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name IN ('U', 'V')"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM T"), 1);
}

TEST_F(MigrationTest, AStepWhoseQueryFindsRowsIsRefusedNamingThemAndAppliesNothing)
{
    // A unique index over rows that repeat: the step's opening query names them.
    const Migration unique {2, "002_unique.sql",
        "-- leading comment\n"
        "SELECT 'Row ' || a || ' is stored ' || count(*) || ' times.' FROM T GROUP BY a HAVING count(*) > 1 "
        "ORDER BY a;\n"
        "CREATE UNIQUE INDEX ux_T_a ON T (a); CREATE TABLE U (x INTEGER);\n-- trailing comment\n"};
    db::schema::migrate(h, {v1});
    db::detail::exec(
        h, "INSERT INTO T (a, b) VALUES (1, 'x'), (2, 'y'), (2, 'z'), (3, 'p'), (3, 'q'), (3, 'r')");
    try {
        db::schema::migrate(h, {v1, unique});
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(e.text(),
            QStringLiteral("The database cannot be upgraded: schema file 002_unique.sql cannot take rows it "
                           "holds. Nothing was changed; correct these rows, then open the database again.\n"
                           "Row 2 is stored 2 times.\nRow 3 is stored 3 times."));
    }
    EXPECT_EQ(db::schema::version(h), 1);
    EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name IN ('U', 'ux_T_a')"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM T"), 6);

    // Once the rows are put right the same step goes through.
    db::detail::exec(h, "DELETE FROM T WHERE b IN ('z', 'q', 'r')");
    db::schema::migrate(h, {v1, unique});
    EXPECT_EQ(db::schema::version(h), 2);
    EXPECT_EQ(count("SELECT count(*) FROM sqlite_master WHERE name IN ('U', 'ux_T_a')"), 2);
}

TEST_F(MigrationTest, NewerDatabaseThanTheProgramIsRefused)
{
    db::schema::migrate(h, {v1, v2});
    try {
        db::schema::migrate(h, {v1});
        FAIL();
    } catch (const db::Error &e) {
        EXPECT_EQ(e.text(),
            QStringLiteral("The database has schema version 2, newer than this program knows (1). "
                           "Use the newer program."));
    }
    EXPECT_THROW(db::schema::migrate(h, {v2, v1}), db::Error); // out of order
    EXPECT_THROW(db::schema::migrate(h, {v2}), db::Error); // a gap: 1 is missing
}

TEST(Schema, EmbeddedFilesAreNumberedWithoutGaps)
{
    int expected = 1;
    for (const db::schema::Migration &m : db::schema::migrations())
        EXPECT_EQ(m.version, expected++) << m.file;
}

TEST(Schema, TwoSubsystemsCannotRegisterOneNumber)
{
    const std::vector<Migration> before = db::schema::migrations();
    ASSERT_FALSE(before.empty());
    db::registerMigrations({before.front()}); // registering again is harmless
    EXPECT_DB_ERROR(db::registerMigrations({{1, "001_other.sql", "CREATE TABLE Other (x INTEGER);"}}),
        QStringLiteral("Schema files %1 and 001_other.sql have the same number.")
            .arg(QLatin1String(before.front().file)));
    EXPECT_EQ(db::schema::migrations().size(), before.size());
}

TEST_F(ServerTest, OpeningADatabaseOfAnEarlierBuildUpgradesIt)
{
    ORU_EMBEDDED_ONLY("writes an earlier build's database file");
    // ORU.db as an earlier build left it: version 0, with rows of its own.
    const QString file = server + QStringLiteral("/ORU.db");
    ASSERT_TRUE(QFile::remove(file));
    db::detail::exec(db::detail::openFile(file, true).get(),
        "CREATE TABLE Legacy (id INTEGER PRIMARY KEY, name VARCHAR(20));"
        "INSERT INTO Legacy (name) VALUES ('one'), ('two'), ('three');");

    db::Connection c;
    connect(c);
    EXPECT_EQ(db::databaseVersion(c), db::schemaVersion());
    EXPECT_GE(db::schemaVersion(), 1);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Legacy")).toInt(), 3);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Company")).toInt(), 0);
    EXPECT_EQ(db::schema::migrations().front().version, 1);
    EXPECT_STREQ(db::schema::migrations().front().file, "001_shell.sql");
}
