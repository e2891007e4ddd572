// Connection, Transaction, the statement cache, storage rules by column type
// and the SQL functions every connection gets.
#include "platform/db/db.h"
#include "platform/db/internal.h"

#include <QDir>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace db {

struct Connection::Impl {
    std::vector<std::pair<QString, QString>> properties;
    sqlite3 *db = nullptr;
    sqlite3 *master = nullptr;
    QString serverPath;
    QString database;
    detail::Login login;
    int depth = 0; // open Transaction guards
    int savepointSeq = 0;
    struct Cached {
        sqlite3_stmt *stmt;
        std::vector<detail::ParamRule> rules;
    };
    QHash<QString, Cached> cache; // idle prepared statements by text
    detail::SessionToken token;

    void finalizeCache()
    {
        for (const Cached &c : std::as_const(cache))
            sqlite3_finalize(c.stmt);
        cache.clear();
    }
};

namespace detail {

struct Access {
    static Connection::Impl &impl(Connection &c) { return *c.d; }
    static const Connection::Impl &impl(const Connection &c) { return *c.d; }
};

SessionToken session(const Connection &conn)
{
    return Access::impl(conn).token;
}

void raiseKnown(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY: // another connection's lock; SQLITE_LOCKED is this one's own conflict
        throw BusyError();
    case SQLITE_FULL:
        throw DiskFullError();
    default:
        return;
    }
}

void fail(sqlite3 *h)
{
    if (h)
        raiseKnown(sqlite3_errcode(h));
    throw Error(
        h ? QString::fromUtf8(sqlite3_errmsg(h)) : QStringLiteral("The database could not be opened."));
}

// ---------------------------------------------------------------- storage rules

Type kindOf(const QString &declType, int *definedSize)
{
    const QString u = declType.trimmed().toUpper();
    int n = 0;
    const qsizetype open = u.indexOf(u'(');
    if (open >= 0) {
        qsizetype i = open + 1;
        while (i < u.size() && u[i] == u' ')
            ++i;
        while (i < u.size() && u[i].isDigit())
            n = n * 10 + (u[i++].unicode() - '0');
    }
    auto result = [&](Type t, int size) {
        if (definedSize)
            *definedSize = size;
        return t;
    };
    if (u.isEmpty())
        return result(Type::Null, 0);
    if (u.contains(QLatin1String("MONEY")))
        return result(Type::Money, 8);
    if (u.startsWith(QLatin1String("DATE")))
        return result(Type::Date, 8);
    if (u.contains(QLatin1String("INT"))) {
        if (u.startsWith(QLatin1String("TINYINT")))
            return result(Type::Int, 1);
        if (u.startsWith(QLatin1String("SMALLINT")))
            return result(Type::Int, 2);
        if (u.startsWith(QLatin1String("BIGINT")))
            return result(Type::Int, 8);
        return result(Type::Int, 4);
    }
    if (u.startsWith(QLatin1String("BIT")))
        return result(Type::Int, 1);
    if (u.contains(QLatin1String("CHAR")) || u.contains(QLatin1String("TEXT"))
        || u.contains(QLatin1String("CLOB")))
        return result(Type::Text, n > 0 ? n : 2147483647);
    if (u.contains(QLatin1String("REAL")) || u.contains(QLatin1String("FLOA"))
        || u.contains(QLatin1String("DOUB")) || u.startsWith(QLatin1String("NUMERIC"))
        || u.startsWith(QLatin1String("DECIMAL")))
        return result(Type::Real, 8);
    return result(Type::Null, 0);
}

