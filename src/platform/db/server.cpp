// The server: its folder, logins (master.db), database users, password
// hashes, schema migrations, lock passwords and the login procedures.
//
// Layout of a server folder:
//   master.db   sysconfig (format, hash cost), syslogins (name, Argon2id
//               hash, default database), sysrolemembers (login, role),
//               sysdatabases (name -> file)
//   ORU.db      the program's tables (schema/NNN_*.sql) and sysusers, the
//               database's own users (logins allowed to open it)
// Where servers live: $ORU_DATA_HOME, else <user data folder>/oru. ".",
// "(local)", "localhost" and an empty name are the default server
// <root>/default; an absolute path is the server folder itself; any other
// plain name X is <root>/<x> (lower case, since server names compare without
// regard to case). Nothing is ever created by opening: only server::create
// makes a server.
#include "platform/db/db.h"
#include "platform/db/internal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sodium.h>

#include <algorithm>
#include <mutex>

namespace db {
namespace {
QString now()
{
    return QDateTime::currentDateTime().toString(Qt::ISODate);
}
} // namespace

namespace detail {

namespace {

void ensureSodium()
{
    static const bool ok = sodium_init() >= 0;
    if (!ok)
        throw Error(QStringLiteral("The password library could not be initialised."));
}

// Passwords compare without regard to letter case: the upper-case text is hashed.
class Normalised {
public:
    explicit Normalised(const QString &password)
        : m_bytes(password.toUpper().toUtf8())
    {
    }
    ~Normalised() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    const char *data() const { return m_bytes.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

QString hashPassword(const QString &password, server::HashCost cost)
{
    ensureSodium();
    const Normalised pw(password);
    const bool minimal = cost == server::HashCost::Minimal;
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, pw.data(), pw.size(),
            minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
            minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE,
            crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        throw Error(QStringLiteral("Out of memory while hashing a password."));
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString &hash, const QString &password)
{
    ensureSodium();
    const Normalised pw(password);
    const QByteArray h = hash.toLatin1();
    return crypto_pwhash_str_verify(h.constData(), pw.data(), pw.size()) == 0;
}

server::HashCost serverCost(sqlite3 *master)
{
    const Value v = scalar(master, QStringLiteral("SELECT value FROM sysconfig WHERE name = 'hash_cost'"));
    return v.toString() == QLatin1String("minimal") ? server::HashCost::Minimal
                                                    : server::HashCost::Interactive;
}

// A hash to verify against when the login does not exist, so a wrong name
// costs what a wrong password costs. Made once from a random password that
// was then thrown away; each has the cost of its kind of server.
QString dummyHash(server::HashCost cost)
{
    return QString::fromLatin1(cost == server::HashCost::Minimal
            ? "$argon2id$v=19$m=8,t=1,p=1$ogqdgnUdRkMBv+HD1LUMcQ$McayzVtjgiMYASdpk8JE33uC8ZQ7gvpQk11DKC4Q+yg"
            : "$argon2id$v=19$m=65536,t=2,p=1$jfbFMHPL5N0FsCnylEKEnw$w77P/"
              "GHe4BqUUJumuKPOkEFqkhrdhmV5mio1fFiOzBo");
}

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
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(
            master, "SELECT name, password, dbname FROM syslogins WHERE name = ?", -1, &s, nullptr)
        != SQLITE_OK)
        fail(master);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(s, sqlite3_finalize);
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

} // namespace detail

// ---------------------------------------------------------------- migrations

namespace schema {

int version(sqlite3 *db)
{
    return int(detail::scalar(db, QStringLiteral("PRAGMA user_version")).toInt());
}

void migrate(sqlite3 *db, const std::vector<Migration> &list)
{
    // Numbers run 1, 2, 3... without a gap: a file slipped in below numbers a
    // database already has would never be applied to it.
    int target = 0;
    for (const Migration &m : list) {
        if (m.version != target + 1)
            throw Error(
                QStringLiteral("Schema file %1 is out of order: numbers must run 1, 2, 3... without a gap.")
                    .arg(QLatin1String(m.file)));
        target = m.version;
    }
    auto tooNew = [&](int have) {
        return Error(QStringLiteral("The database has schema version %1, newer than this program knows (%2). "
                                    "Use the newer program.")
                         .arg(have)
                         .arg(target));
    };
    int have = version(db);
    if (have > target)
        throw tooNew(have);
    if (have == target)
        return;
    // One write transaction for all pending steps: another copy opening at
    // the same moment waits, then finds the work done.
    detail::exec(db, "BEGIN IMMEDIATE");
    try {
        have = version(db);
        if (have > target)
            throw tooNew(have);
        for (const Migration &m : list) {
            if (m.version <= have)
                continue;
            char *err = nullptr;
            if (sqlite3_exec(db, m.sql, nullptr, nullptr, &err) != SQLITE_OK) {
                const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
                sqlite3_free(err);
                throw Error(QStringLiteral("Schema file %1 failed: %2").arg(QLatin1String(m.file), msg));
            }
            detail::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(m.version).toUtf8().constData());
        }
        detail::exec(db, "COMMIT");
    } catch (...) {
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace schema

int schemaVersion()
{
    const auto &list = schema::migrations();
    return list.empty() ? 0 : list.back().version;
}

int databaseVersion(Connection &conn)
{
    return schema::version(conn.handle());
}

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
    return !path.isEmpty() && QFileInfo(path + QStringLiteral("/master.db")).isFile();
}

namespace {

// Direct access to a server's files for the administration tool (the
// folder's file permissions are the access control here).
struct ServerFiles {
    QString path;
    sqlite3 *master = nullptr;
    sqlite3 *db = nullptr;

