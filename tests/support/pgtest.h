#pragma once
// A PostgreSQL server for tests, found from the environment as
// pg_virtualenv sets it (PGHOST, PGPORT, PGUSER, PGPASSWORD). Tests that
// need one skip when there is none: PostgreSQL is optional on a build machine.
#include <QAtomicInt>
#include <QCoreApplication>
#include <QString>

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>
#include <optional>

namespace pgtest {

struct Server {
    QString host;
    int port = 5432;
    QString user;
    QString password;
};

inline PGconn *connectTo(const Server &s, const QString &database)
{
    const QByteArray host = s.host.toUtf8(), port = QByteArray::number(s.port), db = database.toUtf8(),
                     user = s.user.toUtf8(), pw = s.password.toUtf8();
    const char *keys[] = {"host", "port", "dbname", "user", "password", "connect_timeout", nullptr};
    const char *values[] = {host.isEmpty() ? nullptr : host.constData(), port.constData(), db.constData(),
        user.isEmpty() ? nullptr : user.constData(), pw.isEmpty() ? nullptr : pw.constData(), "5", nullptr};
    return PQconnectdbParams(keys, values, 0);
}

// The server the environment names, when it answers.
inline std::optional<Server> server()
{
    if (!qEnvironmentVariableIsSet("PGHOST") && !qEnvironmentVariableIsSet("PGPORT"))
        return std::nullopt;
    Server s;
    s.host = qEnvironmentVariable("PGHOST");
    s.port = qEnvironmentVariableIntValue("PGPORT") ? qEnvironmentVariableIntValue("PGPORT") : 5432;
    s.user = qEnvironmentVariable("PGUSER");
    s.password = qEnvironmentVariable("PGPASSWORD");
    PGconn *c = connectTo(s, QStringLiteral("postgres"));
    const bool ok = PQstatus(c) == CONNECTION_OK;
    PQfinish(c);
    return ok ? std::optional<Server>(s) : std::nullopt;
}

// The server offers TLS (scripts/test's cluster does; a bare pg_virtualenv
// does not).
inline bool tlsOn(const Server &s)
{
    static const bool on = [&] {
        const QByteArray host = s.host.toUtf8(), port = QByteArray::number(s.port), user = s.user.toUtf8(),
                         pw = s.password.toUtf8();
        const char *keys[]
            = {"host", "port", "dbname", "user", "password", "sslmode", "connect_timeout", nullptr};
        const char *values[] = {host.isEmpty() ? nullptr : host.constData(), port.constData(), "postgres",
            user.isEmpty() ? nullptr : user.constData(), pw.isEmpty() ? nullptr : pw.constData(), "require",
            "5", nullptr};
        PGconn *c = PQconnectdbParams(keys, values, 0);
        const bool ok = PQstatus(c) == CONNECTION_OK && PQsslInUse(c);
        PQfinish(c);
        return ok;
    }();
    return on;
}

// A database of its own for one test, dropped when it goes.
class Database {
public:
    // With `create` false only the name is taken: the test makes it.
    explicit Database(const Server &s, bool create = true)
        : m_server(s)
    {
        static QAtomicInt seq;
        m_name = QStringLiteral("oru_test_%1_%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(seq.fetchAndAddRelaxed(1));
        admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        if (create)
            admin(QStringLiteral("CREATE DATABASE %1").arg(m_name));
    }
    ~Database() { admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name)); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &name() const { return m_name; }

private:
    // The name is ours, made above: no typed text reaches these statements.
    void admin(const QString &sql)
    {
        PGconn *c = connectTo(m_server, QStringLiteral("postgres"));
        PGresult *r = PQexec(c, sql.toUtf8().constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok)
            ADD_FAILURE() << sql.toStdString() << ": " << PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
    }

    Server m_server;
    QString m_name;
};

// Ends another connection's session as the server does when an
// administrator or a shutdown ends it, and waits until it has gone.
inline void terminate(const Server &s, qint64 backendPid)
{
    PGconn *c = connectTo(s, QStringLiteral("postgres"));
    const QByteArray sql = "SELECT pg_terminate_backend(" + QByteArray::number(backendPid) + ", 10000)";
    PGresult *r = PQexec(c, sql.constData());
    const bool ok = PQresultStatus(r) == PGRES_TUPLES_OK && PQgetvalue(r, 0, 0)[0] == 't';
    if (!ok)
        ADD_FAILURE() << sql.constData() << ": " << PQerrorMessage(c);
    PQclear(r);
    PQfinish(c);
}

} // namespace pgtest

// In a fixture's SetUp (or a test): the server into `var`, or skip.
#define ORU_REQUIRE_PG(var)                                                                                  \
    const std::optional<pgtest::Server> var##Found = pgtest::server();                                       \
    if (!var##Found)                                                                                         \
        GTEST_SKIP() << "no PostgreSQL server (set PGHOST/PGPORT, e.g. run under pg_virtualenv)";            \
    const pgtest::Server &var = *var##Found
