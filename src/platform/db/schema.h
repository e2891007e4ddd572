#pragma once
// Numbered migrations from schema/NNN_name.sql, compiled into the library and
// applied in order; PRAGMA user_version holds the last one applied.
#include <vector>

namespace db::schema {

struct Migration {
    int version;
    const char *file;
    const char *sql;
};

const std::vector<Migration> &migrations();

} // namespace db::schema
