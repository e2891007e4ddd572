// The PostgreSQL engine's session over libpq: statements prepared once and
// run with bound text parameters, results typed by their origin columns,
// write transactions serialised by an advisory lock.
#include "platform/db/pg_session.h"
#include "platform/db/internal.h"
#include "platform/db/pg_server_p.h"

#include <libpq-fe.h>

#include <charconv>
#include <optional>

namespace db::detail {

void ClosePg::operator()(pg_conn *c) const
{
    PQfinish(c);
}

void ClearPg::operator()(pg_result *r) const
{
    PQclear(r);
}

namespace {

// Every write transaction of the program holds this lock on its database:
// one writer at a time, as on the embedded server, so a number read and the
// insert that uses it never interleave with another computer's.
// Prepared statements a session keeps, as the embedded engine's cache.
constexpr qsizetype kCacheLimit = 200;

constexpr const char *kLockWrites = "SELECT pg_advisory_xact_lock(5198421)";

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

[[noreturn]] void failWith(pg_result *r, pg_conn *c)
{
    const char *state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    if (state) {
        const QByteArray code(state);
        // Waited too long for another copy's lock, a deadlock, or a
        // serialisation conflict: nothing took effect.
        if (code == "55P03" || code == "40P01" || code == "40001")
            throw BusyError();
        if (code == "53100")
            throw DiskFullError();
    }
    const char *primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    QString msg = QString::fromUtf8(primary ? primary : PQerrorMessage(c)).trimmed();
    if (msg.isEmpty())
        msg = QStringLiteral("The database server did not answer.");
    throw Error(msg);
}

PgResult checked(pg_result *r, pg_conn *c)
{
    PgResult out(r);
    const ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
        failWith(r, c);
    return out;
}

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

// The values of a statement's parameters as text; Null stays a null pointer.
struct BoundTexts {
    std::vector<QByteArray> texts;
    std::vector<const char *> ptrs;
    explicit BoundTexts(const std::vector<const Value *> &values)
        : texts(values.size())
        , ptrs(values.size())
    {
        for (size_t i = 0; i < values.size(); ++i)
            if (!values[i]->isNull()) {
                texts[i] = paramText(*values[i]);
                ptrs[i] = texts[i].constData();
            }
    }
};

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

std::int64_t changedRows(pg_result *r)
{
    const char *n = PQcmdTuples(r);
    return n && *n ? QByteArray(n).toLongLong() : 0;
}

bool wantsCache(const QString &sql)
{
    // Set-up statements run once; everything that may run often is prepared.
    const QString head = sql.trimmed().left(7).toLower();
    return head.startsWith(u"select") || head.startsWith(u"insert") || head.startsWith(u"update")
        || head.startsWith(u"delete") || head.startsWith(u"with");
}

// A recordset's write statement: prepared apart from the cache, so that
// trimming the cache never takes it away while the recordset holds it.
class PgRowStatement final : public engine::RowStatement {
public:
    PgRowStatement(PgSession &session, const QString &sql)
        : m_session(session)
        , m_life(session.life())
        , m_name(session.prepare(sql))
    {
    }
    ~PgRowStatement() override
    {
        if (!m_life.expired())
            m_session.deallocate(m_name);
    }
    std::int64_t run(const std::vector<const Value *> &values) override
    {
        return changedRows(m_session.runPrepared(m_name, values).get());
    }

private:
    PgSession &m_session;
    std::weak_ptr<char> m_life;
    QByteArray m_name;
};

} // namespace

QByteArray pgText(const QString &sql, int *count)
{
    QByteArray out;
    out.reserve(sql.size() + 16);
    int n = 0;
    const qsizetype len = sql.size();
    qsizetype i = 0;
    qsizetype copied = 0;
    auto skipTo = [&](QChar close) {
        ++i;
        while (i < len && sql[i] != close)
            ++i;
        ++i;
    };
    while (i < len) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            skipTo(c); // a doubled quote inside is two quoted runs in a row
        } else if (c == u'-' && i + 1 < len && sql[i + 1] == u'-') {
            while (i < len && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < len && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? len : end + 2;
        } else if (c == u'?') {
            out += QStringView(sql).mid(copied, i - copied).toUtf8();
            out += '$' + QByteArray::number(++n);
            copied = ++i;
        } else {
            ++i;
        }
    }
    out += QStringView(sql).mid(copied).toUtf8();
    *count = n;
    return out;
}

