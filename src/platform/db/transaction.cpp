// Transaction: BEGIN IMMEDIATE for the outermost guard, savepoints inside it.
#include "connection_p.h"

namespace db {

Transaction::Transaction(Connection &conn)
    : m_conn(conn)
{
    auto &d = *conn.d;
    if (!d.db.get())
        detail::closedError();
    if (d.depth == 0) {
        if (!sqlite3_get_autocommit(d.db.get()))
            throw Error(
                QStringLiteral("A transaction begun by a statement is still open on this connection."));
        detail::exec(d.db.get(), "BEGIN IMMEDIATE");
    } else {
        if (sqlite3_get_autocommit(d.db.get()))
            throw Error(QStringLiteral("The transaction was rolled back by the database after an error."));
        m_savepoint = QStringLiteral("oru_sp%1").arg(++d.savepointSeq);
        detail::exec(d.db.get(), ("SAVEPOINT " + m_savepoint).toUtf8().constData());
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
    if (sqlite3_get_autocommit(d.db.get())) // SQLite already rolled back after an error
        return;
    const QByteArray sql = m_savepoint.isEmpty()
        ? QByteArray("ROLLBACK")
        : ("ROLLBACK TO " + m_savepoint + "; RELEASE " + m_savepoint).toUtf8();
    sqlite3_exec(d.db.get(), sql.constData(), nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    if (m_done)
        throw Error(QStringLiteral("The transaction has already been committed."));
    auto &d = *m_conn.d;
    if (!d.db || d.depth == 0)
        throw Error(QStringLiteral("The transaction was lost: its connection was closed."));
    if (sqlite3_get_autocommit(d.db.get()))
        throw Error(QStringLiteral("The transaction was rolled back by the database after an error."));
    detail::exec(d.db.get(),
        m_savepoint.isEmpty() ? QByteArray("COMMIT").constData()
                              : ("RELEASE " + m_savepoint).toUtf8().constData());
    --d.depth;
    m_done = true;
}

} // namespace db
