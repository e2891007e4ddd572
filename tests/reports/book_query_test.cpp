// The cash and bank books read only the book's rows of the period, and the
// balance brought forward only the account's earlier rows, on either engine:
// the selection reaches the server through the books' compound queries.
#include "platform/report/report.h"
#include "reports/fixture.h"

#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <functional>

namespace {

// What the engine asks of the database; a source that does not describe its
// columns stands for one where nothing is said in SQL.
class Recording : public report::DataSource {
public:
    Recording(db::Connection &conn, bool describes)
        : m_inner(std::shared_ptr<db::Connection>(&conn, [](db::Connection *) {}))
        , m_describes(describes)
    {
    }
    struct Fetch {
        QString sql;
        db::Params params;
        int rows = 0;
    };
    std::unique_ptr<report::RowSet> fetch(const QString &sql, const db::Params &params) override
    {
        auto rows = m_inner.fetch(sql, params);
        fetches.push_back({sql, params, rows->rowCount()});
        if (afterFetch)
            afterFetch(fetches.back());
        return rows;
    }
    // Run after each fetch: another copy's write between two parts.
    std::function<void(const Fetch &)> afterFetch;
    std::vector<db::Column> describe(const QString &sql) override
    {
        return m_describes ? m_inner.describe(sql) : std::vector<db::Column> {};
    }
    const Fetch &of(const char *marker) const
    {
        for (const Fetch &f : fetches)
            if (f.sql.contains(QLatin1String(marker)))
                return f;
        static const Fetch none;
        return none;
    }
    std::vector<Fetch> fetches;

private:
    report::ConnectionSource m_inner;
    bool m_describes;
};

class BookQuery : public ReportsFixture {
protected:
    struct Printed {
        QStringList lines;
        std::shared_ptr<Recording> source;
    };
    // The book as the report window prints it.
    Printed book(std::int64_t account, bool describes)
    {
        const QString a = QString::number(account);
        auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/rptAcLedger3.rpt"));
        auto source = std::make_shared<Recording>(conn(), describes);
        rpt->setDataSource(source);
        rpt->setRecordSelectionFormula("{Company.comActive}='Y' and {DetJV.CrAc} = " + a
            + " and {DetJV.VouDate} in #2024-03-01# to #2024-03-31#");
        rpt->openSubreport("rptSubAc").setRecordSelectionFormula("{Accounts.RowID} = " + a);
        rpt->openSubreport("rptSubOpening")
            .setRecordSelectionFormula("{DetJV.AcCode} = " + a + " and {DetJV.VouDate} < #2024-03-01#");
        rpt->openSubreport("rptSubAcOpen").setRecordSelectionFormula("{Accounts.RowID}  = " + a);
        return {rpt->render().allLines(), source};
    }
    static bool has(const db::Params &params, const db::Value &v)
    {
        for (const db::Value &p : params)
            if (p.type() == v.type() && p.toString() == v.toString())
                return true;
        return false;
    }
};

TEST_F(BookQuery, TheBooksStatementsCarryTheAccountAndTheDatesAndTheBooksStayTheSame)
{
    postVouchers();
    // Other accounts' rows in and around the period, which the books must not fetch.
    master("BP", 2, "2024-03-15", "7");
    paired("BP", 2, "2024-03-15", 1, tea, fees, "7.00", "OTHER");
    for (const std::int64_t account : {hbl, cash}) {
        SCOPED_TRACE(account == hbl ? "bank book" : "cash book");
        const Printed narrowed = book(account, true);
        const Printed whole = book(account, false);
        EXPECT_EQ(narrowed.lines, whole.lines);
        ASSERT_FALSE(narrowed.lines.filter("Closing Balance").isEmpty());

        // The book's rows come a part of the period at a time, each part
        // the book's query for its dates; together they cover the period once.
        std::vector<const Recording::Fetch *> parts;
        for (const Recording::Fetch &f : narrowed.source->fetches)
            if (f.sql.contains("x.Book"))
                parts.push_back(&f);
        ASSERT_FALSE(parts.empty());
        int partRows = 0;
        QDate next(2024, 3, 1);
        for (const Recording::Fetch *part : parts) {
            EXPECT_TRUE(part->sql.contains("\"DetJV.CrAc\" = ?")) << part->sql.toStdString();
            EXPECT_TRUE(part->sql.contains("\"DetJV.VouDate\" BETWEEN ? AND ?")) << part->sql.toStdString();
            EXPECT_TRUE(has(part->params, db::Value(static_cast<long long>(account))));
            QList<QDate> dates;
            for (const db::Value &p : part->params)
                if (p.type() == db::Type::Date)
                    dates << p.toDate();
            ASSERT_EQ(dates.size(), 2);
            EXPECT_EQ(dates[0], next);
            next = dates[1].addDays(1);
            partRows += part->rows;
        }
        EXPECT_EQ(next, QDate(2024, 4, 1));
        EXPECT_LT(partRows, whole.source->of("x.Book").rows);

        const Recording::Fetch &opening = narrowed.source->of("IsOpening");
        EXPECT_TRUE(opening.sql.contains("\"DetJV.AcCode\" = ?")) << opening.sql.toStdString();
        EXPECT_TRUE(opening.sql.contains("\"DetJV.VouDate\" < ?")) << opening.sql.toStdString();
        EXPECT_TRUE(has(opening.params, db::Value(static_cast<long long>(account))));
        EXPECT_TRUE(has(opening.params, db::Value(QDate(2024, 3, 1))));
        // Only the account's own rows come back: its opening row and what
        // it moved before March, as the months the journal keeps totals of.
        const QString earlier = QString::number(
            scalar("select count(*) from AcMonthBal where AcCode = ? and YearMonth < 202403", {account})
                .toInt());
        EXPECT_EQ(QString::number(opening.rows - 1), earlier);
    }
}

TEST_F(BookQuery, ABooksFirstPageIsLaidOutBeforeItsLaterRowsAreFetched)
{
    // A year of cash payments, one every day.
    QDate d(2024, 1, 1);
    for (int no = 1; d.year() == 2024; ++no, d = d.addDays(1)) {
        const QByteArray date = d.toString(Qt::ISODate).toLatin1();
        master("CP", no, date.constData(), "10");
        row("CP", no, date.constData(), 1, rent, cash, "10.00", "0", "RENT");
        row("CP", no, date.constData(), 2, cash, {}, "0", "10.00");
    }
    auto print = [&](bool describes, int *fetchesAtFirstPage) {
        auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/rptAcLedger3.rpt"));
        auto source = std::make_shared<Recording>(conn(), describes);
        rpt->setDataSource(source);
        rpt->setRecordSelectionFormula("{Company.comActive}='Y' and {DetJV.CrAc} = " + QString::number(cash)
            + " and {DetJV.VouDate} in #2024-01-01# to #2024-12-31#");
        std::vector<double> done;
        const QStringList lines
            = rpt->render([&](const std::shared_ptr<const report::Document> &, double share) {
                     if (done.empty())
                         *fetchesAtFirstPage = int(source->fetches.size());
                     done.push_back(share);
                     return true;
                 })
                  .allLines();
        EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
        EXPECT_LT(done.front(), 0.5);
        return std::make_pair(lines, int(source->fetches.size()));
    };
    int early = 0, unused = 0;
    const auto [parted, fetches] = print(true, &early);
    const auto [whole, once] = print(false, &unused);
    EXPECT_EQ(parted, whole);
    EXPECT_GT(parted.filter("Page 1 of ").size(), 0);
    EXPECT_LT(early, fetches);
    EXPECT_EQ(once, 4); // the book and its three subreports
}

TEST_F(BookQuery, ALedgersFirstPageIsLaidOutBeforeItsLaterLinesAreFetched)
{
    // A year of cash payments, one every day: 366 lines of the cash ledger.
    QDate d(2024, 1, 1);
    for (int no = 1; d.year() == 2024; ++no, d = d.addDays(1)) {
        const QByteArray date = d.toString(Qt::ISODate).toLatin1();
        master("CP", no, date.constData(), "10");
        row("CP", no, date.constData(), 1, rent, cash, "10.00", "0", "RENT");
        row("CP", no, date.constData(), 2, cash, {}, "0", "10.00");
    }
    gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2024,31,12,2024"), {cash});
    auto print = [&](bool describes, int *fetchesAtFirstPage,
                     std::function<void(const Recording::Fetch &)> afterFetch = {}) {
        auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/rptAcLedger.rpt"));
        auto source = std::make_shared<Recording>(conn(), describes);
        source->afterFetch = std::move(afterFetch);
        rpt->setDataSource(source);
        rpt->openSubreport("rptSubAC")
            .setRecordSelectionFormula("{Accounts.RowID} = " + QString::number(cash));
        std::vector<double> done;
        const QStringList lines
            = rpt->render([&](const std::shared_ptr<const report::Document> &, double share) {
                     if (done.empty())
                         *fetchesAtFirstPage = int(source->fetches.size());
                     done.push_back(share);
                     return true;
                 })
                  .allLines();
        EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
        return std::make_pair(lines, source->fetches);
    };
    int early = 0, unused = 0;
    const auto [parted, fetches] = print(true, &early);
    const auto [whole, once] = print(false, &unused);
    EXPECT_EQ(parted, whole);
    ASSERT_GT(parted.filter("31-12-2024").size(), 0);
    // The lines after the first ones are read once, after the first page.
    int rest = -1;
    for (size_t i = 0; i < fetches.size(); ++i)
        if (fetches[i].sql.contains("\"LineNo\" > ?"))
            rest = int(i);
    ASSERT_GE(rest, early);
    EXPECT_LT(fetches[size_t(rest)].rows, 367);
    EXPECT_EQ(once.size(), 2u); // the ledger and its account

    // A line taken away after the first part was read (as a write of
    // another copy would) loses no later line and doubles none: the rest
    // is cut by the key, not counted.
    int unusedToo = 0;
    const auto [changed, ignored] = print(true, &unusedToo, [&](const Recording::Fetch &f) {
        if (f.sql.contains("\"LineNo\" <= ?"))
            gConn->execute(QStringLiteral("delete from rptLedger where LineNo = 5"));
    });
    EXPECT_EQ(changed, whole);
}

// A long query in its key's order is read in blocks cut by the key: a run
// of equal keys is never split, a run longer than a block is read alone,
// and the pages are those of the query read whole.
TEST_F(BookQuery, ALongReportIsReadInBlocksThatNeverSplitAKeysRun)
{
    gConn->execute(QStringLiteral("Create Temp Table KeyRuns (K INTEGER, N INTEGER)"));
    // Runs of three keys, one run of 5,001 rows (key 4000), 12,000 rows in all.
    gConn->execute(QStringLiteral(
        "Insert Into KeyRuns (K, N) With Recursive c(i) As (Select 1 Union All Select i + 1 From c "
        "Where i < 12000) Select Case When i Between 4001 And 9000 Then 4000 Else i / 3 End, i From c"));
    auto print = [&](bool describes) {
        auto rpt = report::Report::fromText(QStringLiteral(R"(<report margins="10">
          <data><query>select K, N from KeyRuns order by K, N</query></data>
          <runningTotal name="Run">{KeyRuns.N}</runningTotal>
          <details height="5">
            <field x="0" width="30">{KeyRuns.K}</field>
            <field x="30" width="30">{KeyRuns.N}</field>
            <field x="60" width="30">{#Run}</field>
          </details>
          <reportFooter height="6"><summary x="0" width="40">{KeyRuns.N}</summary></reportFooter>
        </report>)"),
            QStringLiteral("runs.rpt"));
        auto source = std::make_shared<Recording>(conn(), describes);
        rpt->setDataSource(source);
        return std::make_pair(rpt->render().allLines(), source->fetches);
    };
    const auto [parted, fetches] = print(true);
    const auto [whole, once] = print(false);
    ASSERT_EQ(once.size(), 1u);
    EXPECT_EQ(parted, whole);
    int blocks = 0, longRun = 0;
    for (const Recording::Fetch &f : fetches) {
        EXPECT_LE(f.rows, 5001) << f.sql.toStdString();
        blocks += f.sql.contains("\"K\" > ?") ? 1 : 0;
        longRun += f.sql.contains("\"K\" = ?") && f.rows == 5001 ? 1 : 0;
    }
    EXPECT_GE(blocks, 3);
    EXPECT_EQ(longRun, 1);
}

// A ledger longer than its first part, printed as the report window prints
// it (one moment from before its procedure to its last page), while another
// copy saves vouchers: one dated among its first lines, one among the lines
// written as it is read. Neither shows until the next printout.
TEST_F(BookQuery, ALedgerReadWhileAnotherCopySavesShowsTheBooksOfOneMoment)
{
    {
        db::Transaction tx(*gConn);
        QDate d(2021, 1, 1);
        for (int no = 1; no <= 1200; ++no, d = d.addDays(1)) {
            const QByteArray date = d.toString(Qt::ISODate).toLatin1();
            master("CP", no, date.constData(), "10");
            row("CP", no, date.constData(), 1, rent, cash, "10.00", "0", "RENT");
            row("CP", no, date.constData(), 2, cash, {}, "0", "10.00");
        }
        tx.commit();
    }
    const std::unique_ptr<db::Connection> other = otherCopy();
    auto print = [&](const std::function<void()> &meanwhile) {
        db::Connection::ReadSnapshot moment(*gConn);
        gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2021,31,12,2024"), {cash});
        meanwhile();
        auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/rptAcLedger.rpt"));
        rpt->setDataSource(std::make_shared<Recording>(conn(), true));
        rpt->openSubreport("rptSubAC")
            .setRecordSelectionFormula("{Accounts.RowID} = " + QString::number(cash));
        return rpt->render().allLines();
    };
    const QStringList before = print([] {});
    ASSERT_GT(before.filter("31-12-2021").size(), 0);
    const QStringList during = print([&] {
        int no = 5000;
        for (const char *date : {"2021-02-01", "2024-06-01"}) {
            ++no;
            other->execute(QStringLiteral("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount, Login) "
                                          "Values (?, 'CR', ?, ?, 'sa')"),
                {no, date, money("77.00")});
            other->execute(
                QStringLiteral("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, "
                               "DrAmt, CrAmt, ChecqNo, Naration) Values (?, 'CR', ?, 1, ?, Null, ?, ?, "
                               "'', 'SAVED MEANWHILE')"),
                {no, date, cash, money("77.00"), money("0")});
        }
    });
    EXPECT_EQ(during, before);
    EXPECT_EQ(print([] {}).filter("SAVED MEANWHILE").size(), 2);
}

// The book's rows read as three queries, one per kind of row: postings that
// name an opposite account, the lines of a total row they add up to, and a
// total row whose lines do not. The book's query must give the same rows in
// the same order with the same values.
const char *const kRowsByKind = R"(
      select x.VouNo as "DetJV.VouNo", x.VouStatus as "DetJV.VouStatus", x.VouDate as "DetJV.VouDate",
             x.EntryNo as "DetJV.EntryNo", x.Opp as "DetJV.AcCode", x.Book as "DetJV.CrAc",
             x.Payment as "DetJV.DrAmt", x.Receipt as "DetJV.CrAmt",
             x.ChecqNo as "DetJV.ChecqNo", x.Naration as "DetJV.Naration", a.AcName as "Accounts.AcName",
             c.Company as "Company.Company", c.comActive as "Company.comActive"
      from (select o.AcCode as Book, o.CrAc as Opp, o.VouNo, o.VouStatus, o.VouDate, o.EntryNo,
                   o.rowid as rid, o.DrAmt as Receipt, o.CrAmt as Payment, o.ChecqNo, o.Naration
            from DetJV o
            where o.CrAc is not null and ifnull(o.VouStatus, '') <> 'CF'
            union all
            select o.AcCode, l.AcCode, o.VouNo, o.VouStatus, o.VouDate, l.EntryNo,
                   l.rowid, l.CrAmt, l.DrAmt, l.ChecqNo, l.Naration
            from DetJV o
                 join DetJV l on l.VouStatus = o.VouStatus and l.VouNo = o.VouNo and l.CrAc = o.AcCode
            where o.CrAc + 0 is null and ifnull(o.VouStatus, '') <> 'CF'
              and ifnull(o.CrAmt, 0) - ifnull(o.DrAmt, 0)
                  = (select sum(ifnull(k.DrAmt, 0) - ifnull(k.CrAmt, 0)) from DetJV k
                     where k.VouStatus = o.VouStatus and k.VouNo = o.VouNo and k.CrAc = o.AcCode)
            union all
            select o.AcCode, null, o.VouNo, o.VouStatus, o.VouDate, o.EntryNo,
                   o.rowid, o.DrAmt, o.CrAmt, o.ChecqNo, o.Naration
            from DetJV o
            where o.CrAc + 0 is null and ifnull(o.VouStatus, '') <> 'CF'
              and ifnull(o.CrAmt, 0) - ifnull(o.DrAmt, 0)
                  is not (select sum(ifnull(k.DrAmt, 0) - ifnull(k.CrAmt, 0)) from DetJV k
                          where k.VouStatus = o.VouStatus and k.VouNo = o.VouNo and k.CrAc = o.AcCode)) x
           left join Accounts a on a.RowID = x.Opp
           cross join Company c
      order by x.VouDate, x.VouStatus, x.VouNo, x.EntryNo, x.rid)";

// The text of a report file's first query.
QString firstQuery(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&f);
    while (xml.readNextStartElement() || !xml.atEnd())
        if (xml.isStartElement() && xml.name() == u"query")
            return xml.readElementText();
    return {};
}

