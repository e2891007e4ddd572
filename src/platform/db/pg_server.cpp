// A server folder that names a PostgreSQL server instead of holding one: its
// descriptor, logging in as one of the server's roles, and making the
// program's database there.
#include "platform/db/login_store.h"
#include "platform/db/pg_server_p.h"
#include "platform/db/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <libpq-fe.h>

namespace db::detail {

namespace {

const QString kDescriptor = QStringLiteral("/postgres.txt");

QString cannotOpen(const QString &database)
{
    return QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.")
        .arg(database);
}

// A quoted literal or name for a statement that takes no parameters
// (role and database statements), by libpq's escaping.
QByteArray escaped(pg_conn *c, const QByteArray &text, char *(*escape)(PGconn *, const char *, size_t))
{
    char *q = escape(c, text.constData(), size_t(text.size()));
    if (!q)
        throw Error(QString::fromUtf8(PQerrorMessage(c)).trimmed());
    const QByteArray out(q);
    PQfreemem(q);
    return out;
}

} // namespace

QString pgRole(const QString &login)
{
    return login.trimmed().toLower();
}

bool pgDescriptor(const QString &serverPath, PgAddress *out)
{
    QFile f(serverPath + kDescriptor);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    PgAddress a;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (key == u"host")
            a.host = value;
        else if (key == u"port")
            a.port = value.toInt();
        else if (key == u"database")
            a.database = value;
        else if (key == u"sslmode")
            a.sslmode = value;
        else if (key == u"sslrootcert")
            a.sslrootcert = value;
    }
    if (a.port <= 0 || a.database.isEmpty())
        throw Error(QStringLiteral("The file '%1' does not name a PostgreSQL server and database.")
                        .arg(serverPath + kDescriptor));
    // Weaker modes would fall back to a connection in clear without a word.
    if (!a.sslmode.isEmpty() && a.sslmode != u"require" && a.sslmode != u"verify-ca"
        && a.sslmode != u"verify-full" && a.sslmode != u"disable")
        throw Error(QStringLiteral("The file '%1' names sslmode=%2; it takes require, verify-ca, verify-full "
                                   "or (for a test server only) disable.")
                        .arg(serverPath + kDescriptor, a.sslmode));
    *out = a;
    return true;
}

QByteArray pgIdentifier(pg_conn *c, const QString &name)
{
    return escaped(c, name.toUtf8(), PQescapeIdentifier);
}

std::unique_ptr<PgSession> pgLogin(const PgAddress &address, const QString &shownServer, const QString &user,
    const QString &password, const QString &database)
{
    const QString role = pgRole(user);
    // Without a name libpq would take the computer's user.
    if (role.isEmpty())
        throw Error(QStringLiteral("Login failed for user '%1'.").arg(user));
    try {
        return std::make_unique<PgSession>(address, role, QString::fromUtf8(pgPassword(password)));
    } catch (const Error &e) {
        // The server says which: the database refused the role, the role
        // and password did not match (never which of the two), or no server.
        const QString why = e.text();
        if (why.startsWith(QLatin1String("The PostgreSQL server at ")))
            throw;
        if (why.contains(QLatin1String("FATAL:  database \""))
            || why.contains(QLatin1String("permission denied for database")))
            throw Error(cannotOpen(database));
        if (!why.contains(QLatin1String("FATAL:")))
            throw Error(QStringLiteral("Server '%1' does not exist or access denied.").arg(shownServer));
        throw Error(QStringLiteral("Login failed for user '%1'.").arg(user));
    }
}

