#pragma once
// Database servers and client-side data access.
//
// A "server" is a folder: it holds the embedded server (master.db with the
// server's logins and settings, and one file per database; the program's
// database, named at start-up, holds its tables), or it names a PostgreSQL
// server's database (pg_server.h). Connection and Recordset give the
// surface the windows were written against: connection properties,
// Open/Close/State/Execute, and client-side recordsets with RecordCount,
// EOF/BOF, Move*, Fields by name or index, AddNew and Update.
//
// Storage rules, applied by declared column type:
//   INTEGER        whole numbers ("12" from a text box is stored as 12)
//   MONEY          exact to the cent, stored as integer cents; read back as
//                  db::Money. A computed money expression (sum(DrAmt)) has no
//                  declared type: wrap it in money(...) in the SQL so it comes
//                  back as an exact Money, e.g. "select money(sum(DrAmt)) as t".
//   DATE           ISO text YYYY-MM-DD, whatever form the value arrives in
//   VARCHAR(n)     text, compared without regard to case (COLLATE NOCASE)
// Typed text reaches SQL only as bound parameters ('?').
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <variant>
#include <vector>

namespace db {

// Every failure of the data layer: the message is the text a user sees.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message);
    QString text() const { return QString::fromUtf8(what()); }
};

// Another copy of the program held the database's write lock for longer than
// a statement waits. The statement (and its transaction) did not take effect.
class BusyError : public Error {
public:
    BusyError();
};

// The disk holding the database is full. The statement (and its
// transaction) did not take effect.
class DiskFullError : public Error {
public:
    DiskFullError();
};

// The database server could no longer be reached: on PostgreSQL the
// connection broke (the server restarted, or it ended the session); on the
// embedded engine the database file could not be read or written. The
// statement and its transaction did not take effect, except that a
// connection lost while a commit was on its way leaves the outcome unknown,
// and says so. The connection is made again at the next statement outside
// a transaction.
class ConnectionLostError : public Error {
public:
    // What was attempted: a save (before its commit, or while it was on its
    // way), or a read outside a transaction, which changes nothing.
    enum class When { BeforeCommit, DuringCommit, Reading };
    explicit ConnectionLostError(When when = When::BeforeCommit);
};

// The embedded server's folder or files cannot be written (made read-only
// or immutable, or on a disk mounted read-only): the statement and its
// transaction did not take effect. The text names the folder.
class UnwritableError : public Error {
public:
    explicit UnwritableError(const QString &folder);
};

// A sum or difference of amounts or whole numbers went past what 64 bits
// hold. Nothing wrapped: the operation did not take effect.
class OverflowError : public Error {
public:
    OverflowError();
    explicit OverflowError(const QString &message);
};

namespace detail {
[[noreturn]] void moneyOverflow();
}

// An amount exact to the cent. Sums and differences never wrap: past the
// 64-bit range they throw OverflowError.
class Money {
public:
    constexpr Money() = default;
    static constexpr Money fromCents(std::int64_t cents)
    {
        Money m;
        m.m_cents = cents;
        return m;
    }
    // Decimal text ("1,234.505", "-2.675", " 12 "): rounded half away from
    // zero to the cent. Throws db::Error when the text is not a number.
    static Money parse(QStringView text);
    // Same as parse, but returns false instead of throwing.
    static bool tryParse(QStringView text, Money *out);
    static Money fromDouble(double value); // rounded half away from zero

    std::int64_t cents() const { return m_cents; }
    double toDouble() const { return double(m_cents) / 100.0; }
    QString toString() const; // "-1234.50": plain, two decimals, no grouping

    Money operator+(Money o) const
    {
        std::int64_t r;
        if (__builtin_add_overflow(m_cents, o.m_cents, &r))
            detail::moneyOverflow();
        return fromCents(r);
    }
    Money operator-(Money o) const
    {
        std::int64_t r;
        if (__builtin_sub_overflow(m_cents, o.m_cents, &r))
            detail::moneyOverflow();
        return fromCents(r);
    }
    Money operator-() const { return Money() - *this; }
    Money &operator+=(Money o) { return *this = *this + o; }
    Money &operator-=(Money o) { return *this = *this - o; }
    auto operator<=>(const Money &) const = default;

private:
    std::int64_t m_cents = 0;
};

