// The selection's conditions that SQL can say narrow the report's query,
// and the report selects exactly the rows it selected without them.
#include "platform/report/report.h"
#include "support/testserver.h"

#include <sqlite3.h>

namespace {

// Records what the engine asks of the database; `describes` false stands for
// a source that cannot tell its columns, so the whole selection runs on
// every fetched row.
class Recording : public report::DataSource {
public:
    Recording(db::Connection &conn, bool describes)
        : m_inner(std::shared_ptr<db::Connection>(&conn, [](db::Connection *) {}))
        , m_describes(describes)
    {
    }
    std::unique_ptr<report::RowSet> fetch(const QString &sql, const db::Params &params) override
    {
        auto rows = m_inner.fetch(sql, params);
        fetched += rows->rowCount();
        lastSql = sql;
        return rows;
    }
    std::vector<db::Column> describe(const QString &sql) override
    {
        if (!m_describes)
            return {};
        std::vector<db::Column> cols = m_inner.describe(sql);
        if (!origins)
            for (db::Column &c : cols)
                c.table = c.origin = QString();
        return cols;
    }
    // False: no column's origin is told, as a server tells none through a compound subquery.
    bool origins = true;
    int fetched = 0;
    QString lastSql;

private:
    report::ConnectionSource m_inner;
    bool m_describes;
};

const char *const definition = R"(<report name="rptTstLines">
  <data><query>
    select l.LineID, l.VouNo, l.VouStatus, l.AcCode, l.VouDate, l.DrAmt, l.CrAmt, l.Naration,
           upper(l.Naration) as "TstLine.Shout", a.AcName
    from TstLine l left join TstAccount a on a.RowID = l.AcCode
    order by l.LineID
  </query></data>
  <details height="5">
    <field x="0" width="10">{TstLine.LineID}</field>
    <field x="10" width="40">{TstLine.Naration}</field>
    <field x="50" width="40">{TstAccount.AcName}</field>
  </details>
</report>)";

class Pushdown : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        exec("create table TstAccount (RowID INTEGER PRIMARY KEY, AcName VARCHAR(50) COLLATE NOCASE)");
        exec("create table TstLine (LineID INTEGER PRIMARY KEY, VouNo INTEGER, VouStatus VARCHAR(2) COLLATE "
             "NOCASE, VouDate DATE, AcCode INTEGER, DrAmt MONEY, CrAmt MONEY, Naration VARCHAR(100) COLLATE "
             "NOCASE)");
        exec("insert into TstAccount values (5, 'CASH'), (7, 'FEES')");
        const char *lines[][7] = {
            {"1", "CP", "2009-01-05", "5", "0", "150.25", "STATIONERY"},
            {"1", "CP", "2009-01-05", "7", "150.25", "0", "STATIONERY"},
            {"2", "CP", "31/01/2009", "5", "0", "0.10", "POSTAGE"},
            {"2", "CP", "31/01/2009", "7", "0.10", "0", "100% OFF_X"},
            {"3", "cp", "2009-02-01", "5", "0", "1000", "TEA"},
            {"1", "BR", "2009-01-10", "7", "1000", "0", "Émile"},
            {"9", "CP", "2008-12-31", "5", "0", "99", nullptr},
        };
        for (const auto &l : lines)
            exec("insert into TstLine (VouNo, VouStatus, VouDate, AcCode, DrAmt, CrAmt, Naration) "
                 "values (?, ?, ?, ?, ?, ?, ?)",
                {l[0], l[1], l[2], l[3], db::Money::parse(QString::fromLatin1(l[4])),
                    db::Money::parse(QString::fromLatin1(l[5])),
                    l[6] ? db::Value(QString::fromUtf8(l[6])) : db::Value()});
    }

    struct Run {
        QStringList lines;
        int fetched = 0;
        QString sql;
    };
    Run run(const QString &selection, bool describes)
    {
        auto rpt = report::Report::fromText(QString::fromUtf8(definition), "pushdown");
        auto source = std::make_shared<Recording>(conn(), describes);
        rpt->setDataSource(source);
        rpt->setRecordSelectionFormula(selection);
        Run r;
        r.lines = rpt->render().allLines();
        r.fetched = source->fetched;
        r.sql = source->lastSql;
        return r;
    }
};