PgSession::PgSession(const PgAddress &address, const QString &user, const QString &password)
    : m_address(address)
{
    const QByteArray host = address.host.toUtf8(), port = QByteArray::number(address.port),
                     dbname = address.database.toUtf8(), u = user.toUtf8(), pw = password.toUtf8();
    const char *keys[] = {"host", "port", "dbname", "user", "password", "client_encoding", "application_name",
        "connect_timeout", nullptr};
    const char *values[] = {host.isEmpty() ? nullptr : host.constData(), port.constData(), dbname.constData(),
        u.isEmpty() ? nullptr : u.constData(), pw.isEmpty() ? nullptr : pw.constData(), "UTF8",
        "ORU Accounts", "10", nullptr};
    m_conn.reset(PQconnectdbParams(keys, values, 0));
    if (!m_conn || PQstatus(m_conn.get()) != CONNECTION_OK)
        throw Error(QString::fromUtf8(m_conn ? PQerrorMessage(m_conn.get()) : "out of memory").trimmed());
    // The program's own functions before the server's casts of the same
    // name (money()); day-first dates as the windows type them; a lock
    // another copy holds is waited for as long as on the embedded server.
    run("SET search_path = public, pg_catalog; SET DateStyle = 'ISO, DMY'; SET lock_timeout = '5s'; "
        "SET client_min_messages = warning");
}

PgSession::~PgSession() = default;

void PgSession::run(const char *sql)
{
    checked(PQexec(m_conn.get(), sql), m_conn.get());
}

QByteArray PgSession::prepare(const QString &sql)
{
    int count = 0;
    const QByteArray text = pgText(sql, &count);
    const QByteArray name = "oru_" + QByteArray::number(++m_nextName);
    checked(PQprepare(m_conn.get(), name.constData(), text.constData(), 0, nullptr), m_conn.get());
    return name;
}

void PgSession::deallocate(const QByteArray &name) noexcept
{
    // The name is ours ("oru_" and a number). In a failed transaction the
    // server refuses; the statement then lives until the session ends.
    PQclear(PQexec(m_conn.get(), ("DEALLOCATE " + name).constData()));
}

QByteArray PgSession::prepared(const QString &sql)
{
    auto it = m_prepared.constFind(sql);
    if (it != m_prepared.constEnd())
        return *it;
    // Texts built with literals would otherwise pile up on the server.
    if (m_prepared.size() >= kCacheLimit) {
        for (const QByteArray &name : std::as_const(m_prepared))
            deallocate(name);
        m_prepared.clear();
    }
    const QByteArray name = prepare(sql);
    m_prepared.insert(sql, name);
    return name;
}

PgResult PgSession::runPrepared(const QByteArray &name, const std::vector<const Value *> &values)
{
    const BoundTexts bound(values);
    return checked(PQexecPrepared(m_conn.get(), name.constData(), int(values.size()), bound.ptrs.data(),
                       nullptr, nullptr, 0),
        m_conn.get());
}

PgResult PgSession::ask(const char *sql, const std::vector<QByteArray> &args)
{
    std::vector<const char *> ptrs;
    for (const QByteArray &a : args)
        ptrs.push_back(a.constData());
    return checked(
        PQexecParams(m_conn.get(), sql, int(ptrs.size()), nullptr, ptrs.data(), nullptr, nullptr, 0),
        m_conn.get());
}

PgResult PgSession::runWith(const QString &sql, const Params &params)
{
    int count = 0;
    const QByteArray text = pgText(sql, &count);
    if (size_t(count) != params.size())
        throw Error(QStringLiteral("The statement takes %1 parameter(s); %2 were given.")
                        .arg(count)
                        .arg(params.size()));
    std::vector<const Value *> values;
    values.reserve(params.size());
    for (const Value &v : params)
        values.push_back(&v);
    if (wantsCache(sql))
        return runPrepared(prepared(sql), values);
    if (params.empty())
        return checked(PQexec(m_conn.get(), text.constData()), m_conn.get());
    const BoundTexts bound(values);
    return checked(
        PQexecParams(m_conn.get(), text.constData(), count, nullptr, bound.ptrs.data(), nullptr, nullptr, 0),
        m_conn.get());
}

