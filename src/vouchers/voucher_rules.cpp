#include "voucher_rules.h"

#include <QStringList>

namespace vouchers {

namespace {

const QString kNoLine = QStringLiteral("Please enter less than one entry in detail");
const QString kNoDebit = QStringLiteral("Please Select Debit Account");
const QString kNoCredit = QStringLiteral("Please Select Credit Account");
const QString kSameAccount
    = QStringLiteral("same account title not allow, please change debit or cedit Account");
const QString kNoAmount = QStringLiteral("please enter Amount");

db::Value textOrNull(const QString &s)
{
    return s.isEmpty() ? db::Value() : db::Value(s);
}

void checkKind(const QString &kind)
{
    if (!isVoucherKind(kind))
        throw Refused(QStringLiteral("Unknown voucher kind '%1'.").arg(kind));
}

// Which rows of a stored voucher are its lines: the debit rows, except on
// the receipts read back from their credit side.
bool linesOnCreditSide(const QString &kind)
{
    return kind == QLatin1String("BR") || kind == QLatin1String("CR");
}

void checkLines(const Voucher &v)
{
    if (v.lines.empty())
        throw Refused(kNoLine);
    if (!v.date.isValid())
        throw Refused(QStringLiteral("Please enter a valid voucher date."));
    for (const Line &l : v.lines) {
        if (l.debit <= 0)
            throw Refused(kNoDebit);
        if (l.credit <= 0)
            throw Refused(kNoCredit);
        if (l.debit == l.credit)
            throw Refused(kSameAccount);
        if (l.amount <= db::Money())
            throw Refused(kNoAmount);
    }
    if (isCashKind(v.kind)) {
        // Every line of a cash voucher names the one cash account.
        const bool payment = v.kind == QLatin1String("CP");
        const std::int64_t cash = payment ? v.lines.front().credit : v.lines.front().debit;
        for (const Line &l : v.lines) {
            if ((payment ? l.credit : l.debit) != cash)
                throw Refused(
                    QStringLiteral("The lines of a cash voucher must all name the same cash account."));
        }
    }
}

} // namespace

bool isCashKind(const QString &kind)
{
    return kind == QLatin1String("CP") || kind == QLatin1String("CR");
}

bool isVoucherKind(const QString &kind)
{
    static const QStringList kinds = {"CP", "CR", "BP", "BR", "JV"};
    return kinds.contains(kind);
}

std::int32_t nextNumber(db::Connection &conn, const QString &kind, std::int32_t startNo)
{
    const db::Value last
        = conn.scalar(QStringLiteral("Select max(VouNo) From MasJV Where VouStatus = ?"), {kind});
    if (last.isNull())
        return startNo;
    return std::int32_t(last.toInt() + 1);
}

std::vector<Posting> postings(const Voucher &v)
{
    std::vector<Posting> rows;
    std::int32_t entry = 0;
    const auto lineRow = [](std::int32_t entryNo, const Line &l) {
        Posting p;
        p.entryNo = entryNo;
        p.chequeNo = l.chequeNo;
        p.narration = l.narration;
        p.fileNo = textOrNull(l.fileNo);
        p.billNo = textOrNull(l.billNo);
        return p;
    };
    if (!isCashKind(v.kind)) {
        for (const Line &l : v.lines) {
            ++entry;
            Posting dr = lineRow(entry, l);
            dr.acCode = l.debit;
            dr.crAc = db::Value(static_cast<long long>(l.credit));
            dr.drAmt = l.amount;
            Posting cr = lineRow(entry, l);
            cr.acCode = l.credit;
            cr.crAc = db::Value(static_cast<long long>(l.debit));
            cr.crAmt = l.amount;
            rows.push_back(dr);
            rows.push_back(cr);
        }
        return rows;
    }

    const bool payment = v.kind == QLatin1String("CP");
    db::Money sum;
    std::int64_t cash = 0;
    for (const Line &l : v.lines) {
        ++entry;
        Posting p = lineRow(entry, l);
        cash = payment ? l.credit : l.debit;
        p.acCode = payment ? l.debit : l.credit;
        p.crAc = db::Value(static_cast<long long>(cash));
        (payment ? p.drAmt : p.crAmt) = l.amount;
        sum += l.amount;
        rows.push_back(p);
    }
    if (!v.lines.empty()) {
        Posting c;
        c.entryNo = entry + 1;
        c.acCode = cash;
        (payment ? c.crAmt : c.drAmt) = sum;
        c.narration = v.lines.front().narration;
        rows.push_back(c);
    }
    return rows;
}

db::Money total(const Voucher &v)
{
    db::Money sum;
    for (const Line &l : v.lines)
        sum += l.amount;
    return sum;
}

void checkBalanced(const std::vector<Posting> &rows)
{
    db::Money dr, cr;
    for (const Posting &p : rows) {
        dr += p.drAmt;
        cr += p.crAmt;
    }
    if (rows.empty() || dr != cr)
        throw Refused(
            QStringLiteral("The debits and credits of this voucher do not balance; it was not saved."));
}

QString voucherStamp(db::Connection &conn, const QString &kind, std::int32_t vouNo)
{
    db::Recordset rs;
    rs.open(QStringLiteral("Select VouDate, PaidReceive, TotalAmount, Login, ChecqNo, SlipNo, IRStatus "
                           "From MasJV Where VouNo = ? And VouStatus = ?"),
        conn, {vouNo, kind});
    if (rs.recordCount() < 1)
        return {};
    QStringList parts;
    const auto take = [&parts](db::Recordset &r) {
        for (int row = 0; row < r.recordCount(); ++row) {
            QStringList cells;
            for (int c = 0; c < r.fieldCount(); ++c) {
                const db::Value &v = r.at(row, c);
                cells << (v.isNull() ? QStringLiteral("\x01") : v.toString());
            }
            parts << cells.join(QChar(0x1f));
        }
    };
    take(rs);
    rs.open(QStringLiteral("Select EntryNo, AcCode, CrAc, DrAmt, CrAmt, VouDate, ChecqNo, Naration, FileNo, "
                           "BillNo, SessionID, SubID From DetJV Where VouNo = ? And VouStatus = ? "
                           "Order By EntryNo, rowid"),
        conn, {vouNo, kind});
    take(rs);
    return parts.join(QChar(0x1e));
}

std::int32_t saveVoucher(db::Connection &conn, const Voucher &v, const QString &login, std::int32_t startNo)
{
    checkKind(v.kind);
    checkLines(v);
    const std::vector<Posting> rows = postings(v);
    checkBalanced(rows);

    db::Transaction tx(conn);
    std::int32_t no = v.vouNo;
    if (v.isNew) {
        // Read inside the write transaction: no other copy can take it meanwhile.
        no = nextNumber(conn, v.kind, startNo);
        conn.execute(QStringLiteral("Insert Into MasJV (VouNo, VouStatus, VouDate, PaidReceive, TotalAmount, "
                                    "Login) Values (?, ?, ?, ?, ?, ?)"),
            {no, v.kind, v.date, v.paidReceive, total(v), login});
    } else {
        const QString now = voucherStamp(conn, v.kind, no);
        if (now.isEmpty())
            throw Refused(QStringLiteral("Voucher %1 has been deleted by another user since it was opened; "
                                         "it was not saved.")
                              .arg(no));
        if (now != v.stamp)
            throw Refused(QStringLiteral("Voucher %1 has been changed by another user since it was opened; "
                                         "it was not saved. Open it again to see the changes.")
                              .arg(no));
        conn.execute(
            QStringLiteral("Update MasJV Set VouDate = ?, PaidReceive = ?, TotalAmount = ?, Login = ? "
                           "Where VouNo = ? And VouStatus = ?"),
            {v.date, v.paidReceive, total(v), login, no, v.kind});
    }

    conn.execute(QStringLiteral("Delete From DetJV Where VouNo = ? And VouStatus = ?"), {no, v.kind});
    for (const Posting &p : rows) {
        conn.execute(
            QStringLiteral("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, "
                           "CrAmt, ChecqNo, Naration, FileNo, BillNo) "
                           "Values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {no, v.kind, v.date, p.entryNo, static_cast<long long>(p.acCode), p.crAc, p.drAmt, p.crAmt,
                p.chequeNo, p.narration, p.fileNo, p.billNo});
    }

    // What is stored must balance too (a trigger or a conversion could change it).
    db::Recordset check;
    check.open(QStringLiteral("Select money(sum(DrAmt)) as Dr, money(sum(CrAmt)) as Cr, count(*) as N "
                              "From DetJV Where VouNo = ? And VouStatus = ?"),
        conn, {no, v.kind});
    if (check.fields(QStringLiteral("N")).toInt() != std::int64_t(rows.size())
        || check.fields(QStringLiteral("Dr")).toMoney() != check.fields(QStringLiteral("Cr")).toMoney())
        throw Refused(
            QStringLiteral("The debits and credits of this voucher do not balance; it was not saved."));
    tx.commit();
    return no;
}

OpenedVoucher openVoucher(db::Connection &conn, const QString &kind, std::int32_t vouNo)
{
    checkKind(kind);
    OpenedVoucher out;
    db::Recordset rs;
    rs.open(
        QStringLiteral("Select VouDate, PaidReceive, ChecqNo From MasJV Where VouNo = ? And VouStatus = ?"),
        conn, {vouNo, kind});
    if (rs.recordCount() < 1)
        return out;
    out.found = true;
    out.date = rs.fields(QStringLiteral("VouDate")).toDate();
    out.paidReceive = rs.fields(QStringLiteral("PaidReceive")).toString();
    out.chequeNo = rs.fields(QStringLiteral("ChecqNo")).toString();

    const bool creditSide = linesOnCreditSide(kind);
    rs.open(QStringLiteral(
                "Select AcCode, CrAc, (Select AcName From Accounts Where RowID = d.AcCode) as AcNames, "
                "(Select AcName From Accounts Where RowID = d.CrAc) as CrName, DrAmt, CrAmt, "
                "ChecqNo, Naration, FileNo, BillNo From DetJV d "
                "Where VouNo = ? And VouStatus = ? And %1 > 0 Order By EntryNo, rowid")
                .arg(creditSide ? QStringLiteral("CrAmt") : QStringLiteral("DrAmt")),
        conn, {vouNo, kind});
    for (; !rs.eof(); rs.moveNext()) {
        Line l;
        const std::int64_t ac = rs.fields(QStringLiteral("AcCode")).toInt();
        const std::int64_t other = rs.fields(QStringLiteral("CrAc")).toInt();
        const QString acName = rs.fields(QStringLiteral("AcNames")).toString();
        const QString otherName = rs.fields(QStringLiteral("CrName")).toString();
        if (creditSide) {
            l.credit = ac;
            l.creditName = acName;
            l.debit = other;
            l.debitName = otherName;
            l.amount = rs.fields(QStringLiteral("CrAmt")).toMoney();
        } else {
            l.debit = ac;
            l.debitName = acName;
            l.credit = other;
            l.creditName = otherName;
            l.amount = rs.fields(QStringLiteral("DrAmt")).toMoney();
        }
        l.chequeNo = rs.fields(QStringLiteral("ChecqNo")).toString();
        l.narration = rs.fields(QStringLiteral("Naration")).toString();
        l.fileNo = rs.fields(QStringLiteral("FileNo")).toString();
        l.billNo = rs.fields(QStringLiteral("BillNo")).toString();
        out.lines.push_back(l);
    }
    out.stamp = voucherStamp(conn, kind, vouNo);
    return out;
}

void deleteVoucher(db::Connection &conn, const QString &kind, std::int32_t vouNo, const QString &stamp)
{
    checkKind(kind);
    db::Transaction tx(conn);
    if (!stamp.isEmpty()) {
        const QString now = voucherStamp(conn, kind, vouNo);
        if (now.isEmpty())
            throw Refused(QStringLiteral("Voucher %1 has already been deleted by another user.").arg(vouNo));
        if (now != stamp)
            throw Refused(QStringLiteral("Voucher %1 has been changed by another user since it was opened; "
                                         "it was not deleted. Open it again to see the changes.")
                              .arg(vouNo));
    }
    conn.execute(QStringLiteral("Delete From DetJV Where VouNo = ? And VouStatus = ?"), {vouNo, kind});
    conn.execute(QStringLiteral("Delete From MasJV Where VouNo = ? And VouStatus = ?"), {vouNo, kind});
    tx.commit();
}

bool searchVouchers(db::Recordset &rs, db::Connection &conn, const QString &kind, const QString &criterion,
    const QString &text, const QDate &date)
{
    checkKind(kind);
    const QString lineSide = kind == QLatin1String("CR") ? QStringLiteral("CrAmt") : QStringLiteral("DrAmt");
    const QString head = QStringLiteral(
        "Select a.VouNo, strftime('%d-%m-%Y', a.VouDate) as VouDate, a.PaidReceive, a.TotalAmount, "
        "case when (Select count(VouNo) From DetJV Where VouStatus = ? And VouNo = a.VouNo And %1 > 0) > 1 "
        "then 'M' end as Multi From MasJV a Where a.VouStatus = ? ")
                             .arg(lineSide);
    const QString order = QStringLiteral(" Order By a.VouNo desc");
    if (criterion == QLatin1String("Voucher #")) {
        rs.open(head + QStringLiteral("And cast(a.VouNo as text) Like ? ESCAPE '\\'") + order, conn,
            {kind, kind, db::likeContains(text)});
    } else if (criterion == QLatin1String("Date")) {
        rs.open(head + QStringLiteral("And a.VouDate = ?") + order, conn, {kind, kind, date});
    } else if (criterion == QLatin1String("Paid To")) {
        rs.open(head + QStringLiteral("And a.PaidReceive Like ? ESCAPE '\\'") + order, conn,
            {kind, kind, db::likeContains(text)});
    } else {
        return false;
    }
    return true;
}

common::PrintJob printJob(
    const QString &kind, std::int32_t vouNo, const QString &user, const QString &password)
{
    checkKind(kind);
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rpt%1.rpt").arg(kind);
    job.user = user;
    job.password = password;
    job.selection
        = QStringLiteral("{MasJV.VouNo}= %1 and {MasJV.VouStatus} = '%2' and {Company.comActive} = 'Y'")
              .arg(vouNo)
              .arg(kind);
    return job;
}

} // namespace vouchers