namespace {

// The server's own administrator, as the environment names it (PGUSER,
// PGPASSWORD or a password file, else the computer's user).
std::unique_ptr<PgSession> administrator(const PgAddress &address)
{
    try {
        return std::make_unique<PgSession>(address, QString(), QString());
    } catch (const Error &e) {
        throw Error(QStringLiteral("The PostgreSQL server's administrator could not log in (PGUSER and "
                                   "PGPASSWORD name one): %1")
                        .arg(e.text()));
    }
}

// Creations and upgrades take the server's roles one at a time, held until
// the administrator's session ends. The wait is not a save's few seconds:
// another creation ahead may take a while (CREATE DATABASE waits for a
// checkpoint), and the tool should wait its turn rather than give up.
void takeRolesInTurn(PgSession &admin)
{
    admin.setLockWait(120000);
    admin.run("SELECT pg_advisory_lock(5198422)");
}

} // namespace

Error needsUpgrade(const PgAddress &address, const QString &shownServer)
{
    return Error(
        QStringLiteral("The database \"%1\" on the PostgreSQL server %2 was made by an earlier version "
                       "of the program. Nothing was changed: the administrator brings it up to date "
                       "with: oruadmin upgrade %3")
            .arg(address.database, address.host, shownServer));
}

std::unique_ptr<PgSession> openPgSession(const PgAddress &address, const QString &shownServer,
    const QString &user, const QString &password, QString *database, Login *login)
{
    // The folder names one database, the program's: a login reaches it as
    // a user of it (or a sysadmin), as the embedded server's database.
    const QString program = server::programDatabase();
    std::unique_ptr<PgSession> s
        = pgLogin(address, shownServer, user, password, database->isEmpty() ? program : *database);
    login->name = pgRole(user);
    login->database = pgDefaultDatabase(*s, login->name);
    if (database->isEmpty())
        *database = login->database.isEmpty() ? program : login->database;
    if (database->compare(program, Qt::CaseInsensitive) != 0)
        throw Error(cannotOpen(*database));
    login->sysadmin = s->isSysadmin(login->name);
    // Schema steps are the administrator's alone.
    if (pgNeedsUpgrade(*s, schema::migrations()))
        throw needsUpgrade(address, shownServer);
    return s;
}

std::unique_ptr<PgSession> openPgAdministration(const PgAddress &address, const QString &shownServer)
{
    auto s = administrator(address);
    if (pgNeedsUpgrade(*s, schema::migrations()))
        throw needsUpgrade(address, shownServer);
    return s;
}