namespace {

QString columnName(const QString &table, const QString &column)
{
    return column.isEmpty() ? table : table + u'.' + column;
}

[[noreturn]] void notStorable(const QString &table, const QString &column, const Value &v, const char *kind)
{
    const QString what = columnName(table, column);
    throw Error(
        QStringLiteral("Column '%1': '%2' is not %3.").arg(what, v.toString(), QString::fromLatin1(kind)));
}

bool isIsoDate(const QString &t)
{
    if (t.size() != 10 || t[4] != u'-' || t[7] != u'-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!t[i].isDigit())
            return false;
    return QDate::fromString(t, Qt::ISODate).isValid();
}

} // namespace

Value convertFor(Type kind, int definedSize, const Value &v, const QString &table, const QString &column)
{
    const Type t = v.type();
    if (t == Type::Null)
        return v;
    switch (kind) {
    case Type::Int:
        switch (t) {
        case Type::Int:
            return v;
        case Type::Real: {
            const double d = v.toDouble();
            if (d != std::floor(d) || std::fabs(d) > 9.0e18)
                notStorable(table, column, v, "a whole number");
            return Value(static_cast<long long>(d));
        }
        case Type::Text: {
            const QString s = v.toString().trimmed();
            if (s.isEmpty())
                return {};
            bool ok = false;
            const qlonglong n = s.toLongLong(&ok);
            if (ok)
                return Value(n);
            const double d = s.toDouble(&ok);
            if (ok && d == std::floor(d) && std::fabs(d) < 9.0e18)
                return Value(static_cast<long long>(d));
            notStorable(table, column, v, "a whole number");
        }
        case Type::Money: {
            const Money m = v.toMoney();
            if (m.cents() % 100 != 0)
                notStorable(table, column, v, "a whole number");
            return Value(static_cast<long long>(m.cents() / 100));
        }
        default:
            notStorable(table, column, v, "a whole number");
        }
    case Type::Money:
        switch (t) {
        case Type::Money:
            return v;
        case Type::Text: {
            const QString s = v.toString();
            if (s.trimmed().isEmpty())
                return {};
            Money m;
            if (!Money::tryParse(s, &m))
                notStorable(table, column, v, "an amount");
            return Value(m);
        }
        case Type::Int:
        case Type::Real:
            return Value(v.toMoney());
        default:
            notStorable(table, column, v, "an amount");
        }
    case Type::Date:
        switch (t) {
        case Type::Date:
            return v;
        case Type::Text: {
            const QString s = v.toString();
            if (s.trimmed().isEmpty())
                return {};
            const QDate d = parseDate(s);
            if (!d.isValid())
                notStorable(table, column, v, "a date");
            return Value(d);
        }
        default:
            notStorable(table, column, v, "a date");
        }
    case Type::Text: {
        Value out = t == Type::Text ? v : Value(v.toString());
        if (definedSize > 0 && Statement::get<QString>(out)->size() > definedSize)
            throw Error(QStringLiteral(
                "String or binary data would be truncated: column '%1' holds at most %2 characters.")
                            .arg(columnName(table, column))
                            .arg(definedSize));
        return out;
    }
    case Type::Real:
        switch (t) {
        case Type::Real:
            return v;
        case Type::Text: {
            const QString s = v.toString();
            if (s.trimmed().isEmpty())
                return {};
            bool ok = false;
            const double d = s.trimmed().toDouble(&ok);
            if (!ok)
                notStorable(table, column, v, "a number");
            return Value(d);
        }
        case Type::Int:
        case Type::Money:
            return Value(v.toDouble());
        default:
            notStorable(table, column, v, "a number");
        }
    default:
        return v;
    }
}

void bind(sqlite3_stmt *s, int index, const Value &v, bool stable)
{
    int rc = SQLITE_OK;
    switch (v.type()) {
    case Type::Null:
        rc = sqlite3_bind_null(s, index);
        break;
    case Type::Int:
        rc = sqlite3_bind_int64(s, index, *Statement::get<std::int64_t>(v));
        break;
    case Type::Real:
        rc = sqlite3_bind_double(s, index, *Statement::get<double>(v));
        break;
    case Type::Money:
        rc = sqlite3_bind_int64(s, index, Statement::get<Money>(v)->cents());
        break;
    case Type::Date: {
        int y = 0, m = 0, dd = 0;
        Statement::get<QDate>(v)->getDate(&y, &m, &dd);
        if (y < 1 || y > 9999) { // outside what YYYY-MM-DD can say
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(s, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        const char iso[10]
            = {char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10),
                '-', char('0' + m / 10), char('0' + m % 10), '-', char('0' + dd / 10), char('0' + dd % 10)};
        rc = sqlite3_bind_text(s, index, iso, 10, SQLITE_TRANSIENT);
        break;
    }
    case Type::Text: {
        // UTF-16 straight from the QString: no intermediate buffer.
        const QString &text = *Statement::get<QString>(v);
        rc = sqlite3_bind_text16(s, index,
            text.isNull() ? static_cast<const void *>(u"") : static_cast<const void *>(text.utf16()),
            int(text.size() * 2), stable ? SQLITE_STATIC : SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        fail(sqlite3_db_handle(s));
}

Value read(sqlite3_stmt *s, int column, Type kind)
{
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 n = sqlite3_column_int64(s, column);
        if (kind == Type::Money)
            return Value(Money::fromCents(n));
        return Value(static_cast<long long>(n));
    }
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(s, column));
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto *p = reinterpret_cast<const char16_t *>(sqlite3_column_text16(s, column));
        const int bytes = sqlite3_column_bytes16(s, column);
        QString t = p ? QString(reinterpret_cast<const QChar *>(p), bytes / 2) : QString();
        // Only the stored ISO form reads as a date, so a row read back binds
        // exactly what the column holds.
        if (kind == Type::Date && isIsoDate(t))
            return Value(QDate::fromString(t, Qt::ISODate));
        return Value(t);
    }
    default:
        return {};
    }
}

// ---------------------------------------------------------------- SQL functions

namespace {

// Number of characters of UTF-8 text, and the byte offset of character n.
int utf8Chars(const unsigned char *p, int bytes)
{
    int n = 0;
    for (int i = 0; i < bytes; ++i)
        if ((p[i] & 0xC0) != 0x80)
            ++n;
    return n;
}

int utf8Offset(const unsigned char *p, int bytes, int chars)
{
    int i = 0;
    while (i < bytes && chars > 0) {
        ++i;
        while (i < bytes && (p[i] & 0xC0) == 0x80)
            ++i;
        --chars;
    }
    return i;
}

void fnLeftRight(sqlite3_context *ctx, sqlite3_value **argv, bool left)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const sqlite3_int64 want = sqlite3_value_int64(argv[1]);
    if (want < 0)
        return sqlite3_result_error(
            ctx, "Invalid length parameter passed to the left or right function.", -1);
    const auto *p = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    const int chars = utf8Chars(p, bytes);
    if (want >= chars)
        return sqlite3_result_text(ctx, reinterpret_cast<const char *>(p), bytes, SQLITE_TRANSIENT);
    if (left) {
        const int end = utf8Offset(p, bytes, int(want));
        return sqlite3_result_text(ctx, reinterpret_cast<const char *>(p), end, SQLITE_TRANSIENT);
    }
    const int start = utf8Offset(p, bytes, chars - int(want));
    sqlite3_result_text(ctx, reinterpret_cast<const char *>(p) + start, bytes - start, SQLITE_TRANSIENT);
}

void fnLeft(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    fnLeftRight(ctx, argv, true);
}
void fnRight(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    fnLeftRight(ctx, argv, false);
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

void registerFunctions(sqlite3 *h)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    struct F {
        const char *name;
        int args;
        void (*fn)(sqlite3_context *, int, sqlite3_value **);
    };
    static const F fns[] = {
        {"oru_left", 2, fnLeft},
        {"left", 2, fnLeft},
        {"right", 2, fnRight},
        {"oru_right", 2, fnRight},
        {"len", 1, fnLen},
        {"money", 1, fnMoney},
        {"year", 1, fnYear},
        {"month", 1, fnMonth},
        {"day", 1, fnDay},
    };
    for (const F &f : fns)
        check(sqlite3_create_function_v2(h, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr, nullptr),
            h);
}

} // namespace

