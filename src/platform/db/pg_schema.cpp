// The schema steps on a PostgreSQL database under the same numbers, all
// pending ones in one transaction (their spellings translated by pgSchema).
#include "platform/db/pg_session.h"
#include "platform/db/schema.h"

namespace db::detail {

namespace {

int pgVersion(PgSession &s)
{
    if (s.scalar(QStringLiteral("SELECT to_regclass('oru_schema') IS NOT NULL"), {}) != Value(1))
        return 0;
    return int(s.scalar(QStringLiteral("SELECT version FROM oru_schema"), {}).toInt());
}

// The program's tables without a rowid (made before the layer gave every
// table one), each with its integer key when it has one.
constexpr const char *kWithoutRowid
    = "SELECT c.oid::regclass, (SELECT a.attname FROM pg_index i JOIN pg_attribute a "
      "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = c.oid AND i.indisprimary "
      "AND i.indnkeyatts = 1 AND a.atttypid IN (20, 21, 23)) "
      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
      "WHERE n.nspname = 'public' AND c.relkind = 'r' AND c.relname <> 'oru_schema' "
      "AND NOT EXISTS (SELECT 1 FROM pg_attribute a WHERE a.attrelid = c.oid AND a.attname = 'rowid' "
      "AND NOT a.attisdropped)";

bool needsCompleting(PgSession &s)
{
    return s.scalar(QStringLiteral("SELECT to_regprocedure('public.oru_printf(text,text[])') IS NULL "
                                   "OR EXISTS (%1)")
                        .arg(QLatin1String(kWithoutRowid)),
               {})
        == Value(1);
}

// A database made by an earlier build: its functions, and the rowid of
// every table (its integer key, or else numbered in the order the rows lie,
// which is the order they were written), as a new database has them.
void complete(PgSession &s)
{
    preparePgDatabase(s);
    s.run(QStringLiteral(
        "DO $$ DECLARE t regclass; k name; BEGIN FOR t, k IN %1 LOOP "
        "IF k IS NULL THEN "
        "EXECUTE format('ALTER TABLE %s ADD COLUMN rowid BIGINT GENERATED ALWAYS AS IDENTITY', t); "
        "ELSE EXECUTE format('ALTER TABLE %s ADD COLUMN rowid BIGINT GENERATED ALWAYS AS (%I) STORED', t, "
        "k); "
        "END IF; END LOOP; END $$")
              .arg(QLatin1String(kWithoutRowid))
              .toUtf8()
              .constData());
}

} // namespace

void migratePg(PgSession &s, const std::vector<Migration> &list)
{
    const int target = schema::checkedTarget(list);
    int have = pgVersion(s);
    if (have > target)
        throw schema::newerThanProgram(have, target);
    if (have == target && !needsCompleting(s))
        return;
    // The write lock: another computer opening at the same moment waits,
    // then finds the work done.
    s.begin();
    try {
        s.run("CREATE TABLE IF NOT EXISTS oru_schema (version integer NOT NULL)");
        have = pgVersion(s);
        if (have > target)
            throw schema::newerThanProgram(have, target);
        for (const Migration &m : list) {
            if (m.version <= have)
                continue;
            try {
                s.run(pgSchema(m.sql).constData());
            } catch (const Error &e) {
                throw Error(QStringLiteral("Schema file %1 failed: %2").arg(QLatin1String(m.file), e.text()));
            }
        }
        if (needsCompleting(s))
            complete(s);
        s.execute(QStringLiteral("DELETE FROM oru_schema"), {});
        s.execute(QStringLiteral("INSERT INTO oru_schema (version) VALUES (?)"), {target});
        s.commit({});
    } catch (...) {
        s.rollback({});
        throw;
    }
}

} // namespace db::detail