    explicit ServerFiles(const QString &serverName, bool withDatabase = true)
    {
        path = resolve(serverName);
        if (path.isEmpty() || !exists(serverName))
            throw Error(
                QStringLiteral("Server '%1' does not exist or access denied.").arg(serverName.trimmed()));
        master = detail::openFile(path + QStringLiteral("/master.db"), false);
        if (withDatabase) {
            const QString file = detail::databaseFile(master, path, QStringLiteral("ORU"));
            if (file.isEmpty()) {
                detail::closeFile(master);
                throw Error(QStringLiteral("Server '%1' has no database \"ORU\".").arg(serverName.trimmed()));
            }
            try {
                db = detail::openFile(file, false);
                detail::upgrade(db);
            } catch (...) {
                detail::closeFile(db);
                detail::closeFile(master);
                throw;
            }
        }
    }
    ~ServerFiles()
    {
        detail::closeFile(db);
        detail::closeFile(master);
    }
};

void createMaster(sqlite3 *m, const QString &saPassword, HashCost cost)
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
    detail::exec(m, QStringLiteral("INSERT INTO syslogins VALUES ('sa', ?, 'ORU', ?)"),
        {detail::hashPassword(saPassword, cost), now()});
    detail::exec(m,
        "INSERT INTO sysrolemembers VALUES ('sa', 'sysadmin');"
        "INSERT INTO sysdatabases VALUES ('ORU', 'ORU.db');"
        "COMMIT");
}

// A new server grants every item the menu-rights window governs, by the
// window's captions in its order, so no menu goes away before an
// administrator has set the rights.
void seedMenuRights(sqlite3 *db)
{
    static const char *const captions[] = {
        "Application Form",
        "Carry Forward Entry",
        "Company",
        "Telephone Directory",
        "Chart Of Accounts",
        "Voucher Setup",
        "Subjects",
        "Course",
        "Session",
        "CASH BOOK",
        "BANK BOOK",
        "SIMPLE LEDGER",
        "DETAIL LEDGER",
        "SUBSIDIARY TRIAL BALANCE SIMPLE",
        "CONTROL TRIAL BALANCE",
        "SUBSIDIARY TRIAL BALANCE (WITH OPENING)",
        "SESSION WISE OUTSTANDING",
        "STOCK SUMMARY REPORT",
        "STUDENT FEE DETAIL",
    };
    detail::exec(db, "BEGIN");
    for (const char *caption : captions)
        detail::exec(db, QStringLiteral("INSERT INTO Menus (Menus, Active) VALUES (?, '1')"), {caption});
    detail::exec(db, "COMMIT");
}

} // namespace

void create(const QString &serverName, const QString &saPassword, HashCost cost)
{
    const QString shown = serverName.trimmed();
    const QString path = resolve(serverName);
    if (path.isEmpty())
        throw Error(QStringLiteral("'%1' is not a valid server name.").arg(shown));
    if (exists(serverName))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shown));
    QDir target(path);
    if (target.exists() && !target.isEmpty())
        throw Error(QStringLiteral("The folder '%1' is not empty and holds no server.").arg(path));
    // Built beside its place and moved in at the end, so a failure leaves no half server.
    const QString work = path + QStringLiteral(".creating-%1").arg(QCoreApplication::applicationPid());
    QDir(work).removeRecursively();
    if (!QDir().mkpath(work))
        throw Error(QStringLiteral("Cannot create the folder '%1'.").arg(work));
    sqlite3 *m = nullptr;
    sqlite3 *db = nullptr;
    try {
        m = detail::openFile(work + QStringLiteral("/master.db"), true);
        createMaster(m, saPassword, cost);
        db = detail::openFile(work + QStringLiteral("/ORU.db"), true);
        detail::upgrade(db);
        seedMenuRights(db);
        detail::closeFile(db);
        db = nullptr;
        detail::closeFile(m);
        m = nullptr;
        if (target.exists())
            QDir().rmdir(path);
        if (!QDir().rename(work, path))
            throw Error(QStringLiteral("Cannot move the new server into '%1'.").arg(path));
    } catch (...) {
        detail::closeFile(db);
        detail::closeFile(m);
        QDir(work).removeRecursively();
        throw;
    }
}

void setLoginPassword(const QString &serverName, const QString &login, const QString &password)
{
    ServerFiles f(serverName, false);
    const QString hash = detail::hashPassword(password, detail::serverCost(f.master));
    detail::exec(f.master, QStringLiteral("UPDATE syslogins SET password = ? WHERE name = ?"),
        {hash, login.trimmed()});
    if (sqlite3_changes(f.master) == 0)
        throw Error(QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(login));
}

std::vector<LoginInfo> logins(const QString &serverName)
{
    ServerFiles f(serverName, false);
    std::vector<LoginInfo> out;
    sqlite3_stmt *s = nullptr;
    detail::check(sqlite3_prepare_v2(f.master,
                      "SELECT name, dbname, EXISTS (SELECT 1 FROM sysrolemembers r"
                      " WHERE r.login = l.name AND r.role = 'sysadmin')"
                      " FROM syslogins l ORDER BY name",
                      -1, &s, nullptr),
        f.master);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(s, sqlite3_finalize);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        out.push_back({detail::read(s, 0, Type::Text).toString(), detail::read(s, 1, Type::Text).toString(),
            sqlite3_column_int(s, 2) != 0});
    detail::check(rc, f.master);
    return out;
}

void addLockPassword(const QString &serverName, const QString &password)
{
    if (password.isEmpty())
        throw Error(QStringLiteral("A lock password must not be empty."));
    if (password.size() > 6)
        throw Error(
            QStringLiteral("A lock password has at most 6 characters (the lock window takes no more)."));
    ServerFiles f(serverName);
    const QString hash = detail::hashPassword(password, detail::serverCost(f.master));
    detail::exec(f.db, QStringLiteral("INSERT INTO LctPswd (Pswd) VALUES (?)"), {hash});
}

int removeLockPasswords(const QString &serverName)
{
    ServerFiles f(serverName);
    detail::exec(f.db, "DELETE FROM LctPswd");
    return sqlite3_changes(f.db);
}

int lockPasswordCount(const QString &serverName)
{
    ServerFiles f(serverName);
    return int(detail::scalar(f.db, QStringLiteral("SELECT count(*) FROM LctPswd")).toInt());
}

} // namespace server

