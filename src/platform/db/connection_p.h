#pragma once
// The state behind a Connection, for the layer's files that work on it
// (the connection, transactions, administration).
#include "platform/db/engine.h"
#include "platform/db/internal.h"

#include <QSet>

#include <type_traits>

namespace db {

struct Connection::Impl {
    std::vector<std::pair<QString, QString>> properties;
    std::unique_ptr<engine::Session> session; // null while closed
    QString serverPath;
    QString database;
    detail::Login login;
    int depth = 0; // open Transaction guards
    int savepointSeq = 0;
    detail::SessionToken token;
    // Digests of the other logins this session has checked, never the passwords.
    QSet<QByteArray> checkedLogins;
    StatementObserver observer; // given to every session the connection opens
    // Work left for later, by the table it completes.
    std::vector<std::pair<QString, std::function<void(Connection &)>>> deferred;
    int firstRows = 0; // FirstRows guards held
    // The ReadSnapshot moment open on the session (0: none), and the number
    // the next one takes; Elsewhere guards held.
    std::uint64_t moment = 0, moments = 0;
    int elsewhere = 0;

    void opened(std::unique_ptr<engine::Session> s, const QString &path, const QString &name,
        const detail::Login &who)
    {
        session = std::move(s);
        serverPath = path;
        database = name;
        login = who;
        depth = 0;
        token = std::make_shared<int>(0);
        checkedLogins.clear();
        deferred.clear();
        moment = 0;
        if (observer)
            session->setObserver(observer);
    }
};

namespace detail {

struct Access {
    static Connection::Impl &impl(Connection &c) { return *c.d; }
    static const Connection::Impl &impl(const Connection &c) { return *c.d; }
};

// Before another window's work: ends the moment it must not run in.
void leaveMomentIfElsewhere(Connection &c);

// The open session of a connection (throws when closed), for work on it.
inline engine::Session &engineOf(Connection &c)
{
    auto &d = Access::impl(c);
    if (!d.session)
        closedError();
    leaveMomentIfElsewhere(c);
    return *d.session;
}

// Runs the deferred fills of the tables a statement names, before it runs.
void completeFillsFor(Connection &c, const QString &sql);

// Whether a ReadSnapshot moment is open on the connection's session (one
// whose transaction the database ended is forgotten here).
bool inMoment(Connection &c);
// Ends the moment, keeping what it wrote to temporary tables.
void endMoment(Connection &c) noexcept;

// Runs one statement of the connection: inside a moment and outside any
// transaction, under a savepoint of its own, so that a statement that fails
// (as a probe of a column may) undoes itself alone and leaves the moment
// and what it wrote.
template <class F> auto statement(Connection &c, F &&f) -> decltype(f())
{
    auto &d = Access::impl(c);
    leaveMomentIfElsewhere(c);
    if (d.depth > 0 || !inMoment(c))
        return f();
    static const QString name = QStringLiteral("oru_read");
    d.session->savepoint(name);
    try {
        if constexpr (std::is_void_v<decltype(f())>) {
            f();
            d.session->commit(name);
        } else {
            auto out = f();
            d.session->commit(name);
            return out;
        }
    } catch (...) {
        if (d.session && d.session->inTransaction())
            d.session->rollback(name);
        throw;
    }
}

} // namespace detail
} // namespace db
