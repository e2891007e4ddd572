// What a PostgreSQL database holds of the program's making: the objects its
// SQL needs (the collation, the money domain, functions and operators), and
// the schema steps under the same numbers, all pending ones in one
// transaction (their spellings translated by pgSchema).
#include "platform/db/pg_session.h"
#include "platform/db/schema.h"

namespace db::detail {

namespace {

int pgVersion(PgSession &s)
{
    if (s.scalar(QStringLiteral("SELECT to_regclass('oru.oru_schema') IS NOT NULL"), {}) != Value(1))
        return 0;
    return int(s.scalar(QStringLiteral("SELECT version FROM oru.oru_schema"), {}).toInt());
}

// The program's tables without a rowid (made before the layer gave every
// table one), each with its integer key when it has one.
constexpr const char *kWithoutRowid
    = "SELECT c.oid::regclass, (SELECT a.attname FROM pg_index i JOIN pg_attribute a "
      "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = c.oid AND i.indisprimary "
      "AND i.indnkeyatts = 1 AND a.atttypid IN (20, 21, 23)) "
      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
      "WHERE n.nspname = 'oru' AND c.relkind = 'r' AND c.relname <> 'oru_schema' "
      "AND NOT EXISTS (SELECT 1 FROM pg_attribute a WHERE a.attrelid = c.oid AND a.attname = 'rowid' "
      "AND NOT a.attisdropped)";

bool needsCompleting(PgSession &s)
{
    return s.scalar(
               QStringLiteral("SELECT to_regprocedure('oru.oru_printf(text,text[])') IS NULL "
                              "OR to_regprocedure('oru.instr(text,text)') IS NULL "
                              "OR to_regprocedure('oru.oru_add(numeric,numeric)') IS NULL OR EXISTS (%1)")
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

int PgSession::schemaVersion()
{
    return pgVersion(*this);
}

void preparePgDatabase(PgSession &owner)
{
    owner.run(R"(
CREATE SCHEMA IF NOT EXISTS oru;
CREATE COLLATION IF NOT EXISTS oru.nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false);
DO $$ BEGIN CREATE DOMAIN oru.oru_money AS bigint; EXCEPTION WHEN duplicate_object THEN NULL; END $$;
CREATE OR REPLACE FUNCTION oru.replace(text, text, text) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT pg_catalog.replace($1 COLLATE "default", $2 COLLATE "default", $3)';
-- A search: the nondeterministic collation of text columns refuses one,
-- and case counts, as in the embedded engine's instr().
CREATE OR REPLACE FUNCTION oru.instr(text, text) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT strpos($1 COLLATE "default", $2 COLLATE "default")';
CREATE OR REPLACE FUNCTION oru.oru_ilike(bigint, text) RETURNS boolean IMMUTABLE LANGUAGE sql
  AS 'SELECT $1::text ILIKE $2';
CREATE OR REPLACE FUNCTION oru.oru_not_ilike(bigint, text) RETURNS boolean IMMUTABLE LANGUAGE sql
  AS 'SELECT $1::text NOT ILIKE $2';
DO $$ BEGIN
  CREATE OPERATOR oru.~~* (LEFTARG = bigint, RIGHTARG = text, FUNCTION = oru.oru_ilike);
  CREATE OPERATOR oru.!~~* (LEFTARG = bigint, RIGHTARG = text, FUNCTION = oru.oru_not_ilike);
EXCEPTION WHEN duplicate_function THEN NULL; END $$;
CREATE OR REPLACE FUNCTION oru.oru_printf(fmt text, args text[]) RETURNS text IMMUTABLE LANGUAGE plpgsql
  AS $f$ DECLARE out text := ''; rest text := fmt; m text[]; n int := 0; v text; BEGIN
    WHILE rest <> '' LOOP
      m := regexp_match(rest COLLATE "C", '^%(0?)([0-9]*)([dis%])');
      IF m IS NULL THEN out := out || left(rest, 1); rest := substr(rest, 2); CONTINUE; END IF;
      rest := substr(rest, length(m[1]) + length(m[2]) + 3);
      IF m[3] = '%' THEN out := out || '%'; CONTINUE; END IF;
      n := n + 1; v := coalesce(args[n], '');
      IF m[3] <> 's' THEN v := CASE v WHEN 'true' THEN '1' WHEN 'false' THEN '0' ELSE v END; END IF;
      IF m[2] <> '' AND length(v) < m[2]::int THEN
        v := CASE WHEN m[1] = '0' AND m[3] <> 's' THEN lpad(v, m[2]::int, '0') ELSE lpad(v, m[2]::int) END;
      END IF;
      out := out || v;
    END LOOP;
    RETURN out; END $f$;
CREATE OR REPLACE FUNCTION oru.len(text) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT length(rtrim($1, '' ''))';
-- Times 0.01 rather than divided by 100: a division keeps 16 significant
-- digits, which drops the cents of totals past 100 trillion.
CREATE OR REPLACE FUNCTION oru.money(bigint) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT ($1::numeric * 0.01)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION oru.money(integer) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT ($1::numeric * 0.01)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION oru.money(numeric) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT (round($1) * 0.01)::numeric(20, 2)::text';
CREATE OR REPLACE FUNCTION oru.money(double precision) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT (round($1::numeric) * 0.01)::numeric(20, 2)::text';
-- Kept totals in cents: a sum past bigint is refused (22003), as the
-- embedded engine's oru_add() does. Numeric arguments take a sum() too.
CREATE OR REPLACE FUNCTION oru.oru_add(numeric, numeric) RETURNS bigint IMMUTABLE LANGUAGE sql
  AS 'SELECT ($1 + $2)::bigint';
CREATE OR REPLACE FUNCTION oru.ifnull(anycompatible, anycompatible) RETURNS anycompatible IMMUTABLE
  LANGUAGE sql AS 'SELECT coalesce($1, $2)';
CREATE OR REPLACE FUNCTION oru.year(date) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT extract(year FROM $1)::integer';
CREATE OR REPLACE FUNCTION oru.month(date) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT extract(month FROM $1)::integer';
CREATE OR REPLACE FUNCTION oru.day(date) RETURNS integer IMMUTABLE LANGUAGE sql
  AS 'SELECT extract(day FROM $1)::integer';
CREATE OR REPLACE FUNCTION oru.oru_char(VARIADIC integer[]) RETURNS text IMMUTABLE LANGUAGE sql
  AS 'SELECT string_agg(chr(c), '''' ORDER BY n) FROM unnest($1) WITH ORDINALITY u(c, n)';
CREATE OR REPLACE FUNCTION oru.oru_next_key(tbl text, col text) RETURNS bigint VOLATILE LANGUAGE plpgsql
  AS $f$ DECLARE n bigint; BEGIN
    EXECUTE format('SELECT coalesce(max(%I), 0) + 1 FROM %I', col, tbl) INTO n; RETURN n; END $f$;
)");
}

bool pgNeedsUpgrade(PgSession &s, const std::vector<Migration> &list)
{
    const int target = schema::checkedTarget(list);
    const int have = pgVersion(s);
    if (have > target)
        throw schema::newerThanProgram(have, target);
    return have < target || needsCompleting(s);
}

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
        // What the steps make goes into the program's schema.
        s.run("SET LOCAL search_path = oru, pg_catalog");
        s.run("CREATE TABLE IF NOT EXISTS oru_schema (version integer NOT NULL)");
        have = pgVersion(s);
        if (have > target)
            throw schema::newerThanProgram(have, target);
        for (const Migration &m : list) {
            if (m.version <= have)
                continue;
            QStringList found;
            try {
                s.runScript(pgSchema(m.sql).constData(), &found);
            } catch (const Error &e) {
                if (found.isEmpty())
                    throw Error(
                        QStringLiteral("Schema file %1 failed: %2").arg(QLatin1String(m.file), e.text()));
            }
            if (!found.isEmpty())
                throw schema::refusedStep(m.file, found);
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