namespace {

QByteArray ownerMark(const QString &database)
{
    return "ORU owner of " + database.toUtf8();
}

QByteArray usersMark(const QString &database)
{
    return "ORU users of " + database.toUtf8();
}

// Whether the server's role of that name is one the program made for a
// database: Null when there is none, else 1 only when it carries the mark,
// cannot log in and, when `alone`, has no members (so nobody can act as it).
Value ourRole(PgSession &admin, const QString &role, const QByteArray &mark, bool alone)
{
    return admin.scalar(
        QStringLiteral("SELECT coalesce(shobj_description(r.oid, 'pg_authid'), '') = ? AND NOT r.rolcanlogin "
                       "AND (? = 0 OR NOT EXISTS (SELECT 1 FROM pg_auth_members m WHERE m.roleid = r.oid)) "
                       "FROM pg_roles r WHERE r.rolname = ?"),
        {QString::fromUtf8(mark), Value(alone ? 1 : 0), role});
}

// The owner role is what the administrator acts as for schema steps: one
// that a login could be, or act as, is never taken.
void requireOwnerRole(PgSession &admin, const QString &database, const char *nothing)
{
    const QString owner = pgOwnerRole(database);
    if (ourRole(admin, owner, ownerMark(database), true) == Value(0))
        throw Error(QStringLiteral("The PostgreSQL server's role '%1' is not the owner this program made for "
                                   "the database \"%2\" (it can log in, has members or lacks the program's "
                                   "mark); nothing was %3.")
                        .arg(owner, database, QLatin1String(nothing)));
}

// A role of the server that one database of ours has (its users, its
// owner), marked so: one of that name left by a database that is gone is
// dropped; any other is refused.
void makeDatabaseRole(PgSession &admin, const QString &role, const QByteArray &mark, bool alone)
{
    pg_conn *c = admin.handle();
    const QByteArray name = pgIdentifier(c, role);
    const Value leftover = ourRole(admin, role, mark, alone);
    if (leftover == Value(0))
        throw Error(
            QStringLiteral("The PostgreSQL server already has a role '%1'; nothing was created.").arg(role));
    if (leftover == Value(1))
        admin.run(("DROP ROLE " + name).constData());
    admin.run(("CREATE ROLE " + name + " NOLOGIN; COMMENT ON ROLE " + name + " IS "
        + escaped(c, mark, PQescapeLiteral))
                  .constData());
}

// The program's objects, made and brought to the registered schema by the
// database's owner role, which the administrator acts as: no login can
// change what that role owns. Then the users role's rights on all of it.
void buildSchema(PgSession &admin, const QString &database)
{
    pg_conn *c = admin.handle();
    admin.run(("SET ROLE " + pgIdentifier(c, pgOwnerRole(database))).constData());
    try {
        preparePgDatabase(admin);
        // The database's users as the embedded server's sysusers shows them.
        admin.run(
            ("CREATE OR REPLACE VIEW oru.sysusers AS SELECT r.rolname::text COLLATE oru.nocase AS name, "
             "r.rolname::text COLLATE oru.nocase AS login, NULL::date AS createdate "
             "FROM pg_catalog.pg_roles r JOIN pg_catalog.pg_auth_members m ON m.member = r.oid "
             "JOIN pg_catalog.pg_roles g ON g.oid = m.roleid WHERE g.rolname = "
                + escaped(c, pgUsersRole(database).toUtf8(), PQescapeLiteral))
                .constData());
        migratePg(admin, schema::migrations());
    } catch (...) {
        PQclear(PQexec(c, "RESET ROLE"));
        throw;
    }
    admin.run("RESET ROLE");
    grantPgUsers(admin, database);
}

// What the earlier layout made in schema public as the users role (which
// every login could act as): its tables, views and sequences and the
// program's own functions, operators, domain and collation go to the
// schema "oru" and to the owner role. What a login may have added there
// goes: triggers, rules and policies on those tables, other functions and
// operators (with what uses them), and every grant on what moves.
constexpr const char *kMoveEarlierLayout = R"(
DO $$ DECLARE
  users oid := %1::regrole;
  owner regrole := %2::regrole;
  r record;
BEGIN
  FOR r IN SELECT t.tgname, c.oid::regclass AS rel FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid
      JOIN pg_namespace n ON n.oid = c.relnamespace
      WHERE n.nspname = 'public' AND c.relowner = users AND NOT t.tgisinternal LOOP
    EXECUTE format('DROP TRIGGER %I ON %s', r.tgname, r.rel);
  END LOOP;
  FOR r IN SELECT w.rulename, c.oid::regclass AS rel FROM pg_rewrite w JOIN pg_class c ON c.oid = w.ev_class
      JOIN pg_namespace n ON n.oid = c.relnamespace
      WHERE n.nspname = 'public' AND c.relowner = users AND w.rulename <> '_RETURN' LOOP
    EXECUTE format('DROP RULE %I ON %s', r.rulename, r.rel);
  END LOOP;
  FOR r IN SELECT p.polname, c.oid::regclass AS rel FROM pg_policy p JOIN pg_class c ON c.oid = p.polrelid
      JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = 'public' AND c.relowner = users LOOP
    EXECUTE format('DROP POLICY %I ON %s', r.polname, r.rel);
  END LOOP;
  DROP VIEW IF EXISTS public.sysusers;
  DROP FUNCTION IF EXISTS public.oru_login(text, text, text, text);
  FOR r IN SELECT p.oid::regprocedure AS f, p.prokind FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
      WHERE n.nspname = 'public' AND p.proowner = users
      AND p.proname || '(' || oidvectortypes(p.proargtypes) || ')' NOT IN ('replace(text, text, text)',
        'oru_ilike(bigint, text)', 'oru_not_ilike(bigint, text)', 'oru_printf(text, text[])', 'len(text)',
        'money(bigint)', 'money(integer)', 'money(numeric)', 'money(double precision)',
        'ifnull(anycompatible, anycompatible)', 'year(date)', 'month(date)', 'day(date)',
        'oru_char(integer[])', 'oru_next_key(text, text)') LOOP
    EXECUTE format('DROP %s IF EXISTS %s CASCADE',
      CASE r.prokind WHEN 'a' THEN 'AGGREGATE' WHEN 'p' THEN 'PROCEDURE' ELSE 'FUNCTION' END, r.f);
  END LOOP;
  FOR r IN SELECT o.oid::regoperator AS op, o.oprname, o.oprleft, o.oprright FROM pg_operator o
      JOIN pg_namespace n ON n.oid = o.oprnamespace WHERE n.nspname = 'public' AND o.oprowner = users LOOP
    IF r.oprname IN ('~~*', '!~~*') AND r.oprleft = 'bigint'::regtype AND r.oprright = 'text'::regtype THEN
      EXECUTE format('ALTER OPERATOR %s SET SCHEMA oru', r.op);
    ELSE
      EXECUTE format('DROP OPERATOR IF EXISTS %s CASCADE', r.op);
    END IF;
  END LOOP;
  FOR r IN SELECT c.oid::regclass AS rel, c.relkind FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace
      WHERE n.nspname = 'public' AND c.relowner = users AND c.relkind IN ('r', 'p', 'v', 'm', 'S')
      AND NOT EXISTS (SELECT 1 FROM pg_depend d WHERE d.classid = 'pg_class'::regclass AND d.objid = c.oid
                      AND d.deptype IN ('a', 'i', 'e')) LOOP
    EXECUTE format('ALTER %s %s SET SCHEMA oru', CASE r.relkind WHEN 'v' THEN 'VIEW'
      WHEN 'm' THEN 'MATERIALIZED VIEW' WHEN 'S' THEN 'SEQUENCE' ELSE 'TABLE' END, r.rel);
  END LOOP;
  FOR r IN SELECT p.oid::regprocedure AS f FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
      WHERE n.nspname = 'public' AND p.proowner = users LOOP
    EXECUTE format('ALTER ROUTINE %s SET SCHEMA oru', r.f);
  END LOOP;
  FOR r IN SELECT t.oid::regtype AS d FROM pg_type t JOIN pg_namespace n ON n.oid = t.typnamespace
      WHERE n.nspname = 'public' AND t.typowner = users AND t.typtype = 'd' LOOP
    EXECUTE format('ALTER DOMAIN %s SET SCHEMA oru', r.d);
  END LOOP;
  FOR r IN SELECT l.collname FROM pg_collation l JOIN pg_namespace n ON n.oid = l.collnamespace
      WHERE n.nspname = 'public' AND l.collowner = users LOOP
    EXECUTE format('ALTER COLLATION public.%I SET SCHEMA oru', r.collname);
  END LOOP;
  EXECUTE format('REASSIGN OWNED BY %s TO %s', users::regrole, owner);
  -- Grants a login made as the owner of what moved: only the owner's stay.
  FOR r IN SELECT DISTINCT c.oid::regclass AS rel, a.grantee FROM pg_class c
      JOIN pg_namespace n ON n.oid = c.relnamespace, aclexplode(c.relacl) a
      WHERE n.nspname = 'oru' AND a.grantee <> c.relowner LOOP
    EXECUTE format('REVOKE ALL ON %s FROM %s', r.rel,
      CASE WHEN r.grantee = 0 THEN 'PUBLIC' ELSE r.grantee::regrole::text END);
  END LOOP;
  FOR r IN SELECT DISTINCT p.oid::regprocedure AS f, a.grantee FROM pg_proc p
      JOIN pg_namespace n ON n.oid = p.pronamespace, aclexplode(p.proacl) a
      WHERE n.nspname = 'oru' AND a.grantee <> p.proowner LOOP
    EXECUTE format('REVOKE ALL ON ROUTINE %s FROM %s', r.f,
      CASE WHEN r.grantee = 0 THEN 'PUBLIC' ELSE r.grantee::regrole::text END);
  END LOOP;
  FOR r IN SELECT DISTINCT t.oid::regtype AS d, a.grantee FROM pg_type t
      JOIN pg_namespace n ON n.oid = t.typnamespace, aclexplode(t.typacl) a
      WHERE n.nspname = 'oru' AND t.typtype = 'd' AND a.grantee <> t.typowner LOOP
    EXECUTE format('REVOKE ALL ON DOMAIN %s FROM %s', r.d,
      CASE WHEN r.grantee = 0 THEN 'PUBLIC' ELSE r.grantee::regrole::text END);
  END LOOP;
  FOR r IN SELECT DISTINCT a.grantee FROM pg_database d, aclexplode(d.datacl) a
      WHERE d.datname = current_database() AND a.grantee <> d.datdba LOOP
    EXECUTE format('REVOKE ALL ON DATABASE %I FROM %s', current_database(),
      CASE WHEN r.grantee = 0 THEN 'PUBLIC' ELSE r.grantee::regrole::text END);
  END LOOP;
  REVOKE CREATE ON SCHEMA public FROM PUBLIC;
END $$)";

} // namespace

