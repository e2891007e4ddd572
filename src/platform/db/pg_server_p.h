#pragma once
// A server folder that names a PostgreSQL server (postgres.txt: host=,
// port=, database=) instead of holding master.db and the database files.
#include "platform/db/internal.h"
#include "platform/db/pg_server.h"
#include "platform/db/pg_session.h"

#include <functional>

namespace db::detail {

// The server's role for a login: names compare without regard to case.
QString pgRole(const QString &login);
// Reads the folder's descriptor; false when it has none (throws when it is
// unreadable as one).
bool pgDescriptor(const QString &serverPath, PgAddress *out);
// A session as the login's role (password upper-cased, as the embedded
// server compares it); throws the texts the login window shows, naming
// `database` when the server refuses it.
std::unique_ptr<PgSession> pgLogin(const PgAddress &address, const QString &shownServer, const QString &user,
    const QString &password, const QString &database);
// Logs in as the login's role (password upper-cased, as the embedded server
// compares it) and brings the database to the registered schema. Throws the
// texts the login window shows.
std::unique_ptr<PgSession> openPgSession(const PgAddress &address, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login);
// Makes the database, its owner "sa" (a member of the role sysadmin) and the
// schema, connected as the server administrator the environment names;
// `seed` fills it through the session of "sa". Nothing stays on a failure.
void createPg(const PgAddress &address, const QString &shownServer, const QString &saPassword,
    const std::function<void(std::unique_ptr<PgSession>)> &seed);

} // namespace db::detail
