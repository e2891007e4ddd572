#include "vouchers/voucher_rules.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <utility>

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

namespace {

// One block of rows of a list by number: the columns of the searched list
// (its Multi mark as the searched list counts it) of `count` numbers bound.
// A block binds a power of two of them (its last number repeated), so that
// a few statements serve every block and each stays prepared.
QString blockStatement(const QString &side, int count)
{
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return kListColumns
        + QStringLiteral(", case when (Select count(*) From (Select 1 From DetJV d Where d.VouStatus = "
                         "a.VouStatus And d.VouNo = a.VouNo And d.%1 > 0 Limit 2) n) > 1 then 'M' end as "
                         "Multi From MasJV a Where a.VouStatus = ? And a.VouNo In (%2)")
              .arg(side, marks.join(u','));
}

std::vector<std::int64_t> readNumbers(db::Recordset &rs)
{
    std::vector<std::int64_t> out;
    out.reserve(std::size_t(rs.recordCount()));
    for (int i = 0; i < rs.recordCount(); ++i)
        out.push_back(rs.at(i, 0).toInt());
    if (!std::is_sorted(out.begin(), out.end())) // as read, unless an engine orders otherwise
        std::sort(out.begin(), out.end());
    return out;
}

} // namespace

VoucherNumbers::VoucherNumbers(db::Connection &conn, const QString &kind)
    : m_conn(&conn)
    , m_kind(kind)
{
    checkKind(kind);
}

void VoucherNumbers::update()
{
    db::Recordset rs;
    if (!m_whole || m_numbers.empty()) {
        rs.open(
            QStringLiteral("Select VouNo From MasJV Where VouStatus = ? Order By VouNo"), *m_conn, {m_kind});
        m_numbers = readNumbers(rs);
        m_whole = true;
        return;
    }
    // A new voucher takes the highest number plus one, inside the write
    // transaction: what was saved since is above the highest number kept.
    rs.open(QStringLiteral("Select VouNo From MasJV Where VouStatus = ? And VouNo > ? Order By VouNo"),
        *m_conn, {m_kind, m_numbers.back()});
    for (std::int64_t n : readNumbers(rs))
        if (n > m_numbers.back())
            m_numbers.push_back(n);
}

std::vector<std::int64_t> VoucherNumbers::matching(const QString &text) const
{
    if (text.isEmpty())
        return {m_numbers.rbegin(), m_numbers.rend()};
    // A number's text is its digits, after a minus sign when it is below 0:
    // a text of anything else is found in none.
    std::string typed;
    for (const QChar c : text) {
        if (!(c >= u'0' && c <= u'9') && c != u'-')
            return {};
        typed += char(c.unicode());
    }
    std::vector<std::int64_t> out;
    char digits[24];
    for (auto it = m_numbers.rbegin(); it != m_numbers.rend(); ++it) {
        const auto written = std::to_chars(digits, digits + sizeof digits, *it);
        if (std::string_view(digits, std::size_t(written.ptr - digits)).find(typed) != std::string_view::npos)
            out.push_back(*it);
    }
    return out;
}

void VoucherNumbers::forget(std::int64_t number)
{
    const auto it = std::lower_bound(m_numbers.begin(), m_numbers.end(), number);
    if (it != m_numbers.end() && *it == number)
        m_numbers.erase(it);
    m_whole = false;
}