namespace {

// The database's objects from schema public (the earlier layout) to the
// schema "oru" and the owner role, made when the server has none; all or
// nothing.
void moveToOwner(PgSession &admin, const QString &database)
{
    pg_conn *c = admin.handle();
    const QString owner = pgOwnerRole(database);
    admin.begin();
    try {
        if (ourRole(admin, owner, ownerMark(database), true).isNull())
            makeDatabaseRole(admin, owner, ownerMark(database), true);
        admin.run(("CREATE SCHEMA IF NOT EXISTS oru AUTHORIZATION " + pgIdentifier(c, owner)).constData());
        admin.run(QString::fromLatin1(kMoveEarlierLayout)
                      .arg(QString::fromUtf8(escaped(c, pgUsersRole(database).toUtf8(), PQescapeLiteral)),
                          QString::fromUtf8(escaped(c, owner.toUtf8(), PQescapeLiteral)))
                      .toUtf8()
                      .constData());
        admin.commit({});
    } catch (...) {
        admin.rollback({});
        throw;
    }
}

} // namespace

void upgradePg(const PgAddress &address, const QString &shownServer)
{
    const auto admin = administrator(address);
    const QString database = address.database;
    // One at a time, as the creation: roles are the server's.
    takeRolesInTurn(*admin);
    if (admin->scalar(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), {pgUsersRole(database)})
        != Value(1))
        throw Error(QStringLiteral("Server '%1' names the database \"%2\", which this program did not make "
                                   "there (it has no role '%3').")
                        .arg(shownServer, database, pgUsersRole(database)));
    requireOwnerRole(*admin, database, "changed");
    const bool earlier
        = admin->scalar(QStringLiteral("SELECT to_regnamespace('oru') IS NULL"), {}) == Value(1);
    if (earlier || ourRole(*admin, pgOwnerRole(database), ownerMark(database), true).isNull())
        moveToOwner(*admin, database);
    preparePgLogins(*admin, database);
    buildSchema(*admin, database);
}

