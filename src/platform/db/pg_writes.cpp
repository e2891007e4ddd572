// The PostgreSQL engine's writes: a recordset's row statements, the key an
// insert gave, and write transactions serialised by an advisory lock.
#include "platform/db/pg_session.h"

#include <libpq-fe.h>

namespace db::detail {

namespace {

// Every write transaction of the program holds this lock on its database:
// one writer at a time, as on the embedded server, so a number read and the
// insert that uses it never interleave with another computer's.
constexpr const char *kLockWrites = "SELECT pg_advisory_xact_lock(5198421)";

// A recordset's write statement: prepared apart from the cache, so that
// trimming the cache never takes it away while the recordset holds it.
class PgRowStatement final : public engine::RowStatement {
public:
    // An insert into a table with a rowid returns it, for lastInsertKey().
    PgRowStatement(PgSession &session, const QString &sql, bool returnsKey)
        : m_session(session)
        , m_life(session.life())
        , m_sql(returnsKey ? sql + QStringLiteral(" RETURNING rowid") : sql)
        , m_name(session.prepare(m_sql))
        , m_connection(session.connectionNumber())
        , m_returnsKey(returnsKey)
    {
    }
    ~PgRowStatement() override
    {
        if (!m_life.expired() && m_connection == m_session.connectionNumber())
            m_session.deallocate(m_name);
    }
    std::int64_t run(const std::vector<const Value *> &values) override
    {
        m_session.setInsertedKey(-1);
        m_session.reconnectIfLost();
        // Made again after the connection was: the server forgot the old one.
        if (m_connection != m_session.connectionNumber()) {
            m_name = m_session.prepare(m_sql);
            m_connection = m_session.connectionNumber();
        }
        m_session.tell(m_sql);
        const PgResult r = m_session.runPrepared(m_name, values);
        if (m_returnsKey && PQntuples(r.get()) == 1)
            m_session.setInsertedKey(QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong());
        return pgChangedRows(r.get());
    }

private:
    PgSession &m_session;
    std::weak_ptr<char> m_life;
    QString m_sql;
    QByteArray m_name;
    int m_connection;
    bool m_returnsKey;
};

} // namespace

std::unique_ptr<engine::RowStatement> PgSession::rowStatement(const QString &sql)
{
    // The recordset's own INSERT INTO "table" ...: its table is the quoted name.
    bool returnsKey = false;
    if (sql.startsWith(QLatin1String("INSERT INTO \""))) {
        const qsizetype end = sql.indexOf(u'"', 13);
        returnsKey = end > 13 && kindIn(sql.mid(13, end - 13), QStringLiteral("rowid")) != Type::Null;
    }
    return std::make_unique<PgRowStatement>(*this, sql, returnsKey);
}

std::int64_t PgSession::lastInsertKey()
{
    if (m_insertedKey >= 0)
        return m_insertedKey;
    reconnectIfLost();
    // lastval() fails when no sequence was used; inside a transaction that
    // failure must not abort the caller's work.
    const bool guarded = inTransaction();
    if (guarded)
        run("SAVEPOINT oru_lastval");
    tell("SELECT lastval()");
    PGresult *r = PQexec(m_conn.get(), "SELECT lastval()");
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK;
    const std::int64_t key = ok ? QByteArray(PQgetvalue(r, 0, 0)).toLongLong() : 0;
    PQclear(r);
    if (guarded)
        run(ok ? "RELEASE SAVEPOINT oru_lastval"
               : "ROLLBACK TO SAVEPOINT oru_lastval; RELEASE SAVEPOINT oru_lastval");
    return key;
}

bool PgSession::inTransaction()
{
    // A lost connection has no transaction open, except one of ours still
    // to be rolled back by its guard.
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        return m_writing;
    return PQtransactionStatus(m_conn.get()) != PQTRANS_IDLE;
}

void PgSession::begin()
{
    beginWith("BEGIN", kLockWrites);
}

void PgSession::beginSnapshot()
{
    // The snapshot is taken at the transaction's first statement.
    beginWith("BEGIN ISOLATION LEVEL REPEATABLE READ", "SELECT 1");
}

void PgSession::beginWith(const char *begin, const char *first)
{
    // Nothing of the transaction has reached the server before BEGIN, so a
    // connection found lost then is made again and BEGIN sent once more.
    try {
        run(begin);
    } catch (const ConnectionLostError &) {
        m_ready = false;
        run(begin);
    }
    // Lost from here on, the transaction's work (a snapshot's temporary
    // tables too) goes with the connection: nothing goes on on a new one.
    m_writing = true;
    try {
        run(first);
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
    if (!savepoint.isEmpty()) {
        run(("RELEASE SAVEPOINT " + savepoint).toUtf8().constData());
        return;
    }
    // Lost before the COMMIT goes out, nothing was saved; lost on its way,
    // the server may have committed before the connection went.
    m_writing = false;
    if (PQstatus(m_conn.get()) != CONNECTION_OK)
        throw ConnectionLostError();
    try {
        tell("COMMIT");
        pgChecked(PQexec(m_conn.get(), "COMMIT"), m_conn.get());
    } catch (const ConnectionLostError &) {
        throw ConnectionLostError(ConnectionLostError::When::DuringCommit);
    }
}

void PgSession::rollback(const QString &savepoint) noexcept
{
    const QByteArray sql = savepoint.isEmpty()
        ? QByteArray("ROLLBACK")
        : ("ROLLBACK TO SAVEPOINT " + savepoint + "; RELEASE SAVEPOINT " + savepoint).toUtf8();
    if (savepoint.isEmpty())
        m_writing = false;
    try {
        tell(sql.constData());
    } catch (...) {
        // A rollback goes ahead whatever the observer does.
    }
    PQclear(PQexec(m_conn.get(), sql.constData()));
}

} // namespace db::detail
