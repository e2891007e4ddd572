// Applying the registered migrations to an embedded database, statement by
// statement in one write transaction (PRAGMA user_version holds the last
// step applied).
#include "platform/db/internal.h"

namespace db::schema {

int version(sqlite3 *db)
{
    return int(detail::scalar(db, QStringLiteral("PRAGMA user_version")).toInt());
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

} // namespace db::schema
