#include "books/journal.h"

#include <QStringList>

#include <algorithm>

namespace books {

namespace {

const QString kUnbalanced
    = QStringLiteral("The debits and credits of this voucher do not balance; it was not saved.");
const QString kTooLarge
    = QStringLiteral("The total of this voucher is too large for an amount; it was not saved.");

db::Value textOrNull(const QString &s)
{
    return s.isEmpty() ? db::Value() : db::Value(s);
}

db::Value key(std::int64_t k)
{
    return db::Value(static_cast<long long>(k));
}

db::Value keyOrNull(std::int64_t k)
{
    return k > 0 ? key(k) : db::Value();
}

// The stored code of every kind: the one table both ways go through.
struct KindCode {
    Kind kind;
    const char *code;
};
constexpr KindCode kCodes[] = {{Kind::CP, "CP"}, {Kind::CR, "CR"}, {Kind::BP, "BP"}, {Kind::BR, "BR"},
    {Kind::JV, "JV"}, {Kind::FR, "FR"}, {Kind::CF, "CF"}, {Kind::AR, "AR"}};

// The side whose rows stand one per entered line when an entry is read back.
bool linesOnCreditSide(Kind kind)
{
    return kind == Kind::BR || kind == Kind::CR || kind == Kind::FR || kind == Kind::CF;
}

void checkEntry(const Entry &e)
{
    const Shape shape = shapeOf(e.kind);
    if (!e.date.isValid() && !e.lines.empty())
        throw Refused(QStringLiteral("Please enter a valid voucher date."));
    if (e.lines.empty() && hasMaster(e.kind))
        throw Refused(QStringLiteral("Please enter less than one entry in detail"));
    for (const Line &l : e.lines) {
        if (shape == Shape::CreditOnly) {
            // A line without an amount posts nothing and needs no account.
            if (l.amount < db::Money())
                throw Refused(QStringLiteral("please enter Amount"));
            if (l.amount > db::Money() && l.credit <= 0)
                throw Refused(QStringLiteral("Please Select Credit Account"));
            continue;
        }
        if (l.debit <= 0)
            throw Refused(QStringLiteral("Please Select Debit Account"));
        if (l.credit <= 0)
            throw Refused(QStringLiteral("Please Select Credit Account"));
        if (l.debit == l.credit)
            throw Refused(
                QStringLiteral("same account title not allow, please change debit or cedit Account"));
        if (l.amount <= db::Money())
            throw Refused(QStringLiteral("please enter Amount"));
    }
    if (shape == Shape::CashPayment || shape == Shape::CashReceipt) {
        // The cash row posts the total to one account, so every line must name it.
        const bool payment = shape == Shape::CashPayment;
        const std::int64_t cash = payment ? e.lines.front().credit : e.lines.front().debit;
        for (const Line &l : e.lines) {
            if ((payment ? l.credit : l.debit) != cash)
                throw Refused(
                    QStringLiteral("The lines of a cash voucher must all name the same cash account."));
        }
    }
}

Posting lineRow(std::int32_t entryNo, const Line &l)
{
    Posting p;
    p.entryNo = entryNo;
    p.chequeNo = l.chequeNo;
    p.narration = l.narration;
    p.fileNo = textOrNull(l.fileNo);
    p.billNo = textOrNull(l.billNo);
    p.sessionId = keyOrNull(l.sessionId);
    p.subId = keyOrNull(l.subId);
    return p;
}

// Refuses unless the stored entry is still the one that was opened.
void checkUnchanged(
    db::Connection &conn, Kind kind, std::int64_t number, const QString &opened, const QString &what)
{
    const QString now = stamp(conn, kind, number);
    if (now.isEmpty() && what == QLatin1String("deleted"))
        throw Refused(QStringLiteral("Voucher %1 has already been deleted by another user.").arg(number),
            Refused::Conflict::Gone);
    if (now.isEmpty())
        throw Refused(QStringLiteral("Voucher %1 has been deleted by another user since it was opened; "
                                     "it was not %2.")
                          .arg(number)
                          .arg(what),
            Refused::Conflict::Gone);
    if (now != opened)
        throw Refused(QStringLiteral("Voucher %1 has been changed by another user since it was opened; "
                                     "it was not %2. Open it again to see the changes.")
                          .arg(number)
                          .arg(what),
            Refused::Conflict::Changed);
}

// Every row must post to a subsidiary account that exists now: read inside
// the write transaction, so an account deleted by another user meanwhile is
// caught. The name the caller knows the account by is used when it has gone.
void checkAccounts(db::Connection &conn, const Entry &e, const std::vector<Posting> &rows)
{
    std::vector<std::int64_t> seen;
    for (const Posting &p : rows) {
        if (std::find(seen.begin(), seen.end(), p.acCode) != seen.end())
            continue;
        seen.push_back(p.acCode);
        db::Recordset rs;
        rs.open(
            QStringLiteral("Select AcName, AcStatus From Accounts Where RowID = ?"), conn, {key(p.acCode)});
        if (rs.recordCount() < 1) {
            QString name;
            for (const Line &l : e.lines) {
                if (l.debit == p.acCode && !l.debitName.isEmpty())
                    name = l.debitName;
                else if (l.credit == p.acCode && !l.creditName.isEmpty())
                    name = l.creditName;
            }
            throw Refused(QStringLiteral("The account %1 no longer exists; another user may have deleted it. "
                                         "Please select the account again; nothing was saved.")
                              .arg(name.isEmpty() ? QString::number(p.acCode)
                                                  : QStringLiteral("\"%1\"").arg(name.trimmed())));
        }
        if (rs.fields(QStringLiteral("AcStatus"))
                .toString()
                .trimmed()
                .compare(QLatin1String("DD"), Qt::CaseInsensitive)
            != 0)
            throw Refused(
                QStringLiteral("The account \"%1\" is not a subsidiary account and cannot be posted "
                               "to. Please select a subsidiary account; nothing was saved.")
                    .arg(rs.fields(QStringLiteral("AcName")).toString().trimmed()));
    }
}

// The month key of a stored VouDate, spelled so that both engines read it
// alike (the schema step that first filled the totals spells it so too).
const QString kYearMonth = QStringLiteral(
    "CAST(substr(CAST(VouDate AS TEXT), 1, 4) || substr(CAST(VouDate AS TEXT), 6, 2) AS INTEGER)");

// Adds the postings that `where` picks to the kept totals, or with `sign`
// "-" takes them away. oru_add (both engines) refuses a total past what a
// money column holds, where a plain + would leave a real number behind on
// the embedded engine; the save then fails with OverflowError.
void addToTotals(db::Connection &conn, const char *sign, const QString &where, const db::Params &params)
{
    const QString dr = *sign ? QStringLiteral("oru_add(0, -coalesce(sum(DrAmt), 0))")
                             : QStringLiteral("coalesce(sum(DrAmt), 0)");
    QString cr = dr;
    cr.replace(QLatin1String("DrAmt"), QLatin1String("CrAmt"));
    conn.execute(QStringLiteral("Insert Into AcMonthBal (AcCode, YearMonth, VouStatus, DrAmt, CrAmt) "
                                "Select coalesce(AcCode, 0), %1, coalesce(VouStatus, ''), %2, %3 From DetJV "
                                "Where VouDate Is Not Null And coalesce(VouStatus, '') <> 'CF' And %4 "
                                "Group By coalesce(AcCode, 0), %1, coalesce(VouStatus, '') "
                                "On Conflict (AcCode, YearMonth, VouStatus) Do Update Set "
                                "DrAmt = oru_add(AcMonthBal.DrAmt, excluded.DrAmt), "
                                "CrAmt = oru_add(AcMonthBal.CrAmt, excluded.CrAmt)")
                     .arg(kYearMonth, dr, cr, where),
        params);
}

// The entry's stored rows in or out of the kept totals (carry-forward rows
// are never in them).
void entryTotals(db::Connection &conn, const char *sign, Kind kind, std::int64_t number)
{
    if (kind != Kind::CF)
        addToTotals(conn, sign, QStringLiteral("VouNo = ? And VouStatus = ?"), {number, kindCode(kind)});
}

// Deletes and rewrites the entry's rows, then checks that what is stored is
// what was meant (a trigger or a conversion could change it).
void writeRows(db::Connection &conn, const Entry &e, std::int64_t number, const std::vector<Posting> &rows)
{
    const QString code = kindCode(e.kind);
    entryTotals(conn, "-", e.kind, number);
    conn.execute(QStringLiteral("Delete From DetJV Where VouNo = ? And VouStatus = ?"), {number, code});
    db::Money dr, cr;
    for (const Posting &p : rows) {
        conn.execute(
            QStringLiteral("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, "
                           "CrAmt, ChecqNo, Naration, FileNo, BillNo, SessionID, SubID) "
                           "Values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {number, code, e.date, p.entryNo, key(p.acCode), p.crAc, p.drAmt, p.crAmt, p.chequeNo,
                p.narration, p.fileNo, p.billNo, p.sessionId, p.subId});
        dr += p.drAmt;
        cr += p.crAmt;
    }
    entryTotals(conn, "", e.kind, number);
    db::Recordset check;
    check.open(QStringLiteral("Select money(sum(DrAmt)) as Dr, money(sum(CrAmt)) as Cr, count(*) as N "
                              "From DetJV Where VouNo = ? And VouStatus = ?"),
        conn, {number, code});
    if (check.fields(QStringLiteral("N")).toInt() != std::int64_t(rows.size())
        || check.fields(QStringLiteral("Dr")).toMoney() != dr
        || check.fields(QStringLiteral("Cr")).toMoney() != cr)
        throw Refused(kUnbalanced);
}

std::vector<Posting> checkedPostings(const Entry &e)
{
    checkEntry(e);
    try {
        std::vector<Posting> rows = postings(e);
        checkBalanced(e.kind, rows);
        total(e);
        return rows;
    } catch (const db::OverflowError &) {
        throw Refused(kTooLarge);
    }
}

} // namespace

bool kindOf(const QString &code, Kind *kind)
{
    for (const KindCode &k : kCodes) {
        if (code == QLatin1String(k.code)) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

Kind kindNamed(const QString &code)
{
    Kind k;
    if (!kindOf(code, &k))
        throw Refused(QStringLiteral("Unknown voucher kind '%1'.").arg(code));
    return k;
}

QString kindCode(Kind kind)
{
    for (const KindCode &k : kCodes)
        if (k.kind == kind)
            return QLatin1String(k.code);
    return {};
}

QString paymentCode(Payment payment)
{
    switch (payment) {
    case Payment::Cash:
        return QStringLiteral("CASH");
    case Payment::Bank:
        return QStringLiteral("BANK");
    case Payment::None:
        break;
    }
    return {};
}

Payment paymentOf(const QString &stored)
{
    if (stored.isEmpty())
        return Payment::None;
    return stored.compare(QLatin1String("CASH"), Qt::CaseInsensitive) == 0 ? Payment::Cash : Payment::Bank;
}

Shape shapeOf(const QString &code)
{
    return shapeOf(kindNamed(code));
}

Shape shapeOf(Kind kind)
{
    switch (kind) {
    case Kind::CP:
        return Shape::CashPayment;
    case Kind::CR:
        return Shape::CashReceipt;
    case Kind::CF:
        return Shape::CreditOnly;
    case Kind::AR:
        return Shape::AdmissionPair;
    case Kind::BP:
    case Kind::BR:
    case Kind::JV:
    case Kind::FR:
        break;
    }
    return Shape::Paired;
}

bool hasMaster(Kind kind)
{
    const Shape s = shapeOf(kind);
    return s != Shape::CreditOnly && s != Shape::AdmissionPair;
}

bool isNumbered(Kind kind)
{
    return hasMaster(kind);
}

namespace {

void pairedRows(const Entry &e, std::vector<Posting> *rows)
{
    std::int32_t entry = 0;
    for (const Line &l : e.lines) {
        ++entry;
        Posting dr = lineRow(entry, l);
        dr.acCode = l.debit;
        dr.crAc = key(l.credit);
        dr.drAmt = l.amount;
        Posting cr = lineRow(entry, l);
        cr.acCode = l.credit;
        cr.crAc = key(l.debit);
        cr.crAmt = l.amount;
        rows->push_back(dr);
        rows->push_back(cr);
    }
}

// One row per line on the side away from the cash account, then the cash
// row with the total.
void cashRows(const Entry &e, bool payment, std::vector<Posting> *rows)
{
    std::int32_t entry = 0;
    db::Money sum;
    std::int64_t cash = 0;
    for (const Line &l : e.lines) {
        ++entry;
        Posting p = lineRow(entry, l);
        cash = payment ? l.credit : l.debit;
        p.acCode = payment ? l.debit : l.credit;
        p.crAc = key(cash);
        (payment ? p.drAmt : p.crAmt) = l.amount;
        sum += l.amount;
        rows->push_back(p);
    }
    if (e.lines.empty())
        return;
    Posting c;
    c.entryNo = entry + 1;
    c.acCode = cash;
    (payment ? c.crAmt : c.drAmt) = sum;
    c.narration = e.lines.front().narration;
    rows->push_back(c);
}

void creditOnlyRows(const Entry &e, std::vector<Posting> *rows)
{
    std::int32_t entry = 0;
    for (const Line &l : e.lines) {
        ++entry; // a line without an amount keeps its place in the numbering
        if (l.amount <= db::Money())
            continue;
        Posting p;
        p.entryNo = entry;
        p.acCode = l.credit;
        p.crAc = key(l.debit);
        p.crAmt = l.amount;
        p.narration = l.narration;
        p.sessionId = keyOrNull(l.sessionId);
        p.subId = keyOrNull(l.subId);
        rows->push_back(p);
    }
}

void admissionRows(const Entry &e, std::vector<Posting> *rows)
{
    std::int32_t entry = 0;
    for (const Line &l : e.lines) {
        Posting dr;
        dr.entryNo = ++entry;
        dr.acCode = l.debit;
        dr.crAc = key(l.credit);
        dr.drAmt = l.amount;
        dr.narration = l.narration;
        Posting cr;
        cr.entryNo = ++entry;
        cr.acCode = l.credit;
        cr.crAc = key(l.debit);
        cr.crAmt = l.amount;
        cr.narration = l.creditNarration;
        rows->push_back(dr);
        rows->push_back(cr);
    }
}

} // namespace

std::vector<Posting> postings(const Entry &e)
{
    std::vector<Posting> rows;
    switch (shapeOf(e.kind)) {
    case Shape::Paired:
        pairedRows(e, &rows);
        break;
    case Shape::CashPayment:
        cashRows(e, true, &rows);
        break;
    case Shape::CashReceipt:
        cashRows(e, false, &rows);
        break;
    case Shape::CreditOnly:
        creditOnlyRows(e, &rows);
        break;
    case Shape::AdmissionPair:
        admissionRows(e, &rows);
        break;
    }
    return rows;
}

db::Money total(const Entry &e)
{
    db::Money sum;
    for (const Line &l : e.lines)
        sum += l.amount;
    return sum;
}

void checkBalanced(Kind kind, const std::vector<Posting> &rows)
{
    if (shapeOf(kind) == Shape::CreditOnly)
        return;
    db::Money dr, cr;
    for (const Posting &p : rows) {
        dr += p.drAmt;
        cr += p.crAmt;
    }
    if (dr != cr)
        throw Refused(kUnbalanced);
}

std::int64_t nextNumber(db::Connection &conn, Kind kind, std::int64_t startNo)
{
    if (!isNumbered(kind))
        throw Refused(
            QStringLiteral("Entries of kind '%1' are numbered by their caller.").arg(kindCode(kind)));
    if (kind == Kind::FR) {
        // The series counts over its rows; a master left without rows must
        // not be taken over by a new receipt either.
        const db::Value last = conn.scalar(
            QStringLiteral("Select max(n) From (Select max(VouNo) as n From DetJV Where VouStatus = 'FR' "
                           "Union All Select max(VouNo) From MasJV Where VouStatus = 'FR') As last"));
        return last.isNull() ? 1 : last.toInt() + 1;
    }
    const db::Value last
        = conn.scalar(QStringLiteral("Select max(VouNo) From MasJV Where VouStatus = ?"), {kindCode(kind)});
    return last.isNull() ? startNo : last.toInt() + 1;
}

QString stamp(db::Connection &conn, Kind kind, std::int64_t number)
{
    const QString code = kindCode(kind);
    QStringList parts;
    db::Recordset rs;
    if (hasMaster(kind)) {
        rs.open(QStringLiteral("Select VouDate, PaidReceive, TotalAmount, Login, ChecqNo, SlipNo, IRStatus "
                               "From MasJV Where VouNo = ? And VouStatus = ?"),
            conn, {number, code});
        if (rs.recordCount() < 1)
            return {};
        parts << rowsText(rs);
    }
    rs.open(QStringLiteral("Select EntryNo, AcCode, CrAc, DrAmt, CrAmt, VouDate, ChecqNo, Naration, FileNo, "
                           "BillNo, SessionID, SubID From DetJV Where VouNo = ? And VouStatus = ? "
                           "Order By EntryNo, rowid"),
        conn, {number, code});
    if (!hasMaster(kind) && rs.recordCount() < 1)
        return {};
    parts << rowsText(rs);
    return parts.join(QChar(0x1d));
}

std::int64_t post(db::Connection &conn, const Entry &e, std::int64_t startNo)
{
    if (!isNumbered(e.kind))
        throw Refused(
            QStringLiteral("Entries of kind '%1' are numbered by their caller.").arg(kindCode(e.kind)));
    const std::vector<Posting> rows = checkedPostings(e);

    db::Transaction tx(conn);
    // Read inside the write transaction: no other copy can take it meanwhile.
    checkAccounts(conn, e, rows);
    const std::int64_t no = nextNumber(conn, e.kind, startNo);
    conn.execute(
        QStringLiteral("Insert Into MasJV (VouNo, VouStatus, VouDate, PaidReceive, TotalAmount, Login, "
                       "SlipNo, IRStatus) Values (?, ?, ?, ?, ?, ?, ?, ?)"),
        {no, kindCode(e.kind), e.date, e.paidReceive, total(e), e.login, textOrNull(e.slipNo),
            textOrNull(paymentCode(e.payment))});
    writeRows(conn, e, no, rows);
    tx.commit();
    return no;
}

void replace(db::Connection &conn, const Entry &e, const QString &openedStamp)
{
    const std::vector<Posting> rows = checkedPostings(e);

    db::Transaction tx(conn);
    if (hasMaster(e.kind)) {
        checkUnchanged(conn, e.kind, e.number, openedStamp, QStringLiteral("saved"));
        conn.execute(
            QStringLiteral("Update MasJV Set VouDate = ?, PaidReceive = ?, TotalAmount = ?, Login = ?, "
                           "SlipNo = ?, IRStatus = ? Where VouNo = ? And VouStatus = ?"),
            {e.date, e.paidReceive, total(e), e.login, textOrNull(e.slipNo),
                textOrNull(paymentCode(e.payment)), e.number, kindCode(e.kind)});
    } else if (!openedStamp.isEmpty()) {
        checkUnchanged(conn, e.kind, e.number, openedStamp, QStringLiteral("saved"));
    }
    checkAccounts(conn, e, rows);
    writeRows(conn, e, e.number, rows);
    tx.commit();
}

void remove(db::Connection &conn, Kind kind, std::int64_t number, const QString &openedStamp)
{
    const QString code = kindCode(kind);
    db::Transaction tx(conn);
    if (!openedStamp.isEmpty())
        checkUnchanged(conn, kind, number, openedStamp, QStringLiteral("deleted"));
    entryTotals(conn, "-", kind, number);
    conn.execute(QStringLiteral("Delete From DetJV Where VouNo = ? And VouStatus = ?"), {number, code});
    if (hasMaster(kind))
        conn.execute(QStringLiteral("Delete From MasJV Where VouNo = ? And VouStatus = ?"), {number, code});
    tx.commit();
}

int yearMonth(const QDate &date)
{
    return date.year() * 100 + date.month();
}

void subtractTotals(db::Connection &conn, const QString &kind, const QDate &from, const QDate &to)
{
    addToTotals(conn, "-", QStringLiteral("VouStatus = ? And VouDate Between ? And ?"), {kind, from, to});
}

void rebuildTotals(db::Connection &conn)
{
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From AcMonthBal"));
    addToTotals(conn, "", QStringLiteral("1 = 1"), {});
    tx.commit();
}

Opened open(db::Connection &conn, Kind kind, std::int64_t number)
{
    const QString code = kindCode(kind);
    Opened out;
    out.kind = kind;
    out.number = number;
    db::Recordset rs;
    if (hasMaster(kind)) {
        rs.open(QStringLiteral("Select VouDate, PaidReceive, SlipNo, IRStatus, Login, ChecqNo From MasJV "
                               "Where VouNo = ? And VouStatus = ?"),
            conn, {number, code});
        if (rs.recordCount() < 1)
            return out;
        out.found = true;
        out.date = rs.fields(QStringLiteral("VouDate")).toDate();
        out.paidReceive = rs.fields(QStringLiteral("PaidReceive")).toString();
        out.slipNo = rs.fields(QStringLiteral("SlipNo")).toString();
        out.payment = paymentOf(rs.fields(QStringLiteral("IRStatus")).toString());
        out.login = rs.fields(QStringLiteral("Login")).toString();
        out.chequeNo = rs.fields(QStringLiteral("ChecqNo")).toString();
    }

    const bool creditSide = linesOnCreditSide(kind);
    rs.open(
        QStringLiteral("Select AcCode, CrAc, (Select AcName From Accounts Where RowID = d.AcCode) as AcName, "
                       "(Select AcName From Accounts Where RowID = d.CrAc) as CrName, DrAmt, CrAmt, "
                       "ChecqNo, Naration, FileNo, BillNo, SessionID, SubID, VouDate From DetJV d "
                       "Where VouNo = ? And VouStatus = ? And %1 > 0 Order By EntryNo, rowid")
            .arg(creditSide ? QStringLiteral("CrAmt") : QStringLiteral("DrAmt")),
        conn, {number, code});
    if (!out.found && rs.recordCount() > 0) {
        out.found = true;
        out.date = rs.fields(QStringLiteral("VouDate")).toDate();
    }
    for (; !rs.eof(); rs.moveNext()) {
        Line l;
        const std::int64_t ac = rs.fields(QStringLiteral("AcCode")).toInt();
        const std::int64_t other = rs.fields(QStringLiteral("CrAc")).toInt();
        const QString acName = rs.fields(QStringLiteral("AcName")).toString();
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
        l.sessionId = rs.fields(QStringLiteral("SessionID")).toInt();
        l.subId = rs.fields(QStringLiteral("SubID")).toInt();
        out.lines.push_back(l);
    }
    if (!out.lines.empty()) {
        // The cash or bank account the entry was received into or paid from.
        const Line &first = out.lines.front();
        const bool paysOut = kind == Kind::CP;
        out.cashAccount = paysOut ? first.credit : first.debit;
        out.cashName = paysOut ? first.creditName : first.debitName;
    }
    if (out.found)
        out.stamp = stamp(conn, kind, number);
    return out;
}

QString rowsText(db::Recordset &rs)
{
    QStringList rows;
    for (int row = 0; row < rs.recordCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c) {
            const db::Value &v = rs.at(row, c);
            cells << (v.isNull() ? QStringLiteral("\x01") : v.toString());
        }
        rows << cells.join(QChar(0x1f));
    }
    return rows.join(QChar(0x1e));
}

} // namespace books