TEST_F(BookQuery, TheBooksQueryGivesTheRowsOfEachKindAsTheyWereReadApart)
{
    postVouchers();
    // CP 3: its lines (20 and 5) do not add up to its total row (30).
    master("CP", 3, "2024-03-12", "30");
    row("CP", 3, "2024-03-12", 1, rent, cash, "20.00", "0", "SHORT");
    row("CP", 3, "2024-03-12", 2, tea, cash, "5.00", "0", "SHORT TEA");
    row("CP", 3, "2024-03-12", 3, cash, {}, "0", "30.00", "SHORT TOTAL");
    // CP 4 paid from the bank: the bank's total row and its line.
    master("CP", 4, "2024-03-12", "8");
    row("CP", 4, "2024-03-12", 1, tea, hbl, "8.00", "0", "BY BANK");
    row("CP", 4, "2024-03-12", 2, hbl, {}, "0", "8.00");
    // CP 5: two total rows, neither matching the lines' 40 alone.
    master("CP", 5, "2024-03-20", "40");
    row("CP", 5, "2024-03-20", 1, rent, cash, "40.00", "0", "SPLIT");
    row("CP", 5, "2024-03-20", 2, cash, {}, "0", "25.00");
    row("CP", 5, "2024-03-20", 3, cash, {}, "0", "15.00");
    // CR 2: a total row no line names, and a line of an empty amount.
    master("CR", 2, "2024-03-21", "9");
    row("CR", 2, "2024-03-21", 1, fees, hbl, "0", "9.00", "ELSEWHERE");
    row("CR", 2, "2024-03-21", 2, cash, {}, "9.00", "0", "ALONE");
    exec(QStringLiteral("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, "
                        "Naration) Values (2, 'CR', '2024-03-21', 3, ?, ?, Null, ?, 'NO DEBIT')"),
        {fees, cash, money("0")});
    // CR 3: a total row alone, with no lines at all.
    master("CR", 3, "2024-03-22", "6");
    row("CR", 3, "2024-03-22", 1, cash, {}, "6.00", "0", "NO LINES");
    // Carried forward: credit-only rows, with and without an opposite account.
    row("CF", 1, "2024-03-25", 1, cash, {}, "0", "70.00", "CARRIED");
    row("CF", 1, "2024-03-25", 2, fees, cash, "0", "70.00", "CARRIED");

    const QString book = firstQuery(QStringLiteral(ORU_REPORTS_DIR "/rptAcLedger3.rpt"));
    ASSERT_TRUE(book.contains("x.Book")) << book.toStdString();
    const QString byKind = QString::fromLatin1(kRowsByKind);
    auto narrowed = [](const QString &q) {
        return QStringLiteral("select * from (\n") + q
            + QStringLiteral("\n) where \"DetJV.CrAc\" = ? and \"DetJV.VouDate\" BETWEEN ? AND ? "
                             "and \"Company.comActive\" = 'Y'");
    };
    // Unnarrowed, rows of different books (and companies) tie in the order:
    // the same rows, in whatever order. One book's rows come in one order.
    auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    const QStringList all = sorted(rows(byKind));
    ASSERT_GT(all.size(), 15);
    EXPECT_EQ(sorted(rows(book)), all);
    for (const std::int64_t account : {cash, hbl, rent, tea, fees}) {
        SCOPED_TRACE(account);
        for (const auto &[from, to] : {std::pair(QDate(2024, 1, 1), QDate(2024, 12, 31)),
                 std::pair(QDate(2024, 3, 12), QDate(2024, 3, 21))}) {
            const db::Params p {account, from, to};
            EXPECT_EQ(rows(narrowed(book), p), rows(narrowed(byKind), p));
        }
    }
    // The total rows of the short, split, lone and line-less vouchers stand
    // in the cash book as they are; a matching voucher's lines stand for it.
    const QStringList cashBook = rows(narrowed(book), {cash, QDate(2024, 1, 1), QDate(2024, 12, 31)});
    EXPECT_EQ(cashBook.filter("SHORT TOTAL").size(), 1);
    EXPECT_EQ(cashBook.filter("SHORT").size(), 1);
    EXPECT_EQ(cashBook.filter("|CP|2024-03-20|").size(), 2);
    EXPECT_EQ(cashBook.filter("ALONE").size(), 1);
    EXPECT_EQ(cashBook.filter("NO LINES").size(), 1);
    EXPECT_EQ(cashBook.filter("MARCH RENT").size(), 1);
    EXPECT_EQ(cashBook.filter("CARRIED").size(), 0);
}

} // namespace