// ---------------------------------------------------------------- dialect

// isnull, left and right are keywords to SQLite, so "isnull(a, b)" and
// "left(s, 2)" do not parse; a name followed by "(" is renamed to the
// function registered for it. T-SQL's "Delete Accounts Where ..." gets its
// FROM. String literals, quoted names and comments are left alone.
QString dialect(const QString &sql)
{
    QString out;
    const qsizetype n = sql.size();
    qsizetype copied = 0;
    qsizetype i = 0;
    bool firstWord = true;
    bool afterDelete = false;
    auto isIdent = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; };
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? u']' : c;
            ++i;
            while (i < n && sql[i] != close)
                ++i;
            ++i;
            firstWord = afterDelete = false;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            i += 2;
            while (i + 1 < n && !(sql[i] == u'*' && sql[i + 1] == u'/'))
                ++i;
            i += 2;
            continue;
        }
        if (!isIdent(c) || c.isDigit()) {
            if (!c.isSpace()) {
                if (c == u';')
                    firstWord = true;
                else
                    firstWord = false;
                afterDelete = false;
            }
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < n && isIdent(sql[i]))
            ++i;
        const QStringView w = QStringView(sql).mid(start, i - start);
        const bool qualified = start > 0 && sql[start - 1] == u'.';
        if (afterDelete) {
            afterDelete = false;
            if (w.compare(QLatin1String("FROM"), Qt::CaseInsensitive) != 0) {
                out += QStringView(sql).mid(copied, start - copied);
                out += QLatin1String("FROM ");
                copied = start;
            }
        }
        if (firstWord && w.compare(QLatin1String("DELETE"), Qt::CaseInsensitive) == 0)
            afterDelete = true;
        firstWord = false;
        if (qualified)
            continue;
        qsizetype j = i;
        while (j < n && sql[j].isSpace())
            ++j;
        if (j >= n || sql[j] != u'(')
            continue;
        const char *renamed = nullptr;
        if (w.compare(QLatin1String("isnull"), Qt::CaseInsensitive) == 0)
            renamed = "ifnull";
        else if (w.compare(QLatin1String("left"), Qt::CaseInsensitive) == 0)
            renamed = "oru_left";
        else if (w.compare(QLatin1String("right"), Qt::CaseInsensitive) == 0)
            renamed = "oru_right";
        if (!renamed)
            continue;
        out += QStringView(sql).mid(copied, start - copied);
        out += QLatin1String(renamed);
        copied = i;
    }
    if (copied == 0)
        return sql;
    out += QStringView(sql).mid(copied);
    return out;
}

