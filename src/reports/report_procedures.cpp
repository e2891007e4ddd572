#include "reports/report_procedures.h"

#include "books/journal.h"
#include "fees/fee_figures.h"
#include "reports/reports.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace reports {
namespace {

using db::Money;
using db::Value;

void expectArguments(const QString &proc, const db::Params &args, size_t count)
{
    if (args.size() != count)
        throw db::Error(QStringLiteral("Procedure or function '%1' expects %2 argument(s); %3 were given.")
                            .arg(proc)
                            .arg(count)
                            .arg(args.size()));
}

std::int64_t wholeNumber(const QString &proc, const Value &v, const char *what)
{
    bool ok = false;
    const QString text = v.toString().trimmed();
    const qlonglong n = text.toLongLong(&ok);
    if (v.isNull() || !ok)
        throw db::Error(QStringLiteral("Procedure '%1': the %2 '%3' is not a whole number.")
                            .arg(proc, QLatin1String(what), text));
    return n;
}

QDate dateArgument(const QString &proc, const Value &v)
{
    const QDate d = v.type() == db::Type::Date ? v.toDate() : db::parseDate(v.toString().trimmed());
    if (!d.isValid())
        throw db::Error(QStringLiteral("Procedure '%1': '%2' is not a date.").arg(proc, v.toString()));
    return d;
}

QDate dateOf(const QString &proc, const Value &day, const Value &month, const Value &year)
{
    const QDate d(int(wholeNumber(proc, year, "year")), int(wholeNumber(proc, month, "month")),
        int(wholeNumber(proc, day, "day")));
    if (!d.isValid())
        throw db::Error(QStringLiteral("Procedure '%1': %2-%3-%4 is not a date.")
                            .arg(proc, year.toString(), month.toString(), day.toString()));
    return d;
}

// The work tables belong to the connection that fills them (temporary
// tables), so two copies running the same report never read each other's rows.
void createWorkTables(db::Connection &conn)
{
    conn.execute(QStringLiteral(
        "Create Temp Table If Not Exists rptLedger ("
        "LineNo INTEGER NOT NULL PRIMARY KEY, AcCode INTEGER, FromDate DATE, ToDate DATE, VouDate DATE, "
        "VouNo INTEGER, VouStatus VARCHAR(2) COLLATE NOCASE, EntryNo INTEGER, OppAc INTEGER, "
        "OppName VARCHAR(100) COLLATE NOCASE, ChecqNo VARCHAR(20) COLLATE NOCASE, "
        "Naration VARCHAR(200) COLLATE NOCASE, DrAmt MONEY, CrAmt MONEY, Balance MONEY)"));
    conn.execute(
        QStringLiteral("Create Temp Table If Not Exists rptLedgerPart (rid INTEGER NOT NULL PRIMARY KEY, "
                       "AcCode INTEGER, VouDate DATE, VouNo INTEGER, VouStatus VARCHAR(2) COLLATE NOCASE, "
                       "EntryNo INTEGER, CrAc INTEGER, DrAmt MONEY, CrAmt MONEY, "
                       "ChecqNo VARCHAR(20) COLLATE NOCASE, Naration VARCHAR(200) COLLATE NOCASE)"));
    conn.execute(QStringLiteral(
        "Create Temp Table If Not Exists rptTrialBalance ("
        "AcCode INTEGER NOT NULL PRIMARY KEY, FromDate DATE, ToDate DATE, AcNodes VARCHAR(50) COLLATE "
        "NOCASE, "
        "AcName VARCHAR(100) COLLATE NOCASE, ControlNodes VARCHAR(50) COLLATE NOCASE, "
        "ControlName VARCHAR(100) COLLATE NOCASE, SubNodes VARCHAR(50) COLLATE NOCASE, "
        "SubName VARCHAR(100) COLLATE NOCASE, OpenDr MONEY NOT NULL DEFAULT 0, OpenCr MONEY NOT NULL DEFAULT "
        "0, "
        "DrAmt MONEY NOT NULL DEFAULT 0, CrAmt MONEY NOT NULL DEFAULT 0, CloseDr MONEY NOT NULL DEFAULT 0, "
        "CloseCr MONEY NOT NULL DEFAULT 0, ControlDr MONEY NOT NULL DEFAULT 0, ControlCr MONEY NOT NULL "
        "DEFAULT 0, "
        "ControlFirst INTEGER NOT NULL DEFAULT 0)"));
    conn.execute(QStringLiteral(
        "Create Temp Table If Not Exists rptStudentDetail ("
        "LineNo INTEGER NOT NULL PRIMARY KEY, SessionID INTEGER, SessionName VARCHAR(100) COLLATE NOCASE, "
        "CourseID INTEGER, CourseName VARCHAR(100) COLLATE NOCASE, SubID INTEGER, "
        "SubName VARCHAR(100) COLLATE NOCASE, AppID INTEGER, RegNo VARCHAR(50) COLLATE NOCASE, "
        "StuName VARCHAR(100) COLLATE NOCASE, FatherName VARCHAR(100) COLLATE NOCASE, "
        "CellNo VARCHAR(50) COLLATE NOCASE, CusCode INTEGER, NetAmount MONEY NOT NULL DEFAULT 0, "
        "RecAmount MONEY NOT NULL DEFAULT 0, FeeReceived MONEY NOT NULL DEFAULT 0, "
        "Received MONEY NOT NULL DEFAULT 0, Balance MONEY NOT NULL DEFAULT 0, inactive VARCHAR(1) COLLATE "
        "NOCASE)"));
}

// Carry-forward rows move no money: the books and trial balances leave them
// out (the fee figures still count them).
const QString notCarryForward = QStringLiteral("ifnull(VouStatus, '') <> 'CF'");

// A span of the journal's days as it is read: the whole months inside from
// the totals the journal keeps (year * 100 + month, `monthFrom` 0 from the
// start; none when `monthFrom` > `monthTo`), the days of the months only
// partly inside from the postings.
struct Span {
    int monthFrom = 1, monthTo = 0;
    std::vector<std::pair<QDate, QDate>> days;
};

// The span from `first` to `last`, both included (`first` invalid: from the start).
Span span(QDate first, QDate last)
{
    Span s;
    if (!last.isValid() || (first.isValid() && first > last))
        return s;
    const QDate lastMonth(last.year(), last.month(), 1);
    const bool lastWhole = last.addDays(1).day() == 1;
    if (first.isValid() && first.day() != 1) {
        const QDate firstMonthEnd = QDate(first.year(), first.month(), 1).addMonths(1).addDays(-1);
        if (firstMonthEnd >= last) {
            s.days.push_back({first, last});
            return s;
        }
        s.days.push_back({first, firstMonthEnd});
        first = firstMonthEnd.addDays(1);
    }
    const QDate wholeTo = lastWhole ? lastMonth : lastMonth.addMonths(-1);
    if (!first.isValid() || first <= wholeTo) {
        s.monthFrom = first.isValid() ? books::yearMonth(first) : 0;
        s.monthTo = books::yearMonth(wholeTo);
    }
    if (!lastWhole)
        s.days.push_back({lastMonth, last});
    return s;
}

// One part per run of days of the span, read from the postings by date:
// "Select AcCode, `columns` From DetJV ..." with `also`, a condition with
// its values, after the dates.
void postingParts(const Span &s, const QString &columns, const QString &also, const db::Params &alsoArgs,
    QStringList *parts, db::Params *params)
{
    for (const auto &[from, to] : s.days) {
        *parts << QStringLiteral("Select coalesce(AcCode, 0) As AcCode, ") + columns
                + QStringLiteral(" From DetJV Where VouDate Between ? And ? And ") + notCarryForward + also;
        params->insert(params->end(), {from, to});
        params->insert(params->end(), alsoArgs.begin(), alsoArgs.end());
    }
}

// The account's balance before `from`: its opening balance and every posting dated earlier.
Money balanceBefore(db::Connection &conn, std::int64_t account, QDate from)
{
    const Money opening
        = conn.scalar(QStringLiteral("Select OpenBal From Accounts Where RowID = ?"), {account}).toMoney();
    const Span before = span(QDate(), from.addDays(-1));
    QStringList parts;
    db::Params params;
    if (before.monthFrom <= before.monthTo) {
        parts << QStringLiteral("Select AcCode, DrAmt - CrAmt As b From AcMonthBal "
                                "Where AcCode = ? And YearMonth Between ? And ?");
        params.insert(params.end(), {account, before.monthFrom, before.monthTo});
    }
    postingParts(before, QStringLiteral("coalesce(DrAmt, 0) - coalesce(CrAmt, 0) As b"),
        QStringLiteral(" And AcCode = ?"), {account}, &parts, &params);
    if (parts.isEmpty())
        return opening;
    const Money earlier = conn.scalar(QStringLiteral("Select money(coalesce(sum(b), 0)) From (")
                                      + parts.join(QStringLiteral(" Union All ")) + QStringLiteral(") x"),
                                  params)
                              .toMoney();
    return opening + earlier;
}

// A posting's place among its voucher's postings (entry number, Null first,
// then row) as text of fixed width, so that the smallest of
// "key || text" over a voucher is the text of its first posting; both
// parts are offset into 19 digits, which holds any entry number within
// 10^18 either side of zero and any row number below 8 * 10^18.
const QString postingKey = QStringLiteral(
    "cast(Case When d.EntryNo Is Null Then 1000000000000000000 Else d.EntryNo + 2000000000000000000 End "
    "As Text) || cast(d.rowid + 1000000000000000000 As Text)");
constexpr int postingKeyLength = 38;

// The ledger's first lines are written at once, the rest when the work
// table is next read: the postings behind the first lines, read in the
// ledger's order from the front of the ledger index, are copied into
// rptLedgerPart and their lines made from the copy; the rest are the
// postings after the last of them in that order, so every line keeps its
// place, none is shown twice and none is left out between the two goes.
constexpr std::int64_t kFirstLines = 1000;

// The postings a ledger is made of, as `d`: the account's, dated in the
// period, carry-forward rows left out.
const QString ledgerPostings
    = QStringLiteral("d.AcCode = ? And d.VouDate Between ? And ? And ifnull(d.VouStatus, '') <> 'CF' ");

// Where the first part ends in the ledger's order: the last posting's
// (date, kind, number, entry, row), or the last voucher's (date, kind,
// number) when a line is a voucher.
struct LedgerKey {
    QDate date;
    db::Value kind, number, entry, row;
};

// The postings after `key` in the ledger's order: a condition on `d` with
// its values, for postings read from the key's date on (so the ledger
// index is entered there and a later date is enough).
QString after(const LedgerKey &key, bool perPosting, db::Params *params)
{
    params->insert(params->end(), {key.date, key.kind, key.kind, key.number});
    QString tail = QStringLiteral("d.VouNo > ?");
    if (perPosting) {
        tail = QStringLiteral("d.VouNo > ? Or (d.VouNo = ? And (d.EntryNo > ? Or (d.EntryNo = ? And "
                              "d.rowid > ?)))");
        params->insert(params->end(), {key.number, key.entry, key.entry, key.row});
    }
    return QStringLiteral("And (d.VouDate > ? Or d.VouStatus > ? Or (d.VouStatus = ? And (%1))) ").arg(tail);
}

// The ledger's postings (the account's in the period, or those after `key`
// when given) as "Where ..." over `d`, with their values.
QString postingsOf(
    std::int64_t account, QDate from, QDate to, const LedgerKey *key, bool perPosting, db::Params *params)
{
    params->insert(params->end(), {account, key ? key->date : from, to});
    return QStringLiteral("Where ") + ledgerPostings + (key ? after(*key, perPosting, params) : QString());
}

// The ledger's lines of the postings copied into the first part (`rest`
// null) or of those after it, numbered on from `lastLine` and balanced on
// from `balance`.
std::int64_t writeLines(db::Connection &conn, std::int64_t account, QDate from, QDate to, bool perPosting,
    const LedgerKey *rest, std::int64_t lastLine, Money balance)
{
    const QString insert = QStringLiteral(
        "Insert Into rptLedger (LineNo, AcCode, VouDate, VouNo, VouStatus, %1OppAc, OppName, ChecqNo, "
        "Naration, DrAmt, CrAmt, Balance) ");
    // A posting's opposite account is the one it names; a cash voucher's
    // total row names none, and its opposite is what the voucher's other
    // rows post to: their account when they all post to one, else -1
    // ("several accounts").
    const QString opp = QStringLiteral(
        "coalesce(d.CrAc, (Select Case When count(*) = 0 Then Null When min(o.AcCode) = max(o.AcCode) "
        "Then min(o.AcCode) Else -1 End From DetJV o Where o.VouNo = d.VouNo And o.VouStatus = d.VouStatus "
        "And o.AcCode <> d.AcCode))");
    const QString table = rest ? QStringLiteral("DetJV") : QStringLiteral("rptLedgerPart");
    db::Params postingArgs;
    const QString postings = postingsOf(account, from, to, rest, perPosting, &postingArgs);
    // Values reach the statements only in their conditions and their
    // arithmetic, never as bare output columns.
    if (perPosting) {
        // The opposite account worked out once per posting (the postings
        // are read first, as they are), then the lines in the ledger's order.
        db::Params params = postingArgs;
        params.insert(params.end(), {lastLine, balance});
        return conn.execute(insert.arg(QStringLiteral("EntryNo, "))
                + QStringLiteral(
                    "With p As Materialized (Select d.AcCode, d.VouDate, d.VouNo, d.VouStatus, "
                    "d.EntryNo, d.ChecqNo, d.Naration, d.DrAmt, d.CrAmt, d.rowid As rid, %1 As Opp ")
                      .arg(opp)
                + QStringLiteral("From %1 d ").arg(table) + postings
                + QStringLiteral(
                    ") Select ? + row_number() Over w, p.AcCode, p.VouDate, p.VouNo, p.VouStatus, p.EntryNo, "
                    "nullif(p.Opp, -1), Case When p.Opp = -1 Then '(several accounts)' Else "
                    "nullif(a.AcName, '') End, ifnull(p.ChecqNo, ''), ifnull(p.Naration, ''), "
                    "ifnull(p.DrAmt, 0), ifnull(p.CrAmt, 0), ? + sum(ifnull(p.DrAmt, 0) - ifnull(p.CrAmt, "
                    "0)) "
                    "Over w From p Left Join Accounts a On a.RowID = p.Opp "
                    "Window w As (Order By p.VouDate, p.VouStatus, p.VouNo, p.EntryNo, p.rid "
                    "Rows Unbounded Preceding)"),
            params);
    }
    // One line per voucher: its postings to the account added up; the
    // opposite account when they all name the same one; the first
    // narration and cheque number that are not empty. The running
    // balance is a window over the groups, so the postings are sorted
    // once, for the grouping.
    const QString first = QStringLiteral(
        "ifnull(substr(min(Case When ifnull(d.%1, '') <> '' Then %2 || d.%1 End), %3), ''), ");
    const QString several
        = QStringLiteral("min(ifnull(%1, -1)) <> max(ifnull(%1, -1)) Or min(%1) = -1").arg(opp);
    db::Params params {lastLine, balance};
    params.insert(params.end(), postingArgs.begin(), postingArgs.end());
    return conn.execute(insert.arg(QString())
            + QStringLiteral("Select ? + row_number() Over w, d.AcCode, d.VouDate, d.VouNo, d.VouStatus, "
                             "Case When %1 Then Null Else min(%2) End, "
                             "Case When %1 Then '(several accounts)' Else nullif(min(a.AcName), '') End, ")
                  .arg(several, opp)
            + first.arg(QStringLiteral("ChecqNo"), postingKey).arg(postingKeyLength + 1)
            + first.arg(QStringLiteral("Naration"), postingKey).arg(postingKeyLength + 1)
            + QStringLiteral("sum(ifnull(d.DrAmt, 0)), sum(ifnull(d.CrAmt, 0)), "
                             "? + sum(sum(ifnull(d.DrAmt, 0)) - sum(ifnull(d.CrAmt, 0))) Over w ")
            + QStringLiteral("From %1 d Left Join Accounts a On a.RowID = %2 ").arg(table, opp) + postings
            + QStringLiteral(
                "Group By d.AcCode, d.VouDate, d.VouStatus, d.VouNo "
                "Window w As (Order By d.VouDate, d.VouStatus, d.VouNo Rows Unbounded Preceding)"),
        params);
}

// Empties the work tables and writes the opening line, which holds the
// run's arguments; the lines below it name their account and leave the
// period out.
void startLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to, Money opening)
{
    conn.execute(QStringLiteral("Delete From rptLedger"));
    conn.execute(QStringLiteral("Delete From rptLedgerPart"));
    conn.execute(QStringLiteral("Insert Into rptLedger (LineNo, AcCode, FromDate, ToDate, VouDate, Naration, "
                                "DrAmt, CrAmt, Balance) Values (0, ?, ?, ?, ?, 'Opening Balance', 0, 0, ?)"),
        {account, from, to, from, opening});
}

