// The program's spellings as PostgreSQL reads them, and result column names
// spelled as the program writes them. No server needed.
#include "platform/db/pg_session.h"

#include <gtest/gtest.h>

using db::detail::pgColumnName;
using db::detail::pgDialect;
using db::detail::pgSchema;

TEST(PgDialect, TranslatesTheSpellingsThatDiffer)
{
    const struct {
        const char *sql, *pg;
    } cases[] = {
        {"select strftime('%d-%m-%Y', a.VouDate) as VouDate from MasJV a",
            "select to_char(a.VouDate, 'DD-MM-YYYY') as VouDate from MasJV a"},
        {"select strftime('%Y/%m', ifnull(x, y)) from t", "select to_char(ifnull(x, y), 'YYYY/MM') from t"},
        {"select total(DrAmt) - total(CrAmt) from DetJV",
            "select coalesce(sum(DrAmt), 0) - coalesce(sum(CrAmt), 0) from DetJV"},
        {"select char(65, 66)", "select oru_char(65, 66)"},
        {"select date(?), date(ifnull(a, ?)) as d, cast(b as date)",
            "select CAST(? AS date), CAST(ifnull(a, ?) AS date) as d, cast(b as date)"},
        {"select printf('%d%020d', a Is Not Null, ifnull(b, 0) + 1) || c",
            "select oru_printf('%d%020d', ARRAY[CAST(a Is Not Null AS text), CAST(ifnull(b, 0) + 1 AS "
            "text)]::text[]) "
            "|| c"},
        {"select group_concat(VouDate, ',') from (select VouDate from t order by VouDate)",
            "select string_agg(CAST(VouDate AS text), ',') from (select VouDate from t order by VouDate) AS "
            "oru_from1"},
        {"select group_concat(substr(a, 1, 2))", "select string_agg(CAST(substr(a, 1, 2) AS text), ',')"},
        {"where AcName Like ? ESCAPE '\\' order by AcName",
            "where AcName ILIKE ? COLLATE \"default\" ESCAPE '\\' order by AcName"},
        {"where a not like 'x%'", "where a not ILIKE 'x%' COLLATE \"default\""},
        {"UPDATE t SET a = ? WHERE \"b\" IS ? AND \"c\" IS NOT ?",
            "UPDATE t SET a = ? WHERE \"b\" IS NOT DISTINCT FROM ? AND \"c\" IS DISTINCT FROM ?"},
        {"where x is not (select 1) and y is z and w is not null and v is not distinct from u",
            "where x IS DISTINCT FROM (select 1) and y IS NOT DISTINCT FROM z and w is not null and v is not "
            "distinct from u"},
        // A subquery in FROM needs a name.
        {"select max(n) from (select 1 as n union all select 2) where n > 0",
            "select max(n) from (select 1 as n union all select 2) AS oru_from1 where n > 0"},
        {"select * from (\nselect a from (select a from t)\n) where a = ?",
            "select * from (\nselect a from (select a from t) AS oru_from2\n) AS oru_from1 where a = ?"},
        {"select n from (select 1 as n) x, (select 2) As y",
            "select n from (select 1 as n) x, (select 2) As y"},
        // Left alone: quoted text, names, and what both engines read alike.
        {"select 'strftime(''%d'', x) like ?' as \"total(\" from t where b is null",
            "select 'strftime(''%d'', x) like ?' as \"total(\" from t where b is null"},
        {"select cast(ParentID as char(10)) from t", "select cast(ParentID as char(10)) from t"},
        // A function both engines define.
        {"select substr(n, 1, instr(n || '.', '.') - 1), instr(substr(n, 2), ?)",
            "select substr(n, 1, instr(n || '.', '.') - 1), instr(substr(n, 2), ?)"},
        // Quotes inside a format, and the letters and marks to_char would read.
        {"select strftime('%Y''s %j, %H:%M:%S.%f', d) from t where a is 1",
            "select to_char(d, 'YYYY''\"s\" DDD, HH24:MI:SS.SS.MS') from t where a IS NOT DISTINCT FROM 1"},
        {"select 1 from t where a = (select total(x) from (select x from u) \"q\")",
            "select 1 from t where a = (select coalesce(sum(x), 0) from (select x from u) \"q\")"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pgDialect(QString::fromUtf8(c.sql)), QString::fromUtf8(c.pg)) << c.sql;
}

TEST(PgDialect, RefusesWhatItCannotTranslate)
{
    // Each statement and a word of what the error names.
    const struct {
        const char *sql, *names;
    } cases[] = {
        {"select strftime('%d %W', VouDate) from t", "%W"},
        {"select strftime('%Y%', VouDate) from t", "ending in %"},
        {"select strftime(?, VouDate) from t", "strftime('format', value)"},
        {"select x from t where d > (select strftime('%s', max(d)) from u)", "%s"},
        {"select date(d, '+1 day') from t", "date()"},
        {"select date() from t", "date()"},
        {"select julianday(d) - julianday(?) from t", "julianday()"},
        {"select iif(a > 0, 1, 2) from t", "CASE WHEN"},
        {"select typeof(a) from t", "typeof()"},
        {"select group_concat(distinct a) from t", "DISTINCT"},
        {"select `VouNo` from t", "`VouNo`"},
        {"select a from t where b = :b", ":b"},
        {"select a from t where b = ?2", "?2"},
        {"select a from t where b == ?", "=="},
        {"select a from t where b glob ?", "glob"},
        {"INSERT OR IGNORE INTO t (a) VALUES (?)", "INSERT OR"},
        {"REPLACE INTO t (a) VALUES (?)", "REPLACE INTO"},
        {"PRAGMA user_version", "PRAGMA"},
        {"select count(* from t", "parenthesis"},
    };
    for (const auto &c : cases) {
        try {
            pgDialect(QString::fromUtf8(c.sql));
            ADD_FAILURE() << "translated: " << c.sql;
        } catch (const db::Error &e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.names))) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.sql))) << e.text().toStdString();
        }
    }
    // Refused before anything reaches the server, as the statement is prepared.
    int n = 0;
    EXPECT_THROW(db::detail::pgText(QStringLiteral("select julianday(?)"), &n), db::Error);
    // The same words inside quotes, comments or names are left alone.
    const QString quoted = QStringLiteral("select k[1], 'julianday(x) [a] :b ?2 == glob', \"typeof(\" from t "
                                          "-- iif(\n/* PRAGMA */ where a = ?");
    EXPECT_EQ(pgDialect(quoted), quoted);
}

