// Opening a database file, running a statement on a bare handle, and the
// statement cache of a connection.
#include "platform/db/sqlite_session.h"

#include <QDir>

#include <sys/stat.h>

namespace db::detail {

DatabaseHandle openFile(const QString &path, bool create)
{
    sqlite3 *raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    // A new file is its owner's alone; SQLite gives its -wal and -shm files
    // the database file's mode.
    const mode_t saved = create ? umask(077) : 0;
    const int rc = sqlite3_open_v2(QDir::toNativeSeparators(path).toUtf8().constData(), &raw, flags, nullptr);
    if (create)
        umask(saved);
    DatabaseHandle h(raw);
    if (rc != SQLITE_OK) {
        if ((rc & 0xff) == SQLITE_FULL || diskFullAt(path))
            throw DiskFullError();
        const QString msg = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
        throw Error(QStringLiteral("Cannot open '%1': %2").arg(path, msg));
    }
    sqlite3_extended_result_codes(raw, 0);
    // Several running copies share a server: readers never block the
    // writer (WAL), and a writer waits for another instead of failing.
    check(sqlite3_busy_timeout(raw, 5000), raw);
    if (create)
        exec(raw, "PRAGMA journal_mode=WAL");
    // The books: a committed transaction survives a power cut.
    exec(raw, "PRAGMA synchronous=FULL");
    // Report work tables are the connection's own temporary tables, in a
    // file of their own past a small cache: a work table of a long ledger
    // takes disk, not memory, however long the ledger is.
    exec(raw, "PRAGMA temp_store=FILE");
    registerFunctions(raw);
    return h;
}

void exec(sqlite3 *h, const char *sql)
{
    char *err = nullptr;
    if (const int rc = sqlite3_exec(h, sql, nullptr, nullptr, &err); rc != SQLITE_OK) {
        const QString msg = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errmsg(h));
        sqlite3_free(err);
        raiseKnown(sqlite3_extended_errcode(h), msg, h);
        throw Error(msg);
    }
}

StatementHandle prepare(sqlite3 *h, const QString &sql)
{
    const QByteArray u = sql.toUtf8();
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(h, u.constData(), int(u.size()), &s, nullptr) != SQLITE_OK)
        fail(h);
    if (!s)
        throw Error(QStringLiteral("The statement is empty."));
    return StatementHandle(s);
}

namespace {

Type sqliteKindIn(sqlite3 *db, const QString &table, const QString &column)
{
    const char *decl = nullptr;
    // No schema named: a connection's temp work tables are found first, as SQL finds them.
    if (sqlite3_table_column_metadata(db, nullptr, table.toUtf8().constData(), column.toUtf8().constData(),
            &decl, nullptr, nullptr, nullptr, nullptr)
        != SQLITE_OK)
        return Type::Null;
    return kindOf(QString::fromUtf8(decl ? decl : ""), nullptr);
}

} // namespace

std::vector<ParamRule> paramRules(sqlite3 *db, const QString &sql)
{
    return paramRules(sql, [db](const QString &table, const QString &column) {
        if (column.isEmpty())
            return sqlite3_table_column_metadata(db, nullptr, table.toUtf8().constData(), nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr)
                    == SQLITE_OK
                ? Type::Text
                : Type::Null;
        return sqliteKindIn(db, table, column);
    });
}

namespace {

[[noreturn]] void wrongCount(int expected, size_t given)
{
    throw Error(
        QStringLiteral("The statement takes %1 parameter(s); %2 were given.").arg(expected).arg(given));
}

} // namespace

void bindParams(sqlite3_stmt *s, const Params &params)
{
    const int expected = sqlite3_bind_parameter_count(s);
    if (expected != int(params.size()))
        wrongCount(expected, params.size());
    for (int i = 0; i < expected; ++i)
        bind(s, i + 1, params[size_t(i)]);
}

void exec(sqlite3 *h, const QString &sql, const Params &params)
{
    const StatementHandle s = prepare(h, sql);
    bindParams(s.get(), params);
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) { }
    check(rc, h);
}

Value scalar(sqlite3 *h, const QString &sql, const Params &params)
{
    const StatementHandle s = prepare(h, sql);
    bindParams(s.get(), params);
    const int rc = sqlite3_step(s.get());
    check(rc, h);
    if (rc != SQLITE_ROW)
        return {};
    return readDeclared(s.get(), 0);
}

// ---------------------------------------------------------------- statement cache

void closedError()
{
    throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
}

namespace {

bool blank(const char *p)
{
    for (; *p; ++p)
        if (!(*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == ';'))
            return false;
    return true;
}

constexpr size_t cacheLimit = 200;

} // namespace

StatementHandle SqliteSession::take(const QString &sql, std::vector<ParamRule> *rules)
{
    sqlite3 *db = m_db.get();
    const auto it = m_cache.find(sql);
    if (it != m_cache.end()) {
        StatementHandle s = std::move(it->second.stmt);
        if (rules)
            *rules = std::move(it->second.rules);
        m_cache.erase(it);
        return s;
    }
    const QByteArray u = sql.toUtf8();
    const char *tail = nullptr;
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v3(db, u.constData(), int(u.size()), SQLITE_PREPARE_PERSISTENT, &raw, &tail)
        != SQLITE_OK)
        fail(db);
    StatementHandle s(raw);
    if (!s)
        throw Error(QStringLiteral("The statement is empty."));
    if (tail && !blank(tail))
        throw Error(QStringLiteral("Give one statement per call: the text holds more than one."));
    const int count = sqlite3_bind_parameter_count(raw);
    if (rules && count > 0) {
        *rules = paramRules(db, sql);
        if (rules->size() != size_t(count))
            rules->clear();
    }
    return s;
}

void SqliteSession::giveBack(const QString &sql, StatementHandle stmt, std::vector<ParamRule> &&rules)
{
    sqlite3_reset(stmt.get());
    sqlite3_clear_bindings(stmt.get());
    // A second copy of one text goes.
    if (m_cache.count(sql))
        return;
    if (m_cache.size() >= cacheLimit)
        m_cache.clear();
    m_cache.emplace(sql, Cached {std::move(stmt), std::move(rules)});
}

CachedStatement::CachedStatement(SqliteSession &session, const QString &sql)
    : m_session(session)
    , m_sql(sql)
{
    m_stmt = session.take(sql, &m_rules);
}

CachedStatement::~CachedStatement()
{
    if (m_stmt)
        m_session.giveBack(m_sql, std::move(m_stmt), std::move(m_rules));
}

void CachedStatement::bindAll(const Params &params)
{
    if (m_rules.empty())
        return bindParams(m_stmt.get(), params);
    const int expected = sqlite3_bind_parameter_count(m_stmt.get());
    if (expected != int(params.size()))
        wrongCount(expected, params.size());
    for (int i = 0; i < expected; ++i) {
        const ParamRule &rule = m_rules[size_t(i)];
        const Value &v = params[size_t(i)];
        if (rule.kind == Type::Null || v.isNull())
            bind(m_stmt.get(), i + 1, v);
        else
            bind(m_stmt.get(), i + 1, convertFor(rule.kind, 0, v, rule.column, QString()));
    }
}

} // namespace db::detail