// Copies the postings of the first lines into rptLedgerPart: the first
// postings, or all the postings of the first vouchers.
void copyFirstPart(db::Connection &conn, std::int64_t account, QDate from, QDate to, bool perPosting)
{
    const QString copy = QStringLiteral(
        "Insert Into rptLedgerPart (rid, AcCode, VouDate, VouNo, VouStatus, EntryNo, CrAc, DrAmt, CrAmt, "
        "ChecqNo, Naration) Select d.rowid, d.AcCode, d.VouDate, d.VouNo, d.VouStatus, d.EntryNo, d.CrAc, "
        "d.DrAmt, d.CrAmt, d.ChecqNo, d.Naration ");
    const QString own = QStringLiteral("From DetJV d Where ") + ledgerPostings;
    if (perPosting) {
        conn.execute(copy + own
                + QStringLiteral("Order By d.VouDate, d.VouStatus, d.VouNo, d.EntryNo, d.rowid Limit %1")
                      .arg(kFirstLines),
            {account, from, to});
        return;
    }
    conn.execute(copy + QStringLiteral("From (Select d.VouDate, d.VouStatus, d.VouNo ") + own
            + QStringLiteral(
                "Group By d.VouDate, d.VouStatus, d.VouNo Order By d.VouDate, d.VouStatus, d.VouNo "
                "Limit %1) g Join DetJV d On d.AcCode = ? And d.VouDate = g.VouDate "
                "And d.VouStatus = g.VouStatus And d.VouNo = g.VouNo")
                  .arg(kFirstLines),
        {account, from, to, account});
}

