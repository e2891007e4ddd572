// Servers as a whole: where their folders are, what a new one holds, and
// the administration of one, done by the engine its folder chooses.
//
// Where servers live: $ORU_DATA_HOME, else <user data folder>/oru. ".",
// "(local)", "localhost" and an empty name are the default server
// <root>/default; an absolute path is the server folder itself; any other
// plain name X is <root>/<x> (lower case, since server names compare without
// regard to case). Nothing is ever created by opening: only server::create
// makes a server.
#include "platform/db/connection_p.h"
#include "platform/db/pg_server_p.h"
#include "platform/db/sqlite_session.h"

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

namespace {

// The engine of an existing server.
std::unique_ptr<engine::Server> existing(const QString &serverName)
{
    const QString path = resolve(serverName);
    if (path.isEmpty() || !exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(serverName.trimmed()));
    return engine::serverAt(path, serverName.trimmed());
}

} // namespace

void openForAdministration(Connection &conn, const QString &serverName, const QString &database)
{
    if (conn.state() == 1)
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString name = database.isEmpty() ? programDatabase() : database;
    auto session = existing(serverName)->administer(name);
    detail::Access::impl(conn).opened(
        std::move(session), resolve(serverName), name, {QStringLiteral("sa"), name, true});
}

void upgrade(const QString &serverName)
{
    existing(serverName)->upgrade();
}

void create(const QString &serverName, const QString &saPassword, HashCost cost)
{
    const QString shown = serverName.trimmed();
    const QString path = resolve(serverName);
    if (path.isEmpty())
        throw Error(QStringLiteral("'%1' is not a valid server name.").arg(shown));
    const std::vector<Seed> seeds = seedsCopy();
    std::function<void(std::unique_ptr<engine::Session>)> fill;
    if (!seeds.empty())
        fill = [&](std::unique_ptr<engine::Session> sa) {
            const QString database = programDatabase();
            Connection conn;
            detail::Access::impl(conn).opened(
                std::move(sa), path, database, {QStringLiteral("sa"), database, true});
            for (const Seed &seed : seeds)
                seed(conn);
        };
    engine::serverAt(path, shown)->create(saPassword, cost, fill);
}

void setLoginPassword(const QString &serverName, const QString &login, const QString &password)
{
    existing(serverName)->setLoginPassword(login, password);
}

std::vector<LoginInfo> logins(const QString &serverName)
{
    return existing(serverName)->logins();
}

} // namespace server

namespace engine {

std::unique_ptr<Server> serverAt(const QString &path, const QString &shownServer)
{
    // The one place that tells the engines apart.
    detail::PgAddress pg;
    if (detail::pgDescriptor(path, &pg))
        return detail::pgServer(pg, shownServer);
    return detail::embeddedServer(path, shownServer);
}

} // namespace engine
} // namespace db
