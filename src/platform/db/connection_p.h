#pragma once
// The state behind a Connection, for the layer's files that work on it
// (the connection, transactions, administration).
#include "platform/db/engine.h"
#include "platform/db/internal.h"

#include <QSet>

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
        if (observer)
            session->setObserver(observer);
    }
};

namespace detail {

struct Access {
    static Connection::Impl &impl(Connection &c) { return *c.d; }
    static const Connection::Impl &impl(const Connection &c) { return *c.d; }
};

// The open session of a connection (throws when closed).
inline engine::Session &engineOf(Connection &c)
{
    auto &s = Access::impl(c).session;
    if (!s)
        closedError();
    return *s;
}

// Runs the deferred fills of the tables a statement names, before it runs.
void completeFillsFor(Connection &c, const QString &sql);

} // namespace detail
} // namespace db