// The key of the last posting (or voucher) of the first part, read from its
// copy, when the ledger goes on past it; none when the first part of
// `lines` lines is the whole ledger.
std::optional<LedgerKey> restAfter(
    db::Connection &conn, std::int64_t account, QDate from, QDate to, bool perPosting, std::int64_t lines)
{
    if (lines < kFirstLines)
        return std::nullopt;
    db::Recordset last;
    last.open(
        QStringLiteral("Select VouDate, VouStatus, VouNo, EntryNo, rid From rptLedgerPart "
                       "Order By VouDate Desc, VouStatus Desc, VouNo Desc, EntryNo Desc, rid Desc Limit 1"),
        conn);
    const LedgerKey key {last.fields(0).toDate(), last.fields(1).value(), last.fields(2).value(),
        last.fields(3).value(), last.fields(4).value()};
    db::Params params;
    const QString more = QStringLiteral("Select 1 From DetJV d ")
        + postingsOf(account, from, to, &key, perPosting, &params) + QStringLiteral("Limit 1");
    if (conn.scalar(more, params).isNull())
        return std::nullopt;
    return key;
}

std::int64_t fillLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to, bool perPosting)
{
    // The rest of an earlier ledger is not wanted any more (and is dropped
    // before any statement here names the table, which would write it).
    conn.dropDeferredFill(QStringLiteral("rptLedger"));
    createWorkTables(conn);
    db::Transaction tx(conn);
    const Money opening = balanceBefore(conn, account, from);
    startLedger(conn, account, from, to, opening);
    copyFirstPart(conn, account, from, to, perPosting);
    const std::int64_t lines = writeLines(conn, account, from, to, perPosting, nullptr, 0, opening);
    const std::optional<LedgerKey> rest = restAfter(conn, account, from, to, perPosting, lines);
    tx.commit();
    if (rest)
        conn.deferFill(QStringLiteral("rptLedger"), [=, key = *rest](db::Connection &c) {
            db::Transaction tx(c);
            db::Recordset last;
            last.open(
                QStringLiteral("Select LineNo, Balance From rptLedger Order By LineNo Desc Limit 1"), c);
            writeLines(
                c, account, from, to, perPosting, &key, last.fields(0).toInt(), last.fields(1).toMoney());
            tx.commit();
        });
    return lines + 1;
}

} // namespace

