// Connection: its properties, the login and open, and running statements.
#include "platform/db/connection_p.h"

#include "platform/db/sqltokens.h"

#include <sodium.h>

#include <algorithm>

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
    if (d->session)
        throw Error(QStringLiteral("Operation is not allowed when the object is open."));
    const QString serverName = property(QStringLiteral("Data Source"));
    const QString path = server::resolve(serverName);
    const QString shownServer = serverName.trimmed();
    if (path.isEmpty() || !server::exists(serverName))
        throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
    QString database = property(QStringLiteral("Initial Catalog")).trimmed();
    detail::Login login;
    auto session = engine::serverAt(path, shownServer)
                       ->open(property(QStringLiteral("User ID")), property(QStringLiteral("Password")),
                           &database, &login);
    d->opened(std::move(session), path, database, login);
}

void Connection::close()
{
    if (!d->session)
        return;
    d->session.reset();
    d->deferred.clear();
    d->moment = 0;
    d->depth = 0;
    d->token.reset();
}

int Connection::state() const
{
    return d->session ? 1 : 0;
}

std::int64_t Connection::execute(const QString &sql, const Params &params)
{
    if (!d->session)
        detail::closedError();
    detail::leaveMomentIfElsewhere(*this);
    std::int64_t affected = 0;
    if (detail::runProcedure(*this, sql, params, &affected))
        return affected;
    detail::completeFillsFor(*this, sql);
    return detail::statement(*this, [&] { return d->session->execute(sql, params); });
}

Value Connection::scalar(const QString &sql, const Params &params)
{
    if (!d->session)
        detail::closedError();
    detail::leaveMomentIfElsewhere(*this);
    detail::completeFillsFor(*this, sql);
    return detail::statement(*this, [&] { return d->session->scalar(sql, params); });
}

void Connection::deferFill(const QString &table, std::function<void(Connection &)> rest)
{
    dropDeferredFill(table);
    d->deferred.emplace_back(table, std::move(rest));
}

void Connection::dropDeferredFill(const QString &table)
{
    std::erase_if(
        d->deferred, [&](const auto &e) { return e.first.compare(table, Qt::CaseInsensitive) == 0; });
}

Connection::ReadSnapshot::ReadSnapshot(Connection &conn)
    : m_conn(conn)
{
    auto &d = *conn.d;
    if (!d.session || d.moment != 0 || d.depth > 0 || d.session->inTransaction())
        return;
    d.session->beginSnapshot();
    d.moment = m_moment = ++d.moments;
}

Connection::ReadSnapshot::~ReadSnapshot()
{
    if (holds())
        detail::endMoment(m_conn);
}

bool Connection::ReadSnapshot::holds() const
{
    return m_moment != 0 && m_conn.d->moment == m_moment && detail::inMoment(m_conn);
}

Connection::Elsewhere::Elsewhere(Connection &conn)
    : m_conn(conn)
{
    ++m_conn.d->elsewhere;
}

Connection::Elsewhere::~Elsewhere()
{
    --m_conn.d->elsewhere;
}

Connection::FirstRows::FirstRows(Connection &conn)
    : m_conn(conn)
{
    ++m_conn.d->firstRows;
}

Connection::FirstRows::~FirstRows()
{
    --m_conn.d->firstRows;
}

namespace detail {

bool inMoment(Connection &c)
{
    auto &d = Access::impl(c);
    if (d.moment == 0)
        return false;
    if (d.session && d.session->inTransaction())
        return true;
    d.moment = 0; // the database ended it (a stopped statement rolls back)
    return false;
}

void endMoment(Connection &c) noexcept
{
    auto &d = Access::impl(c);
    if (!inMoment(c))
        return;
    d.moment = 0;
    if (d.depth > 0)
        return; // not met: a transaction in a moment is scoped inside its guard
    try {
        d.session->commit({});
    } catch (...) {
        d.session->rollback({});
    }
}

void leaveMomentIfElsewhere(Connection &c)
{
    const auto &d = Access::impl(c);
    if (d.elsewhere > 0 && d.depth == 0)
        endMoment(c);
}

void completeFillsFor(Connection &c, const QString &sql)
{
    auto &d = Access::impl(c);
    if (d.deferred.empty() || d.firstRows > 0)
        return;
    for (const lex::Token &t : lex::tokens(sql)) {
        if (t.kind != lex::Kind::Word && t.kind != lex::Kind::Name)
            continue;
        const QString name = t.value(sql);
        const auto it = std::find_if(d.deferred.begin(), d.deferred.end(),
            [&](const auto &e) { return e.first.compare(name, Qt::CaseInsensitive) == 0; });
        if (it == d.deferred.end())
            continue;
        // Taken out first: the work's own statements name the table too.
        auto [table, work] = std::move(*it);
        d.deferred.erase(it);
        try {
            work(c);
        } catch (...) {
            try {
                c.execute(QStringLiteral("Delete From ") + d.session->quotedName(table));
            } catch (const Error &) {
                // The connection itself failed; the statement below throws for it.
            }
            throw;
        }
        if (d.deferred.empty())
            return;
    }
}

} // namespace detail

bool Connection::hasTable(const QString &name)
{
    if (!d->session)
        detail::closedError();
    return detail::statement(*this, [&] { return !d->session->table(name).columns.empty(); });
}

std::vector<Column> Connection::columnsOf(const QString &sql)
{
    if (!d->session)
        detail::closedError();
    return detail::statement(*this, [&] { return d->session->columns(sql); });
}

void Connection::checkLogin(const QString &user, const QString &password)
{
    if (!d->session)
        detail::closedError();
    // Login names compare without regard to case, passwords are kept upper-cased.
    const QString name = user.trimmed();
    if (name.compare(d->login.name, Qt::CaseInsensitive) == 0
        && password.toUpper() == property(QStringLiteral("Password")).toUpper())
        return;
    const QByteArray pair = name.toLower().toUtf8() + '\0' + password.toUpper().toUtf8();
    QByteArray digest(crypto_generichash_BYTES, 0);
    crypto_generichash(reinterpret_cast<unsigned char *>(digest.data()), size_t(digest.size()),
        reinterpret_cast<const unsigned char *>(pair.constData()), size_t(pair.size()), nullptr, 0);
    if (d->checkedLogins.contains(digest))
        return;
    d->session->checkLogin(user, password, d->database);
    d->checkedLogins.insert(digest);
}

QString Connection::loginName() const
{
    return d->session ? d->login.name : QString();
}

bool Connection::isSysadmin() const
{
    return d->session && d->session->isSysadmin(d->login.name);
}

QString Connection::serverPath() const
{
    return d->serverPath;
}

void Connection::setStatementObserver(StatementObserver observer)
{
    d->observer = std::move(observer);
    if (d->session)
        d->session->setObserver(d->observer);
}

bool Connection::inTransaction() const
{
    return d->session && d->session->inTransaction();
}

void Connection::setProgressHandler(std::function<bool()> handler)
{
    if (!d->session)
        detail::closedError();
    d->session->setProgressHandler(std::move(handler));
}

} // namespace db