// ---------------------------------------------------------------- files

sqlite3 *openFile(const QString &path, bool create)
{
    sqlite3 *h = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(QDir::toNativeSeparators(path).toUtf8().constData(), &h, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = h ? QString::fromUtf8(sqlite3_errmsg(h)) : QStringLiteral("out of memory");
        sqlite3_close_v2(h);
        throw Error(QStringLiteral("Cannot open '%1': %2").arg(path, msg));
    }
    try {
        sqlite3_extended_result_codes(h, 0);
        // Several running copies share a server: readers never block the
        // writer (WAL), and a writer waits for another instead of failing.
        check(sqlite3_busy_timeout(h, 5000), h);
        if (create)
            exec(h, "PRAGMA journal_mode=WAL");
        // The books: a committed transaction survives a power cut.
        exec(h, "PRAGMA synchronous=FULL");
        registerFunctions(h);
    } catch (...) {
        sqlite3_close_v2(h);
        throw;
    }
    return h;
}

void closeFile(sqlite3 *h)
{
    if (h)
        sqlite3_close_v2(h);
}

void exec(sqlite3 *h, const char *sql)
{
    char *err = nullptr;
    if (const int rc = sqlite3_exec(h, sql, nullptr, nullptr, &err); rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errmsg(h));
        sqlite3_free(err);
        raiseKnown(rc);
        throw Error(msg);
    }
}

namespace {

struct Prepared {
    sqlite3_stmt *s = nullptr;
    explicit Prepared(sqlite3 *h, const QString &sql)
    {
        const QByteArray u = dialect(sql).toUtf8();
        if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &s, nullptr) != SQLITE_OK)
            fail(h);
        if (!s)
            throw Error(QStringLiteral("The statement is empty."));
    }
    ~Prepared() { sqlite3_finalize(s); }
};

void bindParams(sqlite3_stmt *s, const Params &params)
{
    const int expected = sqlite3_bind_parameter_count(s);
    if (expected != int(params.size()))
        throw Error(QStringLiteral("The statement takes %1 parameter(s); %2 were given.")
                        .arg(expected)
                        .arg(params.size()));
    for (int i = 0; i < expected; ++i)
        bind(s, i + 1, params[size_t(i)]);
}

} // namespace

void exec(sqlite3 *h, const QString &sql, const Params &params)
{
    Prepared p(h, sql);
    bindParams(p.s, params);
    int rc;
    while ((rc = sqlite3_step(p.s)) == SQLITE_ROW) { }
    check(rc, h);
}

Value scalar(sqlite3 *h, const QString &sql, const Params &params)
{
    Prepared p(h, sql);
    bindParams(p.s, params);
    const int rc = sqlite3_step(p.s);
    check(rc, h);
    if (rc != SQLITE_ROW)
        return {};
    const char *decl = sqlite3_column_decltype(p.s, 0);
    return read(p.s, 0, kindOf(QString::fromLatin1(decl ? decl : ""), nullptr));
}

// ---------------------------------------------------------------- statement cache

namespace {

[[noreturn]] void closedError()
{
    throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
}

bool blank(const char *p)
{
    for (; *p; ++p)
        if (!(*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == ';'))
            return false;
    return true;
}

constexpr int cacheLimit = 200;

} // namespace

