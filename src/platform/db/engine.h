#pragma once
// The seam where a storage engine plugs in under Connection, Recordset and
// Transaction: they do all their work on a database through a Session. The
// embedded server (sqlite_session.cpp) is the one engine built in.
#include "platform/db/db.h"

#include <functional>
#include <memory>

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

    // Unquoted names fold to lower case in this engine's catalogue, so a
    // quoted name of the program's must be written folded.
    virtual bool foldsNames() const { return false; }

    // Transactions: begin() a write transaction that makes number-then-insert
    // atomic across copies; inner guards are savepoints. An empty savepoint
    // name is the outermost transaction.
    virtual bool inTransaction() = 0;
    virtual void begin() = 0;
    virtual void savepoint(const QString &name) = 0;
    virtual void commit(const QString &savepoint) = 0;
    virtual void rollback(const QString &savepoint) noexcept = 0;
};

} // namespace db::engine