namespace {

// "sa": a login of ours, or refused when the server has a role of that
// name of its own. The statement carries only the SCRAM verifier.
void prepareSa(
    PgSession &admin, const PgAddress &server, const QString &shownServer, const QString &saPassword)
{
    pg_conn *c = admin.handle();
    const Value sa = admin.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_auth_members m JOIN "
                                                 "pg_roles g ON g.oid = m.roleid WHERE m.member = r.oid AND "
                                                 "g.rolname = 'oru_logins') FROM pg_roles r "
                                                 "WHERE lower(r.rolname) = 'sa'"),
        {});
    if (sa == Value(0))
        throw Error(QStringLiteral("The PostgreSQL server has a role 'sa' that is not a login of this "
                                   "program; nothing was created."));
    if (sa == Value(1)) {
        // The server's databases share their logins: another database's
        // "sa" keeps its password, and this one must be it.
        try {
            pgLogin(server, shownServer, QStringLiteral("sa"), saPassword, QStringLiteral("postgres"));
        } catch (const Error &e) {
            if (e.text().startsWith(QLatin1String("Login failed")))
                throw Error(QStringLiteral("The PostgreSQL server already has the login 'sa' with another "
                                           "password (its databases share their logins): give that one. "
                                           "Nothing was created."));
        }
    }
    if (sa.isNull()) {
        QByteArray pw = pgPassword(saPassword);
        char *verifier = PQencryptPasswordConn(c, pw.constData(), "sa", "scram-sha-256");
        pw.fill('\0');
        if (!verifier)
            throw Error(QString::fromUtf8(PQerrorMessage(c)).trimmed());
        const QByteArray hashed = escaped(c, verifier, PQescapeLiteral);
        PQfreemem(verifier);
        admin.run(("CREATE ROLE sa LOGIN IN ROLE oru_logins, sysadmin PASSWORD " + hashed).constData());
    }
    admin.run("GRANT sysadmin TO sa");
    admin.run(("COMMENT ON ROLE sa IS " + escaped(c, server::programDatabase().toUtf8(), PQescapeLiteral))
                  .constData());
}