sqlite3_stmt *takeStatement(Connection &conn, const QString &sql, std::vector<ParamRule> *rules)
{
    auto &d = Access::impl(conn);
    if (!d.db)
        closedError();
    const auto it = d.cache.find(sql);
    if (it != d.cache.end()) {
        sqlite3_stmt *s = it->stmt;
        if (rules)
            *rules = std::move(it->rules);
        d.cache.erase(it);
        return s;
    }
    const QString text = dialect(sql);
    const QByteArray u = text.toUtf8();
    const char *tail = nullptr;
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v3(d.db, u.constData(), int(u.size()), SQLITE_PREPARE_PERSISTENT, &s, &tail)
        != SQLITE_OK)
        fail(d.db);
    if (!s)
        throw Error(QStringLiteral("The statement is empty."));
    if (tail && !blank(tail)) {
        sqlite3_finalize(s);
        throw Error(QStringLiteral("Give one statement per call: the text holds more than one."));
    }
    const int count = sqlite3_bind_parameter_count(s);
    if (rules && count > 0) {
        *rules = paramRules(d.db, text);
        if (rules->size() != size_t(count))
            rules->clear();
    }
    return s;
}

void returnStatement(Connection &conn, const QString &sql, sqlite3_stmt *stmt, std::vector<ParamRule> &&rules)
{
    auto &d = Access::impl(conn);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    // A statement of an earlier session, or a second copy of one text, goes.
    if (!d.db || sqlite3_db_handle(stmt) != d.db || d.cache.contains(sql)) {
        sqlite3_finalize(stmt);
        return;
    }
    if (d.cache.size() >= cacheLimit)
        d.finalizeCache();
    d.cache.insert(sql, {stmt, std::move(rules)});
}

CachedStatement::CachedStatement(Connection &conn, const QString &sql)
    : m_conn(conn)
    , m_sql(sql)
{
    m_stmt = takeStatement(conn, sql, &m_rules);
}

CachedStatement::~CachedStatement()
{
    if (m_stmt)
        returnStatement(m_conn, m_sql, m_stmt, std::move(m_rules));
}

void CachedStatement::bindAll(const Params &params)
{
    if (m_rules.empty())
        return bindParams(m_stmt, params);
    const int expected = sqlite3_bind_parameter_count(m_stmt);
    if (expected != int(params.size()))
        throw Error(QStringLiteral("The statement takes %1 parameter(s); %2 were given.")
                        .arg(expected)
                        .arg(params.size()));
    for (int i = 0; i < expected; ++i) {
        const ParamRule &rule = m_rules[size_t(i)];
        const Value &v = params[size_t(i)];
        if (rule.kind == Type::Null || v.isNull())
            bind(m_stmt, i + 1, v);
        else
            bind(m_stmt, i + 1, convertFor(rule.kind, 0, v, rule.column, QString()));
    }
}

} // namespace detail

// ---------------------------------------------------------------- Connection

using detail::Access;

Connection::Connection()
    : d(std::make_unique<Impl>())
{
}

Connection::~Connection()
{
    close();
}

namespace {

const char *const knownProperties[] = {"User ID", "Password", "Data Source", "Initial Catalog"};

} // namespace

void Connection::setProperty(const QString &name, const QString &value)
{
    QString key = name.trimmed();
    for (const char *known : knownProperties)
        if (key.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            key = QLatin1String(known);
    for (auto &p : d->properties)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    d->properties.emplace_back(key, value);
}

QString Connection::property(const QString &name) const
{
    const QString key = name.trimmed();
    for (const auto &p : d->properties)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0)
            return p.second;
    return {};
}

