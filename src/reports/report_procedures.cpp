#include "reports/report_procedures.h"

#include "fees/fee_figures.h"
#include "reports/reports.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <algorithm>

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

// The account's balance before `from`: its opening balance and every posting dated earlier.
Money balanceBefore(db::Connection &conn, std::int64_t account, QDate from)
{
    const Money opening
        = conn.scalar(QStringLiteral("Select OpenBal From Accounts Where RowID = ?"), {account}).toMoney();
    const Money earlier
        = conn.scalar(QStringLiteral("Select money(ifnull(sum(DrAmt), 0) - ifnull(sum(CrAmt), 0)) "
                                     "From DetJV Where AcCode = ? And VouDate < ? And ")
                      + notCarryForward,
                  {account, from})
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

std::int64_t fillLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to, bool perPosting)
{
    createWorkTables(conn);
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From rptLedger"));
    const Money opening = balanceBefore(conn, account, from);
    // The opening line holds the run's arguments; the lines below it name
    // their account and leave the period out.
    conn.execute(QStringLiteral("Insert Into rptLedger (LineNo, AcCode, FromDate, ToDate, VouDate, Naration, "
                                "DrAmt, CrAmt, Balance) Values (0, ?, ?, ?, ?, 'Opening Balance', 0, 0, ?)"),
        {account, from, to, from, opening});

    // The lines are written by one statement, the running balance after each
    // line taken in the ledger's order. Values reach the statement only in
    // its conditions and its arithmetic, never as bare output columns.
    const QString insert = QStringLiteral(
        "Insert Into rptLedger (LineNo, AcCode, VouDate, VouNo, VouStatus, %1OppAc, OppName, ChecqNo, "
        "Naration, DrAmt, CrAmt, Balance) ");
    const QString postings = QStringLiteral(
        "From DetJV d Left Join Accounts a On a.RowID = d.CrAc "
        "Where d.AcCode = ? And d.VouDate Between ? And ? And ifnull(d.VouStatus, '') <> 'CF' ");
    std::int64_t lines = 0;
    if (perPosting) {
        lines = conn.execute(insert.arg(QStringLiteral("EntryNo, "))
                + QStringLiteral(
                    "Select row_number() Over w, d.AcCode, d.VouDate, d.VouNo, d.VouStatus, d.EntryNo, "
                    "d.CrAc, "
                    "nullif(a.AcName, ''), ifnull(d.ChecqNo, ''), ifnull(d.Naration, ''), ifnull(d.DrAmt, "
                    "0), "
                    "ifnull(d.CrAmt, 0), ? + sum(ifnull(d.DrAmt, 0) - ifnull(d.CrAmt, 0)) Over w ")
                + postings
                + QStringLiteral("Window w As (Order By d.VouDate, d.VouStatus, d.VouNo, d.EntryNo, d.rowid "
                                 "Rows Unbounded Preceding)"),
            {opening, account, from, to});
    } else {
        // One line per voucher: its postings to the account added up; the
        // opposite account when they all name the same one; the first
        // narration and cheque number that are not empty. The running
        // balance is a window over the groups, so the postings are sorted
        // once, for the grouping.
        const QString first = QStringLiteral(
            "ifnull(substr(min(Case When ifnull(d.%1, '') <> '' Then %2 || d.%1 End), %3), ''), ");
        const QString several = QStringLiteral("min(ifnull(d.CrAc, -1)) <> max(ifnull(d.CrAc, -1))");
        lines = conn.execute(insert.arg(QString())
                + QStringLiteral(
                    "Select row_number() Over w, d.AcCode, d.VouDate, d.VouNo, d.VouStatus, "
                    "Case When %1 Then Null Else min(d.CrAc) End, "
                    "Case When %1 Then '(several accounts)' Else nullif(min(a.AcName), '') End, ")
                      .arg(several)
                + first.arg(QStringLiteral("ChecqNo"), postingKey).arg(postingKeyLength + 1)
                + first.arg(QStringLiteral("Naration"), postingKey).arg(postingKeyLength + 1)
                + QStringLiteral("sum(ifnull(d.DrAmt, 0)), sum(ifnull(d.CrAmt, 0)), "
                                 "? + sum(sum(ifnull(d.DrAmt, 0)) - sum(ifnull(d.CrAmt, 0))) Over w ")
                + postings
                + QStringLiteral("Group By d.AcCode, d.VouDate, d.VouStatus, d.VouNo "
                                 "Window w As (Order By d.VouDate, d.VouStatus, d.VouNo Rows Unbounded "
                                 "Preceding)"),
            {opening, account, from, to});
    }
    tx.commit();
    return lines + 1;
}

struct Totals {
    Money opening, dr, cr;
};

struct ChartEntry {
    QString nodes, name;
    Money openBal;
};

} // namespace

