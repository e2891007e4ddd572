#pragma once
// Where a server keeps its logins and a database its users. The login
// procedures are written once over it: the embedded server keeps them in
// master.db and the database's sysusers, a PostgreSQL server as its roles.
#include "platform/db/internal.h"

namespace db::detail {

class LoginStore {
public:
    virtual ~LoginStore() = default;

    // The login as the server spells it, or empty (names compare without
    // regard to case).
    virtual QString find(const QString &name) = 0;
    // The name is taken on the server, by a login or by anything else a
    // new login would collide with.
    virtual bool taken(const QString &name) { return !find(name).isEmpty(); }
    virtual void add(const QString &name, const QString &password, const QString &database) = 0;
    virtual bool passwordIs(const QString &login, const QString &password) = 0;
    virtual void setPassword(const QString &login, const QString &password) = 0;
    virtual void addSysadmin(const QString &login) = 0;
    virtual void drop(const QString &login) = 0;

    // Users of the connection's database.
    virtual bool isUser(const QString &login) = 0;
    virtual bool userTaken(const QString &user, const QString &login) = 0;
    virtual void addUser(const QString &user, const QString &login) = 0;
    // False when the database has no such user.
    virtual bool dropUser(const QString &user) = 0;
};

// The store of the connection's server (throws when it is closed).
std::unique_ptr<LoginStore> loginStore(Connection &conn);

} // namespace db::detail