bool checkLockPassword(Connection &conn, const QString &typed)
{
    if (typed.isEmpty())
        return false;
    sqlite3 *db = conn.handle();
    sqlite3_stmt *s = nullptr;
    detail::check(sqlite3_prepare_v2(db, "SELECT Pswd FROM LctPswd", -1, &s, nullptr), db);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(s, sqlite3_finalize);
    QStringList hashes;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        hashes << detail::read(s, 0, Type::Text).toString();
    detail::check(rc, db);
    guard.reset();
    return std::any_of(
        hashes.cbegin(), hashes.cend(), [&](const QString &h) { return detail::verifyPassword(h, typed); });
}

// ---------------------------------------------------------------- procedures

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, Procedure> procedures; // by lower-case name
};

void addBuiltins(Registry &r);

Registry &registry()
{
    static Registry *r = [] {
        auto *reg = new Registry;
        addBuiltins(*reg);
        return reg;
    }();
    return *r;
}

Procedure findProcedure(const QString &name)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    return r.procedures.value(name.toLower());
}

// ---- argument helpers

bool argNull(const Params &a, size_t i)
{
    return i >= a.size() || a[i].isNull();
}
QString argText(const Params &a, size_t i)
{
    return argNull(a, i) ? QString() : a[i].toString().trimmed();
}