std::int64_t acLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to)
{
    return fillLedger(conn, account, from, to, false);
}

std::int64_t detailAcLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to)
{
    return fillLedger(conn, account, from, to, true);
}

std::int64_t trialBalance(db::Connection &conn, QDate from, QDate to, bool withOpening)
{
    createWorkTables(conn);
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From rptTrialBalance"));

    QHash<std::int64_t, ChartEntry> chart;
    QHash<QString, QString> titleOfNodes;
    db::Recordset rs;
    rs.open(QStringLiteral("Select RowID, AcNodes, AcName, OpenBal From Accounts"), conn);
    for (; !rs.eof(); rs.moveNext()) {
        ChartEntry e {rs.fields(1).toString(), rs.fields(2).toString(), rs.fields(3).toMoney()};
        titleOfNodes.insert(e.nodes, e.name);
        chart.insert(rs.fields(0).toInt(), e);
    }

    // Every account that has postings or an opening balance; postings to an
    // account the chart no longer holds are listed too, so the totals still
    // cover every posting.
    QMap<std::int64_t, Totals> totals;
    if (withOpening) {
        for (auto it = chart.cbegin(); it != chart.cend(); ++it) {
            if (it->openBal != Money())
                totals[it.key()].opening += it->openBal;
        }
    }
    // One pass over the posting index in account order: every column it
    // needs is in the index, so no row of the table is read.
    rs.open(QStringLiteral("Select AcCode, "
                           "money(ifnull(sum(case When VouDate < ? Then DrAmt End), 0) "
                           "- ifnull(sum(case When VouDate < ? Then CrAmt End), 0)), "
                           "money(ifnull(sum(case When VouDate >= ? Then DrAmt End), 0)), "
                           "money(ifnull(sum(case When VouDate >= ? Then CrAmt End), 0)) "
                           "From DetJV Where VouDate <= ? And ")
            + notCarryForward + QStringLiteral(" Group By AcCode"),
        conn, {from, from, from, from, to});
    for (; !rs.eof(); rs.moveNext()) {
        const Money before = rs.fields(1).toMoney();
        const Money dr = rs.fields(2).toMoney();
        const Money cr = rs.fields(3).toMoney();
        if (!withOpening && dr == Money() && cr == Money())
            continue;
        Totals &t = totals[rs.fields(0).toInt()];
        if (withOpening)
            t.opening += before;
        t.dr += dr;
        t.cr += cr;
    }

    struct Row {
        std::int64_t acCode;
        QString nodes, name, controlNodes, controlName, subNodes, subName;
        Money opening, dr, cr, closing;
    };
    std::vector<Row> out;
    // A control's balance is the net of its accounts' balances, kept on
    // every row of the control; one row of each control counts it in the total.
    QHash<QString, Money> controlNet;
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const Totals &t = *it;
        if (t.opening == Money() && t.dr == Money() && t.cr == Money())
            continue;
        Row r {it.key(), {}, {}, {}, {}, {}, {}, t.opening, t.dr, t.cr, t.opening + t.dr - t.cr};
        if (chart.contains(it.key())) {
            r.nodes = chart[it.key()].nodes;
            r.name = chart[it.key()].name;
            const QStringList parts = r.nodes.split(u'.');
            r.controlNodes = parts.value(0);
            r.controlName = titleOfNodes.value(r.controlNodes);
            if (parts.size() > 1) {
                r.subNodes = parts.mid(0, 2).join(u'.');
                r.subName = titleOfNodes.value(r.subNodes);
            }
        } else {
            r.name = QStringLiteral("(account %1, not in the chart of accounts)").arg(it.key());
        }
        controlNet[r.controlNodes] += r.closing;
        out.push_back(std::move(r));
    }

    const QString insert = QStringLiteral(
        "Insert Into rptTrialBalance (AcCode, FromDate, ToDate, AcNodes, AcName, ControlNodes, ControlName, "
        "SubNodes, SubName, OpenDr, OpenCr, DrAmt, CrAmt, CloseDr, CloseCr, ControlDr, ControlCr, "
        "ControlFirst) "
        "Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    auto debitOf = [](Money m) { return std::max(m, Money()); };
    auto creditOf = [](Money m) { return std::max(-m, Money()); };
    QSet<QString> counted;
    std::int64_t written = 0;
    for (const Row &r : out) {
        const Money net = controlNet.value(r.controlNodes);
        const bool first = !counted.contains(r.controlNodes);
        counted.insert(r.controlNodes);
        conn.execute(insert,
            {r.acCode, from, to, r.nodes, r.name, r.controlNodes, r.controlName, r.subNodes, r.subName,
                debitOf(r.opening), creditOf(r.opening), r.dr, r.cr, debitOf(r.closing), creditOf(r.closing),
                debitOf(net), creditOf(net), first ? 1 : 0});
        ++written;
    }
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
