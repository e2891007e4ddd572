// The embedded server: its folder's files, its logins (master.db) and the
// users of its databases, opening its sessions and making a new server.
//
// Layout of a server folder:
//   master.db   sysconfig (format, hash cost), syslogins (name, Argon2id
//               hash, default database), sysrolemembers (login, role),
//               sysdatabases (name -> file)
//   <name>.db   a database: the tables of the registered migrations and
//               sysusers, the database's own users (logins allowed to open it)
#include "platform/db/login_store.h"
#include "platform/db/sqlite_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace db::detail {

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

// Logins in master.db, users in the database's sysusers.
class SqliteLogins final : public LoginStore {
public:
    SqliteLogins(sqlite3 *master, sqlite3 *db)
        : m(master)
        , d(db)
    {
    }

    QString find(const QString &name) override
    {
        return scalar(m, QStringLiteral("SELECT name FROM syslogins WHERE name = ?"), {name}).toString();
    }
    void add(const QString &name, const QString &password, const QString &database) override
    {
        const QString hash = hashPassword(password, serverCost(m));
        exec(m, QStringLiteral("INSERT INTO syslogins VALUES (?, ?, ?, ?)"), {name, hash, database, now()});
    }
    bool passwordIs(const QString &login, const QString &password) override
    {
        const QString hash
            = scalar(m, QStringLiteral("SELECT password FROM syslogins WHERE name = ?"), {login}).toString();
        return verifyPassword(hash, password);
    }
    void setPassword(const QString &login, const QString &password) override
    {
        exec(m, QStringLiteral("UPDATE syslogins SET password = ? WHERE name = ?"),
            {hashPassword(password, serverCost(m)), login});
    }
    void addSysadmin(const QString &login) override
    {
        exec(m, QStringLiteral("INSERT OR IGNORE INTO sysrolemembers VALUES (?, 'sysadmin')"), {login});
    }
    void drop(const QString &login) override
    {
        exec(m, "BEGIN IMMEDIATE");
        try {
            exec(m, QStringLiteral("DELETE FROM sysrolemembers WHERE login = ?"), {login});
            exec(m, QStringLiteral("DELETE FROM syslogins WHERE name = ?"), {login});
            exec(m, "COMMIT");
        } catch (...) {
            sqlite3_exec(m, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
    bool isUser(const QString &login) override { return isDatabaseUser(d, login); }
    bool userTaken(const QString &user, const QString &login) override
    {
        isDatabaseUser(d, login); // makes sure sysusers exists
        return !scalar(d, QStringLiteral("SELECT 1 FROM sysusers WHERE name = ? OR login = ?"), {user, login})
                    .isNull();
    }
    void addUser(const QString &user, const QString &login) override
    {
        exec(d, QStringLiteral("INSERT INTO sysusers VALUES (?, ?, ?)"), {user, login, QDate::currentDate()});
    }
    bool dropUser(const QString &user) override
    {
        isDatabaseUser(d, user);
        exec(d, QStringLiteral("DELETE FROM sysusers WHERE name = ?"), {user});
        return sqlite3_changes(d) != 0;
    }

private:
    sqlite3 *m;
    sqlite3 *d;
};

} // namespace

std::unique_ptr<LoginStore> embeddedLogins(sqlite3 *master, sqlite3 *db)
{
    return std::make_unique<SqliteLogins>(master, db);
}

namespace {

// Checks the login against the server's master.db and opens the database
// (upgraded to the registered schema). Throws the texts the login window shows.
std::unique_ptr<SqliteSession> openSession(const QString &serverPath, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login)
{
    keepPrivate(serverPath);
    // A full disk keeps a WAL database from opening (its index cannot grow):
    // said as such, not as a missing server or database.
    const QString full = QStringLiteral("The disk that holds server '%1' is full, so it cannot be opened. "
                                        "Free some space on that disk, then try again.")
                             .arg(shownServer);
    DatabaseHandle master;
    try {
        master = openFile(serverPath + QStringLiteral("/master.db"), false);
    } catch (const DiskFullError &) {
        throw Error(full);
    } catch (const Error &) {
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
    }
    try {
        *login = checkLogin(master.get(), user, password);
    } catch (const DiskFullError &) {
        throw Error(full);
    }
    if (database->isEmpty())
        *database = login->database;
    const QString cannotOpen
        = QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
              .arg(*database);
    const QString file = databaseFile(master.get(), serverPath, *database);
    if (file.isEmpty())
        throw Error(cannotOpen);
    DatabaseHandle db;
    try {
        db = openFile(file, false);
    } catch (const DiskFullError &) {
        throw Error(full);
    } catch (const Error &) {
        throw Error(cannotOpen);
    }
    try {
        if (!login->sysadmin && !isDatabaseUser(db.get(), login->name))
            throw Error(cannotOpen);
        upgrade(db.get());
    } catch (const DiskFullError &) {
        throw Error(full);
    }
    return std::make_unique<SqliteSession>(std::move(db), std::move(master));
}

// The open database of the server as its administrator.
std::unique_ptr<SqliteSession> openAdministration(
    const QString &serverPath, const QString &shownServer, const QString &database)
{
    keepPrivate(serverPath);
    DatabaseHandle master = openFile(serverPath + QStringLiteral("/master.db"), false);
    const QString file = databaseFile(master.get(), serverPath, database);
    if (file.isEmpty())
        throw Error(QStringLiteral("Server '%1' has no database \"%2\".").arg(shownServer, database));
    DatabaseHandle db = openFile(file, false);
    upgrade(db.get());
    return std::make_unique<SqliteSession>(std::move(db), std::move(master));
}

void createMaster(sqlite3 *m, const QString &saPassword, server::HashCost cost, const QString &database)
{
    exec(m, "BEGIN");
    exec(m,
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
    exec(m, QStringLiteral("INSERT INTO sysconfig VALUES ('format', '1'), ('hash_cost', ?)"),
        {cost == server::HashCost::Minimal ? "minimal" : "interactive"});
    exec(m, QStringLiteral("INSERT INTO syslogins VALUES ('sa', ?, ?, ?)"),
        {hashPassword(saPassword, cost), database, now()});
    exec(m, "INSERT INTO sysrolemembers VALUES ('sa', 'sysadmin')");
    exec(m, QStringLiteral("INSERT INTO sysdatabases VALUES (?, ?)"),
        {database, database + QStringLiteral(".db")});
    exec(m, "COMMIT");
}

class EmbeddedServer final : public engine::Server {
public:
    EmbeddedServer(const QString &path, const QString &shown)
        : m_path(path)
        , m_shown(shown)
    {
    }

    std::unique_ptr<engine::Session> open(
        const QString &user, const QString &password, QString *database, Login *login) override
    {
        return openSession(m_path, m_shown, user, password, database, login);
    }

    std::unique_ptr<engine::Session> administer(const QString &database) override
    {
        return openAdministration(m_path, m_shown, database);
    }

    void create(const QString &saPassword, server::HashCost cost,
        const std::function<void(std::unique_ptr<engine::Session>)> &fill) override
    {
        if (QFileInfo(m_path + QStringLiteral("/master.db")).isFile())
            throw Error(QStringLiteral("Server '%1' already exists.").arg(m_shown));
        QDir target(m_path);
        if (target.exists() && !target.isEmpty())
            throw Error(QStringLiteral("The folder '%1' is not empty and holds no server.").arg(m_path));
        // Built beside its place and moved in at the end, so a failure leaves no half server.
        const QString work = m_path + QStringLiteral(".creating-%1").arg(QCoreApplication::applicationPid());
        QDir(work).removeRecursively();
        if (!makePrivateFolder(work))
            throw Error(QStringLiteral("Cannot create the folder '%1'.").arg(work));
        try {
            const QString database = server::programDatabase();
            {
                const DatabaseHandle m = openFile(work + QStringLiteral("/master.db"), true);
                createMaster(m.get(), saPassword, cost, database);
                const DatabaseHandle db = openFile(work + u'/' + database + QStringLiteral(".db"), true);
                detail::upgrade(db.get());
            }
            if (fill)
                fill(openAdministration(work, work, database));
            if (target.exists())
                QDir().rmdir(m_path);
            if (!QDir().rename(work, m_path))
                throw Error(QStringLiteral("Cannot move the new server into '%1'.").arg(m_path));
            keepPrivate(m_path);
        } catch (...) {
            QDir(work).removeRecursively();
            throw;
        }
    }

    void upgrade() override { administer(server::programDatabase()); }

    void setLoginPassword(const QString &login, const QString &password) override
    {
        const DatabaseHandle master = openMaster();
        const QString hash = hashPassword(password, serverCost(master.get()));
        exec(master.get(), QStringLiteral("UPDATE syslogins SET password = ? WHERE name = ?"),
            {hash, login.trimmed()});
        if (sqlite3_changes(master.get()) == 0)
            throw Error(
                QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(login));
    }

    std::vector<server::LoginInfo> logins() override
    {
        const DatabaseHandle master = openMaster();
        std::vector<server::LoginInfo> out;
        const StatementHandle stmt = prepare(master.get(),
            QStringLiteral("SELECT name, dbname, EXISTS (SELECT 1 FROM sysrolemembers r"
                           " WHERE r.login = l.name AND r.role = 'sysadmin')"
                           " FROM syslogins l ORDER BY name"));
        sqlite3_stmt *s = stmt.get();
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            out.push_back({read(s, 0, Type::Text).toString(), read(s, 1, Type::Text).toString(),
                sqlite3_column_int(s, 2) != 0});
        check(rc, master.get());
        return out;
    }

private:
    DatabaseHandle openMaster() const { return openFile(m_path + QStringLiteral("/master.db"), false); }

    QString m_path;
    QString m_shown;
};

} // namespace

std::unique_ptr<engine::Server> embeddedServer(const QString &path, const QString &shownServer)
{
    return std::make_unique<EmbeddedServer>(path, shownServer);
}

} // namespace db::detail