// The database's users role, and the owner role of its objects: both or
// neither.
void makeDatabaseRoles(PgSession &admin, const QString &database)
{
    pg_conn *c = admin.handle();
    const QByteArray users = pgIdentifier(c, pgUsersRole(database));
    // A gone database's users role may keep the logins that were its users.
    makeDatabaseRole(admin, pgUsersRole(database), usersMark(database), false);
    admin.run(("GRANT " + users + " TO sysadmin").constData());
    try {
        makeDatabaseRole(admin, pgOwnerRole(database), ownerMark(database), true);
    } catch (...) {
        PQclear(PQexec(c, ("DROP ROLE IF EXISTS " + users).constData()));
        throw;
    }
}

// The database with its schema, then the seeds through "sa"; on a failure
// neither the database nor its roles stay.
void makeDatabase(PgSession &admin, const PgAddress &address, const QString &saPassword,
    const std::function<void(std::unique_ptr<PgSession>)> &seed)
{
    pg_conn *c = admin.handle();
    const QByteArray db = pgIdentifier(c, address.database),
                     users = pgIdentifier(c, pgUsersRole(address.database)),
                     owner = pgIdentifier(c, pgOwnerRole(address.database));
    try {
        admin.run("CREATE DATABASE " + db + " OWNER " + owner);
        {
            const auto there = administrator(address);
            preparePgLogins(*there, address.database);
            buildSchema(*there, address.database);
        }
        seed(std::make_unique<PgSession>(
            address, QStringLiteral("sa"), QString::fromUtf8(pgPassword(saPassword))));
    } catch (...) {
        PQclear(PQexec(c, ("DROP DATABASE IF EXISTS " + db + " WITH (FORCE)").constData()));
        PQclear(PQexec(c, ("DROP ROLE IF EXISTS " + users + ", " + owner).constData()));
        throw;
    }
}

} // namespace

void createPg(const PgAddress &address, const QString &shownServer, const QString &saPassword,
    const std::function<void(std::unique_ptr<PgSession>)> &seed)
{
    PgAddress server = address;
    server.database = QStringLiteral("postgres");
    const auto admin = administrator(server);
    // One creation at a time on the server: roles are the server's, shared
    // by its databases.
    takeRolesInTurn(*admin);
    if (admin->scalar(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {address.database})
        == Value(1))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shownServer));
    if (pgOwnerRole(address.database).toUtf8().size() > 63)
        throw Error(QStringLiteral("The database name '%1' is too long for a PostgreSQL server.")
                        .arg(address.database));
    requireOwnerRole(*admin, address.database, "created");
    preparePgServer(*admin);
    prepareSa(*admin, server, shownServer, saPassword);
    makeDatabaseRoles(*admin, address.database);
    makeDatabase(*admin, address, saPassword, seed);
}

