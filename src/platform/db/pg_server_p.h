#pragma once
// A server folder that names a PostgreSQL server (postgres.txt: host=,
// port=, database=) instead of holding master.db and the database files.
#include "platform/db/internal.h"
#include "platform/db/pg_server.h"
#include "platform/db/pg_session.h"

#include <functional>

namespace db::detail {

class LoginStore;

// The server's role for a login: names compare without regard to case.
QString pgRole(const QString &login);
// The password the server keeps a verifier of: upper-cased, as the embedded
// server compares it. An empty one becomes a text no typed password gives
// after upper-casing, so that libpq always has a password to send and
// never falls back to PGPASSWORD or a password file.
QByteArray pgPassword(const QString &password);
// The role that holds a database's users: they read and write its rows.
QString pgUsersRole(const QString &database);
// The role that owns a database and every object of the program in it: no
// login is its member, so no login can change what it owns.
QString pgOwnerRole(const QString &database);
// A name quoted for a statement that takes no parameters, by libpq.
QByteArray pgIdentifier(pg_conn *c, const QString &name);
// Reads the folder's descriptor; false when it has none (throws when it is
// unreadable as one).
bool pgDescriptor(const QString &serverPath, PgAddress *out);
// A session as the login's role (password upper-cased, as the embedded
// server compares it); throws the texts the login window shows, naming
// `database` when the server refuses it.
std::unique_ptr<PgSession> pgLogin(const PgAddress &address, const QString &shownServer, const QString &user,
    const QString &password, const QString &database);
// Logs in as the login's role (password upper-cased, as the embedded server
// compares it) to a database at the registered schema (else it says to run
// oruadmin upgrade, and changes nothing). Throws the texts the login window
// shows.
std::unique_ptr<PgSession> openPgSession(const PgAddress &address, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login);
// Opens the folder's database as the server administrator the environment
// names, for the administration tool; one of an earlier build is refused
// as by openPgSession.
std::unique_ptr<PgSession> openPgAdministration(const PgAddress &address, const QString &shownServer);
// Brings the folder's database to the program's layout and schema, as the
// server administrator: a database of an earlier build has its objects
// moved out of schema public to the owner role.
void upgradePg(const PgAddress &address, const QString &shownServer);

// ---- logins as the server's roles (pg_logins.cpp)

// The roles and the login function a server and a new database need, made
// by the server administrator: "oru_logins" (every login of ours is its
// member, so a role of the same name made by anything else is never taken
// for one), "sysadmin", and in the database the function oru_login(), owned
// by the role "oru_login_admin" that alone may create roles: logins change
// roles only through it, and it checks the caller.
void preparePgServer(PgSession &admin);
void preparePgLogins(PgSession &adminOfDatabase, const QString &database);
// The users role's rights on every object of the program's schema, and no
// one else's.
void grantPgUsers(PgSession &admin, const QString &database);
// The logins of the connection's server and the users of its database.
std::unique_ptr<LoginStore> pgLoginStore(PgSession &session, const PgAddress &address);
std::vector<server::LoginInfo> pgLogins(PgSession &session);
// The login's default database, or empty when it is no login of ours.
QString pgDefaultDatabase(PgSession &session, const QString &login);

// Makes the database, its owner "sa" (a member of the role sysadmin) and the
// schema, connected as the server administrator the environment names;
// `seed` fills it through the session of "sa". Nothing stays on a failure.
void createPg(const PgAddress &address, const QString &shownServer, const QString &saPassword,
    const std::function<void(std::unique_ptr<PgSession>)> &seed);

// The PostgreSQL server's database the folder names.
std::unique_ptr<engine::Server> pgServer(const PgAddress &address, const QString &shownServer);

} // namespace db::detail
