#include "vouchers/voucher_rules.h"

#include <QStringList>

#include <algorithm>

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

void nameCashAccount(books::Entry &entry)
{
    if (!isCashKind(entry.kind))
        return;
    const bool receipt = entry.kind == books::Kind::CR;
    for (books::Line &l : entry.lines) {
        (receipt ? l.debit : l.credit) = entry.cashAccount;
        (receipt ? l.debitName : l.creditName) = entry.cashName;
    }
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
    if (v.isNew)
        return books::post(conn, e, startNo);
    books::replace(conn, e, v.stamp);
    return v.number;
}

OpenedVoucher openVoucher(db::Connection &conn, books::Kind kind, std::int64_t vouNo)
{
    checkKind(kind);
    return books::open(conn, kind, vouNo);
}

void deleteVoucher(db::Connection &conn, books::Kind kind, std::int64_t vouNo, const QString &stamp)
{
    checkKind(kind);
    books::remove(conn, kind, vouNo, stamp);
}

namespace {

// A voucher's lines are its rows on one side: the debit rows, except on a
// cash receipt, whose lines are credits.
QString lineSide(const QString &kind)
{
    books::Kind k;
    books::kindOf(kind, &k);
    return books::shapeOf(k) == books::Shape::CashReceipt ? QStringLiteral("CrAmt") : QStringLiteral("DrAmt");
}

// The condition a criterion adds to "a.VouStatus = ?", with its values;
// false for a criterion of no known kind.
bool criterionFilter(
    const QString &criterion, const QString &text, const QDate &date, QString *where, db::Params *params)
{
    if (criterion == QLatin1String("Voucher #")) {
        // A number is digits (and a sign) only, so a search by text found
        // in it is the contains-search without regard to case, without the
        // case folding and wildcards: typed %, _ and \ are plain text.
        if (!text.isEmpty()) {
            *where = QStringLiteral("And instr(cast(a.VouNo as text), ?) > 0");
            params->push_back(text);
        }
    } else if (criterion == QLatin1String("Date")) {
        *where = QStringLiteral("And a.VouDate = ?");
        params->push_back(date);
    } else if (criterion == QLatin1String("Paid To")) {
        *where = QStringLiteral("And a.PaidReceive Like ? ESCAPE '\\'");
        params->push_back(db::likeContains(text));
    } else {
        return false;
    }
    return true;
}

const QString kListColumns = QStringLiteral(
    "Select a.VouNo, strftime('%d-%m-%Y', a.VouDate) as VouDate, a.PaidReceive, a.TotalAmount");
const QString kListOrder = QStringLiteral(" Order By a.VouNo desc");

} // namespace

bool searchVouchers(db::Recordset &rs, db::Connection &conn, const QString &kind, const QString &criterion,
    const QString &text, const QDate &date)
{
    checkKind(kind);
    QString where;
    db::Params params {kind};
    if (!criterionFilter(criterion, text, date, &where, &params))
        return false;
    const QString side = lineSide(kind);
    if (where.isEmpty()) {
        // Every voucher of the kind: their line counts in one pass over the
        // kind's lines, joined once, rather than one count a voucher.
        rs.open(kListColumns
                + QStringLiteral(
                    ", case when m.VouNo is not null then 'M' end as Multi From MasJV a Left Join "
                    "(Select VouNo From DetJV Where VouStatus = ? And %1 > 0 Group By VouNo Having count(*) "
                    "> 1) "
                    "m On m.VouNo = a.VouNo Where a.VouStatus = ?")
                      .arg(side)
                + kListOrder,
            conn, {kind, kind});
        return true;
    }
    // A searched list counts the lines of the listed vouchers only, each
    // through the voucher's index, and no further than the second line.
    rs.open(kListColumns
            + QStringLiteral(", case when (Select count(*) From (Select 1 From DetJV d Where d.VouStatus = "
                             "a.VouStatus And d.VouNo = a.VouNo And d.%1 > 0 Limit 2) n) > 1 then 'M' end as "
                             "Multi From MasJV a Where a.VouStatus = ? ")
                  .arg(side)
            + where + kListOrder,
        conn, params);
    return true;
}

VoucherList::VoucherList(db::Connection &conn, const QString &kind)
    : m_conn(&conn)
    , m_kind(kind)
    , m_rows(std::make_unique<db::Recordset>())
{
    checkKind(kind);
}

VoucherList::~VoucherList() = default;

bool VoucherList::open(const QString &criterion, const QString &text, const QDate &date)
{
    QString where;
    db::Params params {m_kind};
    if (!criterionFilter(criterion, text, date, &where, &params))
        return false;
    if (m_rows->state() == 1)
        m_rows->close();
    m_rows->open(kListColumns + QStringLiteral(" From MasJV a Where a.VouStatus = ? ") + where + kListOrder,
        *m_conn, params);
    m_marks.assign(std::size_t(m_rows->recordCount()), Mark::Unread);
    if (size() > 0)
        readMarks(0); // the rows shown first
    return true;
}

int VoucherList::size() const
{
    return m_rows->state() == 1 ? m_rows->recordCount() : 0;
}

QString VoucherList::columnName(int col) const
{
    return col == kMultiColumn ? QStringLiteral("Multi") : m_rows->column(col).name;
}

QString VoucherList::text(int row, int col)
{
    if (col == kMultiColumn)
        return isMulti(row) ? QStringLiteral("M") : QString();
    return m_rows->at(row, col).toString();
}

db::Value VoucherList::value(int row, int col)
{
    if (col == kMultiColumn)
        return isMulti(row) ? db::Value(QStringLiteral("M")) : db::Value();
    return m_rows->at(row, col);
}

bool VoucherList::isMulti(int row)
{
    if (m_marks.at(std::size_t(row)) == Mark::Unread)
        readMarks(row);
    return m_marks[std::size_t(row)] == Mark::Multi;
}

void VoucherList::readMarks(int row)
{
    // The block of rows around `row`, their lines counted through the
    // voucher index by number.
    const int first = row - row % kMarkBlock, last = std::min(first + kMarkBlock, size());
    QStringList marks;
    db::Params params {m_kind};
    for (int r = first; r < last; ++r) {
        marks << QStringLiteral("?");
        params.push_back(m_rows->at(r, 0));
    }
    db::Recordset multi;
    multi.open(QStringLiteral("Select VouNo From DetJV Where VouStatus = ? And VouNo In (%1) And %2 > 0 "
                              "Group By VouNo Having count(*) > 1")
                   .arg(marks.join(u','), lineSide(m_kind)),
        *m_conn, params);
    std::vector<std::int64_t> numbers;
    for (int i = 0; i < multi.recordCount(); ++i)
        numbers.push_back(multi.at(i, 0).toInt());
    std::sort(numbers.begin(), numbers.end());
    for (int r = first; r < last; ++r)
        m_marks[std::size_t(r)] = std::binary_search(numbers.begin(), numbers.end(), m_rows->at(r, 0).toInt())
            ? Mark::Multi
            : Mark::Single;
}

common::PrintJob printJob(books::Kind kind, std::int64_t vouNo, const QString &user, const QString &password)
{
    checkKind(kind);
    const QString code = books::kindCode(kind);
    common::PrintJob job = common::reportJob(QStringLiteral("\\rpt%1.rpt").arg(code), user, password);
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