void Connection::open()
{
    if (d->db)
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString serverName = property(QStringLiteral("Data Source"));
    const QString userName = property(QStringLiteral("User ID"));
    const QString path = server::resolve(serverName);
    const QString shownServer = serverName.trimmed();
    if (path.isEmpty() || !server::exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
    sqlite3 *master = nullptr;
    sqlite3 *db = nullptr;
    try {
        try {
            master = detail::openFile(path + QStringLiteral("/master.db"), false);
        } catch (const Error &) {
            throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
        }
        const detail::Login login
            = detail::checkLogin(master, userName, property(QStringLiteral("Password")));
        QString database = property(QStringLiteral("Initial Catalog")).trimmed();
        if (database.isEmpty())
            database = login.database;
        const QString cannotOpen
            = QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
                  .arg(database);
        const QString file = detail::databaseFile(master, path, database);
        if (file.isEmpty())
            throw Error(cannotOpen);
        try {
            db = detail::openFile(file, false);
        } catch (const Error &) {
            throw Error(cannotOpen);
        }
        if (!login.sysadmin && !detail::isDatabaseUser(db, login.name))
            throw Error(cannotOpen);
        detail::upgrade(db);
        d->master = master;
        d->db = db;
        d->serverPath = path;
        d->database = database;
        d->login = login;
        d->depth = 0;
        d->token = std::make_shared<int>(0);
    } catch (...) {
        detail::closeFile(db);
        detail::closeFile(master);
        throw;
    }
}

void Connection::close()
{
    if (!d->db)
        return;
    d->finalizeCache();
    detail::closeFile(d->db);
    detail::closeFile(d->master);
    d->db = nullptr;
    d->master = nullptr;
    d->depth = 0;
    d->token.reset();
}

int Connection::state() const
{
    return d->db ? 1 : 0;
}

std::int64_t Connection::execute(const QString &sql, const Params &params)
{
    if (!d->db)
        detail::closedError();
    std::int64_t affected = 0;
    if (detail::runProcedure(*this, sql, params, &affected))
        return affected;
    detail::CachedStatement st(*this, sql);
    st.bindAll(params);
    const sqlite3_int64 before = sqlite3_total_changes64(d->db);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) { }
    detail::check(rc, d->db);
    if (sqlite3_stmt_readonly(st.get()) || sqlite3_total_changes64(d->db) == before)
        return 0;
    return sqlite3_changes64(d->db);
}

Value Connection::scalar(const QString &sql, const Params &params)
{
    detail::CachedStatement st(*this, sql);
    st.bindAll(params);
    const int rc = sqlite3_step(st.get());
    detail::check(rc, d->db);
    if (rc != SQLITE_ROW)
        return {};
    const char *decl = sqlite3_column_decltype(st.get(), 0);
    return detail::read(st.get(), 0, detail::kindOf(QString::fromLatin1(decl ? decl : ""), nullptr));
}

QString Connection::loginName() const
{
    return d->db ? d->login.name : QString();
}

bool Connection::isSysadmin() const
{
    return d->db && detail::isSysadmin(d->master, d->login.name);
}

QString Connection::serverPath() const
{
    return d->serverPath;
}

sqlite3 *Connection::handle() const
{
    if (!d->db)
        detail::closedError();
    return d->db;
}

sqlite3 *Connection::masterHandle() const
{
    if (!d->master)
        detail::closedError();
    return d->master;
}

bool Connection::inTransaction() const
{
    return d->db && !sqlite3_get_autocommit(d->db);
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Connection &conn)
    : m_conn(conn)
{
    auto &d = *conn.d;
    if (!d.db)
        detail::closedError();
    if (d.depth == 0) {
        if (!sqlite3_get_autocommit(d.db))
            throw Error(
                QStringLiteral("A transaction begun by a statement is still open on this connection."));
        detail::exec(d.db, "BEGIN IMMEDIATE");
    } else {
        if (sqlite3_get_autocommit(d.db))
            throw Error(QStringLiteral("The transaction was rolled back by the database after an error."));
        m_savepoint = QStringLiteral("oru_sp%1").arg(++d.savepointSeq);
        detail::exec(d.db, ("SAVEPOINT " + m_savepoint).toUtf8().constData());
    }
    ++d.depth;
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    auto &d = *m_conn.d;
    if (!d.db || d.depth == 0) // the connection was closed meanwhile: SQLite rolled back
        return;
    --d.depth;
    if (sqlite3_get_autocommit(d.db)) // SQLite already rolled back after an error
        return;
    const QByteArray sql = m_savepoint.isEmpty()
        ? QByteArray("ROLLBACK")
        : ("ROLLBACK TO " + m_savepoint + "; RELEASE " + m_savepoint).toUtf8();
    sqlite3_exec(d.db, sql.constData(), nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    if (m_done)
        throw Error(QStringLiteral("The transaction has already been committed."));
    auto &d = *m_conn.d;
    if (!d.db || d.depth == 0)
        throw Error(QStringLiteral("The transaction was lost: its connection was closed."));
    if (sqlite3_get_autocommit(d.db))
        throw Error(QStringLiteral("The transaction was rolled back by the database after an error."));
    detail::exec(d.db,
        m_savepoint.isEmpty() ? QByteArray("COMMIT").constData()
                              : ("RELEASE " + m_savepoint).toUtf8().constData());
    --d.depth;
    m_done = true;
}

} // namespace db
