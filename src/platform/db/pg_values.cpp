// Values crossing to and from the PostgreSQL server, all as text: bound
// parameters as the server reads them, and result cells read back by the
// storage rule of their column, as the embedded engine binds and reads them.
#include "platform/db/internal.h"
#include "platform/db/pg_values_p.h"

#include <libpq-fe.h>

#include <charconv>
#include <optional>

namespace db::detail {

namespace {

// Type OIDs of pg_type the reader knows.
enum : Oid {
    BoolOid = 16,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    DateOid = 1082,
    NumericOid = 1700,
};

// A value as the text PostgreSQL reads for it: money as integer cents,
// dates as ISO text, as the embedded engine binds them.
QByteArray paramText(const Value &v)
{
    if (const auto *m = Statement::get<Money>(v))
        return QByteArray::number(qlonglong(m->cents()));
    if (const auto *d = Statement::get<double>(v))
        return QByteArray::number(*d, 'g', 17);
    if (const auto *d = Statement::get<QDate>(v)) {
        // Written by hand: QDate::toString costs more than the rest of a
        // row's binding. Years YYYY cannot say go the long way.
        int y = 0, m = 0, dd = 0;
        d->getDate(&y, &m, &dd);
        if (y >= 1 && y <= 9999) {
            const char iso[10] = {char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10),
                char('0' + y % 10), '-', char('0' + m / 10), char('0' + m % 10), '-', char('0' + dd / 10),
                char('0' + dd % 10)};
            return QByteArray(iso, 10);
        }
    }
    return v.toString().toUtf8();
}

// The server's text of a whole number, or nothing when it is not one (a
// fraction, or too large). Read directly: QByteArray's reader goes through
// the locale code and costs several times more on every cell of a result.
std::optional<qlonglong> wholeNumber(const char *p, int len)
{
    qlonglong n = 0;
    const auto [end, ec] = std::from_chars(p, p + len, n);
    if (ec != std::errc() || end != p + len)
        return std::nullopt;
    return n;
}

} // namespace

BoundTexts::BoundTexts(const std::vector<const Value *> &values)
    : texts(values.size())
    , ptrs(values.size())
{
    for (size_t i = 0; i < values.size(); ++i)
        if (!values[i]->isNull()) {
            texts[i] = paramText(*values[i]);
            ptrs[i] = texts[i].constData();
        }
}

// The declared type as the embedded schema spells it, so one storage rule
// serves both engines.
QString declaredType(const QString &formatted, const QString &typeName)
{
    if (typeName == u"oru_money")
        return QStringLiteral("MONEY");
    if (formatted == u"bigint" || formatted == u"integer" || formatted == u"smallint")
        return QStringLiteral("INTEGER");
    if (formatted == u"double precision" || formatted == u"real")
        return QStringLiteral("REAL");
    if (formatted.startsWith(u"character varying"))
        return QStringLiteral("VARCHAR") + formatted.mid(17);
    if (formatted.startsWith(u"character"))
        return QStringLiteral("CHAR") + formatted.mid(9);
    return formatted.toUpper();
}

Value readCell(pg_result *r, int row, int col, Type kind)
{
    if (PQgetisnull(r, row, col))
        return {};
    const char *p = PQgetvalue(r, row, col);
    const int len = PQgetlength(r, row, col);
    switch (PQftype(r, col)) {
    case BoolOid:
        return Value(p[0] == 't' ? 1 : 0);
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid: {
        const qlonglong n = wholeNumber(p, len).value_or(0);
        return kind == Type::Money ? Value(Money::fromCents(n)) : Value(n);
    }
    case NumericOid: {
        // A sum of integers is NUMERIC here; whole values read as integers,
        // as the embedded engine's sums do.
        if (const std::optional<qlonglong> n = wholeNumber(p, len))
            return kind == Type::Money ? Value(Money::fromCents(*n)) : Value(*n);
        return Value(QByteArray::fromRawData(p, len).toDouble());
    }
    case Float4Oid:
    case Float8Oid:
        return Value(QByteArray::fromRawData(p, len).toDouble());
    case DateOid:
        // Untyped expressions give the ISO text the embedded engine gives.
        if (kind == Type::Date)
            return Value(QDate::fromString(QString::fromLatin1(p, len), Qt::ISODate));
        return Value(QString::fromLatin1(p, len));
    default:
        return Value(QString::fromUtf8(p, len));
    }
}

} // namespace db::detail