std::int64_t acLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to)
{
    return fillLedger(conn, account, from, to, false);
}

std::int64_t detailAcLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to)
{
    return fillLedger(conn, account, from, to, true);
}

namespace {

// What every account with postings moved, as "Select AcCode, Before, Dr,
// Cr", one row an account, postings to an account the chart no longer
// holds included so that the totals still cover every posting: before the
// period (with `withOpening`), and its debits and credits in the period.
// The whole months come from the totals the journal keeps per account and
// month, in one pass in account order; only the part months at the ends of
// the periods are read from the postings themselves (by date).
QString accountSums(QDate from, QDate to, bool withOpening, db::Params *params)
{
    const Span before = withOpening ? span(QDate(), std::min(from.addDays(-1), to)) : Span();
    const Span period = span(from, to);
    QStringList parts;
    const bool monthsBefore = before.monthFrom <= before.monthTo;
    const bool monthsIn = period.monthFrom <= period.monthTo;
    if (monthsBefore || monthsIn) {
        // The months before the period all come before its months.
        parts << QStringLiteral("Select AcCode, sum(Case When YearMonth Between ? And ? Then DrAmt - CrAmt "
                                "Else 0 End) As Before, "
                                "sum(Case When YearMonth Between ? And ? Then DrAmt Else 0 End) As Dr, "
                                "sum(Case When YearMonth Between ? And ? Then CrAmt Else 0 End) As Cr "
                                "From AcMonthBal Where YearMonth Between ? And ? Group By AcCode");
        params->insert(params->end(),
            {before.monthFrom, before.monthTo, period.monthFrom, period.monthTo, period.monthFrom,
                period.monthTo, monthsBefore ? before.monthFrom : period.monthFrom,
                monthsIn ? period.monthTo : before.monthTo});
    }
    const qsizetype grouped = parts.size();
    postingParts(before,
        QStringLiteral("coalesce(DrAmt, 0) - coalesce(CrAmt, 0) As Before, 0 As Dr, 0 As Cr"), {}, {}, &parts,
        params);
    postingParts(period, QStringLiteral("0 As Before, coalesce(DrAmt, 0) As Dr, coalesce(CrAmt, 0) As Cr"),
        {}, {}, &parts, params);
    if (parts.isEmpty())
        return QStringLiteral("Select 0 As AcCode, 0 As Before, 0 As Dr, 0 As Cr Where 1 = 0");
    // The kept totals alone are one row an account already.
    if (parts.size() == grouped)
        return parts.front();
    return QStringLiteral("Select AcCode, sum(Before) As Before, sum(Dr) As Dr, sum(Cr) As Cr From (")
        + parts.join(QStringLiteral(" Union All ")) + QStringLiteral(") u Group By AcCode");
}

// Each account that moved or has a balance, as `t`: its figures and its
// place in the chart (control and sub-control nodes; Placed 0 for an
// account the chart does not hold). One pass over the chart in key order,
// each account finding its sums in `s`, then the sums of accounts the chart
// no longer holds; without `withOpening` an account's opening balance is
// left out (its sums before the period are none).
QString accountRows(bool withOpening)
{
    const QString opening = (withOpening ? QStringLiteral("coalesce(a.OpenBal, 0)") : QStringLiteral("0"))
        + QStringLiteral(" + coalesce(s.Before, 0)");
    const QString charted = QStringLiteral(
        "Select a.RowID As AcCode, %1 As Opening, coalesce(s.Dr, 0) As Dr, coalesce(s.Cr, 0) As Cr, "
        "%1 + coalesce(s.Dr, 0) - coalesce(s.Cr, 0) As Closing, 1 As Placed, "
        "ifnull(a.AcNodes, '') As AcNodes, ifnull(a.AcName, '') As AcName, "
        "substr(ifnull(a.AcNodes, ''), 1, instr(ifnull(a.AcNodes, '') || '.', '.') - 1) As ControlNodes, "
        "Case When instr(ifnull(a.AcNodes, ''), '.') = 0 Then '' "
        "Else substr(a.AcNodes, 1, instr(a.AcNodes, '.') "
        "+ instr(substr(a.AcNodes, instr(a.AcNodes, '.') + 1) || '.', '.') - 1) End As SubNodes "
        "From Accounts a Left Join s On s.AcCode = a.RowID Where %1 <> 0 Or s.Dr <> 0 Or s.Cr <> 0")
                                .arg(opening);
    const QString unplaced
        = QStringLiteral(" Union All Select s.AcCode, s.Before, s.Dr, s.Cr, s.Before + s.Dr - s.Cr, 0, '', "
                         "'(account ' || s.AcCode || ', not in the chart of accounts)', '', '' From s "
                         "Where (s.Before <> 0 Or s.Dr <> 0 Or s.Cr <> 0) "
                         "And Not Exists (Select 1 From Accounts a Where a.RowID = s.AcCode)");
    return QStringLiteral("t As Materialized (") + charted + unplaced + u')';
}

// A control's balance is the net of its accounts' balances, kept on every
// row of the control; its first account counts it in the total. The
// accounts are gone over once, into their sub-controls (`n`, a few rows);
// the controls' sums (`c`) and both titles are worked out from those, and
// each account's row then finds all it needs in one row of `k`, by its
// control and sub-control nodes together. The titles are looked up by
// code, one row each (AcNodes is unique), never by a pass over the chart.
const QString controlRows = QStringLiteral(
    "n As Materialized (Select ControlNodes, SubNodes, sum(Closing) As Net, min(AcCode) As First "
    "From t Group By ControlNodes, SubNodes), "
    "c As Materialized (Select ControlNodes, sum(Net) As Net, min(First) As First From n "
    "Group By ControlNodes), "
    "k As Materialized (Select n.ControlNodes, n.SubNodes, c.Net, c.First, "
    "ifnull((Select hc.AcName From Accounts hc Where hc.AcNodes = n.ControlNodes), '') As ControlName, "
    "ifnull((Select hs.AcName From Accounts hs Where hs.AcNodes = n.SubNodes And n.SubNodes <> ''), '') "
    "As SubName From n Join c On c.ControlNodes = n.ControlNodes)");

} // namespace

