// Connection: its properties, the login and open, and running statements.
#include "connection_p.h"

namespace db {

namespace detail {

SessionToken session(const Connection &conn)
{
    return Access::impl(conn).token;
}

} // namespace detail

using detail::Access;

Connection::Connection()
    : d(std::make_unique<Impl>())
{
}

Connection::~Connection()
{
    close();
}

namespace {

const char *const knownProperties[] = {"User ID", "Password", "Data Source", "Initial Catalog"};

} // namespace

void Connection::setProperty(const QString &name, const QString &value)
{
    QString key = name.trimmed();
    for (const char *known : knownProperties)
        if (key.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            key = QLatin1String(known);
    for (auto &p : d->properties)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    d->properties.emplace_back(key, value);
}

QString Connection::property(const QString &name) const
{
    const QString key = name.trimmed();
    for (const auto &p : d->properties)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0)
            return p.second;
    return {};
}

void Connection::open()
{
    if (d->db)
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString serverName = property(QStringLiteral("Data Source"));
    const QString userName = property(QStringLiteral("User ID"));
    const QString path = server::resolve(serverName);
    const QString shownServer = serverName.trimmed();
    if (path.isEmpty() || !server::exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
    detail::DatabaseHandle master;
    try {
        master = detail::openFile(path + QStringLiteral("/master.db"), false);
    } catch (const Error &) {
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
    }
    const detail::Login login
        = detail::checkLogin(master.get(), userName, property(QStringLiteral("Password")));
    QString database = property(QStringLiteral("Initial Catalog")).trimmed();
    if (database.isEmpty())
        database = login.database;
    const QString cannotOpen
        = QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
              .arg(database);
    const QString file = detail::databaseFile(master.get(), path, database);
    if (file.isEmpty())
        throw Error(cannotOpen);
    detail::DatabaseHandle db;
    try {
        db = detail::openFile(file, false);
    } catch (const Error &) {
        throw Error(cannotOpen);
    }
    if (!login.sysadmin && !detail::isDatabaseUser(db.get(), login.name))
        throw Error(cannotOpen);
    detail::upgrade(db.get());
    d->master = std::move(master);
    d->db = std::move(db);
    d->serverPath = path;
    d->database = database;
    d->login = login;
    d->depth = 0;
    d->token = std::make_shared<int>(0);
}

void Connection::close()
{
    if (!d->db)
        return;
    d->cache.clear();
    d->db.reset();
    d->master.reset();
    d->depth = 0;
    d->token.reset();
}

int Connection::state() const
{
    return d->db ? 1 : 0;
}

std::int64_t Connection::execute(const QString &sql, const Params &params)
{
    if (!d->db)
        detail::closedError();
    std::int64_t affected = 0;
    if (detail::runProcedure(*this, sql, params, &affected))
        return affected;
    detail::CachedStatement st(*this, sql);
    st.bindAll(params);
    const sqlite3_int64 before = sqlite3_total_changes64(d->db.get());
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) { }
    detail::check(rc, d->db.get());
    if (sqlite3_stmt_readonly(st.get()) || sqlite3_total_changes64(d->db.get()) == before)
        return 0;
    return sqlite3_changes64(d->db.get());
}

Value Connection::scalar(const QString &sql, const Params &params)
{
    detail::CachedStatement st(*this, sql);
    st.bindAll(params);
    const int rc = sqlite3_step(st.get());
    detail::check(rc, d->db.get());
    if (rc != SQLITE_ROW)
        return {};
    return detail::readDeclared(st.get(), 0);
}

QString Connection::loginName() const
{
    return d->db ? d->login.name : QString();
}

bool Connection::isSysadmin() const
{
    return d->db && detail::isSysadmin(d->master.get(), d->login.name);
}

QString Connection::serverPath() const
{
    return d->serverPath;
}

sqlite3 *Connection::handle() const
{
    if (!d->db)
        detail::closedError();
    return d->db.get();
}

sqlite3 *Connection::masterHandle() const
{
    if (!d->master)
        detail::closedError();
    return d->master.get();
}

bool Connection::inTransaction() const
{
    return d->db && !sqlite3_get_autocommit(d->db.get());
}

} // namespace db