enum class Type { Null, Int, Real, Text, Money, Date };

// A field or parameter value. Null is distinct from empty text.
class Value {
public:
    Value() = default; // Null
    Value(std::nullptr_t) { }
    Value(int v)
        : m_v(std::int64_t(v))
    {
    }
    Value(long v)
        : m_v(std::int64_t(v))
    {
    }
    Value(long long v)
        : m_v(std::int64_t(v))
    {
    }
    Value(double v)
        : m_v(v)
    {
    }
    Value(const QString &v)
        : m_v(v)
    {
    }
    Value(const char *v)
        : m_v(QString::fromUtf8(v))
    {
    }
    Value(Money v)
        : m_v(v)
    {
    }
    Value(QDate v); // an invalid date is Null
    Value(bool) = delete; // say what is meant: 1/0 or "Y"/"N"

    Type type() const;
    bool isNull() const { return type() == Type::Null; }

    // Conversions. toString() gives "" for Null; numbers in plain form,
    // money with two decimals, dates as YYYY-MM-DD.
    QString toString() const;
    std::int64_t toInt() const; // Null -> 0; text parsed; throws on junk
    double toDouble() const; // Null -> 0
    Money toMoney() const; // Null -> 0; text parsed exactly
    QDate toDate() const; // Null or unparsable -> invalid QDate

    bool operator==(const Value &o) const { return m_v == o.m_v; }

private:
    friend class Statement;
    std::variant<std::monostate, std::int64_t, double, QString, Money, QDate> m_v;
};

using Params = std::vector<Value>;

// Dates as windows hand them over: QDate, "2009-08-03", "03/08/2009" (day
// first), "03-08-2009". Returns an invalid QDate when the text is no date.
QDate parseDate(QStringView text);

// A Like pattern that finds `typed` literally anywhere ("%" and "_" escaped
// with '\'); use with  "... Like ? ESCAPE '\'".
QString likeContains(const QString &typed);

class Connection;
class Recordset;

// Told the text of a statement as the engine starts to run it.
using StatementObserver = std::function<void(const QString &sql)>;

namespace detail {
struct Access;
}

// Column of a result, with what the layer knows of its origin.
struct Column {
    QString name; // as the SELECT names it
    QString table; // origin table, empty for expressions
    QString origin; // origin column name, empty for expressions
    QString declType; // declared type of the origin column, upper case
    Type kind = Type::Null; // storage rule of the declared type; Null = untyped
    int definedSize = 0; // VARCHAR(n) -> n; INTEGER 4; MONEY 8; DATE 8
};

// One field of the current row of a Recordset.
class Field {
public:
    const QString &name() const;
    Value value() const;
    void setValue(const Value &v); // only between AddNew/edit and Update
    int definedSize() const;
    Type type() const;
    bool isNull() const { return value().isNull(); }
    // Shorthands over value().
    QString toString() const { return value().toString(); }
    std::int64_t toInt() const { return value().toInt(); }
    Money toMoney() const;
    QDate toDate() const { return value().toDate(); }

private:
    friend class Recordset;
    Field(Recordset *rs, int index)
        : m_rs(rs)
        , m_index(index)
    {
    }
    Recordset *m_rs;
    int m_index;
};

// Client-side recordset: all rows are read when it opens.
class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    int cursorLocation = 3; // kept for the windows that set it; always client-side

    void open(const QString &sql, Connection &conn, const Params &params = {});
    void close();
    int state() const; // 0 closed, 1 open

    int recordCount() const;
    bool eof() const;
    bool bof() const;
    int absolutePosition() const; // 1-based, 0 when not on a row
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    void move(int position); // 1-based absolute position

    int fieldCount() const;
    const Column &column(int index) const;
    Field fields(int index);
    Field fields(const QString &name); // without regard to case; throws when unknown
    int indexOf(const QString &name) const; // -1 when unknown

    // The value of any row (0-based), for grids bound to the result.
    const Value &at(int row, int column) const;

    // Adding and changing rows: only for a selection from one table.
    // AddNew starts a new row (current row becomes it); setting fields of the
    // current row starts an edit; Update writes it. After Update of a new row
    // the key assigned by the database is readable from its field.
    void addNew();
    void update();
    void cancelUpdate();
    bool editing() const;
    bool updatable() const;
    const QString &sourceTable() const;