std::int64_t trialBalance(db::Connection &conn, QDate from, QDate to, bool withOpening)
{
    createWorkTables(conn);
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From rptTrialBalance"));
    // One statement on the server, every account's row written by it.
    db::Params params;
    const QString sums = accountSums(from, to, withOpening, &params);
    params.insert(params.end(), {from, to});
    const QString debit = QStringLiteral("Case When %1 > 0 Then %1 Else 0 End");
    const QString credit = QStringLiteral("Case When %1 < 0 Then -(%1) Else 0 End");
    const QString sql
        = QStringLiteral("Insert Into rptTrialBalance (AcCode, FromDate, ToDate, AcNodes, AcName, "
                         "ControlNodes, ControlName, SubNodes, SubName, OpenDr, OpenCr, DrAmt, CrAmt, "
                         "CloseDr, CloseCr, ControlDr, ControlCr, ControlFirst) With ")
        + QStringLiteral("s As Materialized (") + sums + QStringLiteral("), ") + accountRows(withOpening)
        + QStringLiteral(", ") + controlRows
        + QStringLiteral(" Select t.AcCode, date(?), date(?), t.AcNodes, t.AcName, t.ControlNodes, "
                         "Case When t.Placed = 1 Then k.ControlName Else '' End, t.SubNodes, "
                         "Case When t.Placed = 1 Then k.SubName Else '' End, ")
        + debit.arg(QStringLiteral("t.Opening")) + u',' + credit.arg(QStringLiteral("t.Opening"))
        + QStringLiteral(", t.Dr, t.Cr, ") + debit.arg(QStringLiteral("t.Closing")) + u','
        + credit.arg(QStringLiteral("t.Closing")) + u',' + debit.arg(QStringLiteral("k.Net")) + u','
        + credit.arg(QStringLiteral("k.Net"))
        + QStringLiteral(
            ", Case When k.First = t.AcCode Then 1 Else 0 End "
            // The accounts' rows in key order, each looking up its few
            // control rows (the embedded engine keeps the written order).
            "From t Cross Join k Where k.ControlNodes = t.ControlNodes And k.SubNodes = t.SubNodes");
    const std::int64_t written = conn.execute(sql, params);
    tx.commit();
    return written;
}

