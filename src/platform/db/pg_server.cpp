// A server folder that names a PostgreSQL server instead of holding one: its
// descriptor, logging in as one of the server's roles, and making the
// program's database there.
#include "platform/db/pg_server_p.h"
#include "platform/db/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <libpq-fe.h>

namespace db::detail {

namespace {

const QString kDescriptor = QStringLiteral("/postgres.txt");

QString cannotOpen(const QString &database)
{
    return QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
        .arg(database);
}

// A quoted literal or name for a statement that takes no parameters
// (role and database statements), by libpq's escaping.
QByteArray escaped(pg_conn *c, const QByteArray &text, char *(*escape)(PGconn *, const char *, size_t))
{
    char *q = escape(c, text.constData(), size_t(text.size()));
    if (!q)
        throw Error(QString::fromUtf8(PQerrorMessage(c)).trimmed());
    const QByteArray out(q);
    PQfreemem(q);
    return out;
}

} // namespace

QString pgRole(const QString &login)
{
    return login.trimmed().toLower();
}

bool pgDescriptor(const QString &serverPath, PgAddress *out)
{
    QFile f(serverPath + kDescriptor);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    PgAddress a;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (key == u"host")
            a.host = value;
        else if (key == u"port")
            a.port = value.toInt();
        else if (key == u"database")
            a.database = value;
    }
    if (a.port <= 0 || a.database.isEmpty())
        throw Error(QStringLiteral("The file '%1' does not name a PostgreSQL server and database.")
                        .arg(serverPath + kDescriptor));
    *out = a;
    return true;
}

QByteArray pgIdentifier(pg_conn *c, const QString &name)
{
    return escaped(c, name.toUtf8(), PQescapeIdentifier);
}

std::unique_ptr<PgSession> pgLogin(const PgAddress &address, const QString &shownServer, const QString &user,
    const QString &password, const QString &database)
{
    const QString role = pgRole(user);
    // Without a name libpq would take the computer's user.
    if (role.isEmpty())
        throw Error(QStringLiteral("Login failed for user '%1'.").arg(user));
    try {
        return std::make_unique<PgSession>(address, role, QString::fromUtf8(pgPassword(password)));
    } catch (const Error &e) {
        // The server says which: the database refused the role, the role
        // and password did not match (never which of the two), or no server.
        const QString why = e.text();
        if (why.contains(QLatin1String("FATAL:  database \""))
            || why.contains(QLatin1String("permission denied for database")))
            throw Error(cannotOpen(database));
        if (!why.contains(QLatin1String("FATAL:")))
            throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
        throw Error(QStringLiteral("Login failed for user '%1'.").arg(user));
    }
}

namespace {

// Objects made in the database belong to its users role, so that every user
// reads and writes what any of them (a schema step, a work table) made.
void actAsUsers(PgSession &s, const QString &database)
{
    s.run(("SET ROLE " + pgIdentifier(s.handle(), pgUsersRole(database))).constData());
}

// The server's own administrator, as the environment names it (PGUSER,
// PGPASSWORD or a password file, else the computer's user).
std::unique_ptr<PgSession> administrator(const PgAddress &address)
{
    try {
        return std::make_unique<PgSession>(address, QString(), QString());
    } catch (const Error &e) {
        throw Error(QStringLiteral("The PostgreSQL server's administrator could not log in (PGUSER and "
                                   "PGPASSWORD name one): %1")
                        .arg(e.text()));
    }
}

} // namespace

std::unique_ptr<PgSession> openPgSession(const PgAddress &address, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login)
{
    // The folder names one database, the program's: a login reaches it as
    // a user of it (or a sysadmin), as the embedded server's database.
    const QString program = server::programDatabase();
    std::unique_ptr<PgSession> s
        = pgLogin(address, shownServer, user, password, database->isEmpty() ? program : *database);
    login->name = pgRole(user);
    login->database = pgDefaultDatabase(*s, login->name);
    if (database->isEmpty())
        *database = login->database.isEmpty() ? program : login->database;
    if (database->compare(program, Qt::CaseInsensitive) != 0)
        throw Error(cannotOpen(*database));
    login->sysadmin = s->isSysadmin(login->name);
    actAsUsers(*s, address.database);
    migratePg(*s, schema::migrations());
    return s;
}

std::unique_ptr<PgSession> openPgAdministration(const PgAddress &address)
{
    auto s = administrator(address);
    actAsUsers(*s, address.database);
    migratePg(*s, schema::migrations());
    return s;
}

