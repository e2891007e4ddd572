#include "platform/db/connection_p.h"
#include "platform/db/pg_server_p.h"
#include "support/testengine.h"

void testengine::schemaStep(db::Connection &conn, const QString &sql)
{
    auto *program = dynamic_cast<db::detail::PgSession *>(&db::detail::engineOf(conn));
    if (!program) {
        conn.execute(sql);
        return;
    }
    const db::detail::PgAddress &address = program->address();
    db::detail::PgSession admin(address, QString(), QString());
    admin.run(
        ("SET ROLE " + db::detail::pgIdentifier(admin.handle(), db::detail::pgOwnerRole(address.database))
            + "; SET search_path = oru, pg_catalog")
            .constData());
    admin.execute(sql, {});
    program->schemaChanged(sql);
}
