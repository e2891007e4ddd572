#pragma once
// Numbered migrations from schema/NNN_name.sql, compiled into the library and
// applied in order; PRAGMA user_version holds the last one applied.
#include <vector>

struct sqlite3;

namespace db::schema {

struct Migration {
    int version;
    const char *file;
    const char *sql;
};

const std::vector<Migration> &migrations();

// Applies, in one write transaction, every migration of `list` above the
// database's user_version and sets user_version to the last. Throws when
// the database is newer than the list, or a step fails (nothing applied).
// A step must not hold VACUUM or PRAGMA journal_mode (not allowed inside a
// transaction).
void migrate(sqlite3 *db, const std::vector<Migration> &list);
int version(sqlite3 *db);

} // namespace db::schema
