#include "feereceipt_rules.h"

#include "voucher_rules.h"

namespace fees {

using vouchers::Refused;

namespace {

const QString kNoLine = QStringLiteral("Please enter less than one entry in detail");

db::Value textOrNull(const QString &s)
{
    return s.isEmpty() ? db::Value() : db::Value(s);
}

db::Value keyOrNull(std::int64_t key)
{
    return key > 0 ? db::Value(static_cast<long long>(key)) : db::Value();
}

bool tableExists(db::Connection &conn, const QString &name)
{
    return conn.scalar(QStringLiteral("Select count(*) From sqlite_master Where type = 'table' "
                                      "And name = ? COLLATE NOCASE"),
                   {name})
               .toInt()
        > 0;
}

void checkReceipt(const Receipt &r)
{
    if (r.lines.empty())
        throw Refused(kNoLine);
    if (!r.date.isValid())
        throw Refused(QStringLiteral("Please enter a valid voucher date."));
    if (r.slipNo.size() > 10)
        throw Refused(QStringLiteral("The slip number may have at most 10 characters."));
    for (const ReceiptLine &l : r.lines) {
        if (l.subId <= 0)
            throw Refused(QStringLiteral("please select subject "));
        if (l.cashAccount <= 0)
            throw Refused(QStringLiteral("Please Select Debit Account"));
        if (l.student <= 0)
            throw Refused(QStringLiteral("Please Select Credit Account"));
        if (l.cashAccount == l.student)
            throw Refused(
                QStringLiteral("same account title not allow, please change debit or cedit Account"));
        if (l.amount <= db::Money())
            throw Refused(QStringLiteral("please enter Amount"));
    }
}

} // namespace

std::int32_t nextReceiptNo(db::Connection &conn)
{
    // The series counts over its lines; a master left without lines must not
    // be taken over by a new receipt either.
    const db::Value last = conn.scalar(
        QStringLiteral("Select max(n) From (Select max(VouNo) as n From DetJV Where VouStatus = 'FR' "
                       "Union All Select max(VouNo) From MasJV Where VouStatus = 'FR')"));
    return last.isNull() ? 1 : std::int32_t(last.toInt() + 1);
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
    if (tableExists(conn, QStringLiteral("tblDetCarryForw"))) {
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

db::Money total(const Receipt &r)
{
    db::Money sum;
    for (const ReceiptLine &l : r.lines)
        sum += l.amount;
    return sum;
}

std::int32_t saveReceipt(db::Connection &conn, const Receipt &r, const QString &login)
{
    checkReceipt(r);
    const QString mode = r.bank ? QStringLiteral("BANK") : QStringLiteral("CASH");

    db::Transaction tx(conn);
    std::int32_t no = r.vouNo;
    if (r.isNew) {
        // Read inside the write transaction: no other copy can take it meanwhile.
        no = nextReceiptNo(conn);
        conn.execute(QStringLiteral("Insert Into MasJV (VouNo, VouDate, PaidReceive, SlipNo, VouStatus, "
                                    "TotalAmount, Login, IRStatus) Values (?, ?, ?, ?, ?, ?, ?, ?)"),
            {no, r.date, r.paidReceive, textOrNull(r.slipNo), kReceiptKind, total(r), login, mode});
    } else {
        const QString now = vouchers::voucherStamp(conn, kReceiptKind, no);
        if (now.isEmpty())
            throw Refused(QStringLiteral("Voucher %1 has been deleted by another user since it was opened; "
                                         "it was not saved.")
                              .arg(no));
        if (now != r.stamp)
            throw Refused(QStringLiteral("Voucher %1 has been changed by another user since it was opened; "
                                         "it was not saved. Open it again to see the changes.")
                              .arg(no));
        conn.execute(
            QStringLiteral("Update MasJV Set VouDate = ?, PaidReceive = ?, SlipNo = ?, TotalAmount = ?, "
                           "Login = ?, IRStatus = ? Where VouNo = ? And VouStatus = ?"),
            {r.date, r.paidReceive, textOrNull(r.slipNo), total(r), login, mode, no, kReceiptKind});
    }

    conn.execute(QStringLiteral("Delete From DetJV Where VouNo = ? And VouStatus = ?"), {no, kReceiptKind});
    const QString insert = QStringLiteral(
        "Insert Into DetJV (VouNo, EntryNo, AcCode, DrAmt, CrAmt, ChecqNo, Naration, CrAc, SessionID, SubID, "
        "VouStatus, VouDate) Values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    std::int32_t entry = 0;
    for (const ReceiptLine &l : r.lines) {
        ++entry;
        const long long cash = l.cashAccount, student = l.student, sub = l.subId;
        conn.execute(insert,
            {no, entry, cash, l.amount, db::Money(), l.chequeNo, l.narration, student, keyOrNull(l.sessionId),
                sub, kReceiptKind, r.date});
        conn.execute(insert,
            {no, entry, student, db::Money(), l.amount, l.chequeNo, l.narration, cash, keyOrNull(l.sessionId),
                sub, kReceiptKind, r.date});
    }

    // What is stored must be what was meant (a trigger or a conversion could change it).
    db::Recordset check;
    check.open(QStringLiteral("Select money(sum(DrAmt)) as Dr, money(sum(CrAmt)) as Cr, count(*) as N "
                              "From DetJV Where VouNo = ? And VouStatus = ?"),
        conn, {no, kReceiptKind});
    if (check.fields(QStringLiteral("N")).toInt() != std::int64_t(2 * r.lines.size())
        || check.fields(QStringLiteral("Dr")).toMoney() != total(r)
        || check.fields(QStringLiteral("Cr")).toMoney() != total(r))
        throw Refused(
            QStringLiteral("The debits and credits of this voucher do not balance; it was not saved."));
    tx.commit();
    return no;
}

OpenedReceipt openReceipt(db::Connection &conn, std::int32_t vouNo)
{
    OpenedReceipt out;
    db::Recordset rs;
    rs.open(QStringLiteral("Select VouDate, PaidReceive, SlipNo, IRStatus, ChecqNo From MasJV "
                           "Where VouNo = ? And VouStatus = ?"),
        conn, {vouNo, kReceiptKind});
    if (rs.recordCount() < 1)
        return out;
    out.found = true;
    out.date = rs.fields(QStringLiteral("VouDate")).toDate();
    out.paidReceive = rs.fields(QStringLiteral("PaidReceive")).toString();
    out.slipNo = rs.fields(QStringLiteral("SlipNo")).toString();
    out.irStatus = rs.fields(QStringLiteral("IRStatus")).toString();
    out.chequeNo = rs.fields(QStringLiteral("ChecqNo")).toString();

    rs.open(
        QStringLiteral("Select AcCode, CrAc, (Select AcName From Accounts Where RowID = d.CrAc) as AcNames, "
                       "(Select AcName From Accounts Where RowID = d.AcCode) as CrName, CrAmt, ChecqNo, "
                       "Naration, SessionID, SubID From DetJV d "
                       "Where VouNo = ? And VouStatus = ? And CrAmt > 0 Order By EntryNo, rowid"),
        conn, {vouNo, kReceiptKind});
    for (; !rs.eof(); rs.moveNext()) {
        ReceiptLine l;
        l.student = rs.fields(QStringLiteral("AcCode")).toInt();
        l.cashAccount = rs.fields(QStringLiteral("CrAc")).toInt();
        l.cashName = rs.fields(QStringLiteral("AcNames")).toString();
        l.studentName = rs.fields(QStringLiteral("CrName")).toString();
        l.amount = rs.fields(QStringLiteral("CrAmt")).toMoney();
        l.chequeNo = rs.fields(QStringLiteral("ChecqNo")).toString();
        l.narration = rs.fields(QStringLiteral("Naration")).toString();
        l.sessionId = rs.fields(QStringLiteral("SessionID")).toInt();
        l.subId = rs.fields(QStringLiteral("SubID")).toInt();
        out.lines.push_back(l);
    }
    out.stamp = vouchers::voucherStamp(conn, kReceiptKind, vouNo);
    return out;
}

void deleteReceipt(db::Connection &conn, std::int32_t vouNo, const QString &stamp)
{
    db::Transaction tx(conn);
    if (!stamp.isEmpty()) {
        const QString now = vouchers::voucherStamp(conn, kReceiptKind, vouNo);
        if (now.isEmpty())
            throw Refused(QStringLiteral("Voucher %1 has already been deleted by another user.").arg(vouNo));
        if (now != stamp)
            throw Refused(QStringLiteral("Voucher %1 has been changed by another user since it was opened; "
                                         "it was not deleted. Open it again to see the changes.")
                              .arg(vouNo));
    }
    conn.execute(
        QStringLiteral("Delete From DetJV Where VouNo = ? And VouStatus = ?"), {vouNo, kReceiptKind});
    conn.execute(
        QStringLiteral("Delete From MasJV Where VouNo = ? And VouStatus = ?"), {vouNo, kReceiptKind});
    tx.commit();
}

bool searchReceipts(
    db::Recordset &rs, db::Connection &conn, const QString &criterion, const QString &text, const QDate &date)
{
    const QString head = QStringLiteral(
        "Select a.VouNo, strftime('%d-%m-%Y', a.VouDate) as VouDate, a.SlipNo as slipNo, a.PaidReceive, "
        "a.TotalAmount, case when (Select count(VouNo) From DetJV Where VouStatus = 'FR' And VouNo = a.VouNo "
        "And DrAmt > 0) > 1 then 'M' end as Multi, a.IRStatus as IRSTATUS From MasJV a "
        "Where a.VouStatus = 'FR' ");
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

common::PrintJob slipJob(std::int32_t vouNo, const QString &user, const QString &password)
{
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rptSlip.rpt");
    job.user = user;
    job.password = password;
    job.selection
        = QStringLiteral("{MasJV.VouNo}= %1 and {MasJV.VouStatus} = 'FR' and {DetJv.CrAmt} > 0").arg(vouNo);
    return job;
}

} // namespace fees
