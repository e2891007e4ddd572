// Password hashes: Argon2id over the upper-cased password, at the cost the
// server was made with.
#include "platform/db/connection_p.h"

#include <sodium.h>

namespace db {
namespace detail {

namespace {

void ensureSodium()
{
    static const bool ok = sodium_init() >= 0;
    if (!ok)
        throw Error(QStringLiteral("The password library could not be initialised."));
}

// Passwords compare without regard to letter case: the upper-case text is hashed.
class Normalised {
public:
    explicit Normalised(const QString &password)
        : m_bytes(password.toUpper().toUtf8())
    {
    }
    ~Normalised() { sodium_memzero(m_bytes.data(), size_t(m_bytes.size())); }
    const char *data() const { return m_bytes.constData(); }
    unsigned long long size() const { return static_cast<unsigned long long>(m_bytes.size()); }

private:
    QByteArray m_bytes;
};

} // namespace

QString hashPassword(const QString &password, server::HashCost cost)
{
    ensureSodium();
    const Normalised pw(password);
    const bool minimal = cost == server::HashCost::Minimal;
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, pw.data(), pw.size(),
            minimal ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE,
            minimal ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE,
            crypto_pwhash_ALG_ARGON2ID13)
        != 0)
        throw Error(QStringLiteral("Out of memory while hashing a password."));
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString &hash, const QString &password)
{
    ensureSodium();
    const Normalised pw(password);
    const QByteArray h = hash.toLatin1();
    return crypto_pwhash_str_verify(h.constData(), pw.data(), pw.size()) == 0;
}

server::HashCost serverCost(sqlite3 *master)
{
    const Value v = scalar(master, QStringLiteral("SELECT value FROM sysconfig WHERE name = 'hash_cost'"));
    return v.toString() == QLatin1String("minimal") ? server::HashCost::Minimal
                                                    : server::HashCost::Interactive;
}

// A hash to verify against when the login does not exist, so a wrong name
// costs what a wrong password costs. Made once from a random password that
// was then thrown away; each has the cost of its kind of server.
QString dummyHash(server::HashCost cost)
{
    return QString::fromLatin1(cost == server::HashCost::Minimal
            ? "$argon2id$v=19$m=8,t=1,p=1$ogqdgnUdRkMBv+HD1LUMcQ$McayzVtjgiMYASdpk8JE33uC8ZQ7gvpQk11DKC4Q+yg"
            : "$argon2id$v=19$m=65536,t=2,p=1$jfbFMHPL5N0FsCnylEKEnw$w77P/"
              "GHe4BqUUJumuKPOkEFqkhrdhmV5mio1fFiOzBo");
}

} // namespace detail

QString server::hashPassword(Connection &conn, const QString &password)
{
    return detail::hashPassword(password, detail::engineOf(conn).hashCost());
}

bool verifyPassword(const QString &hash, const QString &typed)
{
    return detail::verifyPassword(hash, typed);
}

} // namespace db