[[noreturn]] void noPermission()
{
    throw Error(QStringLiteral("User does not have permission to perform this action."));
}

[[noreturn]] void notALogin(const QString &name)
{
    throw Error(QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(name));
}

void requireSysadmin(Connection &conn)
{
    if (!conn.isSysadmin())
        noPermission();
}

QString requiredName(const Params &a, size_t i, const char *proc, const char *param)
{
    const QString name = argText(a, i);
    if (name.isEmpty())
        throw Error(QStringLiteral("Procedure '%1' expects parameter '%2', which was not supplied.")
                        .arg(QLatin1String(proc), QLatin1String(param)));
    for (QChar c : name)
        if (c.unicode() < 32 || c == u'\\')
            throw Error(
                QStringLiteral("'%1' is not a valid name because it contains invalid characters.").arg(name));
    if (name.size() > 128)
        throw Error(
            QStringLiteral("'%1' is not a valid name because it is longer than 128 characters.").arg(name));
    return name;
}

// The login as the server spells it, or empty.
QString findLogin(sqlite3 *master, const QString &name)
{
    return detail::scalar(master, QStringLiteral("SELECT name FROM syslogins WHERE name = ?"), {name})
        .toString();
}

std::int64_t spAddLogin(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString name = requiredName(a, 0, "sp_addlogin", "@loginame");
    sqlite3 *m = conn.masterHandle();
    if (!findLogin(m, name).isEmpty())
        throw Error(QStringLiteral("The login '%1' already exists.").arg(name));
    const QString password = argNull(a, 1) ? QString() : a[1].toString();
    QString database = argText(a, 2);
    if (database.isEmpty())
        database = QStringLiteral("master");
    const QString hash = detail::hashPassword(password, detail::serverCost(m));
    detail::exec(
        m, QStringLiteral("INSERT INTO syslogins VALUES (?, ?, ?, ?)"), {name, hash, database, now()});
    return 1;
}

std::int64_t spAddUser(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString given = requiredName(a, 0, "sp_adduser", "@loginame");
    const QString login = findLogin(conn.masterHandle(), given);
    if (login.isEmpty())
        notALogin(given);
    QString user = argText(a, 1);
    if (user.isEmpty())
        user = login;
    sqlite3 *db = conn.handle();
    detail::isDatabaseUser(db, login); // makes sure sysusers exists
    if (!detail::scalar(
            db, QStringLiteral("SELECT 1 FROM sysusers WHERE name = ? OR login = ?"), {user, login})
             .isNull())
        throw Error(QStringLiteral("User or role '%1' already exists in the current database.").arg(user));
    detail::exec(
        db, QStringLiteral("INSERT INTO sysusers VALUES (?, ?, ?)"), {user, login, QDate::currentDate()});
    return 1;
}

std::int64_t spAddSrvRoleMember(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString given = requiredName(a, 0, "sp_addsrvrolemember", "@loginame");
    const QString role = argText(a, 1);
    if (role.compare(QLatin1String("sysadmin"), Qt::CaseInsensitive) != 0)
        throw Error(
            QStringLiteral("'%1' is not a fixed server role of this server (only 'sysadmin').").arg(role));
    sqlite3 *m = conn.masterHandle();
    const QString login = findLogin(m, given);
    if (login.isEmpty())
        notALogin(given);
    detail::exec(m, QStringLiteral("INSERT OR IGNORE INTO sysrolemembers VALUES (?, 'sysadmin')"), {login});
    return 1;
}

