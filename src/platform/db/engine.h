#pragma once
// The seams where a storage engine plugs in. Connection, Recordset and
// Transaction do all their work on a database through a Session; the
// administration of a server as a whole (opening its sessions, making it,
// its logins) goes through a Server, chosen once from what the server's
// folder holds (serverAt). Two engines are built in: the embedded one
// (sqlite_*.cpp) and PostgreSQL (pg_*.cpp). Another engine
// implements both interfaces in its own files, and serverAt() learns the
// folder that names it; nothing above the seam tells engines apart.
#include "platform/db/db.h"

#include <functional>
#include <memory>

namespace db::detail {
struct Login;
class LoginStore;
} // namespace db::detail

namespace db::engine {

// A statement's rows, as a client-side recordset holds them.
struct Result {
    std::vector<Column> columns;
    std::vector<Value> cells; // row after row, columns.size() values each
    qsizetype rows = 0;
};

// What writing a row back needs to know of its table.
struct TableColumn {
    QString name;
    int pk = 0; // position in the primary key, 0 when not part of it
    bool hasDefault = false;
    QString type;
};
struct TableInfo {
    std::vector<TableColumn> columns;
    bool hasRowid = true; // rows have a rowid (WHERE rowid = ? finds one)
};

// An INSERT or UPDATE a recordset keeps while it writes rows.
class RowStatement {
public:
    virtual ~RowStatement() = default;
    // Binds the values in order (as stored: already converted), runs the
    // statement and returns the rows it changed.
    virtual std::int64_t run(const std::vector<const Value *> &values) = 0;
};

// One login's open database.
class Session {
public:
    virtual ~Session() = default;

    virtual std::int64_t execute(const QString &sql, const Params &params) = 0;
    virtual Value scalar(const QString &sql, const Params &params) = 0;
    virtual Result query(const QString &sql, const Params &params) = 0;
    // The columns a SELECT would give, without running it.
    virtual std::vector<Column> columns(const QString &sql) = 0;
    // Checks another login against this session's server and database;
    // throws the texts a failed open gives.
    virtual void checkLogin(const QString &user, const QString &password, const QString &database) = 0;

    virtual TableInfo table(const QString &name) = 0;
    virtual std::unique_ptr<RowStatement> rowStatement(const QString &sql) = 0;
    virtual std::int64_t lastInsertKey() = 0;

    virtual bool isSysadmin(const QString &login) = 0;

    // Called now and then while a statement runs; returning false stops the
    // statement, which then fails. An empty function: none.
    virtual void setProgressHandler(std::function<bool()> handler) = 0;

    // Told the text of every statement the session runs, as it starts
    // (see Connection::setStatementObserver). An empty function: none.
    virtual void setObserver(StatementObserver observer) = 0;
    // How long a statement waits for a lock another copy holds before it
    // fails with BusyError.
    virtual void setLockWait(int milliseconds) = 0;

    // A table or column name of the program's as the quoted identifier this
    // engine's catalogue finds it by.
    virtual QString quotedName(const QString &name) const
    {
        QString q = name;
        q.replace(u'"', QLatin1String("\"\""));
        return u'"' + q + u'"';
    }

    // The server side of the session: the logins of its server and the
    // users of its database, the schema version the database has, and the
    // cost of the password hashes the program keeps in its rows.
    virtual std::unique_ptr<detail::LoginStore> logins() = 0;
    virtual int schemaVersion() = 0;
    virtual server::HashCost hashCost() = 0;
    // A schema step made behind the program's back (a test's own tables),
    // as whoever owns the database's objects; the session then reads what
    // it knows of the tables again.
    virtual void runAsOwner(const QString &sql) = 0;

    // Transactions: begin() a write transaction that makes number-then-insert
    // atomic across copies; inner guards are savepoints. An empty savepoint
    // name is the outermost transaction.
    virtual bool inTransaction() = 0;
    virtual void begin() = 0;
    // A read transaction that sees the database as it stands now, whatever
    // other copies commit while it lasts; ended by commit({}) (which keeps
    // what it wrote to temporary tables) or rollback({}).
    virtual void beginSnapshot() = 0;
    virtual void savepoint(const QString &name) = 0;
    virtual void commit(const QString &savepoint) = 0;
    virtual void rollback(const QString &savepoint) noexcept = 0;
};

// A kind of server, for the work on a server as a whole. serverAt()
// chooses the engine from what the server's folder holds.
class Server {
public:
    virtual ~Server() = default;

    // Checks the login and opens the database (an empty *database: the
    // login's default, then named there). Throws the texts the login
    // window shows.
    virtual std::unique_ptr<Session> open(
        const QString &user, const QString &password, QString *database, detail::Login *login)
        = 0;
    // A database of the server as its administrator, without a login.
    virtual std::unique_ptr<Session> administer(const QString &database) = 0;
    // Makes the server: its logins with "sa" (sysadmin) and the program's
    // database at the registered schema; `fill`, when given, gets a
    // session of "sa" on that database to add the program's rows. Nothing
    // stays of a server that failed to be made.
    virtual void create(const QString &saPassword, server::HashCost cost,
        const std::function<void(std::unique_ptr<Session> sa)> &fill)
        = 0;
    // Brings the program's database to the registered schema.
    virtual void upgrade() = 0;
    // Sets a login's password without the old one; throws when there is
    // no such login.
    virtual void setLoginPassword(const QString &login, const QString &password) = 0;
    virtual std::vector<server::LoginInfo> logins() = 0;
};

// The engine of the server whose folder is `path` (named `shownServer` in
// texts): a PostgreSQL server's database when the folder names one
// (postgres.txt), else the embedded server the folder holds or is to hold.
std::unique_ptr<Server> serverAt(const QString &path, const QString &shownServer);

} // namespace db::engine
