#include "reports/report_procedures.h"

#include "fees/fee_figures.h"
#include "reports/reports.h"

#include <QHash>
#include <QMap>
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

// The account's balance before `from`: its opening balance and every posting dated earlier.
Money balanceBefore(db::Connection &conn, std::int64_t account, QDate from)
{
    const Money opening
        = conn.scalar(QStringLiteral("Select OpenBal From Accounts Where RowID = ?"), {account}).toMoney();
    const Money earlier
        = conn.scalar(QStringLiteral("Select money(ifnull(sum(DrAmt), 0) - ifnull(sum(CrAmt), 0)) "
                                     "From DetJV Where AcCode = ? And VouDate < ?"),
                  {account, from})
              .toMoney();
    return opening + earlier;
}

struct LedgerLine {
    QDate date;
    Value vouNo, vouStatus, entryNo, oppAc;
    QString oppName, cheque, narration;
    Money dr, cr;
};

std::int64_t fillLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to, bool perPosting)
{
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From rptLedger"));

    db::Recordset rs;
    rs.open(QStringLiteral("Select d.VouDate, d.VouNo, d.VouStatus, d.EntryNo, d.CrAc, a.AcName, d.ChecqNo, "
                           "d.Naration, d.DrAmt, d.CrAmt "
                           "From DetJV d Left Join Accounts a On a.RowID = d.CrAc "
                           "Where d.AcCode = ? And d.VouDate Between ? And ? "
                           "Order By d.VouDate, d.VouStatus, d.VouNo, d.EntryNo, d.rowid"),
        conn, {account, from, to});

    std::vector<LedgerLine> lines;
    for (; !rs.eof(); rs.moveNext()) {
        LedgerLine l;
        l.date = rs.fields(0).toDate();
        l.vouNo = rs.fields(1).value();
        l.vouStatus = rs.fields(2).value();
        l.entryNo = rs.fields(3).value();
        l.oppAc = rs.fields(4).value();
        l.oppName = rs.fields(5).toString();
        l.cheque = rs.fields(6).toString();
        l.narration = rs.fields(7).toString();
        l.dr = rs.fields(8).toMoney();
        l.cr = rs.fields(9).toMoney();
        LedgerLine *last = lines.empty() ? nullptr : &lines.back();
        if (!perPosting && last && last->date == l.date && last->vouNo == l.vouNo
            && last->vouStatus == l.vouStatus) {
            // One line per voucher: its postings to the account added up.
            last->dr += l.dr;
            last->cr += l.cr;
            if (!(last->oppAc == l.oppAc)) {
                last->oppAc = Value();
                last->oppName = QStringLiteral("(several accounts)");
            }
            if (last->narration.isEmpty())
                last->narration = l.narration;
            if (last->cheque.isEmpty())
                last->cheque = l.cheque;
            continue;
        }
        lines.push_back(l);
    }

    const QString insert = QStringLiteral(
        "Insert Into rptLedger (LineNo, AcCode, FromDate, ToDate, VouDate, VouNo, VouStatus, EntryNo, OppAc, "
        "OppName, ChecqNo, Naration, DrAmt, CrAmt, Balance) Values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Money balance = balanceBefore(conn, account, from);
    conn.execute(insert,
        {0, account, from, to, from, Value(), Value(), Value(), Value(), Value(), Value(),
            QStringLiteral("Opening Balance"), Money(), Money(), balance});
    int lineNo = 0;
    for (const LedgerLine &l : lines) {
        balance += l.dr - l.cr;
        conn.execute(insert,
            {++lineNo, account, from, to, l.date, l.vouNo, l.vouStatus, perPosting ? l.entryNo : Value(),
                l.oppAc, l.oppName.isEmpty() ? Value() : Value(l.oppName), l.cheque, l.narration, l.dr, l.cr,
                balance});
    }
    tx.commit();
    return lineNo + 1;
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
    rs.open(QStringLiteral("Select AcCode, VouDate < ? As Before, money(ifnull(sum(DrAmt), 0)), "
                           "money(ifnull(sum(CrAmt), 0)) From DetJV Where VouDate <= ? "
                           "Group By AcCode, VouDate < ?"),
        conn, {from, to, from});
    for (; !rs.eof(); rs.moveNext()) {
        const bool before = rs.fields(1).toInt() != 0;
        if (before && !withOpening)
            continue;
        Totals &t = totals[rs.fields(0).toInt()];
        if (before) {
            t.opening += rs.fields(2).toMoney() - rs.fields(3).toMoney();
        } else {
            t.dr += rs.fields(2).toMoney();
            t.cr += rs.fields(3).toMoney();
        }
    }

    const QString insert = QStringLiteral(
        "Insert Into rptTrialBalance (AcCode, FromDate, ToDate, AcNodes, AcName, ControlNodes, ControlName, "
        "SubNodes, SubName, OpenDr, OpenCr, DrAmt, CrAmt, CloseDr, CloseCr) Values "
        "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    auto debitOf = [](Money m) { return std::max(m, Money()); };
    auto creditOf = [](Money m) { return std::max(-m, Money()); };
    std::int64_t written = 0;
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const Totals &t = *it;
        if (t.opening == Money() && t.dr == Money() && t.cr == Money())
            continue;
        QString nodes, name, controlNodes, controlName, subNodes, subName;
        if (chart.contains(it.key())) {
            nodes = chart[it.key()].nodes;
            name = chart[it.key()].name;
            const QStringList parts = nodes.split(u'.');
            controlNodes = parts.value(0);
            controlName = titleOfNodes.value(controlNodes);
            if (parts.size() > 1) {
                subNodes = parts.mid(0, 2).join(u'.');
                subName = titleOfNodes.value(subNodes);
            }
        } else {
            name = QStringLiteral("(account %1, not in the chart of accounts)").arg(it.key());
        }
        const Money closing = t.opening + t.dr - t.cr;
        conn.execute(insert,
            {it.key(), from, to, nodes, name, controlNodes, controlName, subNodes, subName,
                debitOf(t.opening), creditOf(t.opening), t.dr, t.cr, debitOf(closing), creditOf(closing)});
        ++written;
    }
    tx.commit();
    return written;
}

std::int64_t creatStuWiseDet(
    db::Connection &conn, std::int64_t session, std::int64_t course, std::int64_t subject)
{
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
