#pragma once
// Applying numbered migrations (registered with db::registerMigrations)
// in order; PRAGMA user_version holds the last one applied.
#include "platform/db/db.h"

#include <vector>

struct sqlite3;

namespace db::schema {

using Migration = db::Migration;

// Every registered migration, by version.
std::vector<Migration> migrations();

// Applies, in one write transaction, every migration of `list` above the
// database's user_version and sets user_version to the last. Throws when
// the numbers of `list` do not run 1, 2, 3... without a gap, when the
// database is newer than the list, or when a step fails (nothing applied).
// A step must not hold VACUUM or PRAGMA journal_mode (not allowed inside a
// transaction).
void migrate(sqlite3 *db, const std::vector<Migration> &list);
int version(sqlite3 *db);

} // namespace db::schema
