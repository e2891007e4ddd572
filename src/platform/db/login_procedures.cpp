// The server's own procedures: logins, database users and the sysadmin role.
#include "platform/db/connection_p.h"
#include "platform/db/login_store.h"

namespace db::detail {

namespace {

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

std::int64_t spAddLogin(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString name = requiredName(a, 0, "sp_addlogin", "@loginame");
    const auto store = loginStore(conn);
    if (store->taken(name))
        throw Error(QStringLiteral("The login '%1' already exists.").arg(name));
    const QString password = argNull(a, 1) ? QString() : a[1].toString();
    QString database = argText(a, 2);
    if (database.isEmpty())
        database = QStringLiteral("master");
    store->add(name, password, database);
    return 1;
}

std::int64_t spAddUser(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString given = requiredName(a, 0, "sp_adduser", "@loginame");
    const auto store = loginStore(conn);
    const QString login = store->find(given);
    if (login.isEmpty())
        notALogin(given);
    QString user = argText(a, 1);
    if (user.isEmpty())
        user = login;
    if (store->userTaken(user, login))
        throw Error(QStringLiteral("User or role '%1' already exists in the current database.").arg(user));
    store->addUser(user, login);
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
    const auto store = loginStore(conn);
    const QString login = store->find(given);
    if (login.isEmpty())
        notALogin(given);
    store->addSysadmin(login);
    return 1;
}

std::int64_t spPassword(Connection &conn, const Params &a)
{
    const bool sysadmin = conn.isSysadmin();
    const QString given = argNull(a, 2) ? conn.loginName() : argText(a, 2);
    const bool self = given.compare(conn.loginName(), Qt::CaseInsensitive) == 0;
    if (!self && !sysadmin)
        throw Error(QStringLiteral(
            "Only members of the sysadmin role can use the loginame option. The password was not changed."));
    const auto store = loginStore(conn);
    const QString login = store->find(given);
    if (login.isEmpty())
        notALogin(given);
    const QString oldIncorrect
        = QStringLiteral("Old (current) password incorrect for user. The password was not changed.");
    if (argNull(a, 0)) {
        if (!sysadmin)
            throw Error(oldIncorrect);
    } else if (!store->passwordIs(login, a[0].toString())) {
        throw Error(oldIncorrect);
    }
    store->setPassword(login, argNull(a, 1) ? QString() : a[1].toString());
    return 1;
}

std::int64_t spDropLogin(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString given = requiredName(a, 0, "sp_droplogin", "@loginame");
    const auto store = loginStore(conn);
    const QString login = store->find(given);
    if (login.isEmpty())
        notALogin(given);
    if (login.compare(QLatin1String("sa"), Qt::CaseInsensitive) == 0)
        throw Error(QStringLiteral("Cannot drop the login 'sa'."));
    if (login.compare(conn.loginName(), Qt::CaseInsensitive) == 0)
        throw Error(
            QStringLiteral("Could not drop login '%1' as the user is currently logged in.").arg(login));
    if (store->isUser(login))
        throw Error(QStringLiteral("Login '%1' is aliased or mapped to a user in one or more database(s). "
                                   "Drop the user or alias before dropping the login.")
                        .arg(login));
    store->drop(login);
    return 1;
}

std::int64_t spDropUser(Connection &conn, const Params &a)
{
    requireSysadmin(conn);
    const QString user = requiredName(a, 0, "sp_dropuser", "@name_in_db");
    if (!loginStore(conn)->dropUser(user))
        throw Error(QStringLiteral("User '%1' does not exist in the current database.").arg(user));
    return 1;
}

} // namespace

std::unique_ptr<LoginStore> loginStore(Connection &conn)
{
    return engineOf(conn).logins();
}

} // namespace db::detail

bool db::Connection::hasLogin(const QString &name)
{
    return !detail::loginStore(*this)->find(name.trimmed()).isEmpty();
}

namespace db::detail {

std::vector<std::pair<QString, Procedure>> loginProcedures()
{
    return {
        {QStringLiteral("sp_addlogin"), spAddLogin},
        {QStringLiteral("sp_adduser"), spAddUser},
        {QStringLiteral("sp_addsrvrolemember"), spAddSrvRoleMember},
        {QStringLiteral("sp_password"), spPassword},
        {QStringLiteral("sp_droplogin"), spDropLogin},
        {QStringLiteral("sp_dropuser"), spDropUser},
    };
}

} // namespace db::detail
