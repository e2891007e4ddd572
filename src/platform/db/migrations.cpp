// Numbered migrations: the registry the subsystems fill at start-up, and
// the checks and refusals every engine applies them with (the embedded
// engine's in sqlite_migrations.cpp, PostgreSQL's in pg_schema.cpp).
#include "platform/db/connection_p.h"
#include "platform/db/schema.h"

#include <algorithm>
#include <mutex>

namespace db {

namespace {

struct MigrationRegistry {
    std::mutex mutex;
    std::vector<Migration> list; // by version
};

MigrationRegistry &migrationRegistry()
{
    static MigrationRegistry r;
    return r;
}

} // namespace

void registerMigrations(const std::vector<Migration> &list)
{
    MigrationRegistry &r = migrationRegistry();
    std::lock_guard lock(r.mutex);
    for (const Migration &m : list) {
        const auto at = std::lower_bound(r.list.begin(), r.list.end(), m.version,
            [](const Migration &have, int version) { return have.version < version; });
        if (at != r.list.end() && at->version == m.version) {
            // A subsystem registering twice is harmless; two files of one number are not.
            if (qstrcmp(at->file, m.file) != 0)
                throw Error(QStringLiteral("Schema files %1 and %2 have the same number.")
                                .arg(QLatin1String(at->file), QLatin1String(m.file)));
            continue;
        }
        r.list.insert(at, m);
    }
}

namespace schema {

std::vector<Migration> migrations()
{
    MigrationRegistry &r = migrationRegistry();
    std::lock_guard lock(r.mutex);
    return r.list;
}

int checkedTarget(const std::vector<Migration> &list)
{
    // Numbers run 1, 2, 3... without a gap: a file slipped in below numbers a
    // database already has would never be applied to it.
    int target = 0;
    for (const Migration &m : list) {
        if (m.version != target + 1)
            throw Error(
                QStringLiteral("Schema file %1 is out of order: numbers must run 1, 2, 3... without a gap.")
                    .arg(QLatin1String(m.file)));
        target = m.version;
    }
    return target;
}

Error newerThanProgram(int have, int target)
{
    return Error(QStringLiteral("The database has schema version %1, newer than this program knows (%2). "
                                "Use the newer program.")
                     .arg(have)
                     .arg(target));
}

Error refusedStep(const char *file, const QStringList &found)
{
    constexpr int kNamed = 10;
    QString text
        = QStringLiteral("The database cannot be upgraded: schema file %1 cannot take rows it holds. "
                         "Nothing was changed; correct these rows, then open the database again.")
              .arg(QLatin1String(file));
    for (const QString &f : found.mid(0, kNamed))
        text += u'\n' + f;
    if (found.size() > kNamed)
        text += QStringLiteral("\n... and %1 more.").arg(found.size() - kNamed);
    return Error(text);
}

} // namespace schema

int schemaVersion()
{
    const auto list = schema::migrations();
    return list.empty() ? 0 : list.back().version;
}

int databaseVersion(Connection &conn)
{
    return detail::engineOf(conn).schemaVersion();
}

} // namespace db
