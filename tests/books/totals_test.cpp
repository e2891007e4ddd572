// The totals the journal keeps per account, month and kind always equal the
// postings added up afresh, whatever wrote, rewrote or removed them.
#include "books/journal.h"
#include "shell/admin_rules.h"
#include "support/testengine.h"
#include "support/testserver.h"

#include <QStringList>

#include <functional>
#include <limits>

using namespace books;

namespace {

class Totals : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        addAccount(QStringLiteral("1"), QStringLiteral("ASSETS"), QStringLiteral("HH"));
        addAccount(QStringLiteral("1.1"), QStringLiteral("CURRENT"), QStringLiteral("HD"));
        cash = addAccount(QStringLiteral("1.1.1"), QStringLiteral("CASH"), QStringLiteral("DD"));
        bank = addAccount(QStringLiteral("1.1.2"), QStringLiteral("BANK"), QStringLiteral("DD"));
        student = addAccount(QStringLiteral("1.1.3"), QStringLiteral("STUDENT"), QStringLiteral("DD"));
        rent = addAccount(QStringLiteral("1.1.4"), QStringLiteral("RENT"), QStringLiteral("DD"));
        tea = addAccount(QStringLiteral("1.1.5"), QStringLiteral("TEA"), QStringLiteral("DD"));
    }

    static Line line(std::int64_t debit, std::int64_t credit, const char *amount)
    {
        Line l;
        l.debit = debit;
        l.credit = credit;
        l.amount = db::Money::parse(QString::fromLatin1(amount));
        return l;
    }
    static Entry entry(const char *kind, QDate date, std::vector<Line> lines, std::int64_t number = 0)
    {
        Entry e;
        e.kind = kindNamed(QString::fromLatin1(kind));
        e.number = number;
        e.date = date;
        e.login = QStringLiteral("CLERK");
        e.lines = std::move(lines);
        return e;
    }

    // The kept cells that hold an amount, beside the postings added up by
    // account, month and kind; carry-forward rows and undated rows count in
    // no balance.
    QStringList kept()
    {
        return rows(QStringLiteral("Select AcCode, YearMonth, VouStatus, money(DrAmt), money(CrAmt) "
                                   "From AcMonthBal Where DrAmt <> 0 Or CrAmt <> 0 "
                                   "Order By AcCode, YearMonth, VouStatus"));
    }
    QStringList summed()
    {
        return rows(QStringLiteral(
            "Select AcCode, year(VouDate) * 100 + month(VouDate), VouStatus, money(coalesce(sum(DrAmt), 0)), "
            "money(coalesce(sum(CrAmt), 0)) From DetJV Where VouStatus <> 'CF' And VouDate Is Not Null "
            "Group By AcCode, year(VouDate) * 100 + month(VouDate), VouStatus "
            "Having coalesce(sum(DrAmt), 0) <> 0 Or coalesce(sum(CrAmt), 0) <> 0 "
            "Order By AcCode, year(VouDate) * 100 + month(VouDate), VouStatus"));
    }
    void expectKept(const char *after)
    {
        EXPECT_EQ(kept(), summed()) << after;
        // Whole cents only: the embedded engine would keep an overflowed
        // total as a real number (PostgreSQL's bigint column cannot).
        if (!testengine::onPostgres()) {
            EXPECT_EQ(count("Select count(*) From AcMonthBal "
                            "Where typeof(DrAmt) <> 'integer' Or typeof(CrAmt) <> 'integer'"),
                0)
                << after;
        }
    }

    std::int64_t cash = 0, bank = 0, student = 0, rent = 0, tea = 0;
};

TEST_F(Totals, PostReplaceRemoveAndDataRemovalKeepThemEqualToThePostings)
{
    const QDate jan(2024, 1, 31), feb(2024, 2, 1), mar(2024, 3, 15);
    const std::int64_t cp1
        = post(conn(), entry("CP", jan, {line(rent, cash, "100"), line(tea, cash, "12.35")}));
    const std::int64_t cp2 = post(conn(), entry("CP", mar, {line(rent, cash, "40")}));
    post(conn(), entry("CR", feb, {line(cash, student, "500.10")}));
    const std::int64_t bp = post(conn(), entry("BP", feb, {line(rent, bank, "0.05"), line(tea, bank, "3")}));
    const std::int64_t br = post(conn(), entry("BR", jan, {line(bank, student, "250")}));
    const std::int64_t jv = post(conn(), entry("JV", mar, {line(tea, rent, "7"), line(bank, cash, "1000")}));
    const std::int64_t fr = post(conn(), entry("FR", feb, {line(cash, student, "300")}));
    replace(conn(), entry("AR", feb, {line(cash, student, "150")}, student), {});
    Line carried = line(0, student, "75");
    replace(conn(), entry("CF", feb, {carried}, 1), {});
    expectKept("posting every kind");
    EXPECT_EQ(count("Select count(*) From AcMonthBal Where VouStatus = 'CF'"), 0);
    EXPECT_EQ(count("Select count(*) From AcMonthBal Where VouStatus = 'CP' And YearMonth = 202401 "
                    "And AcCode = ?",
                  {cash}),
        1);

    // Rewritten into another month, with other accounts and amounts; fewer
    // lines; an admission pair without lines removes its rows.
    replace(conn(), entry("CP", feb, {line(tea, cash, "99.99")}, cp1), stamp(conn(), Kind::CP, cp1));
    replace(conn(), entry("JV", mar, {line(rent, tea, "2")}, jv), stamp(conn(), Kind::JV, jv));
    replace(conn(), entry("AR", feb, {}, student), {});
    replace(conn(), entry("CF", mar, {line(0, student, "80")}, 1), {});
    expectKept("replacing");

    remove(conn(), Kind::BR, br, stamp(conn(), Kind::BR, br));
    remove(conn(), Kind::FR, fr);
    remove(conn(), Kind::CF, 1);
    expectKept("removing");

    // A write that fails half-way leaves the totals as they were.
    const QStringList before = kept();
    schemaStep(testengine::failingTrigger(
        "half_way", "before insert", "DetJV", "new.EntryNo = 2", "injected failure"));
    EXPECT_ANY_THROW(replace(conn(), entry("BP", mar, {line(tea, bank, "5"), line(rent, bank, "6")}, bp),
        stamp(conn(), Kind::BP, bp)));
    EXPECT_ANY_THROW(post(conn(), entry("JV", jan, {line(tea, rent, "1"), line(rent, tea, "1")})));
    EXPECT_EQ(kept(), before);
    schemaStep(testengine::dropTrigger("half_way", "DetJV"));
    expectKept("a failed write");

    // Data removal: one kind over a date range, then the whole tables.
    shell::admin::removeVouchers(conn(), QStringLiteral("CP"), jan, feb);
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'CP'"), 2);
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'CP' And VouNo = ?", {cp2}), 2);
    expectKept("removing the cash payments of January and February");
    shell::admin::removeTables(conn(), {QStringLiteral("MasJV"), QStringLiteral("DetJV")});
    EXPECT_EQ(count("Select count(*) From AcMonthBal"), 0);
}

