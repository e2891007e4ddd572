#include "vouchers/voucher_rules.h"

#include <QStringList>

namespace vouchers {

namespace {

void checkKind(books::Kind kind)
{
    if (!isVoucherKind(kind))
        throw Refused(QStringLiteral("Unknown voucher kind '%1'.").arg(books::kindCode(kind)));
}

void checkKind(const QString &code)
{
    books::Kind k;
    if (!books::kindOf(code, &k) || !isVoucherKind(k))
        throw Refused(QStringLiteral("Unknown voucher kind '%1'.").arg(code));
}

} // namespace

bool isCashKind(books::Kind kind)
{
    return kind == books::Kind::CP || kind == books::Kind::CR;
}

bool isVoucherKind(books::Kind kind)
{
    switch (kind) {
    case books::Kind::CP:
    case books::Kind::CR:
    case books::Kind::BP:
    case books::Kind::BR:
    case books::Kind::JV:
        return true;
    case books::Kind::FR:
    case books::Kind::CF:
    case books::Kind::AR:
        break;
    }
    return false;
}

std::int64_t nextNumber(db::Connection &conn, books::Kind kind, std::int64_t startNo)
{
    checkKind(kind);
    return books::nextNumber(conn, kind, startNo);
}

std::int64_t saveVoucher(db::Connection &conn, const Voucher &v, const QString &login, std::int64_t startNo)
{
    checkKind(v.kind);
    books::Entry e = v;
    e.login = login;
    return common::refusing<books::Refused>([&] {
        if (v.isNew)
            return books::post(conn, e, startNo);
        books::replace(conn, e, v.stamp);
        return v.number;
    });
}

OpenedVoucher openVoucher(db::Connection &conn, books::Kind kind, std::int64_t vouNo)
{
    checkKind(kind);
    return books::open(conn, kind, vouNo);
}

void deleteVoucher(db::Connection &conn, books::Kind kind, std::int64_t vouNo, const QString &stamp)
{
    checkKind(kind);
    common::refusing<books::Refused>([&] { books::remove(conn, kind, vouNo, stamp); });
}

bool searchVouchers(db::Recordset &rs, db::Connection &conn, const QString &kind, const QString &criterion,
    const QString &text, const QDate &date)
{
    checkKind(kind);
    // A voucher's lines are its rows on one side: the debit rows, except on
    // a cash receipt, whose lines are credits. A searched list counts them
    // for the listed vouchers only, each through the voucher's index, and
    // no further than the second line.
    const QString lineSide = books::shapeOf(kind) == books::Shape::CashReceipt ? QStringLiteral("CrAmt")
                                                                               : QStringLiteral("DrAmt");
    const QString head = QStringLiteral(
        "Select a.VouNo, strftime('%d-%m-%Y', a.VouDate) as VouDate, a.PaidReceive, a.TotalAmount, "
        "case when (Select count(*) From (Select 1 From DetJV d Where d.VouStatus = a.VouStatus "
        "And d.VouNo = a.VouNo And d.%1 > 0 Limit 2) n) > 1 then 'M' end as Multi From MasJV a "
        "Where a.VouStatus = ? ")
                             .arg(lineSide);
    const QString order = QStringLiteral(" Order By a.VouNo desc");
    if (criterion == QLatin1String("Voucher #") && text.isEmpty()) {
        // Every voucher of the kind (the window's opening list): their line
        // counts in one pass over the kind's lines, joined once, rather than
        // one count a voucher.
        rs.open(
            QStringLiteral(
                "Select a.VouNo, strftime('%d-%m-%Y', a.VouDate) as VouDate, a.PaidReceive, a.TotalAmount, "
                "case when m.VouNo is not null then 'M' end as Multi From MasJV a Left Join "
                "(Select VouNo From DetJV Where VouStatus = ? And %1 > 0 Group By VouNo Having count(*) > 1) "
                "m "
                "On m.VouNo = a.VouNo Where a.VouStatus = ?")
                    .arg(lineSide)
                + order,
            conn, {kind, kind});
    } else if (criterion == QLatin1String("Voucher #")) {
        rs.open(head + QStringLiteral("And cast(a.VouNo as text) Like ? ESCAPE '\\'") + order, conn,
            {kind, db::likeContains(text)});
    } else if (criterion == QLatin1String("Date")) {
        rs.open(head + QStringLiteral("And a.VouDate = ?") + order, conn, {kind, date});
    } else if (criterion == QLatin1String("Paid To")) {
        rs.open(head + QStringLiteral("And a.PaidReceive Like ? ESCAPE '\\'") + order, conn,
            {kind, db::likeContains(text)});
    } else {
        return false;
    }
    return true;
}

common::PrintJob printJob(books::Kind kind, std::int64_t vouNo, const QString &user, const QString &password)
{
    checkKind(kind);
    const QString code = books::kindCode(kind);
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rpt%1.rpt").arg(code);
    job.user = user;
    job.password = password;
    job.selection
        = QStringLiteral("{MasJV.VouNo}= %1 and {MasJV.VouStatus} = '%2' and {Company.comActive} = 'Y'")
              .arg(vouNo)
              .arg(code);
    job.mustExist = QStringLiteral("Select VouNo From MasJV Where VouNo = ? And VouStatus = ?");
    job.mustExistParams = {vouNo, code};
    job.notFound = QStringLiteral("Voucher not found!");
    return job;
}

} // namespace vouchers