TEST(PgDialect, SchemaTypesKeysAndRowids)
{
    const struct {
        const char *sql, *pg;
    } cases[] = {
        // A key named RowID is the rowid itself.
        {"CREATE TABLE A (RowID INTEGER PRIMARY KEY AUTOINCREMENT, Amt MONEY, R REAL, Calls integer)",
            "CREATE TABLE A (RowID BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, Amt oru_money, R "
            "DOUBLE "
            "PRECISION, Calls BIGINT)"},
        // An integer key left out of an insert is the largest plus one.
        {"CREATE TABLE tblSession (SessionId INTEGER NOT NULL PRIMARY KEY, Name TEXT)",
            "CREATE TABLE tblSession (SessionId BIGINT NOT NULL PRIMARY KEY DEFAULT "
            "oru.oru_next_key('tblsession', 'sessionid'), Name TEXT, rowid BIGINT GENERATED ALWAYS AS "
            "(SessionId) STORED)"},
        // No integer key: a rowid, the rows' insertion order.
        {"CREATE TABLE DetJV (VouNo INTEGER, Amt MONEY DEFAULT money(0));\nCREATE INDEX i ON DetJV (VouNo);",
            "CREATE TABLE DetJV (VouNo BIGINT, Amt oru_money DEFAULT money(0), rowid BIGINT GENERATED ALWAYS "
            "AS "
            "IDENTITY);\nCREATE INDEX i ON DetJV (VouNo);"},
        {"CREATE TABLE L (A INTEGER, B INTEGER, PRIMARY KEY (A, B))",
            "CREATE TABLE L (A BIGINT, B BIGINT, PRIMARY KEY (A, B), rowid BIGINT GENERATED ALWAYS AS "
            "IDENTITY)"},
        // A work table of the session: no key function, which a database may lack.
        {"Create Temp Table If Not Exists w (LineNo INTEGER NOT NULL PRIMARY KEY, Bal MONEY)",
            "Create Temp Table If Not Exists w (LineNo BIGINT NOT NULL PRIMARY KEY, Bal oru_money, rowid "
            "BIGINT "
            "GENERATED ALWAYS AS (LineNo) STORED)"},
        {"Create Temp Table w (Bal MONEY)",
            "Create Temp Table w (Bal oru_money, rowid BIGINT GENERATED ALWAYS AS IDENTITY)"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(QString::fromUtf8(pgSchema(c.sql)), QString::fromUtf8(c.pg)) << c.sql;
        // Statements made at run time read alike.
        EXPECT_EQ(pgDialect(QString::fromUtf8(c.sql)), QString::fromUtf8(c.pg)) << c.sql;
    }
}

TEST(PgDialect, ColumnNamesAsTheProgramSpellsThem)
{
    QHash<QString, QString> schema;
    db::detail::learnSpellings(QStringLiteral("CREATE TABLE Accounts (RowID INTEGER, AcNodes TEXT, "
                                              "-- OtherName in a comment\n openDate DATE)"),
        &schema);
    const struct {
        const char *folded, *sql, *name;
    } cases[] = {
        {"vouno", "Select a.VouNo, x as FrmDate From MasJV a", "VouNo"},
        {"frmdate", "Select a.VouNo, x as FrmDate From MasJV a", "FrmDate"},
        {"acnodes", "Select * From Accounts", "AcNodes"},
        {"opendate", "select * from accounts", "openDate"},
        {"acstatus", "select acstatus from accounts", "acstatus"},
        {"othername", "select * from accounts", "othername"},
        {"Quoted Alias", "select 1 as \"Quoted Alias\"", "Quoted Alias"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pgColumnName(QString::fromUtf8(c.folded),
                      db::detail::statementWords(QString::fromUtf8(c.sql)), schema),
            QString::fromUtf8(c.name))
            << c.sql;
    // Quoted names of the schema are written folded; other quoted names stay.
    EXPECT_EQ(db::detail::foldKnownNames(
                  QStringLiteral("select * from (select RowID from t) where \"RowID\" = ? and \"AcNodes\" "
                                 "= \"Acnodes\" or \"X.AcNodes\" = 'RowID'"),
                  schema),
        QStringLiteral("select * from (select RowID from t) where \"rowid\" = ? and \"acnodes\" = "
                       "\"Acnodes\" or \"X.AcNodes\" = 'RowID'"));
    EXPECT_TRUE(db::detail::pgSelectsRowid(QStringLiteral("Select rowid, VouNo From DetJV")));
    EXPECT_FALSE(db::detail::pgSelectsRowid(QStringLiteral("Select * From DetJV Order By rowid")));
}