VoucherList::VoucherList(db::Connection &conn, const QString &kind, std::shared_ptr<VoucherNumbers> numbers)
    : m_conn(&conn)
    , m_kind(kind)
    , m_numbers(std::move(numbers))
    , m_rows(std::make_unique<db::Recordset>())
{
    checkKind(kind);
    if (m_numbers && (&m_numbers->connection() != &conn || m_numbers->kind() != kind))
        m_numbers.reset(); // another list's numbers
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
    m_matching.clear();
    m_read.clear();
    m_dropped.clear();
    m_marks.clear();
    m_byNumber = criterion == QLatin1String("Voucher #");
    if (m_byNumber) {
        if (!m_numbers)
            m_numbers = std::make_shared<VoucherNumbers>(*m_conn, m_kind);
        m_numbers->update();
        m_matching = m_numbers->matching(text);
        // The rows shown first, a whole block of them however many have gone.
        for (int r = 0; r < std::min(kMarkBlock, size()); ++r)
            row(r);
        m_dropped.clear(); // no one has seen the list yet
        return true;
    }
    m_rows->open(kListColumns + QStringLiteral(" From MasJV a Where a.VouStatus = ? ") + where + kListOrder,
        *m_conn, params);
    m_marks.assign(std::size_t(m_rows->recordCount()), Mark::Unread);
    if (size() > 0)
        readMarks(0); // the rows shown first
    return true;
}

int VoucherList::size() const
{
    if (m_byNumber)
        return int(m_matching.size());
    return m_rows->state() == 1 ? m_rows->recordCount() : 0;
}

QString VoucherList::columnName(int col) const
{
    static const char *const names[kColumns] = {"VouNo", "VouDate", "PaidReceive", "TotalAmount", "Multi"};
    return QString::fromLatin1(names[col]);
}

QString VoucherList::text(int row, int col)
{
    return value(row, col).toString();
}

db::Value VoucherList::value(int r, int col)
{
    if (m_byNumber) {
        const Row *read = row(r);
        return read ? read->cells.at(std::size_t(col)) : db::Value();
    }
    if (col == kMultiColumn)
        return isMulti(r) ? db::Value(QStringLiteral("M")) : db::Value();
    return m_rows->at(r, col);
}

bool VoucherList::isMulti(int r)
{
    if (m_byNumber)
        return !value(r, kMultiColumn).isNull();
    if (m_marks.at(std::size_t(r)) == Mark::Unread)
        readMarks(r);
    return m_marks[std::size_t(r)] == Mark::Multi;
}

std::vector<int> VoucherList::takeDropped()
{
    return std::exchange(m_dropped, {});
}

const VoucherList::Row *VoucherList::row(int r)
{
    while (r >= 0 && r < size()) {
        const auto it = m_read.find(m_matching[std::size_t(r)]);
        if (it != m_read.end())
            return &it->second;
        readBlock(r); // reads the row, or drops it and so brings the next one to its place
    }
    return nullptr;
}

void VoucherList::readBlock(int r)
{
    // The rows of r's block not read yet, through the voucher index by number.
    const int first = r - r % kMarkBlock, last = std::min(first + kMarkBlock, size());
    std::vector<int> unread;
    for (int i = first; i < last; ++i)
        if (!m_read.count(m_matching[std::size_t(i)]))
            unread.push_back(i);
    int count = 1;
    while (count < int(unread.size()))
        count *= 2;
    db::Params params {m_kind};
    for (int i = 0; i < count; ++i)
        params.push_back(m_matching[std::size_t(unread[std::min(std::size_t(i), unread.size() - 1)])]);
    db::Recordset rs;
    rs.open(blockStatement(lineSide(m_kind), count), *m_conn, params);
    for (int i = 0; i < rs.recordCount(); ++i) {
        Row read;
        for (int c = 0; c < kColumns; ++c)
            read.cells[std::size_t(c)] = rs.at(i, c);
        m_read[rs.at(i, 0).toInt()] = std::move(read);
    }
    // A number not found has gone since it was read: dropped from the list,
    // the last first, so that each place is the one the list had then.
    for (auto it = unread.rbegin(); it != unread.rend(); ++it) {
        const std::int64_t number = m_matching[std::size_t(*it)];
        if (m_read.count(number))
            continue;
        m_numbers->forget(number);
        m_matching.erase(m_matching.begin() + *it);
        m_dropped.push_back(*it);
    }
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
