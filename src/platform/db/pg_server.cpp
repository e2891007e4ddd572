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

std::unique_ptr<PgSession> pgLogin(const PgAddress &address, const QString &shownServer, const QString &user,
    const QString &password, const QString &database)
{
    const QString role = pgRole(user);
    // Without both, libpq would take the computer's user or PGPASSWORD.
    if (role.isEmpty() || password.isEmpty())
        throw Error(QStringLiteral("Login failed for user '%1'.").arg(user));
    try {
        // Passwords are compared upper-cased, as on the embedded server.
        return std::make_unique<PgSession>(address, role, password.toUpper());
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

std::unique_ptr<PgSession> openPgSession(const PgAddress &address, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login)
{
    if (database->isEmpty())
        *database = server::programDatabase();
    std::unique_ptr<PgSession> s = pgLogin(address, shownServer, user, password, *database);
    // The descriptor's database is the program's; the server holds no other.
    if (database->compare(server::programDatabase(), Qt::CaseInsensitive) != 0)
        throw Error(cannotOpen(*database));
    login->name = pgRole(user);
    login->database = *database;
    login->sysadmin = s->isSysadmin(login->name);
    migratePg(*s, schema::migrations());
    return s;
}

void createPg(const PgAddress &address, const QString &shownServer, const QString &saPassword,
    const std::function<void(std::unique_ptr<PgSession>)> &seed)
{
    // The server's own administrator, as the environment names it
    // (PGUSER/PGPASSWORD, or the computer's user).
    PgSession admin({address.host, address.port, QStringLiteral("postgres")}, {}, {});
    pg_conn *c = admin.handle();
    if (admin.scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {address.database})
        == Value(1))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shownServer));
    // The server hashes with SCRAM; the statement carries only the verifier.
    char *verifier
        = PQencryptPasswordConn(c, saPassword.toUpper().toUtf8().constData(), "sa", "scram-sha-256");
    if (!verifier)
        throw Error(QString::fromUtf8(PQerrorMessage(c)).trimmed());
    const QByteArray hashed = escaped(c, verifier, PQescapeLiteral);
    PQfreemem(verifier);
    admin.run("DO $$ BEGIN CREATE ROLE sysadmin NOLOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$");
    const bool saExists
        = admin.scalar(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = 'sa'"), {}) == Value(1);
    admin.run(((saExists ? "ALTER ROLE sa LOGIN PASSWORD " : "CREATE ROLE sa LOGIN PASSWORD ") + hashed)
                  .constData());
    admin.run("GRANT sysadmin TO sa");
    const QByteArray db = escaped(c, address.database.toUtf8(), PQescapeIdentifier);
    admin.run("CREATE DATABASE " + db + " OWNER sa");
    try {
        auto sa = std::make_unique<PgSession>(address, QStringLiteral("sa"), saPassword.toUpper());
        preparePgDatabase(*sa);
        migratePg(*sa, schema::migrations());
        seed(std::move(sa));
    } catch (...) {
        // No half database stays behind.
        PQclear(PQexec(c, ("DROP DATABASE IF EXISTS " + db + " WITH (FORCE)").constData()));
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
