#pragma once
// Which engine a test run makes its servers on. ORU_TEST_ENGINE=postgres
// (the <name>_pg entries of ctest) makes every fixture's server a fresh
// database of the PostgreSQL test server (pgtest.h), dropped when the test
// ends; otherwise servers are embedded ones in temporary folders.
#include "platform/db/db.h"
#include "platform/db/pg_server.h"
#include "support/pgtest.h"

#include <QFile>

#include <memory>

namespace testengine {

inline bool onPostgres()
{
    return qgetenv("ORU_TEST_ENGINE") == "postgres";
}

// What ctest's _pg entries look for to count a run without a server as skipped.
inline const char *noServerText()
{
    return "no PostgreSQL server for this run (set PGHOST/PGPORT, e.g. run under pg_virtualenv)";
}

// Makes the folder `path` name `database` on the test server, as oruadmin
// attach does; on a test server without TLS the folder says so
// (sslmode=disable), as only a test server's may.
inline void attachTo(const QString &path, const pgtest::Server &pg, const QString &database)
{
    db::server::attach(path, pg.host.isEmpty() ? QStringLiteral("localhost") : pg.host, pg.port, database);
    if (!pgtest::tlsOn(pg)) {
        QFile f(db::server::resolve(path) + QStringLiteral("/postgres.txt"));
        if (f.open(QIODevice::Append | QIODevice::Text))
            f.write("sslmode=disable\n");
    }
}

// A schema step behind the program's back (a test's own tables, triggers
// and functions): on the embedded engine through the connection; on
// PostgreSQL, where no login may make or change an object, as the server's
// administrator acting as the database's owner, and the connection told.
void schemaStep(db::Connection &conn, const QString &sql);

// How long a statement of the connection waits for another copy's lock
// before it fails with db::BusyError (five seconds unless told).
void setLockWait(db::Connection &conn, int milliseconds);

// Makes a server at `path` on the run's engine. On PostgreSQL the folder is
// attached to a new database whose name `*database` keeps; the caller drops
// it by dropping that object. False when the run wants PostgreSQL and none
// answers (the caller skips).
inline bool createServer(const QString &path, const QString &saPassword, db::server::HashCost cost,
    std::unique_ptr<pgtest::Database> *database)
{
    if (onPostgres()) {
        const std::optional<pgtest::Server> pg = pgtest::server();
        if (!pg)
            return false;
        // Only the name: the server's own create makes the database.
        *database = std::make_unique<pgtest::Database>(*pg, false);
        attachTo(path, *pg, (*database)->name());
    }
    db::server::create(path, saPassword, cost);
    return true;
}

// Skips the whole run when it wants PostgreSQL and finds none, so fixtures
// that build on a base fixture's server never run half set up.
class Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (onPostgres() && !pgtest::server())
            GTEST_SKIP() << noServerText();
    }
};

// A trigger that makes `event` ("before insert", "after insert", "before
// delete", "before update of Company") on `table` fail with `message` when
// `when` holds (a condition over new.*; empty: always), as the run's engine
// writes it. dropTrigger() takes it away.
inline QString failingTrigger(
    const char *name, const char *event, const char *table, const char *when, const char *message)
{
    if (onPostgres())
        return QStringLiteral("create function %1() returns trigger language plpgsql as $$ begin "
                              "if %4 then raise exception '%5'; end if; "
                              "if TG_OP = 'DELETE' then return old; end if; return new; end $$; "
                              "create trigger %1 %2 on %3 for each row execute function %1()")
            .arg(QLatin1String(name), QLatin1String(event), QLatin1String(table),
                *when ? QLatin1String(when) : QLatin1String("true"), QLatin1String(message));
    return QStringLiteral("create temp trigger %1 %2 on %3 %4 begin select raise(abort, '%5'); end")
        .arg(QLatin1String(name), QLatin1String(event), QLatin1String(table),
            *when ? QStringLiteral("when ") + QLatin1String(when) : QString(), QLatin1String(message));
}

// A trigger that adds a cent to the credit of every DetJV row written with
// a credit, after the row is in: the books' check after writing must see it.
inline QString skewingCredits()
{
    if (onPostgres())
        return QStringLiteral(
            "create function skew() returns trigger language plpgsql as $$ begin "
            "update DetJV set CrAmt = CrAmt + 1 where rowid = new.rowid; return null; end $$; "
            "create trigger skew after insert on DetJV for each row when (new.CrAmt > 0) "
            "execute function skew()");
    return QStringLiteral("create temp trigger skew after insert on DetJV when new.CrAmt > 0 "
                          "begin update DetJV set CrAmt = CrAmt + 1 where rowid = new.rowid; end");
}

inline QString dropTrigger(const char *name, const char *table)
{
    if (onPostgres())
        return QStringLiteral("drop trigger %1 on %2; drop function %1()")
            .arg(QLatin1String(name), QLatin1String(table));
    return QStringLiteral("drop trigger %1").arg(QLatin1String(name));
}

inline void install()
{
    ::testing::AddGlobalTestEnvironment(new Environment);
}

} // namespace testengine

// In a fixture's SetUp: a server at `path` on the run's engine, `holder`
// (a std::unique_ptr<pgtest::Database>) keeping its PostgreSQL database.
#define ORU_CREATE_SERVER(path, password, cost, holder)                                                      \
    do {                                                                                                     \
        if (!testengine::createServer(path, password, cost, &(holder)))                                      \
            GTEST_SKIP() << testengine::noServerText();                                                      \
    } while (0)

// A test of the embedded engine's own files, pragmas or handles.
#define ORU_EMBEDDED_ONLY(why)                                                                               \
    do {                                                                                                     \
        if (testengine::onPostgres())                                                                        \
            GTEST_SKIP() << "embedded engine only: " << why;                                                 \
    } while (0)

// A test that needs the login procedures on PostgreSQL.
#define ORU_NEEDS_PG_LOGINS()                                                                                \
    do {                                                                                                     \
        if (testengine::onPostgres())                                                                        \
            GTEST_SKIP() << "logins on PostgreSQL: see login procedures";                                    \
    } while (0)
