// Numbered migrations: the registry the subsystems fill at start-up, and
// applying them to a database (PRAGMA user_version holds the last applied).
#include "platform/db/connection_p.h"
#include "platform/db/internal.h"

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

int version(sqlite3 *db)
{
    return int(detail::scalar(db, QStringLiteral("PRAGMA user_version")).toInt());
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

namespace {

// Runs the statements of a step in order. The first column of each row a
// query returns goes into `found`, and the step stops after that query.
void runStep(sqlite3 *db, const Migration &m, QStringList *found)
{
    const char *sql = m.sql;
    while (sql && *sql) {
        sqlite3_stmt *st = nullptr;
        const char *tail = nullptr;
        int rc = sqlite3_prepare_v2(db, sql, -1, &st, &tail);
        if (rc == SQLITE_OK && st) {
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                found->append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))));
        }
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        const bool wasStatement = st != nullptr;
        sqlite3_finalize(st);
        if (rc != SQLITE_OK && rc != SQLITE_DONE)
            throw Error(QStringLiteral("Schema file %1 failed: %2").arg(QLatin1String(m.file), msg));
        if (!found->isEmpty())
            return;
        if (!wasStatement && tail == sql)
            break; // nothing left but blanks or comments
        sql = tail;
    }
}

} // namespace

void migrate(sqlite3 *db, const std::vector<Migration> &list)
{
    const int target = checkedTarget(list);
    auto tooNew = [&](int have) { return newerThanProgram(have, target); };
    int have = version(db);
    if (have > target)
        throw tooNew(have);
    if (have == target)
        return;
    // One write transaction for all pending steps: another copy opening at
    // the same moment waits, then finds the work done.
    detail::exec(db, "BEGIN IMMEDIATE");
    try {
        have = version(db);
        if (have > target)
            throw tooNew(have);
        for (const Migration &m : list) {
            if (m.version <= have)
                continue;
            QStringList found;
            runStep(db, m, &found);
            if (!found.isEmpty())
                throw refusedStep(m.file, found);
            detail::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(m.version).toUtf8().constData());
        }
        detail::exec(db, "COMMIT");
    } catch (...) {
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
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