std::int64_t creatStuWiseDet(
    db::Connection &conn, std::int64_t session, std::int64_t course, std::int64_t subject)
{
    createWorkTables(conn);
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From rptStudentDetail"));
    db::Recordset rs;
    rs.open(QStringLiteral(
                "Select m.SessionID, s.SessionName, sb.CourseId, c.CourseName, d.SubID, sb.SubName, m.AppID, "
                "m.RegNo, m.StuName, m.FatherName, m.CellNo, m.CusCode, d.NetAmount, d.InActive "
                "From tblMasApp m Join tblDetApp d On d.AppID = m.AppID "
                "Left Join tblSubject sb On sb.SubId = d.SubID "
                "Left Join tblCourse c On c.CourseId = sb.CourseId "
                "Left Join tblSession s On s.SessionId = m.SessionID "
                "Where m.SessionID = ? And (? = 0 Or sb.CourseId = ?) And (? = 0 Or d.SubID = ?) "
                "Order By c.CourseName, sb.SubName, m.StuName, m.AppID, d.rowid"),
        conn, {session, course, course, subject, subject});
    const QString insert = QStringLiteral(
        "Insert Into rptStudentDetail (LineNo, SessionID, SessionName, CourseID, CourseName, SubID, SubName, "
        "AppID, RegNo, StuName, FatherName, CellNo, CusCode, NetAmount, RecAmount, FeeReceived, Received, "
        "Balance, inactive) Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    std::int64_t lineNo = 0;
    for (; !rs.eof(); rs.moveNext()) {
        const Money net = rs.fields("NetAmount").toMoney();
        // The figures the fee receipt window shows for the line.
        const fees::SubjectFigures f = fees::subjectFigures(
            conn, rs.fields("CusCode").toInt(), rs.fields("AppID").toInt(), rs.fields("SubID").toInt());
        const Value inactive = rs.fields("InActive").isNull() ? Value() : Value(QStringLiteral("1"));
        db::Params row;
        for (int i = 0; i < 12; ++i)
            row.push_back(rs.fields(i).value());
        row.insert(row.begin(), Value(++lineNo));
        row.insert(row.end(), {net, f.atAdmission, f.credited, f.received, f.remaining, inactive});
        conn.execute(insert, row);
    }
    tx.commit();
    return lineNo;
}

void registerProcedures()
{
    db::registerProcedure(QStringLiteral("AcLedger"), [](db::Connection &c, const db::Params &a) {
        const QString p = QStringLiteral("AcLedger");
        expectArguments(p, a, 3);
        return acLedger(c, wholeNumber(p, a[0], "account"), dateArgument(p, a[1]), dateArgument(p, a[2]));
    });
    db::registerProcedure(QStringLiteral("DetailAcLedger"), [](db::Connection &c, const db::Params &a) {
        const QString p = QStringLiteral("DetailAcLedger");
        expectArguments(p, a, 7);
        return detailAcLedger(
            c, wholeNumber(p, a[0], "account"), dateOf(p, a[1], a[2], a[3]), dateOf(p, a[4], a[5], a[6]));
    });
    db::registerProcedure(QStringLiteral("TrialBalance"), [](db::Connection &c, const db::Params &a) {
        const QString p = QStringLiteral("TrialBalance");
        expectArguments(p, a, 2);
        return trialBalance(c, dateArgument(p, a[0]), dateArgument(p, a[1]), false);
    });
    db::registerProcedure(QStringLiteral("TrialBalance3"), [](db::Connection &c, const db::Params &a) {
        const QString p = QStringLiteral("TrialBalance3");
        expectArguments(p, a, 2);
        return trialBalance(c, dateArgument(p, a[0]), dateArgument(p, a[1]), true);
    });
    db::registerProcedure(QStringLiteral("CreatStuWiseDet"), [](db::Connection &c, const db::Params &a) {
        const QString p = QStringLiteral("CreatStuWiseDet");
        expectArguments(p, a, 3);
        return creatStuWiseDet(c, wholeNumber(p, a[0], "session"), wholeNumber(p, a[1], "course"),
            wholeNumber(p, a[2], "subject"));
    });
}

} // namespace reports
