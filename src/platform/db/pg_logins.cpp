// Logins of a PostgreSQL server: each is a role of the server, a member of
// "oru_logins"; a user of a database is a member of that database's users
// role, which alone may connect to it. Statements that change roles run in
// the function oru_login() of the database, owned by a role that may create
// roles and that no one logs in as: so a sysadmin of the program manages
// the program's logins and nothing else of the server. Passwords reach the
// server only as SCRAM verifiers, and every value travels as a bound
// parameter.
#include "platform/db/login_store.h"
#include "platform/db/pg_server_p.h"

#include <libpq-fe.h>

namespace db::detail {

namespace {

// Roles made by the server administrator once per server, as idempotent
// statements that another copy making a database at the same time cannot
// trip over.
constexpr const char *kServerRoles = R"(
DO $$ BEGIN CREATE ROLE oru_logins NOLOGIN; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$;
DO $$ BEGIN CREATE ROLE sysadmin NOLOGIN; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$;
DO $$ BEGIN CREATE ROLE oru_login_admin NOLOGIN CREATEROLE;
  EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$;
)";

// The one way a login changes the server's roles. The caller's checks (and
// their texts) come first, in the login procedures; these repeat the ones
// that keep a caller from reaching further than the procedures would.
constexpr const char *kLoginFunction = R"(
CREATE OR REPLACE FUNCTION oru.oru_login(action text, login text, secret text, detail text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $body$
DECLARE
    users text := current_database() || '_users';
    ours boolean;
BEGIN
    IF NOT pg_has_role(session_user, 'sysadmin', 'MEMBER')
       AND NOT (action = 'password' AND login = session_user::text) THEN
        RAISE EXCEPTION 'User does not have permission to perform this action.';
    END IF;
    -- A password only as a SCRAM verifier: a plain one would be kept in the
    -- server's statement log in clear.
    IF action IN ('add', 'password') AND (secret IS NULL OR secret COLLATE "C"
       !~ '^SCRAM-SHA-256\$[0-9]+:[A-Za-z0-9+/=]+\$[A-Za-z0-9+/=]+:[A-Za-z0-9+/=]+$') THEN
        RAISE EXCEPTION 'oru_login: a password is taken only as a SCRAM-SHA-256 verifier.';
    END IF;
    SELECT EXISTS (SELECT 1 FROM pg_auth_members m JOIN pg_roles r ON r.oid = m.member
                   JOIN pg_roles g ON g.oid = m.roleid
                   WHERE r.rolname = login AND g.rolname = 'oru_logins')
      INTO ours;
    IF action = 'add' THEN
        -- Names and marks of the program's own roles: a login so named or
        -- marked would be taken for one of them (a database's owner is
        -- what the administrator acts as).
        IF lower(login) IN ('oru_logins', 'oru_login_admin', 'sysadmin', 'postgres')
           OR right(lower(login), 6) IN ('_owner', '_users') OR left(lower(login), 3) = 'pg_' THEN
            RAISE EXCEPTION '''%'' is not a valid name because the program keeps it for its own roles.', login;
        END IF;
        IF lower(detail) LIKE 'oru owner of %' OR lower(detail) LIKE 'oru users of %' THEN
            RAISE EXCEPTION '''%'' is not a valid default database because the program marks its own roles with it.',
                detail;
        END IF;
        EXECUTE format('CREATE ROLE %I LOGIN PASSWORD %L IN ROLE oru_logins', login, secret);
        EXECUTE format('COMMENT ON ROLE %I IS %L', login, detail);
    ELSIF NOT ours THEN
        RAISE EXCEPTION '''%'' is not a valid login or you do not have permission.', login;
    ELSIF action = 'password' THEN
        EXECUTE format('ALTER ROLE %I PASSWORD %L', login, secret);
    ELSIF action = 'sysadmin' THEN
        EXECUTE format('GRANT sysadmin TO %I', login);
    ELSIF action = 'drop' AND login <> 'sa' THEN
        EXECUTE format('DROP ROLE %I', login);
    ELSIF action = 'user' THEN
        EXECUTE format('GRANT %I TO %I', users, login);
    ELSIF action = 'dropuser' THEN
        EXECUTE format('REVOKE %I FROM %I', users, login);
    ELSE
        RAISE EXCEPTION 'oru_login: % is not done for %', action, login;
    END IF;
END
$body$;
ALTER FUNCTION oru.oru_login(text, text, text, text) OWNER TO oru_login_admin;
REVOKE ALL ON FUNCTION oru.oru_login(text, text, text, text) FROM PUBLIC;
)";

const QString kOurs = QStringLiteral("FROM pg_roles r JOIN pg_auth_members m ON m.member = r.oid "
                                     "JOIN pg_roles g ON g.oid = m.roleid AND g.rolname = 'oru_logins' ");

// A SCRAM verifier of the login's password, computed here: the server
// never sees the password itself.
QString verifier(PgSession &s, const QString &role, const QString &password)
{
    QByteArray pw = pgPassword(password);
    char *v = PQencryptPasswordConn(s.handle(), pw.constData(), role.toUtf8().constData(), "scram-sha-256");
    pw.fill('\0');
    if (!v)
        throw Error(QString::fromUtf8(PQerrorMessage(s.handle())).trimmed());
    const QString out = QString::fromLatin1(v);
    PQfreemem(v);
    return out;
}

class PgLogins final : public LoginStore {
public:
    PgLogins(PgSession &session, const PgAddress &address)
        : m_s(session)
        , m_address(address)
        , m_users(pgUsersRole(address.database))
    {
    }

    QString find(const QString &name) override
    {
        return m_s
            .scalar(QStringLiteral("SELECT r.rolname ") + kOurs + QStringLiteral("WHERE r.rolname = ?"),
                {pgRole(name)})
            .toString();
    }
    // Any role of the server, ours or not, in any letter case.
    bool taken(const QString &name) override
    {
        return !m_s.scalar(QStringLiteral("SELECT 1 FROM pg_roles WHERE lower(rolname) = ?"), {pgRole(name)})
                    .isNull();
    }
    void add(const QString &name, const QString &password, const QString &database) override
    {
        const QString role = pgRole(name);
        // The server would cut a longer name short.
        if (role.toUtf8().size() > 63)
            throw Error(QStringLiteral("'%1' is not a valid name because it is longer than a PostgreSQL "
                                       "server's names (63 bytes).")
                            .arg(name));
        call("add", role, verifier(m_s, role, password), database);
    }
    bool passwordIs(const QString &login, const QString &password) override
    {
        // Only the server can tell: a session with the password. A refused
        // database still means the password was right.
        try {
            pgLogin(m_address, m_address.host, login, password, m_address.database);
            return true;
        } catch (const Error &e) {
            if (e.text().startsWith(QLatin1String("Cannot open database")))
                return true;
            if (e.text().startsWith(QLatin1String("Login failed")))
                return false;
            throw;
        }
    }
    void setPassword(const QString &login, const QString &password) override
    {
        call("password", login, verifier(m_s, login, password), {});
    }
    void addSysadmin(const QString &login) override { call("sysadmin", login, {}, {}); }
    void drop(const QString &login) override { call("drop", login, {}, {}); }

    bool isUser(const QString &login) override
    {
        return !m_s.scalar(
                       QStringLiteral("SELECT 1 FROM pg_auth_members m JOIN pg_roles r ON r.oid = m.member "
                                      "JOIN pg_roles g ON g.oid = m.roleid "
                                      "WHERE g.rolname = ? AND r.rolname = ?"),
                       {m_users, pgRole(login)})
                    .isNull();
    }
    bool userTaken(const QString &user, const QString &login) override
    {
        return isUser(login) || isUser(user);
    }
    void addUser(const QString &user, const QString &login) override
    {
        // The server knows a database's users only as its logins.
        if (pgRole(user) != login)
            throw Error(QStringLiteral("A user of a database on a PostgreSQL server has the name of its "
                                       "login ('%1'), not '%2'.")
                            .arg(login, user));
        call("user", login, {}, {});
    }
    bool dropUser(const QString &user) override
    {
        const QString login = find(user);
        if (login.isEmpty() || !isUser(login))
            return false;
        call("dropuser", login, {}, {});
        return true;
    }

private:
    void call(const char *action, const QString &login, const QString &secret, const QString &detail)
    {
        m_s.execute(QStringLiteral("SELECT oru.oru_login(?, ?, ?, ?)"),
            {QString::fromLatin1(action), login, secret.isNull() ? Value() : Value(secret),
                detail.isNull() ? Value() : Value(detail)});
    }

    PgSession &m_s;
    PgAddress m_address;
    QString m_users;
};

} // namespace

QByteArray pgPassword(const QString &password)
{
    // Lower-case letters: no upper-cased password is this text.
    return password.isEmpty() ? QByteArrayLiteral("oru: no password") : password.toUpper().toUtf8();
}

QString pgUsersRole(const QString &database)
{
    return database + QStringLiteral("_users");
}

void preparePgServer(PgSession &admin)
{
    admin.run(kServerRoles);
    // A role of that name made by anything else would gain what the
    // function may do.
    if (admin.scalar(QStringLiteral("SELECT 1 FROM pg_roles r WHERE r.rolname = 'oru_login_admin' AND "
                                    "(r.rolcanlogin OR r.rolsuper OR NOT r.rolcreaterole OR EXISTS "
                                    "(SELECT 1 FROM pg_auth_members m WHERE m.roleid = r.oid))"),
            {})
        == Value(1))
        throw Error(QStringLiteral("The PostgreSQL server's role 'oru_login_admin' is not this program's "
                                   "(it can log in or has members); nothing was created."));
}

QString pgOwnerRole(const QString &database)
{
    return database + QStringLiteral("_owner");
}

void preparePgLogins(PgSession &adminOfDatabase, const QString &database)
{
    pg_conn *c = adminOfDatabase.handle();
    const QByteArray db = pgIdentifier(c, database), users = pgIdentifier(c, pgUsersRole(database)),
                     owner = pgIdentifier(c, pgOwnerRole(database));
    // The owner role owns the database, the schema "oru" and all in it; no
    // login is its member. The users role reads and writes the rows, calls
    // the functions and makes temporary work tables; PUBLIC gets nothing.
    adminOfDatabase.run(("ALTER DATABASE " + db + " OWNER TO " + owner + "; REVOKE ALL ON DATABASE " + db
        + " FROM PUBLIC; GRANT CONNECT, TEMPORARY ON DATABASE " + db + " TO " + users
        + "; REVOKE ALL ON SCHEMA public FROM PUBLIC, " + users
        + "; CREATE SCHEMA IF NOT EXISTS oru AUTHORIZATION " + owner + "; ALTER SCHEMA oru OWNER TO " + owner
        + "; REVOKE ALL ON SCHEMA oru FROM PUBLIC; " + "GRANT USAGE ON SCHEMA oru TO " + users
        + "; ALTER DEFAULT PRIVILEGES FOR ROLE " + owner
        + " REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC; ALTER DEFAULT PRIVILEGES FOR ROLE " + owner
        + " IN SCHEMA oru GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO " + users
        + "; ALTER DEFAULT PRIVILEGES FOR ROLE " + owner + " IN SCHEMA oru GRANT USAGE ON SEQUENCES TO "
        + users + "; ALTER DEFAULT PRIVILEGES FOR ROLE " + owner
        + " IN SCHEMA oru GRANT EXECUTE ON FUNCTIONS TO " + users)
                            .constData());
    adminOfDatabase.run(kLoginFunction);
    adminOfDatabase.run(
        ("GRANT EXECUTE ON FUNCTION oru.oru_login(text, text, text, text) TO " + users).constData());
}

void grantPgUsers(PgSession &admin, const QString &database)
{
    pg_conn *c = admin.handle();
    const QByteArray users = pgIdentifier(c, pgUsersRole(database));
    admin.run(("REVOKE ALL ON ALL TABLES IN SCHEMA oru FROM PUBLIC, " + users
        + "; GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA oru TO " + users
        + "; REVOKE ALL ON ALL SEQUENCES IN SCHEMA oru FROM PUBLIC, " + users
        + "; GRANT USAGE ON ALL SEQUENCES IN SCHEMA oru TO " + users
        + "; REVOKE ALL ON ALL FUNCTIONS IN SCHEMA oru FROM PUBLIC; GRANT EXECUTE ON ALL FUNCTIONS IN "
          "SCHEMA oru TO "
        + users)
                  .constData());
}

std::unique_ptr<LoginStore> pgLoginStore(PgSession &session, const PgAddress &address)
{
    return std::make_unique<PgLogins>(session, address);
}

std::unique_ptr<LoginStore> PgSession::logins()
{
    return pgLoginStore(*this, m_address);
}

std::vector<server::LoginInfo> pgLogins(PgSession &session)
{
    const engine::Result r = session.query(
        QStringLiteral("SELECT r.rolname, coalesce(shobj_description(r.oid, 'pg_authid'), ''), "
                       "EXISTS (SELECT 1 FROM pg_auth_members a JOIN pg_roles s ON s.oid = a.roleid "
                       "WHERE a.member = r.oid AND s.rolname = 'sysadmin') ")
            + kOurs + QStringLiteral("ORDER BY r.rolname"),
        {});
    std::vector<server::LoginInfo> out;
    for (qsizetype i = 0; i < r.rows; ++i)
        out.push_back({r.cells[size_t(i * 3)].toString(), r.cells[size_t(i * 3 + 1)].toString(),
            r.cells[size_t(i * 3 + 2)].toInt() != 0});
    return out;
}

QString pgDefaultDatabase(PgSession &session, const QString &login)
{
    return session
        .scalar(QStringLiteral("SELECT shobj_description(r.oid, 'pg_authid') ") + kOurs
                + QStringLiteral("WHERE r.rolname = ?"),
            {pgRole(login)})
        .toString();
}

} // namespace db::detail
