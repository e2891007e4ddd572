#include "fees/feereceipt_rules.h"

#include "books/journal.h"
#include "common/refusal.h"

namespace fees {

using common::Refused;

namespace {

const QString kNoLine = QStringLiteral("Please enter less than one entry in detail");

// What the journal does not know of a receipt: every line names a subject.
// The journal checks the rest (lines, accounts, amounts, balance).
void checkReceipt(const Receipt &r)
{
    if (r.lines.empty())
        throw Refused(kNoLine);
    if (r.slipNo.size() > 10)
        throw Refused(QStringLiteral("The slip number may have at most 10 characters."));
    for (const books::Line &l : r.lines) {
        if (l.subId <= 0)
            throw Refused(QStringLiteral("please select subject "));
    }
}

} // namespace

std::int64_t nextReceiptNo(db::Connection &conn)
{
    return books::nextNumber(conn, books::Kind::FR);
}

StudentAdmission studentAdmission(db::Connection &conn, std::int64_t account)
{
    StudentAdmission out;
    db::Recordset rs;
    rs.open(QStringLiteral("Select SessionID, AppID From tblMasApp Where CusCode = ? Order By AppID"), conn,
        {static_cast<long long>(account)});
    if (rs.recordCount() < 1)
        return out;
    out.found = true;
    out.appId = rs.fields(QStringLiteral("AppID")).toInt();
    out.sessionId = rs.fields(QStringLiteral("SessionID")).toString();
    // The carry-forward tables come with the carry-forward window.
    if (conn.hasTable(QStringLiteral("tblDetCarryForw"))) {
        rs.open(
            QStringLiteral("Select SessionID From tblDetCarryForw Where AppID = ? Order By FormID, rowid"),
            conn, {static_cast<long long>(out.appId)});
        if (rs.recordCount() > 0) {
            rs.moveLast();
            out.sessionId = rs.fields(QStringLiteral("SessionID")).toString();
        }
    }
    return out;
}

void openSessions(db::Recordset &rs, db::Connection &conn)
{
    rs.open(QStringLiteral("Select SessionId, SessionName From tblSession Order By SessionName"), conn);
}

void openStudentSubjects(db::Recordset &rs, db::Connection &conn, std::int64_t account)
{
    rs.open(
        QStringLiteral("Select SubId, SubName From tblSubject Where SubId In (Select SubID From tblDetApp "
                       "Where AppID In (Select AppID From tblMasApp Where CusCode = ?)) Order By SubId"),
        conn, {static_cast<long long>(account)});
}

std::int64_t saveReceipt(db::Connection &conn, const Receipt &r, const QString &login)
{
    checkReceipt(r);
    books::Entry e = r;
    e.kind = books::Kind::FR;
    // A receipt is paid in cash unless it says bank.
    e.payment = r.payment == books::Payment::Bank ? books::Payment::Bank : books::Payment::Cash;
    e.login = login;
    if (r.isNew)
        return books::post(conn, e);
    books::replace(conn, e, r.stamp);
    return r.number;
}

OpenedReceipt openReceipt(db::Connection &conn, std::int64_t vouNo)
{
    return books::open(conn, books::Kind::FR, vouNo);
}

void deleteReceipt(db::Connection &conn, std::int64_t vouNo, const QString &stamp)
{
    books::remove(conn, books::Kind::FR, vouNo, stamp);
}

bool searchReceipts(
    db::Recordset &rs, db::Connection &conn, const QString &criterion, const QString &text, const QDate &date)
{
    const QString head = QStringLiteral(
        "Select a.VouNo, strftime('%d-%m-%Y', a.VouDate) as VouDate, a.SlipNo as slipNo, a.PaidReceive, "
        "a.TotalAmount, case when n.Lines > 1 then 'M' end as Multi, a.IRStatus as IRSTATUS From MasJV a "
        "Left Join (Select VouNo, count(*) as Lines From DetJV Where VouStatus = 'FR' And DrAmt > 0 "
        "Group By VouNo) n On n.VouNo = a.VouNo Where a.VouStatus = 'FR' ");
    const QString order = QStringLiteral(" Order By a.VouNo desc");
    if (criterion == QLatin1String("Voucher #")) {
        rs.open(head + QStringLiteral("And cast(a.VouNo as text) Like ? ESCAPE '\\'") + order, conn,
            {db::likeContains(text)});
    } else if (criterion == QLatin1String("Date")) {
        rs.open(head + QStringLiteral("And a.VouDate = ?") + order, conn, {date});
    } else if (criterion == QLatin1String("Slip No.")) {
        rs.open(
            head + QStringLiteral("And a.SlipNo Like ? ESCAPE '\\'") + order, conn, {db::likeContains(text)});
    } else if (criterion == QLatin1String("Paid To")) {
        rs.open(head + QStringLiteral("And a.PaidReceive Like ? ESCAPE '\\'") + order, conn,
            {db::likeContains(text)});
    } else {
        return false;
    }
    return true;
}

common::PrintJob slipJob(std::int64_t vouNo, const QString &user, const QString &password)
{
    common::PrintJob job = common::reportJob(QStringLiteral("\\rptSlip.rpt"), user, password);
    job.selection
        = QStringLiteral("{MasJV.VouNo}= %1 and {MasJV.VouStatus} = 'FR' and {DetJv.CrAmt} > 0").arg(vouNo);
    job.mustExist = QStringLiteral("Select m.VouNo From MasJV m Where m.VouNo = ? And m.VouStatus = 'FR' "
                                   "And Exists (Select 1 From DetJV d Where d.VouNo = m.VouNo "
                                   "And d.VouStatus = 'FR' And d.CrAmt > 0)");
    job.mustExistParams = {vouNo};
    job.notFound = QStringLiteral("Voucher not found!");
    return job;
}

} // namespace fees