void createPg(const PgAddress &address, const QString &shownServer, const QString &saPassword,
    const std::function<void(std::unique_ptr<PgSession>)> &seed)
{
    const auto adminSession = administrator({address.host, address.port, QStringLiteral("postgres")});
    PgSession &admin = *adminSession;
    pg_conn *c = admin.handle();
    // One creation at a time on the server: roles are the server's, shared
    // by its databases. Held until this session ends.
    admin.run("SELECT pg_advisory_lock(5198422)");
    if (admin.scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {address.database})
        == Value(1))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shownServer));
    const QString usersRole = pgUsersRole(address.database);
    if (usersRole.toUtf8().size() > 63)
        throw Error(QStringLiteral("The database name '%1' is too long for a PostgreSQL server.")
                        .arg(address.database));
    preparePgServer(admin);

    // "sa": a login of ours, or refused when the server has a role of that
    // name of its own. The statement carries only the SCRAM verifier.
    const Value sa = admin.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_auth_members m JOIN "
                                                 "pg_roles g ON g.oid = m.roleid WHERE m.member = r.oid AND "
                                                 "g.rolname = 'oru_logins') FROM pg_roles r "
                                                 "WHERE lower(r.rolname) = 'sa'"),
        {});
    if (sa == Value(0))
        throw Error(QStringLiteral("The PostgreSQL server has a role 'sa' that is not a login of this "
                                   "program; nothing was created."));
    if (sa == Value(1)) {
        // The server's databases share their logins: another database's
        // "sa" keeps its password, and this one must be it.
        try {
            pgLogin({address.host, address.port, QStringLiteral("postgres")}, shownServer,
                QStringLiteral("sa"), saPassword, QStringLiteral("postgres"));
        } catch (const Error &e) {
            if (e.text().startsWith(QLatin1String("Login failed")))
                throw Error(QStringLiteral("The PostgreSQL server already has the login 'sa' with another "
                                           "password (its databases share their logins): give that one. "
                                           "Nothing was created."));
        }
    }
    if (sa.isNull()) {
        QByteArray pw = pgPassword(saPassword);
        char *verifier = PQencryptPasswordConn(c, pw.constData(), "sa", "scram-sha-256");
        pw.fill('\0');
        if (!verifier)
            throw Error(QString::fromUtf8(PQerrorMessage(c)).trimmed());
        const QByteArray hashed = escaped(c, verifier, PQescapeLiteral);
        PQfreemem(verifier);
        admin.run(("CREATE ROLE sa LOGIN IN ROLE oru_logins, sysadmin PASSWORD " + hashed).constData());
    }
    admin.run("GRANT sysadmin TO sa");
    admin.run(("COMMENT ON ROLE sa IS " + escaped(c, server::programDatabase().toUtf8(), PQescapeLiteral))
                  .constData());

    // The database's users role: a role of that name left by a database
    // that is gone is dropped; any other is refused.
    const QByteArray users = pgIdentifier(c, usersRole);
    const QByteArray mark = escaped(c, "ORU users of " + address.database.toUtf8(), PQescapeLiteral);
    const Value leftover = admin.scalar(
        QStringLiteral("SELECT coalesce(shobj_description(oid, 'pg_authid'), '') = ? FROM pg_roles "
                       "WHERE rolname = ?"),
        {QStringLiteral("ORU users of ") + address.database, usersRole});
    if (leftover == Value(0))
        throw Error(QStringLiteral("The PostgreSQL server already has a role '%1'; nothing was created.")
                        .arg(usersRole));
    if (leftover == Value(1))
        admin.run(("DROP ROLE " + users).constData());
    admin.run(("CREATE ROLE " + users + " NOLOGIN; COMMENT ON ROLE " + users + " IS " + mark + "; GRANT "
        + users + " TO sysadmin")
                  .constData());

    const QByteArray db = pgIdentifier(c, address.database);
    try {
        admin.run("CREATE DATABASE " + db + " OWNER sa");
        preparePgLogins(*administrator(address), address.database);
        auto sa = std::make_unique<PgSession>(
            address, QStringLiteral("sa"), QString::fromUtf8(pgPassword(saPassword)));
        actAsUsers(*sa, address.database);
        preparePgDatabase(*sa);
        // The database's users as the embedded server's sysusers shows them.
        sa->run(("CREATE VIEW public.sysusers AS SELECT r.rolname::text COLLATE nocase AS name, "
                 "r.rolname::text COLLATE nocase AS login, NULL::date AS createdate FROM pg_roles r "
                 "JOIN pg_auth_members m ON m.member = r.oid JOIN pg_roles g ON g.oid = m.roleid "
                 "WHERE g.rolname = "
            + escaped(c, usersRole.toUtf8(), PQescapeLiteral))
                    .constData());
        migratePg(*sa, schema::migrations());
        seed(std::move(sa));
    } catch (...) {
        // No half database stays behind, nor its users role.
        PQclear(PQexec(c, ("DROP DATABASE IF EXISTS " + db + " WITH (FORCE)").constData()));
        PQclear(PQexec(c, ("DROP ROLE IF EXISTS " + users).constData()));
        throw;
    }
}

} // namespace db::detail

namespace db::server {

void attach(const QString &serverName, const QString &host, int port, const QString &database)
{
    const QString shown = serverName.trimmed();
    const QString path = resolve(serverName);
    if (path.isEmpty())
        throw Error(QStringLiteral("'%1' is not a valid server name.").arg(shown));
    if (exists(serverName))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shown));
    if (host.trimmed().isEmpty() || host.contains(u'\n') || database.contains(u'\n') || port <= 0
        || port > 65535)
        throw Error(
            QStringLiteral("Give the PostgreSQL server's host, a port from 1 to 65535 and a database name."));
    if (!QDir().mkpath(path))
        throw Error(QStringLiteral("Cannot create the folder '%1'.").arg(path));
    QFile f(path + detail::kDescriptor);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::NewOnly))
        throw Error(QStringLiteral("Cannot write '%1'.").arg(f.fileName()));
    QTextStream out(&f);
    out << "host=" << host.trimmed() << "\nport=" << port << "\ndatabase=" << database.trimmed() << "\n";
}

} // namespace db::server