TEST_F(Pushdown, TheQueryFetchesOnlyWhatTheSelectionCanTakeAndTheResultStaysTheSame)
{
    struct Case {
        QString selection;
        int fetched; // 7: nothing could be said in SQL
        QStringList ids;
    };
    const QList<Case> cases = {
        {"{TstLine.VouNo} = 1 and {TstLine.VouStatus} = 'cp'", 2, {"1", "2"}},
        {"1 = {TstLine.VouNo} and 'CP' = {TstLine.VouStatus}", 2, {"1", "2"}},
        {"{TstLine.VouStatus} <> 'CP'", 1, {"6"}},
        {"{TstLine.VouDate} in #2009-01-01# to #2009-01-31#", 5, {"1", "2", "3", "4", "6"}},
        {"{TstLine.VouDate} < #2009-01-05#", 1, {"7"}},
        {"{TstLine.DrAmt} > 0.10", 2, {"2", "6"}},
        {"{TstLine.CrAmt} >= 1000 and {TstLine.CrAmt} <= 1000.00", 1, {"5"}},
        {"{TstLine.VouNo} > -1 and {TstLine.VouNo} < 2", 3, {"1", "2", "6"}},
        {"{TstLine.Naration} like '*ta*'", 3, {"1", "2", "3"}},
        {"{TstLine.Naration} like '100%*'", 1, {"4"}},
        {"{TstLine.Naration} like '*_X'", 1, {"4"}},
        {"IsNull({TstLine.Naration})", 1, {"7"}},
        {"{TstAccount.AcName} = 'fees'", 3, {"2", "4", "6"}},
        // Part of it said in SQL, the rest decided on the fetched rows.
        {"{TstLine.VouNo} = 1 and Trim({TstLine.Naration}) = 'STATIONERY' and {TstLine.AcCode} = 7", 2,
            {"2"}},
        // Nothing SQL may say the same way: all rows, the formula decides.
        {"{TstLine.VouNo} = 1 or {TstLine.VouNo} = 2", 7, {"1", "2", "3", "4", "6"}},
        {"not ({TstLine.VouNo} = 1)", 7, {"3", "4", "5", "7"}},
        {"{TstLine.Naration} = 'émile'", 7, {"6"}},
        {"{TstLine.Shout} = 'TEA'", 7, {"5"}},
        {"{TstLine.VouStatus} > 'BR'", 7, {"1", "2", "3", "4", "5", "7"}},
        {"{TstLine.VouNo} = '1'", 7, {"1", "2", "6"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.selection.toStdString());
        const Run narrowed = run(c.selection, true);
        const Run whole = run(c.selection, false);
        EXPECT_EQ(whole.fetched, 7);
        EXPECT_EQ(narrowed.lines, whole.lines);
        EXPECT_EQ(narrowed.fetched, c.fetched) << narrowed.sql.toStdString();
        QStringList ids;
        for (const QString &l : narrowed.lines)
            ids << l.section(" | ", 0, 0);
        EXPECT_EQ(ids, c.ids);
    }
}

TEST_F(Pushdown, AVoucherIsFoundThroughItsIndex)
{
    exec("create index ix_TstLine_Voucher on TstLine (VouStatus, VouNo)");
    const Run r = run("{TstLine.VouNo} = 2 and {TstLine.VouStatus} = 'CP'", true);
    db::Recordset plan;
    plan.open("explain query plan " + r.sql, conn(), {2, "CP"});
    QStringList steps;
    for (; !plan.eof(); plan.moveNext())
        steps << plan.fields(3).toString();
    EXPECT_TRUE(steps.filter("SEARCH l USING INDEX ix_TstLine_Voucher").size() == 1)
        << steps.join('\n').toStdString();
}

// A book-like report over a compound subquery, its columns named by the
// table they stand for.
const char *const compound = R"(<report name="rptTstBook">
  <data><query>
    select x.LineID as "TstLine.LineID", x.AcCode as "TstLine.AcCode", x.VouDate as "TstLine.VouDate",
           x.Kind as "TstLine.VouStatus", x.Amount as "TstLine.DrAmt", x.Shout as "TstLine.Naration"
    from (select a.RowID as LineID, a.RowID as AcCode, '2000-01-01' as VouDate, null as Kind, 0 as Amount,
                 a.AcName as Shout
          from TstAccount a
          union all
          select l.LineID, l.AcCode, l.VouDate, l.VouStatus, l.DrAmt, upper(l.Naration)
          from TstLine l where l.DrAmt > 0
          union all
          select LineID, AcCode, VouDate, 'XX', CrAmt, Naration from TstLine where CrAmt > 0) x
    order by x.LineID, x.AcCode
  </query></data>
  <details height="5">
    <field x="0" width="10">{TstLine.LineID}</field>
    <field x="10" width="20">{TstLine.VouStatus}</field>
    <field x="30" width="40">{TstLine.Naration}</field>
  </details>
</report>)";

TEST_F(Pushdown, ColumnsStoredInEveryPartOfACompoundAreNarrowedWithoutTheirOrigin)
{
    struct Case {
        QString selection;
        int fetched; // 9: nothing could be said in SQL
    };
    const QList<Case> cases = {
        {"{TstLine.AcCode} = 7", 4},
        {"{TstLine.VouDate} < #2009-01-05#", 3},
        {"{TstLine.DrAmt} >= 1000", 2},
        {"IsNull({TstLine.VouStatus})", 2},
        {"{TstLine.AcCode} = 5 and {TstLine.VouDate} in #2009-01-01# to #2009-12-31#", 3},
        {"{TstLine.VouStatus} = 'XX'", 4},
        // Computed in one part: decided on the fetched rows.
        {"{TstLine.Naration} = 'TEA'", 9},
        {"{TstLine.Naration} like 'tea*' and {TstLine.LineID} > 4", 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.selection.toStdString());
        Run rs[3];
        for (int k = 0; k < 3; ++k) {
            auto rpt = report::Report::fromText(QString::fromUtf8(compound), "compound");
            auto source = std::make_shared<Recording>(conn(), k < 2);
            source->origins = k == 0;
            rpt->setDataSource(source);
            rpt->setRecordSelectionFormula(c.selection);
            rs[k].lines = rpt->render().allLines();
            rs[k].fetched = source->fetched;
            rs[k].sql = source->lastSql;
        }
        EXPECT_EQ(rs[2].fetched, 9);
        EXPECT_FALSE(rs[2].lines.isEmpty());
        EXPECT_EQ(rs[0].lines, rs[2].lines);
        EXPECT_EQ(rs[1].lines, rs[2].lines);
        EXPECT_EQ(rs[1].fetched, c.fetched) << rs[1].sql.toStdString();
    }
}

} // namespace