std::int64_t spPassword(Connection &conn, const Params &a)
{
    sqlite3 *m = conn.masterHandle();
    const bool sysadmin = conn.isSysadmin();
    const QString given = argNull(a, 2) ? conn.loginName() : argText(a, 2);
    const bool self = given.compare(conn.loginName(), Qt::CaseInsensitive) == 0;
    if (!self && !sysadmin)
        throw Error(QStringLiteral(
            "Only members of the sysadmin role can use the loginame option. The password was not changed."));
    const QString login = findLogin(m, given);
    if (login.isEmpty())
        notALogin(given);
    const QString oldIncorrect
        = QStringLiteral("Old (current) password incorrect for user. The password was not changed.");
    if (argNull(a, 0)) {
        if (!sysadmin)
            throw Error(oldIncorrect);
    } else {
        const QString hash
            = detail::scalar(m, QStringLiteral("SELECT password FROM syslogins WHERE name = ?"), {login})
                  .toString();
        if (!detail::verifyPassword(hash, a[0].toString()))
            throw Error(oldIncorrect);
    }
    const QString password = argNull(a, 1) ? QString() : a[1].toString();
    detail::exec(m, QStringLiteral("UPDATE syslogins SET password = ? WHERE name = ?"),
        {detail::hashPassword(password, detail::serverCost(m)), login});
    return 1;
}