std::int64_t PgSession::execute(const QString &sql, const Params &params)
{
    PgResult r = runWith(sql, params);
    return PQresultStatus(r.get()) == PGRES_TUPLES_OK ? 0 : changedRows(r.get());
}

Value PgSession::scalar(const QString &sql, const Params &params)
{
    PgResult r = runWith(sql, params);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK || PQntuples(r.get()) == 0 || PQnfields(r.get()) == 0)
        return {};
    return readCell(r.get(), 0, 0, describe(r.get(), 0).kind);
}

Column PgSession::describe(pg_result *r, int i)
{
    Column c;
    c.name = QString::fromUtf8(PQfname(r, i));
    const Oid table = PQftable(r, i);
    const int number = PQftablecol(r, i);
    if (table != InvalidOid && number > 0) {
        const quint64 key = (quint64(table) << 16) | quint64(number);
        auto it = m_origins.constFind(key);
        if (it == m_origins.constEnd()) {
            PgResult o = ask("SELECT c.relname, a.attname, format_type(a.atttypid, a.atttypmod), "
                             "t.typname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                             "JOIN pg_type t ON t.oid = a.atttypid "
                             "WHERE a.attrelid = $1::oid AND a.attnum = $2::int2",
                {QByteArray::number(table), QByteArray::number(number)});
            Origin origin;
            if (PQntuples(o.get()) == 1)
                origin = {QString::fromUtf8(PQgetvalue(o.get(), 0, 0)),
                    QString::fromUtf8(PQgetvalue(o.get(), 0, 1)),
                    declaredType(QString::fromUtf8(PQgetvalue(o.get(), 0, 2)),
                        QString::fromUtf8(PQgetvalue(o.get(), 0, 3)))};
            it = m_origins.insert(key, origin);
        }
        c.table = it->table;
        c.origin = it->column;
        c.declType = it->declType;
    }
    c.kind = kindOf(c.declType, &c.definedSize);
    return c;
}

engine::Result PgSession::query(const QString &sql, const Params &params)
{
    engine::Result out;
    PgResult r = runWith(sql, params);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK)
        return out;
    const int n = PQnfields(r.get());
    out.columns.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        out.columns[size_t(i)] = describe(r.get(), i);
    out.rows = PQntuples(r.get());
    out.cells.reserve(size_t(out.rows) * size_t(n));
    for (int row = 0; row < out.rows; ++row)
        for (int i = 0; i < n; ++i)
            out.cells.push_back(readCell(r.get(), row, i, out.columns[size_t(i)].kind));
    return out;
}

std::vector<Column> PgSession::columns(const QString &sql)
{
    const QByteArray name = prepared(sql);
    PgResult r = checked(PQdescribePrepared(m_conn.get(), name.constData()), m_conn.get());
    std::vector<Column> out;
    for (int i = 0; i < PQnfields(r.get()); ++i)
        out.push_back(describe(r.get(), i));
    return out;
}

void PgSession::checkLogin(const QString &user, const QString &password, const QString &database)
{
    pgLogin(m_address, m_address.host, user, password, database);
}

engine::TableInfo PgSession::table(const QString &name)
{
    PgResult r = ask("SELECT a.attname, COALESCE((SELECT k.n FROM pg_index i, "
                     "unnest(i.indkey) WITH ORDINALITY k(att, n) WHERE i.indrelid = a.attrelid "
                     "AND i.indisprimary AND k.att = a.attnum), 0), "
                     "a.atthasdef OR a.attidentity <> '', format_type(a.atttypid, a.atttypmod), t.typname "
                     "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
                     "WHERE a.attrelid = to_regclass($1) AND a.attnum > 0 AND NOT a.attisdropped "
                     "ORDER BY a.attnum",
        {name.toUtf8()});
    engine::TableInfo info;
    info.hasRowid = false; // rows are found by their key
    for (int i = 0; i < PQntuples(r.get()); ++i)
        info.columns.push_back({QString::fromUtf8(PQgetvalue(r.get(), i, 0)), atoi(PQgetvalue(r.get(), i, 1)),
            PQgetvalue(r.get(), i, 2)[0] == 't',
            declaredType(
                QString::fromUtf8(PQgetvalue(r.get(), i, 3)), QString::fromUtf8(PQgetvalue(r.get(), i, 4)))});
    return info;
}

