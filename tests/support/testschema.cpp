#include "platform/db/connection_p.h"
#include "support/testengine.h"

void testengine::schemaStep(db::Connection &conn, const QString &sql)
{
    db::detail::engineOf(conn).runAsOwner(sql);
}

void testengine::setLockWait(db::Connection &conn, int milliseconds)
{
    db::detail::engineOf(conn).setLockWait(milliseconds);
}
