// The server: its folder, logins (master.db), database users, and making
// a new server.
//
// Layout of a server folder:
//   master.db   sysconfig (format, hash cost), syslogins (name, Argon2id
//               hash, default database), sysrolemembers (login, role),
//               sysdatabases (name -> file)
//   <name>.db   a database: the tables of the registered migrations and
//               sysusers, the database's own users (logins allowed to open it)
// Where servers live: $ORU_DATA_HOME, else <user data folder>/oru. ".",
// "(local)", "localhost" and an empty name are the default server
// <root>/default; an absolute path is the server folder itself; any other
// plain name X is <root>/<x> (lower case, since server names compare without
// regard to case). Nothing is ever created by opening: only server::create
// makes a server.
#include "platform/db/connection_p.h"
#include "platform/db/login_store.h"
#include "platform/db/pg_server_p.h"
#include "platform/db/sqlite_session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

namespace db {

namespace detail {

QString now()
{
    return QDateTime::currentDateTime().toString(Qt::ISODate);
}

namespace {

QString rtrimmed(const QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s[n - 1].isSpace())
        --n;
    return s.left(n);
}

} // namespace

Login checkLogin(sqlite3 *master, const QString &name, const QString &password)
{
    const QString failed = QStringLiteral("Login failed for user '%1'.").arg(name);
    StatementHandle guard
        = prepare(master, QStringLiteral("SELECT name, password, dbname FROM syslogins WHERE name = ?"));
    sqlite3_stmt *s = guard.get();
    bind(s, 1, Value(rtrimmed(name)));
    const int rc = sqlite3_step(s);
    check(rc, master);
    if (rc != SQLITE_ROW) {
        verifyPassword(dummyHash(serverCost(master)), password);
        throw Error(failed);
    }
    Login login;
    login.name = read(s, 0, Type::Text).toString();
    const QString hash = read(s, 1, Type::Text).toString();
    login.database = read(s, 2, Type::Text).toString();
    guard.reset();
    if (!verifyPassword(hash, password))
        throw Error(failed);
    login.sysadmin = isSysadmin(master, login.name);
    return login;
}

bool isSysadmin(sqlite3 *master, const QString &login)
{
    return !scalar(
        master, QStringLiteral("SELECT 1 FROM sysrolemembers WHERE login = ? AND role = 'sysadmin'"), {login})
                .isNull();
}

QString databaseFile(sqlite3 *master, const QString &serverPath, const QString &database)
{
    const QString file
        = scalar(master, QStringLiteral("SELECT filename FROM sysdatabases WHERE name = ?"), {database})
              .toString();
    if (file.isEmpty())
        return {};
    const QString path = serverPath + u'/' + file;
    return QFileInfo(path).isFile() ? path : QString();
}

namespace {

void ensureUsersTable(sqlite3 *db)
{
    if (sqlite3_table_column_metadata(
            db, "main", "sysusers", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)
        == SQLITE_OK)
        return;
    exec(db,
        "CREATE TABLE IF NOT EXISTS sysusers ("
        " name VARCHAR(128) COLLATE NOCASE PRIMARY KEY,"
        " login VARCHAR(128) COLLATE NOCASE NOT NULL UNIQUE,"
        " createdate DATE)");
}

} // namespace

bool isDatabaseUser(sqlite3 *db, const QString &login)
{
    ensureUsersTable(db);
    return !scalar(db, QStringLiteral("SELECT 1 FROM sysusers WHERE login = ?"), {login}).isNull();
}

void upgrade(sqlite3 *db)
{
    ensureUsersTable(db);
    schema::migrate(db, schema::migrations());
}

namespace {

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder = kOwnerOnly | QFileDevice::ExeOwner;

void tighten(const QString &path, QFileDevice::Permissions mode)
{
    // Only ever narrowed: a folder or file the owner cannot write stays so.
    const QFileDevice::Permissions have = QFile::permissions(path);
    if ((have & ~mode) != 0)
        QFile::setPermissions(path, have & mode);
}

} // namespace

bool makePrivateFolder(const QString &path)
{
    // The data root too, when this makes it.
    QStringList made;
    for (QString p = QDir::cleanPath(path); !QFileInfo::exists(p); p = QFileInfo(p).path())
        made.prepend(p);
    if (!QDir().mkpath(path))
        return false;
    for (const QString &p : made)
        QFile::setPermissions(p, kOwnerFolder);
    return true;
}

void keepPrivate(const QString &serverPath)
{
    const QString root = server::dataRoot();
    if (QDir::cleanPath(QFileInfo(serverPath).path()) == root)
        tighten(root, kOwnerFolder);
    tighten(serverPath, kOwnerFolder);
    const QFileInfoList files = QDir(serverPath).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &f : files)
        tighten(f.filePath(), kOwnerOnly);
}

} // namespace detail