std::int64_t spDropLogin(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString given = requiredName(a, 0, "sp_droplogin", "@loginame");
    sqlite3 *m = conn.masterHandle();
    const QString login = findLogin(m, given);
    if (login.isEmpty())
        notALogin(given);
    if (login.compare(QLatin1String("sa"), Qt::CaseInsensitive) == 0)
        throw Error(QStringLiteral("Cannot drop the login 'sa'."));
    if (login.compare(conn.loginName(), Qt::CaseInsensitive) == 0)
        throw Error(
            QStringLiteral("Could not drop login '%1' as the user is currently logged in.").arg(login));
    if (detail::isDatabaseUser(conn.handle(), login))
        throw Error(QStringLiteral("Login '%1' is aliased or mapped to a user in one or more database(s). "
                                   "Drop the user or alias before dropping the login.")
                        .arg(login));
    detail::exec(m, "BEGIN IMMEDIATE");
    try {
        detail::exec(m, QStringLiteral("DELETE FROM sysrolemembers WHERE login = ?"), {login});
        detail::exec(m, QStringLiteral("DELETE FROM syslogins WHERE name = ?"), {login});
        detail::exec(m, "COMMIT");
    } catch (...) {
        sqlite3_exec(m, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return 1;
}

std::int64_t spDropUser(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString user = requiredName(a, 0, "sp_dropuser", "@name_in_db");
    sqlite3 *db = conn.handle();
    detail::isDatabaseUser(db, user);
    detail::exec(db, QStringLiteral("DELETE FROM sysusers WHERE name = ?"), {user});
    if (sqlite3_changes(db) == 0)
        throw Error(QStringLiteral("User '%1' does not exist in the current database.").arg(user));
    return 1;
}

void addBuiltins(Registry &r)
{
    r.procedures.insert(QStringLiteral("sp_addlogin"), spAddLogin);
    r.procedures.insert(QStringLiteral("sp_adduser"), spAddUser);
    r.procedures.insert(QStringLiteral("sp_addsrvrolemember"), spAddSrvRoleMember);
    r.procedures.insert(QStringLiteral("sp_password"), spPassword);
    r.procedures.insert(QStringLiteral("sp_droplogin"), spDropLogin);
    r.procedures.insert(QStringLiteral("sp_dropuser"), spDropUser);
}

// ---- parsing a call: [EXEC[UTE]] name arg, arg, ...

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c == u'@';
}

void skipBlanks(QStringView s, qsizetype &i)
{
    while (i < s.size() && s[i].isSpace())
        ++i;
}

QString word(QStringView s, qsizetype &i)
{
    const qsizetype start = i;
    while (i < s.size() && (isIdentChar(s[i]) || s[i] == u'.'))
        ++i;
    return s.mid(start, i - start).toString();
}

Params parseArguments(QStringView s, qsizetype i, const Params &bound, const QString &procName)
{
    Params args;
    size_t next = 0;
    auto malformed = [&] {
        return Error(QStringLiteral("Incorrect syntax in the call of procedure '%1' near '%2'.")
                         .arg(procName, s.mid(i, 20).toString()));
    };
    skipBlanks(s, i);
    if (i < s.size() && s[i] == u';')
        ++i;
    skipBlanks(s, i);
    if (i >= s.size()) {
        if (!bound.empty())
            throw Error(QStringLiteral("The call takes 0 parameter(s); %1 were given.").arg(bound.size()));
        return args;
    }
    for (;;) {
        skipBlanks(s, i);
        if (i >= s.size())
            throw malformed();
        const QChar c = s[i];
        if (c == u'?') {
            if (next >= bound.size())
                throw Error(QStringLiteral("The call has more '?' than the %1 parameter(s) given.")
                                .arg(bound.size()));
            args.push_back(bound[next++]);
            ++i;
        } else if (c == u'\'' || ((c == u'N' || c == u'n') && i + 1 < s.size() && s[i + 1] == u'\'')) {
            if (c != u'\'')
                ++i;
            ++i;
            QString text;
            for (;;) {
                if (i >= s.size())
                    throw Error(QStringLiteral("Unclosed quotation mark in the call of procedure '%1'.")
                                    .arg(procName));
                if (s[i] == u'\'') {
                    if (i + 1 < s.size() && s[i + 1] == u'\'') {
                        text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += s[i++];
            }
            args.emplace_back(text);
        } else if (c.isDigit() || c == u'-' || c == u'+' || c == u'.') {
            const qsizetype start = i;
            ++i;
            while (i < s.size() && (s[i].isDigit() || s[i] == u'.'))
                ++i;
            const QString num = s.mid(start, i - start).toString();
            bool ok = false;
            const qlonglong n = num.toLongLong(&ok);
            if (ok) {
                args.emplace_back(n);
            } else {
                const double d = num.toDouble(&ok);
                if (!ok)
                    throw malformed();
                args.emplace_back(d);
            }
        } else if (isIdentChar(c)) {
            const QString w = word(s, i);
            if (w.compare(QLatin1String("NULL"), Qt::CaseInsensitive) != 0
                && w.compare(QLatin1String("DEFAULT"), Qt::CaseInsensitive) != 0)
                throw malformed();
            args.emplace_back();
        } else {
            throw malformed();
        }
        skipBlanks(s, i);
        if (i < s.size() && s[i] == u',') {
            ++i;
            continue;
        }
        if (i < s.size() && s[i] == u';')
            ++i;
        skipBlanks(s, i);
        if (i != s.size())
            throw malformed();
        break;
    }
    if (next != bound.size())
        throw Error(QStringLiteral("The call has %1 '?' but %2 parameter(s) were given.")
                        .arg(next)
                        .arg(bound.size()));
    return args;
}

} // namespace

void registerProcedure(const QString &name, Procedure procedure)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    r.procedures.insert(name.trimmed().toLower(), std::move(procedure));
}

bool isProcedure(const QString &name)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    return r.procedures.contains(name.trimmed().toLower());
}

namespace detail {

bool runProcedure(Connection &conn, const QString &sql, const Params &params, std::int64_t *affected)
{
    const QStringView s(sql);
    qsizetype i = 0;
    skipBlanks(s, i);
    QString name = word(s, i);
    bool exec = false;
    if (name.compare(QLatin1String("exec"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("execute"), Qt::CaseInsensitive) == 0) {
        exec = true;
        skipBlanks(s, i);
        name = word(s, i);
    }
    if (name.isEmpty()
        || (i < s.size() && !s[i].isSpace() && s[i] != u';' && s[i] != u'\'' && s[i] != u'?')) {
        if (exec)
            throw Error(QStringLiteral("Incorrect syntax near 'EXEC'."));
        return false;
    }
    QString bare = name;
    if (bare.startsWith(QLatin1String("dbo."), Qt::CaseInsensitive))
        bare = bare.mid(4);
    const Procedure proc = findProcedure(bare);
    if (!proc) {
        if (exec)
            throw Error(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
        return false;
    }
    const Params args = parseArguments(s, i, params, bare);
    *affected = proc(conn, args);
    return true;
}

} // namespace detail
} // namespace db