private:
    friend class Field;
    struct Impl;
    std::unique_ptr<Impl> d;
};

class Transaction;

// A numbered schema step (schema/NNN_name.sql). Each subsystem registers its
// own at start-up; together they must number 1, 2, 3... without a gap, which
// every open checks before it applies the steps a database lacks.
struct Migration {
    int version;
    const char *file;
    const char *sql;
};
// Registering the same step twice is harmless; another file under a number
// already registered throws.
void registerMigrations(const std::vector<Migration> &list);

// A server-side procedure callable by name through Connection::execute.
// Returns the number of rows affected.
using Procedure = std::function<std::int64_t(Connection &, const Params &args)>;
// Later subsystems add theirs (the report procedures) before a connection runs them.
void registerProcedure(const QString &name, Procedure procedure);
bool isProcedure(const QString &name);

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Provider text is accepted and kept ("SQLOLEDB.1").
    QString provider;

    // "User ID", "Password", "Data Source", "Initial Catalog" (names without
    // regard to case). Other names are kept and ignored.
    void setProperty(const QString &name, const QString &value);
    QString property(const QString &name) const;

    // Checks the login and opens the database. Errors:
    //   "Server 'X' does not exist or access denied."
    //   "Login failed for user 'NAME'."
    //   "Cannot open database \"DB\" requested by the login. The login failed."
    void open();
    void close();
    int state() const; // 0 closed, 1 open

    // A statement, or a procedure call ("sp_password ?,?,?", "exec X ?"),
    // with bound parameters. Returns the rows affected. A '?' that meets a
    // column directly (col = ?, col Between ? And ?, col In (?, ?), Insert
    // ... (cols) Values (?, ...)) follows that column's storage rule, as in
    // recordsets; inside an expression (col * ?) bind db::Money or a QDate.
    std::int64_t execute(const QString &sql, const Params &params = {});

    // First column of the first row, or Null.
    Value scalar(const QString &sql, const Params &params = {});

    // The columns a SELECT would give, without running it.
    std::vector<Column> columnsOf(const QString &sql);
    // The database has a table of that name (any letter case).
    bool hasTable(const QString &name);

    // Checks a login against this connection's server without opening
    // another connection: the connection's own login passes at once, and a
    // pair once accepted is not hashed again. Throws the errors open() gives
    // ("Login failed for user 'NAME'.", "Cannot open database ...").
    void checkLogin(const QString &user, const QString &password);

    // The logged-in login, as the server spells it.
    QString loginName() const;
    bool isSysadmin() const;
    // Whether the connection's server has that login (names compare without
    // regard to case), asked through this connection on either engine.
    bool hasLogin(const QString &name);
    QString serverPath() const;

    // Called now and then (many times a second) while a statement runs on
    // this connection; returning false stops the statement, which then
    // throws db::Error and takes no effect (its transaction rolls back). An
    // empty function: none. Set while a long report procedure runs, so that
    // the user sees it go on and can stop it.
    void setProgressHandler(std::function<bool()> handler);

    // Told the text of every statement this connection's engine runs, as
    // it starts and each time it runs: the program's own, as the program
    // wrote them (before any translation for the engine), and those the
    // data layer runs for it (its catalogue, transactions, the server's
    // logins). One function per connection, kept when it is closed and
    // opened again; an empty function: none. It must not throw. For tests
    // and diagnostics: what a window or report sends to the server.
    void setStatementObserver(StatementObserver observer);

    bool inTransaction() const;

    // Work a procedure leaves for later: the rest of a work table it filled
    // in part, so that its first rows can be shown at once. The work runs
    // before the next statement of this connection that names `table`
    // (execute, scalar or a recordset), except while a FirstRows guard is
    // held; filling the table anew drops it, and so does closing the
    // connection. Should the work throw, the table is emptied (no part of it
    // passes for the whole) and the statement that wanted it throws.
    void deferFill(const QString &table, std::function<void(Connection &)> rest);
    void dropDeferredFill(const QString &table);

    // One moment of the database for a report: while held, this
    // connection's statements see the database as it stood when the guard
    // was made, whatever other copies save meanwhile (a read transaction:
    // BEGIN DEFERRED read at once on the embedded engine, REPEATABLE READ on
    // PostgreSQL), and what they write to temporary work tables stays. A
    // statement that fails in it is undone alone, the rest stays. Work of
    // other windows (a statement or a transaction run while an Elsewhere
    // guard is held) ends the moment first, so their saves are never held
    // in it. Nothing when the connection is closed or already in a
    // transaction or a moment; ends when the outermost guard goes.
    class ReadSnapshot {
    public:
        explicit ReadSnapshot(Connection &conn);
        ~ReadSnapshot();
        ReadSnapshot(const ReadSnapshot &) = delete;
        ReadSnapshot &operator=(const ReadSnapshot &) = delete;
        // Whether this guard's moment still holds.
        bool holds() const;

    private:
        Connection &m_conn;
        std::uint64_t m_moment = 0; // the moment this guard began, 0 for none
    };
    // Held while a report lets events through (its progress shown): what
    // runs then is another window's work.
    class Elsewhere {
    public:
        explicit Elsewhere(Connection &conn);
        ~Elsewhere();
        Elsewhere(const Elsewhere &) = delete;
        Elsewhere &operator=(const Elsewhere &) = delete;

    private:
        Connection &m_conn;
    };

    // While held, statements read a table filled in part as it stands: for
    // a reader that wants only the first rows and reads the rest later.
    class FirstRows {
    public:
        explicit FirstRows(Connection &conn);
        ~FirstRows();
        FirstRows(const FirstRows &) = delete;
        FirstRows &operator=(const FirstRows &) = delete;

    private:
        Connection &m_conn;
    };

