// SQL functions every connection gets: T-SQL's len(), year(), month() and
// day(), money() for computed amounts in integer cents, and oru_add() for
// kept totals that must never leave the integers.
#include "platform/db/internal.h"

#include <cmath>

namespace db::detail {

namespace {

// Number of characters of UTF-8 text.
int utf8Chars(const unsigned char *p, int bytes)
{
    int n = 0;
    for (int i = 0; i < bytes; ++i)
        if ((p[i] & 0xC0) != 0x80)
            ++n;
    return n;
}

void fnLen(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const auto *p = sqlite3_value_text(argv[0]);
    int bytes = sqlite3_value_bytes(argv[0]);
    while (bytes > 0 && p[bytes - 1] == ' ')
        --bytes;
    sqlite3_result_int(ctx, utf8Chars(p, bytes));
}

void fnMoney(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    sqlite3_int64 cents = 0;
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        cents = sqlite3_value_int64(argv[0]);
        break;
    case SQLITE_FLOAT: {
        // A computed cent value (avg, a division): rounded half away from zero.
        const double d = sqlite3_value_double(argv[0]);
        if (!std::isfinite(d) || std::fabs(d) > 9.0e18)
            return sqlite3_result_error(ctx, "money(): the value is out of range.", -1);
        cents = std::llround(d);
        break;
    }
    default: {
        const QString t = QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]))
                              .trimmed();
        bool ok = false;
        cents = t.toLongLong(&ok);
        if (!ok)
            return sqlite3_result_error(
                ctx, "money() takes integer cents (a MONEY column or a sum of one).", -1);
    }
    }
    const QByteArray text = Money::fromCents(cents).toString().toLatin1();
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

// A stored amount as integer cents: an integer, or a real or text that
// holds a whole number in range; false for anything else.
bool centsOf(sqlite3_value *v, sqlite3_int64 *out)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        *out = sqlite3_value_int64(v);
        return true;
    case SQLITE_FLOAT: {
        const double d = sqlite3_value_double(v);
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) >= 9.2e18)
            return false;
        *out = sqlite3_int64(d);
        return true;
    }
    case SQLITE_TEXT: {
        bool ok = false;
        *out
            = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v))
                  .trimmed()
                  .toLongLong(&ok);
        return ok;
    }
    default:
        return false;
    }
}

// a + b in integer cents. SQLite's own + turns an overflow into a real
// number; this refuses it with the message a sum() overflow gives, which
// the layer raises as OverflowError.
void fnAdd(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    sqlite3_int64 a = 0, b = 0, sum = 0;
    if (!centsOf(argv[0], &a) || !centsOf(argv[1], &b) || __builtin_add_overflow(a, b, &sum))
        return sqlite3_result_error(ctx, "integer overflow", -1);
    sqlite3_result_int64(ctx, sum);
}

void fnDatePart(sqlite3_context *ctx, sqlite3_value **argv, int part)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QDate d = parseDate(QString::fromUtf8(
        reinterpret_cast<const char *>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0])));
    if (!d.isValid())
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, part == 0 ? d.year() : part == 1 ? d.month() : d.day());
}

void fnYear(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    fnDatePart(ctx, argv, 0);
}
void fnMonth(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    fnDatePart(ctx, argv, 1);
}
void fnDay(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    fnDatePart(ctx, argv, 2);
}

} // namespace

void registerFunctions(sqlite3 *h)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    struct F {
        const char *name;
        int args;
        void (*fn)(sqlite3_context *, int, sqlite3_value **);
    };
    static const F fns[] = {
        {"len", 1, fnLen},
        {"money", 1, fnMoney},
        {"oru_add", 2, fnAdd},
        {"year", 1, fnYear},
        {"month", 1, fnMonth},
        {"day", 1, fnDay},
    };
    for (const F &f : fns)
        check(sqlite3_create_function_v2(h, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr, nullptr),
            h);
}

} // namespace db::detail
