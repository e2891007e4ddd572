#pragma once
// Applying numbered migrations (registered with db::registerMigrations)
// in order; PRAGMA user_version holds the last one applied.
#include "platform/db/db.h"

#include <QStringList>

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
//
// A step may open with queries that look for rows it cannot take (two
// vouchers under one number before a unique index, say): every row such a
// query returns is one text naming a problem, and the step is refused with
// them (refusedStep), nothing of any pending step applied.
void migrate(sqlite3 *db, const std::vector<Migration> &list);
int version(sqlite3 *db);

// The last number of `list`; throws when its numbers do not run 1, 2, 3...
int checkedTarget(const std::vector<Migration> &list);
// The error for a database newer than the program's schema.
Error newerThanProgram(int have, int target);
// The error for a step whose queries found rows it cannot take (`found`,
// one text each; the first few are named).
Error refusedStep(const char *file, const QStringList &found);

} // namespace db::schema