// ---------------------------------------------------------------- server administration

namespace server {

QString dataRoot()
{
    const QString env = qEnvironmentVariable("ORU_DATA_HOME");
    if (!env.trimmed().isEmpty())
        return QDir::cleanPath(env);
    return QDir::cleanPath(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/oru"));
}

QString resolve(const QString &serverName)
{
    const QString n = serverName.trimmed();
    if (n.isEmpty() || n == QLatin1String(".")
        || n.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0
        || n.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return dataRoot() + QStringLiteral("/default");
    if (QDir::isAbsolutePath(n))
        return QDir::cleanPath(n);
    if (n.contains(u'/') || n.contains(u'\\') || n.startsWith(u'.') || n.contains(u':'))
        return {};
    return dataRoot() + u'/' + n.toLower();
}

bool exists(const QString &serverName)
{
    const QString path = resolve(serverName);
    return !path.isEmpty()
        && (QFileInfo(path + QStringLiteral("/master.db")).isFile() || attached(serverName));
}

bool attached(const QString &serverName)
{
    const QString path = resolve(serverName);
    return !path.isEmpty() && QFileInfo(path + QStringLiteral("/postgres.txt")).isFile();
}

namespace {

struct ProgramSetup {
    std::mutex mutex;
    QString database;
    std::vector<Seed> seeds;
};

ProgramSetup &programSetup()
{
    static ProgramSetup s;
    return s;
}

std::vector<Seed> seedsCopy()
{
    ProgramSetup &s = programSetup();
    std::lock_guard lock(s.mutex);
    return s.seeds;
}

detail::DatabaseHandle openMaster(const QString &serverName)
{
    const QString path = resolve(serverName);
    if (path.isEmpty() || !exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(serverName.trimmed()));
    return detail::openFile(path + QStringLiteral("/master.db"), false);
}

void createMaster(sqlite3 *m, const QString &saPassword, HashCost cost, const QString &database)
{
    detail::exec(m, "BEGIN");
    detail::exec(m,
        "CREATE TABLE sysconfig (name VARCHAR(64) COLLATE NOCASE PRIMARY KEY, value TEXT);"
        "CREATE TABLE syslogins ("
        " name VARCHAR(128) COLLATE NOCASE PRIMARY KEY,"
        " password TEXT NOT NULL,"
        " dbname VARCHAR(128) COLLATE NOCASE,"
        " createdate TEXT);"
        "CREATE TABLE sysrolemembers ("
        " login VARCHAR(128) COLLATE NOCASE NOT NULL,"
        " role VARCHAR(128) COLLATE NOCASE NOT NULL,"
        " PRIMARY KEY (login, role));"
        "CREATE TABLE sysdatabases (name VARCHAR(128) COLLATE NOCASE PRIMARY KEY, filename TEXT NOT NULL);");
    detail::exec(m, QStringLiteral("INSERT INTO sysconfig VALUES ('format', '1'), ('hash_cost', ?)"),
        {cost == HashCost::Minimal ? "minimal" : "interactive"});
    detail::exec(m, QStringLiteral("INSERT INTO syslogins VALUES ('sa', ?, ?, ?)"),
        {detail::hashPassword(saPassword, cost), database, detail::now()});
    detail::exec(m, "INSERT INTO sysrolemembers VALUES ('sa', 'sysadmin')");
    detail::exec(m, QStringLiteral("INSERT INTO sysdatabases VALUES (?, ?)"),
        {database, database + QStringLiteral(".db")});
    detail::exec(m, "COMMIT");
}

} // namespace

void setProgramDatabase(const QString &name)
{
    ProgramSetup &s = programSetup();
    std::lock_guard lock(s.mutex);
    s.database = name;
}

QString programDatabase()
{
    ProgramSetup &s = programSetup();
    std::lock_guard lock(s.mutex);
    if (s.database.isEmpty())
        throw Error(QStringLiteral("No program database is registered: a new server would have none."));
    return s.database;
}

void addSeed(Seed seed)
{
    ProgramSetup &s = programSetup();
    std::lock_guard lock(s.mutex);
    s.seeds.push_back(std::move(seed));
}

void openForAdministration(Connection &conn, const QString &serverName, const QString &database)
{
    if (conn.state() == 1)
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString name = database.isEmpty() ? programDatabase() : database;
    const QString path = resolve(serverName);
    if (path.isEmpty() || !exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(serverName.trimmed()));
    detail::PgAddress pg;
    if (detail::pgDescriptor(path, &pg)) {
        // The folder names the server's database; the server's own
        // administrator, as the environment names it, is the way in.
        if (name.compare(programDatabase(), Qt::CaseInsensitive) != 0)
            throw Error(
                QStringLiteral("Server '%1' has no database \"%2\".").arg(serverName.trimmed(), name));
        detail::Access::impl(conn).opened(detail::openPgAdministration(pg, serverName.trimmed()), path, name,
            {QStringLiteral("sa"), name, true});
        return;
    }
    auto session = detail::openAdministration(path, serverName.trimmed(), name);
    detail::Access::impl(conn).opened(std::move(session), path, name, {QStringLiteral("sa"), name, true});
}

void upgrade(const QString &serverName)
{
    const QString path = resolve(serverName);
    if (path.isEmpty() || !exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(serverName.trimmed()));
    detail::PgAddress pg;
    if (detail::pgDescriptor(path, &pg)) {
        detail::upgradePg(pg, serverName.trimmed());
        return;
    }
    Connection conn;
    openForAdministration(conn, serverName);
}

void create(const QString &serverName, const QString &saPassword, HashCost cost)
{
    const QString shown = serverName.trimmed();
    const QString path = resolve(serverName);
    if (path.isEmpty())
        throw Error(QStringLiteral("'%1' is not a valid server name.").arg(shown));
    detail::PgAddress pg;
    if (detail::pgDescriptor(path, &pg)) {
        const QString database = programDatabase();
        detail::createPg(pg, shown, saPassword, [&](std::unique_ptr<detail::PgSession> sa) {
            Connection conn;
            detail::Access::impl(conn).opened(
                std::move(sa), path, database, {QStringLiteral("sa"), database, true});
            for (const Seed &seed : seedsCopy())
                seed(conn);
        });
        return;
    }
    if (exists(serverName))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shown));
    QDir target(path);
    if (target.exists() && !target.isEmpty())
        throw Error(QStringLiteral("The folder '%1' is not empty and holds no server.").arg(path));
    // Built beside its place and moved in at the end, so a failure leaves no half server.
    const QString work = path + QStringLiteral(".creating-%1").arg(QCoreApplication::applicationPid());
    QDir(work).removeRecursively();
    if (!detail::makePrivateFolder(work))
        throw Error(QStringLiteral("Cannot create the folder '%1'.").arg(work));
    try {
        const QString database = programDatabase();
        {
            const detail::DatabaseHandle m = detail::openFile(work + QStringLiteral("/master.db"), true);
            createMaster(m.get(), saPassword, cost, database);
            const detail::DatabaseHandle db
                = detail::openFile(work + u'/' + database + QStringLiteral(".db"), true);
            detail::upgrade(db.get());
        }
        const std::vector<Seed> seeds = seedsCopy();
        if (!seeds.empty()) {
            Connection conn;
            openForAdministration(conn, work);
            for (const Seed &seed : seeds)
                seed(conn);
        }
        if (target.exists())
            QDir().rmdir(path);
        if (!QDir().rename(work, path))
            throw Error(QStringLiteral("Cannot move the new server into '%1'.").arg(path));
        detail::keepPrivate(path);
    } catch (...) {
        QDir(work).removeRecursively();
        throw;
    }
}

void setLoginPassword(const QString &serverName, const QString &login, const QString &password)
{
    detail::PgAddress pg;
    if (const QString path = resolve(serverName); !path.isEmpty() && detail::pgDescriptor(path, &pg)) {
        const auto admin = detail::openPgAdministration(pg, serverName.trimmed());
        const auto store = detail::pgLoginStore(*admin, pg);
        const QString name = store->find(login);
        if (name.isEmpty())
            throw Error(
                QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(login));
        store->setPassword(name, password);
        return;
    }
    const detail::DatabaseHandle master = openMaster(serverName);
    const QString hash = detail::hashPassword(password, detail::serverCost(master.get()));
    detail::exec(master.get(), QStringLiteral("UPDATE syslogins SET password = ? WHERE name = ?"),
        {hash, login.trimmed()});
    if (sqlite3_changes(master.get()) == 0)
        throw Error(QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(login));
}

std::vector<LoginInfo> logins(const QString &serverName)
{
    detail::PgAddress pg;
    if (const QString path = resolve(serverName); !path.isEmpty() && detail::pgDescriptor(path, &pg))
        return detail::pgLogins(*detail::openPgAdministration(pg, serverName.trimmed()));
    const detail::DatabaseHandle master = openMaster(serverName);
    std::vector<LoginInfo> out;
    const detail::StatementHandle stmt = detail::prepare(master.get(),
        QStringLiteral("SELECT name, dbname, EXISTS (SELECT 1 FROM sysrolemembers r"
                       " WHERE r.login = l.name AND r.role = 'sysadmin')"
                       " FROM syslogins l ORDER BY name"));
    sqlite3_stmt *s = stmt.get();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        out.push_back({detail::read(s, 0, Type::Text).toString(), detail::read(s, 1, Type::Text).toString(),
            sqlite3_column_int(s, 2) != 0});
    detail::check(rc, master.get());
    return out;
}

} // namespace server
} // namespace db