TEST_F(Totals, ATotalPastWhatAnAmountHoldsIsRefusedWithNothingChanged)
{
    const QDate day(2024, 5, 10);
    const db::Money largest = db::Money::fromCents(std::numeric_limits<std::int64_t>::max());
    const db::Money first = db::Money::fromCents(largest.cents() / 2);
    post(conn(), entry("JV", day, {line(rent, tea, qPrintable(first.toString()))}));
    post(conn(), entry("JV", day, {line(rent, tea, qPrintable((largest - first).toString()))}));
    expectKept("the largest total an amount holds");
    EXPECT_EQ(
        rows(QStringLiteral("Select money(DrAmt), money(CrAmt) From AcMonthBal Where AcCode = ?"), {rent}),
        QStringList {QStringLiteral("92233720368547758.07|0.00")});

    const QStringList before = kept();
    const std::int64_t vouchers = count("Select count(*) From MasJV");
    const std::int64_t lines = count("Select count(*) From DetJV");
    // One cent more, by a new voucher, by a voucher rewritten to a larger
    // amount, and by a credit into the debit-side account.
    const std::int64_t small = post(conn(), entry("JV", day.addMonths(1), {line(rent, tea, "0.01")}));
    const std::vector<std::function<void()>> overflows = {
        [&] { post(conn(), entry("JV", day, {line(rent, tea, "0.01")})); },
        [&] {
            replace(
                conn(), entry("JV", day, {line(rent, tea, "0.02")}, small), stamp(conn(), Kind::JV, small));
        },
        [&] {
            post(conn(), entry("JV", day, {line(rent, cash, "0.01"), line(cash, tea, "0.01")}));
        },
    };
    const QStringList withSmall = kept();
    for (size_t i = 0; i < overflows.size(); ++i) {
        try {
            overflows[i]();
            ADD_FAILURE() << "overflow " << i << " was saved";
        } catch (const db::OverflowError &e) {
            EXPECT_EQ(e.text(), QStringLiteral("A total is too large for an amount; nothing was changed."));
        }
        EXPECT_EQ(kept(), withSmall) << "overflow " << i;
        EXPECT_EQ(count("Select count(*) From MasJV"), vouchers + 1) << "overflow " << i;
        EXPECT_EQ(count("Select count(*) From DetJV"), lines + 2) << "overflow " << i;
    }
    remove(conn(), Kind::JV, small);
    EXPECT_EQ(kept(), before);
    expectKept("after the refusals");
}

TEST_F(Totals, ARebuildGivesThePostingsWrittenAroundTheJournal)
{
    // Rows of every shape the table holds, written straight into DetJV by
    // the connection (not through the test's exec, which would rebuild).
    conn().execute(
        QStringLiteral("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, CrAmt) Values "
                       "(1, 'JV', '2023-12-31', 1, ?, ?, Null), (1, 'JV', '2023-12-31', 1, ?, Null, ?), "
                       "(2, 'JV', '2024-01-01', 1, ?, ?, ?), (3, 'CF', '2024-01-02', 1, ?, 0, ?), "
                       "(4, 'BP', Null, 1, ?, ?, 0)"),
        {cash, db::Money::fromCents(1234), bank, db::Money::fromCents(1234), cash, db::Money::fromCents(5),
            db::Money::fromCents(7), student, db::Money::fromCents(99), rent, db::Money::fromCents(1)});
    EXPECT_NE(kept(), summed());
    rebuildTotals(conn());
    expectKept("rebuilding");
    EXPECT_EQ(kept(),
        (QStringList {QStringLiteral("%1|202312|JV|12.34|0.00").arg(cash),
            QStringLiteral("%1|202401|JV|0.05|0.07").arg(cash),
            QStringLiteral("%1|202312|JV|0.00|12.34").arg(bank)}));
}

} // namespace
