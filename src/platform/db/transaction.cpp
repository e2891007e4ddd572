// Transaction: a write transaction for the outermost guard, savepoints inside it.
#include "platform/db/connection_p.h"

namespace db {

Transaction::Transaction(Connection &conn)
    : m_conn(conn)
{
    auto &d = *conn.d;
    if (!d.session)
        detail::closedError();
    detail::leaveMomentIfElsewhere(conn);
    if (d.depth == 0 && !detail::inMoment(conn)) {
        if (d.session->inTransaction())
            throw Error(
                QStringLiteral("A transaction begun by a statement is still open on this connection."));
        d.session->begin();
    } else {
        // Inside another transaction, or a report's moment (whose work
        // writes only its temporary tables): a savepoint.
        if (!d.session->inTransaction())
            throw Error(QStringLiteral("The transaction was rolled back by the database after an error."));
        m_savepoint = QStringLiteral("oru_sp%1").arg(++d.savepointSeq);
        d.session->savepoint(m_savepoint);
    }
    ++d.depth;
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    auto &d = *m_conn.d;
    if (!d.session || d.depth == 0) // the connection was closed meanwhile: the database rolled back
        return;
    --d.depth;
    if (!d.session->inTransaction()) // the database already rolled back after an error
        return;
    d.session->rollback(m_savepoint);
}

void Transaction::commit()
{
    if (m_done)
        throw Error(QStringLiteral("The transaction has already been committed."));
    auto &d = *m_conn.d;
    if (!d.session || d.depth == 0)
        throw Error(QStringLiteral("The transaction was lost: its connection was closed."));
    if (!d.session->inTransaction())
        throw Error(QStringLiteral("The transaction was rolled back by the database after an error."));
    d.session->commit(m_savepoint);
    --d.depth;
    m_done = true;
}

} // namespace db
