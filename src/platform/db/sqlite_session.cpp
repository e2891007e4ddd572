// The embedded engine's session: statements, results, a table's key and
// defaults, row statements and transactions on a server's SQLite files.
#include "platform/db/sqlite_session.h"
#include "platform/db/login_store.h"

#include <QStringEncoder>

namespace db::detail {

SqliteSession::SqliteSession(DatabaseHandle db, DatabaseHandle master)
    : m_master(std::move(master))
    , m_db(std::move(db))
{
}

SqliteSession::~SqliteSession()
{
    m_cache.clear(); // statements before their handle
}

std::int64_t SqliteSession::execute(const QString &sql, const Params &params)
{
    CachedStatement st(*this, sql);
    st.bindAll(params);
    sqlite3 *h = m_db.get();
    const sqlite3_int64 before = sqlite3_total_changes64(h);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) { }
    check(rc, h);
    if (sqlite3_stmt_readonly(st.get()) || sqlite3_total_changes64(h) == before)
        return 0;
    return sqlite3_changes64(h);
}

namespace {

// A read outside a transaction that found the file unreachable changed
// nothing: it says it could not read, not that nothing was saved.
template <class F> auto reading(sqlite3 *h, sqlite3_stmt *s, F &&f) -> decltype(f())
{
    try {
        return f();
    } catch (const ConnectionLostError &) {
        if (sqlite3_stmt_readonly(s) && sqlite3_get_autocommit(h))
            throw ConnectionLostError(ConnectionLostError::When::Reading);
        throw;
    }
}

} // namespace

Value SqliteSession::scalar(const QString &sql, const Params &params)
{
    CachedStatement st(*this, sql);
    st.bindAll(params);
    return reading(m_db.get(), st.get(), [&] {
        const int rc = sqlite3_step(st.get());
        check(rc, m_db.get());
        if (rc != SQLITE_ROW)
            return Value();
        return readDeclared(st.get(), 0);
    });
}

namespace {

Column describeColumn(sqlite3_stmt *s, int i)
{
    Column c;
    c.name = QString::fromUtf8(sqlite3_column_name(s, i));
    const char *db = sqlite3_column_database_name(s, i);
    // Work tables live in the connection's temp schema.
    if (db && (qstrcmp(db, "main") == 0 || qstrcmp(db, "temp") == 0)) {
        c.table = QString::fromUtf8(sqlite3_column_table_name(s, i));
        c.origin = QString::fromUtf8(sqlite3_column_origin_name(s, i));
    }
    const char *decl = sqlite3_column_decltype(s, i);
    c.declType = QString::fromUtf8(decl ? decl : "").toUpper();
    c.kind = kindOf(c.declType, &c.definedSize);
    return c;
}

} // namespace

engine::Result SqliteSession::query(const QString &sql, const Params &params)
{
    engine::Result out;
    CachedStatement st(*this, sql);
    st.bindAll(params);
    sqlite3_stmt *s = st.get();
    const int n = sqlite3_column_count(s);
    out.columns.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        out.columns[size_t(i)] = describeColumn(s, i);
    reading(m_db.get(), s, [&] {
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i)
                out.cells.push_back(read(s, i, out.columns[size_t(i)].kind));
            ++out.rows;
        }
        check(rc, m_db.get());
    });
    return out;
}

std::vector<Column> SqliteSession::columns(const QString &sql)
{
    CachedStatement st(*this, sql);
    std::vector<Column> out;
    const int n = sqlite3_column_count(st.get());
    for (int i = 0; i < n; ++i)
        out.push_back(describeColumn(st.get(), i));
    return out;
}

void SqliteSession::checkLogin(const QString &user, const QString &password, const QString &database)
{
    const Login login = detail::checkLogin(m_master.get(), user, password);
    if (!login.sysadmin && !isDatabaseUser(m_db.get(), login.name))
        throw Error(QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
                        .arg(database));
}

engine::TableInfo SqliteSession::table(const QString &name)
{
    engine::TableInfo info;
    {
        CachedStatement st(
            *this, QStringLiteral("SELECT name, pk, dflt_value IS NOT NULL, type FROM pragma_table_info(?)"));
        st.bindAll({name});
        int rc;
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW)
            info.columns.push_back({read(st.get(), 0, Type::Text).toString(), sqlite3_column_int(st.get(), 1),
                sqlite3_column_int(st.get(), 2) != 0, read(st.get(), 3, Type::Text).toString()});
        check(rc, m_db.get());
    }
    CachedStatement st(
        *this, QStringLiteral("SELECT wr FROM pragma_table_list WHERE schema = 'main' AND name = ?"));
    st.bindAll({name});
    if (sqlite3_step(st.get()) == SQLITE_ROW)
        info.hasRowid = sqlite3_column_int(st.get(), 0) == 0;
    return info;
}

namespace {

// A write statement a recordset keeps. Texts go to it as UTF-8 in one
// scratch buffer that lives until the step is done: no allocation per row,
// no copy by SQLite, no conversion at the step. Given back to the session's
// cache when the recordset lets it go, if the session is still there.
class SqliteRowStatement final : public engine::RowStatement {
public:
    SqliteRowStatement(SqliteSession &session, const QString &sql)
        : m_session(&session)
        , m_life(session.life())
        , m_sql(sql)
        , m_stmt(session.take(sql, nullptr))
    {
    }
    ~SqliteRowStatement() override
    {
        if (!m_life.expired())
            m_session->giveBack(m_sql, std::move(m_stmt));
    }