std::unique_ptr<engine::RowStatement> PgSession::rowStatement(const QString &sql)
{
    return std::make_unique<PgRowStatement>(*this, sql);
}

std::int64_t PgSession::lastInsertKey()
{
    // lastval() fails when no sequence was used; inside a transaction that
    // failure must not abort the caller's work.
    const bool guarded = inTransaction();
    if (guarded)
        run("SAVEPOINT oru_lastval");
    PGresult *r = PQexec(m_conn.get(), "SELECT lastval()");
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
    const std::int64_t key = ok ? QByteArray(PQgetvalue(r, 0, 0)).toLongLong() : 0;
    PQclear(r);
    if (guarded)
        run(ok ? "RELEASE SAVEPOINT oru_lastval"
               : "ROLLBACK TO SAVEPOINT oru_lastval; RELEASE SAVEPOINT oru_lastval");
    return key;
}

bool PgSession::isSysadmin(const QString &login)
{
    PgResult r = ask("SELECT 1 FROM pg_roles r WHERE lower(r.rolname) = lower($1) AND (r.rolsuper "
                     "OR EXISTS (SELECT 1 FROM pg_auth_members m JOIN pg_roles g ON g.oid = m.roleid "
                     "WHERE m.member = r.oid AND g.rolname = 'sysadmin'))",
        {login.toUtf8()});
    return PQntuples(r.get()) > 0;
}

bool PgSession::inTransaction()
{
    return PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE;
}

void PgSession::begin()
{
    run("BEGIN");
    try {
        run(kLockWrites);
    } catch (...) {
        rollback({});
        throw;
    }
}

void PgSession::savepoint(const QString &name)
{
    run(("SAVEPOINT " + name).toUtf8().constData());
}

void PgSession::commit(const QString &savepoint)
{
    // After a failed statement the server would answer COMMIT by rolling
    // back; say so rather than report a save that did not happen.
    if (PQtransactionStatus(m_conn.get()) == PQTRANS_INERROR) {
        if (savepoint.isEmpty())
            rollback({});
        throw Error(QStringLiteral("A statement of the transaction failed, so nothing was saved."));
    }
    run(savepoint.isEmpty() ? "COMMIT" : ("RELEASE SAVEPOINT " + savepoint).toUtf8().constData());
}

void PgSession::rollback(const QString &savepoint) noexcept
{
    const QByteArray sql = savepoint.isEmpty()
        ? QByteArray("ROLLBACK")
        : ("ROLLBACK TO SAVEPOINT " + savepoint + "; RELEASE SAVEPOINT " + savepoint).toUtf8();
    PQclear(PQexec(m_conn.get(), sql.constData()));
}

void preparePgDatabase(PgSession &owner)
{
    owner.run(R"(
CREATE COLLATION IF NOT EXISTS public.nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false);
DO $$ BEGIN CREATE DOMAIN public.oru_money AS bigint; EXCEPTION WHEN duplicate_object THEN NULL; END $$;
CREATE OR REPLACE FUNCTION public.len(text) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT length(rtrim($1, '' ''))';
CREATE OR REPLACE FUNCTION public.money(bigint) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT ($1::numeric / 100)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION public.money(integer) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT ($1::numeric / 100)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION public.money(numeric) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT (round($1) / 100)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION public.money(double precision) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT (round($1::numeric) / 100)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION public.ifnull(anycompatible, anycompatible) RETURNS anycompatible IMMUTABLE
  LANGUAGE sql AS 'SELECT coalesce($1, $2)';
CREATE OR REPLACE FUNCTION public.year(date) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT extract(year FROM $1)::integer';
CREATE OR REPLACE FUNCTION public.month(date) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT extract(month FROM $1)::integer';
CREATE OR REPLACE FUNCTION public.day(date) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT extract(day FROM $1)::integer';
)");
}

} // namespace db::detail