void PgSession::runAsOwner(const QString &sql)
{
    // No login may make or change an object of the program's: the server's
    // administrator, as the environment names it, acting as the owner role.
    PgSession admin(m_address, QString(), QString());
    admin.run(("SET ROLE " + pgIdentifier(admin.handle(), pgOwnerRole(m_address.database))
        + "; SET search_path = oru, pg_catalog")
                  .constData());
    admin.execute(sql, {});
    schemaChanged(sql);
}

namespace {

class PgServer final : public engine::Server {
public:
    PgServer(const PgAddress &address, const QString &shown)
        : m_address(address)
        , m_shown(shown)
    {
    }

    std::unique_ptr<engine::Session> open(
        const QString &user, const QString &password, QString *database, Login *login) override
    {
        return openPgSession(m_address, m_shown, user, password, database, login);
    }

    std::unique_ptr<engine::Session> administer(const QString &database) override
    {
        // The folder names the server's database; the server's own
        // administrator, as the environment names it, is the way in.
        if (database.compare(server::programDatabase(), Qt::CaseInsensitive) != 0)
            throw Error(QStringLiteral("Server '%1' has no database \"%2\".").arg(m_shown, database));
        return openPgAdministration(m_address, m_shown);
    }

    void create(const QString &saPassword, server::HashCost,
        const std::function<void(std::unique_ptr<engine::Session>)> &fill) override
    {
        createPg(m_address, m_shown, saPassword, [&](std::unique_ptr<PgSession> sa) {
            if (fill)
                fill(std::move(sa));
        });
    }

    void upgrade() override { upgradePg(m_address, m_shown); }

    void setLoginPassword(const QString &login, const QString &password) override
    {
        const auto admin = openPgAdministration(m_address, m_shown);
        const auto store = pgLoginStore(*admin, m_address);
        const QString name = store->find(login);
        if (name.isEmpty())
            throw Error(
                QStringLiteral("'%1' is not a valid login or you do not have permission.").arg(login));
        store->setPassword(name, password);
    }

    std::vector<server::LoginInfo> logins() override
    {
        return pgLogins(*openPgAdministration(m_address, m_shown));
    }

private:
    PgAddress m_address;
    QString m_shown;
};

} // namespace

std::unique_ptr<engine::Server> pgServer(const PgAddress &address, const QString &shownServer)
{
    return std::make_unique<PgServer>(address, shownServer);
}

} // namespace db::detail

namespace db::server {

bool attached(const QString &serverName)
{
    const QString path = resolve(serverName);
    return !path.isEmpty() && QFileInfo(path + detail::kDescriptor).isFile();
}

void attach(const QString &serverName, const QString &host, int port, const QString &database)
{
    const QString shown = serverName.trimmed();
    const QString path = resolve(serverName);
    if (path.isEmpty())
        throw Error(QStringLiteral("'%1' is not a valid server name.").arg(shown));
    if (exists(serverName))
        throw Error(QStringLiteral("Server '%1' already exists.").arg(shown));
    if (host.trimmed().isEmpty() || host.contains(u'\n') || database.contains(u'\n') || port <= 0
        || port > 65535)
        throw Error(
            QStringLiteral("Give the PostgreSQL server's host, a port from 1 to 65535 and a database name."));
    if (!detail::makePrivateFolder(path))
        throw Error(QStringLiteral("Cannot create the folder '%1'.").arg(path));
    QFile f(path + detail::kDescriptor);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::NewOnly))
        throw Error(QStringLiteral("Cannot write '%1'.").arg(f.fileName()));
    QTextStream out(&f);
    out << "host=" << host.trimmed() << "\nport=" << port << "\ndatabase=" << database.trimmed() << "\n";
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace db::server