    std::int64_t run(const std::vector<const Value *> &values) override
    {
        // Room for every text of the row before any is bound: pointers into
        // the buffer must not move.
        qsizetype need = 0;
        for (const Value *v : values)
            if (const QString *t = Statement::get<QString>(*v))
                need += m_encoder.requiredSpace(t->size());
        if (m_scratch.size() < size_t(need) + 1)
            m_scratch.resize(size_t(need) + 1);
        sqlite3_stmt *s = m_stmt.get();
        qsizetype used = 0;
        int index = 0;
        for (const Value *v : values) {
            ++index;
            const QString *text = Statement::get<QString>(*v);
            if (!text) {
                bind(s, index, *v);
                continue;
            }
            char *start = m_scratch.data() + used;
            char *end = m_encoder.appendToBuffer(start, *text);
            used += end - start;
            if (sqlite3_bind_text(s, index, start, int(end - start), SQLITE_STATIC) != SQLITE_OK)
                fail(sqlite3_db_handle(s));
        }
        // Reset after the step, so it holds no lock between rows.
        sqlite3 *h = sqlite3_db_handle(s);
        const int rc = sqlite3_step(s);
        if (rc != SQLITE_DONE) {
            const QString msg = QString::fromUtf8(sqlite3_errmsg(h));
            const int code = sqlite3_extended_errcode(h);
            sqlite3_reset(s);
            raiseKnown(code, msg, h);
            throw Error(msg);
        }
        sqlite3_reset(s);
        return sqlite3_changes64(h);
    }

private:
    SqliteSession *m_session;
    std::weak_ptr<char> m_life;
    QString m_sql;
    StatementHandle m_stmt;
    std::vector<char> m_scratch;
    QStringEncoder m_encoder {QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

} // namespace

std::unique_ptr<engine::RowStatement> SqliteSession::rowStatement(const QString &sql)
{
    return std::make_unique<SqliteRowStatement>(*this, sql);
}

std::int64_t SqliteSession::lastInsertKey()
{
    return sqlite3_last_insert_rowid(m_db.get());
}

bool SqliteSession::isSysadmin(const QString &login)
{
    return detail::isSysadmin(m_master.get(), login);
}

bool SqliteSession::inTransaction()
{
    return !sqlite3_get_autocommit(m_db.get());
}

void SqliteSession::begin()
{
    // IMMEDIATE: a number read inside the transaction and the insert that
    // uses it are never interleaved with another copy's.
    exec(m_db.get(), "BEGIN IMMEDIATE");
}

void SqliteSession::beginSnapshot()
{
    // A deferred transaction takes its snapshot at its first read of the
    // database: read the schema at once, so the moment is now.
    exec(m_db.get(), "BEGIN DEFERRED");
    try {
        exec(m_db.get(), "SELECT count(*) FROM sqlite_master");
    } catch (...) {
        rollback({});
        throw;
    }
}

void SqliteSession::savepoint(const QString &name)
{
    exec(m_db.get(), ("SAVEPOINT " + name).toUtf8().constData());
}

void SqliteSession::commit(const QString &savepoint)
{
    exec(m_db.get(), savepoint.isEmpty() ? "COMMIT" : ("RELEASE " + savepoint).toUtf8().constData());
}

void SqliteSession::rollback(const QString &savepoint) noexcept
{
    const QByteArray sql = savepoint.isEmpty()
        ? QByteArray("ROLLBACK")
        : ("ROLLBACK TO " + savepoint + "; RELEASE " + savepoint).toUtf8();
    sqlite3_exec(m_db.get(), sql.constData(), nullptr, nullptr, nullptr);
}

void SqliteSession::setProgressHandler(std::function<bool()> handler)
{
    m_progress = std::move(handler);
    // Every few thousand steps of the statement's program: often enough to
    // stop within a fraction of a second, rarely enough to cost nothing.
    int (*step)(void *) = [](void *self) { return static_cast<SqliteSession *>(self)->m_progress() ? 0 : 1; };
    sqlite3_progress_handler(m_db.get(), m_progress ? 4000 : 0, m_progress ? step : nullptr, this);
}

void SqliteSession::setObserver(StatementObserver observer)
{
    m_observer = std::move(observer);
    int (*told)(unsigned, void *, void *, void *) = [](unsigned, void *self, void *, void *text) {
        const char *sql = static_cast<const char *>(text);
        // A trigger's statements come as a comment naming it: the statement
        // that fired it was told already.
        if (sql && qstrncmp(sql, "--", 2) != 0) {
            try {
                static_cast<SqliteSession *>(self)->m_observer(QString::fromUtf8(sql));
            } catch (...) {
                // Nothing may leave through SQLite.
            }
        }
        return 0;
    };
    // The login store's statements as well as the database's.
    for (sqlite3 *h : {m_db.get(), m_master.get()})
        sqlite3_trace_v2(h, m_observer ? SQLITE_TRACE_STMT : 0, m_observer ? told : nullptr, this);
}

void SqliteSession::setLockWait(int milliseconds)
{
    sqlite3_busy_timeout(m_db.get(), milliseconds);
    sqlite3_busy_timeout(m_master.get(), milliseconds);
}

std::unique_ptr<LoginStore> SqliteSession::logins()
{
    return embeddedLogins(m_master.get(), m_db.get());
}

int SqliteSession::schemaVersion()
{
    return schema::version(m_db.get());
}

server::HashCost SqliteSession::hashCost()
{
    return serverCost(m_master.get());
}

void SqliteSession::runAsOwner(const QString &sql)
{
    // The folder's owner is the database's: the session itself.
    execute(sql, {});
}

} // namespace db::detail
