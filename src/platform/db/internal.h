#pragma once
// Internals shared by the data layer's own .cpp files. Not part of the
// public surface: other libraries include db.h only.
#include "platform/db/db.h"
#include "platform/db/schema.h"

#include <sqlite3.h>

#include <functional>
#include <memory>

namespace db {

// The layer's view into a Value (Value names this class its friend): reads
// without copies on the hot paths of binding and converting.
class Statement {
public:
    template <typename T> static const T *get(const Value &v) { return std::get_if<T>(&v.m_v); }
};

} // namespace db

namespace db::detail {

// ---- SQLite handles (sqlite.cpp)

struct CloseDatabase {
    void operator()(sqlite3 *h) const { sqlite3_close_v2(h); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
// An open database file; closing waits for statements still alive (close_v2).
using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// Throws BusyError, DiskFullError or ConnectionLostError (the file could not
// be read or written) for those result codes, extended ones included;
// returns otherwise. With the handle, an I/O failure on a full disk is
// DiskFullError.
void raiseKnown(int rc, sqlite3 *h = nullptr);
// Also throws OverflowError when SQLite's message says a sum overflowed.
void raiseKnown(int rc, const QString &message, sqlite3 *h);
// The disk holding that file has (as good as) no space left.
bool diskFullAt(const QString &path);
// Throws db::Error with SQLite's message for the handle (or one of those
// above where the handle's last result says so).
[[noreturn]] void fail(sqlite3 *h);
inline void check(int rc, sqlite3 *h)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail(h);
}

// Opens a database file of a server with the layer's settings (WAL, busy
// timeout, functions). Never creates the file unless `create`.
DatabaseHandle openFile(const QString &path, bool create);
// A server's folder and files are its owner's alone: makes the folder (and
// the parents it makes) 0700; narrows an existing folder to 0700 and every
// file in it to 0600 (and the data root holding it to 0700).
bool makePrivateFolder(const QString &path);
void keepPrivate(const QString &serverPath);
void exec(sqlite3 *h, const char *sql);
void exec(sqlite3 *h, const QString &sql, const Params &params);
// First column of the first row, or Null.
Value scalar(sqlite3 *h, const QString &sql, const Params &params = {});
// One statement, prepared as written (throws on an error or an empty text).
StatementHandle prepare(sqlite3 *h, const QString &sql);
// Binds every parameter as it is; the count must match.
void bindParams(sqlite3_stmt *s, const Params &params);

// ---- SQL functions every connection gets (sqlite_functions.cpp)

void registerFunctions(sqlite3 *h);

// ---- storage rules (storage.cpp; binding and reading: sqlite_storage.cpp)

// Storage rule and defined size of a declared column type.
Type kindOf(const QString &declType, int *definedSize);

// The value as a column of that kind stores it ("12" -> 12 for INTEGER,
// "03/08/2009" -> 2009-08-03 for DATE, "1.005" -> 1.01 for MONEY). Table
// and column name it in error texts.
Value convertFor(Type kind, int definedSize, const Value &v, const QString &table, const QString &column);

// Binds a value: Money as integer cents, dates as ISO text. With `stable`,
// text is bound without a copy (the Value must outlive the step).
void bind(sqlite3_stmt *s, int index, const Value &v, bool stable = false);
// A result value read by the kind of its column.
Value read(sqlite3_stmt *s, int column, Type kind);
// The first column of the current row, read by its declared type.
Value readDeclared(sqlite3_stmt *s, int column);

// The storage rule of the column each '?' of a statement meets (Null: none
// known); empty when no parameter meets a typed column (params.cpp; over
// an embedded database: sqlite_statements.cpp).
struct ParamRule {
    Type kind = Type::Null;
    QString column; // "Table.Column", for error texts
};
std::vector<ParamRule> paramRules(sqlite3 *db, const QString &sql);
// The same over any engine's tables: `kindIn(table, column)` gives the
// column's storage rule (Null: no such column), and with an empty column
// anything but Null when the table exists.
using ColumnKinds = std::function<Type(const QString &table, const QString &column)>;
std::vector<ParamRule> paramRules(const QString &sql, const ColumnKinds &kindIn);

// ---- the statement cache of a session (sqlite_statements.cpp)

class SqliteSession;

// A statement taken from a session's cache, given back on destruction.
class CachedStatement {
public:
    CachedStatement(SqliteSession &session, const QString &sql);
    ~CachedStatement();
    CachedStatement(const CachedStatement &) = delete;
    CachedStatement &operator=(const CachedStatement &) = delete;
    sqlite3_stmt *get() const { return m_stmt.get(); }
    // Binds every parameter (the count must match), each converted by the
    // storage rule of the column it meets.
    void bindAll(const Params &params);

private:
    SqliteSession &m_session;
    QString m_sql;
    StatementHandle m_stmt;
    std::vector<ParamRule> m_rules;
};

[[noreturn]] void closedError();

// ---- server side (sqlite_server.cpp, server.cpp, passwords.cpp, procedures.cpp)

struct Login {
    QString name;
    QString database;
    bool sysadmin = false;
};
// Checks name and password against the server's master.db (open handle).
Login checkLogin(sqlite3 *master, const QString &name, const QString &password);
// The file of a database of the server, or empty when there is none.
QString databaseFile(sqlite3 *master, const QString &serverPath, const QString &database);
bool isDatabaseUser(sqlite3 *db, const QString &login);
bool isSysadmin(sqlite3 *master, const QString &login);
// Brings a database to the schema version of the registered migrations.
void upgrade(sqlite3 *db);

// Password hashes (Argon2id of the upper-cased text) at the server's cost.
QString hashPassword(const QString &password, server::HashCost cost);
bool verifyPassword(const QString &hash, const QString &password);
server::HashCost serverCost(sqlite3 *master);
// A hash of no password, for a login that does not exist.
QString dummyHash(server::HashCost cost);

// Runs a procedure call when `sql` is one ("exec sp_x ?, 'a', 1");
// returns false when the text names no registered procedure.
bool runProcedure(Connection &conn, const QString &sql, const Params &params, std::int64_t *affected);
// The server's own procedures (login administration).
std::vector<std::pair<QString, Procedure>> loginProcedures();

// Session identity of an open connection: recordsets opened on one session
// refuse to write through a connection that has been closed or reopened.
using SessionToken = std::shared_ptr<int>;
SessionToken session(const Connection &conn);

QString now(); // local time as ISO text, for the create dates of logins

} // namespace db::detail
