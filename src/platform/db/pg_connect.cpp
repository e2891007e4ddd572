// Opening a PostgreSQL session: TLS unless the server folder turns it off,
// a password only by SCRAM (bound to the TLS channel over the network), and
// the session's settings.
#include "platform/db/pg_server_p.h"
#include "platform/db/pg_session.h"
#include "platform/db/schema.h"

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>

namespace db::detail {

namespace {

bool overSocketFile(const QString &host)
{
    return host.isEmpty() || host.startsWith(u'/') || host.startsWith(u'@');
}

// The password the server asks for in clear (3) or as an MD5 hash (5): over
// a connection that is not encrypted libpq would send it as asked, so the
// request is read before libpq answers it.
bool asksForWeakPassword(int socket)
{
    unsigned char m[9];
    for (;;) {
        const ssize_t n = recv(socket, m, sizeof m, MSG_PEEK | MSG_DONTWAIT);
        if (n <= 0 || m[0] != 'R')
            return false;
        if (n == sizeof m) {
            const quint32 code = quint32(m[5]) << 24 | quint32(m[6]) << 16 | quint32(m[7]) << 8 | m[8];
            return code == 3 || code == 5;
        }
        pollfd p {socket, POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0)
            return false;
    }
}

QString refusedConnection(const PgAddress &a, const QString &why)
{
    const QString at = QStringLiteral("The PostgreSQL server at %1:%2").arg(a.host).arg(a.port);
    if (why.contains(QLatin1String("channel binding")) || why == u"weak password")
        return at
            + QStringLiteral(" did not ask for the password by SCRAM-SHA-256 (with channel binding over "
                             "TLS), so the password was not sent and the login was refused.");
    if (why.contains(QLatin1String("does not support SSL")))
        return at
            + QStringLiteral(" offers no encrypted connection (TLS), so the login was refused. Turn TLS "
                             "on at the server (ssl = on).");
    if (why.contains(QLatin1String("certificate")) || why.contains(QLatin1String("root cert")))
        return at + QStringLiteral(" is not the one its certificate should prove: %1").arg(why);
    return {};
}

} // namespace

PgSession::PgSession(const PgAddress &address, const QString &user, const QString &password)
    : m_address(address)
{
    const QByteArray host = address.host.toUtf8(), port = QByteArray::number(address.port),
                     dbname = address.database.toUtf8(), u = user.toUtf8(), pw = password.toUtf8(),
                     root = address.sslrootcert.toUtf8();
    // TLS unless the descriptor turns it off; with a root certificate the
    // server's own certificate and name are checked. A password goes only
    // by SCRAM bound to that TLS channel, never in clear. (Over the
    // server's socket file libpq uses no TLS, and the server's own
    // administrator may log in without a password there.)
    const bool plain = address.sslmode == u"disable";
    const QByteArray sslmode = !address.sslmode.isEmpty() ? address.sslmode.toUtf8()
        : root.isEmpty()                                  ? QByteArray("require")
                                                          : QByteArray("verify-full");
    const bool administrator = u.isEmpty();
    const char *binding = plain || overSocketFile(address.host)          ? "prefer"
        : administrator && qEnvironmentVariableIsSet("PGCHANNELBINDING") ? nullptr
                                                                         : "require";
    const char *keys[] = {"host", "port", "dbname", "user", "password", "client_encoding", "application_name",
        "sslmode", "gssencmode", "channel_binding", "sslrootcert", nullptr};
    const char *values[] = {host.isEmpty() ? nullptr : host.constData(), port.constData(), dbname.constData(),
        u.isEmpty() ? nullptr : u.constData(), pw.isEmpty() ? nullptr : pw.constData(), "UTF8",
        "ORU Accounts", sslmode.constData(), "disable", binding, root.isEmpty() ? nullptr : root.constData(),
        nullptr};
    m_conn.reset(PQconnectStartParams(keys, values, 0));
    pg_conn *c = m_conn.get();
    auto fail = [&](const QString &why) {
        const QString refused = refusedConnection(address, why);
        throw Error(refused.isEmpty() ? why : refused);
    };
    if (!c)
        fail(QStringLiteral("out of memory"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    PostgresPollingStatusType st
        = PQstatus(c) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    while (st != PGRES_POLLING_OK) {
        if (st == PGRES_POLLING_FAILED)
            fail(QString::fromUtf8(PQerrorMessage(c)).trimmed());
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p {PQsocket(c), short(st == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) == 0)
            fail(QStringLiteral("timeout expired"));
        if (st == PGRES_POLLING_READING && PQstatus(c) == CONNECTION_AWAITING_RESPONSE && !PQsslInUse(c)
            && asksForWeakPassword(PQsocket(c)))
            fail(QStringLiteral("weak password"));
        st = PQconnectPoll(c);
    }
    // pg_catalog first, so that nothing of the program's schema stands in
    // for the server's own functions, then the program's objects (its
    // replace() and money() are called by their schema's name). Day-first
    // dates as the windows type them; a lock another copy holds is waited
    // for as long as on the embedded server. No statement of the program
    // runs long enough to gain from being compiled: the server's JIT would
    // add tens of milliseconds to every report statement it thinks costly.
    // Every statement is planned for the values it runs with: a report's
    // work table (temporary, never analysed) is a few rows for one report
    // and 300,000 for the next, and a plan kept from the small one would
    // read and sort the whole table for each block of the long one.
    run("SET search_path = pg_catalog, oru; SET DateStyle = 'ISO, DMY'; SET lock_timeout = '5s'; "
        "SET client_min_messages = warning; SET jit = off; SET plan_cache_mode = force_custom_plan");
    for (const Migration &m : schema::migrations())
        learnSpellings(QString::fromUtf8(m.sql), &m_spellings);
}

void PgSession::setLockWait(int milliseconds)
{
    // Kept with the session's settings, so a new connection waits as long.
    run(QStringLiteral("SET lock_timeout = %1").arg(milliseconds).toUtf8().constData());
}

} // namespace db::detail