private:
    friend class Transaction;
    friend class Recordset;
    friend struct detail::Access;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Write transaction: BEGIN IMMEDIATE, so a number read inside it and the
// insert that uses it are never interleaved with another copy's. Nested
// guards become savepoints. Rolls back unless commit() was called.
class Transaction {
public:
    explicit Transaction(Connection &conn);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Connection &m_conn;
    QString m_savepoint; // empty for the outermost
    bool m_done = false;
};

// Server administration: what the administration tool and the test fixtures use.
namespace server {

enum class HashCost { Interactive, Minimal }; // Minimal only for tests

// Root of the data folder: $ORU_DATA_HOME, else the user's data folder + "/oru".
QString dataRoot();
// Server name as the login reads it: ".", "(local)", "localhost" -> default
// server; an absolute path -> itself; any other name -> a folder under the root.
QString resolve(const QString &serverName);
bool exists(const QString &serverName);

// What the program puts in a new server, registered at start-up: the name
// of its database (made with the registered migrations) and steps that fill
// rows of it (each gets a connection to that database as administrator).
void setProgramDatabase(const QString &name);
QString programDatabase(); // throws when none is registered
using Seed = std::function<void(Connection &)>;
void addSeed(Seed seed);

// Creates the server folder with master.db, the program database with the
// current schema and its seeds, and the "sa" login (sysadmin). Throws when
// it exists.
void create(const QString &serverName, const QString &saPassword, HashCost cost = HashCost::Interactive);

// Brings the server's program database to this build's schema. An embedded
// server does so whenever it is opened; a PostgreSQL database only so, by
// its administrator.
void upgrade(const QString &serverName);

// Opens a database of a server as its administrator, without a login: for
// the administration tool, where the folder's file permissions are the
// access control. An empty name is the program database.
void openForAdministration(Connection &conn, const QString &serverName, const QString &database = {});

// Password of a login, set without knowing the old one.
void setLoginPassword(const QString &serverName, const QString &login, const QString &password);

struct LoginInfo {
    QString name;
    QString defaultDatabase;
    bool sysadmin = false;
};
std::vector<LoginInfo> logins(const QString &serverName); // ordered by name

// A password hash for rows of the program's own (letter case ignored), at
// the hash cost of the connection's server.
QString hashPassword(Connection &conn, const QString &password);

} // namespace server

// True when `typed` is the password of `hash` (letter case ignored).
bool verifyPassword(const QString &hash, const QString &typed);

// The schema version of the registered migrations, and the one a database has.
int schemaVersion();
int databaseVersion(Connection &conn);

} // namespace db
