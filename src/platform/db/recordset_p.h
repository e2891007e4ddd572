#pragma once
// The state behind a Recordset, shared by its reading and writing halves.
#include "platform/db/connection_p.h"

#include <QHash>

namespace db {

namespace detail {

[[noreturn]] inline void noCurrentRow()
{
    throw Error(QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                               "Requested operation requires a current record."));
}

[[noreturn]] inline void closedRecordset()
{
    throw Error(QStringLiteral("Operation is not allowed when the object is closed."));
}

} // namespace detail

struct Recordset::Impl {
    Connection *conn = nullptr;
    std::weak_ptr<int> session;
    bool isOpen = false;
    std::vector<Column> cols;
    // The rows, one after another (fieldCount values each): one allocation
    // for a whole result, not one per row.
    std::vector<Value> cells;
    qsizetype count = 0;
    qsizetype pos = 0; // -1 before the first row, count after the last

    // Writing back (single-table selections only).
    QString table;
    bool updatable = false;
    std::vector<char> writable; // the column is a column of `table`
    std::vector<int> keyCols; // the table's whole primary key, when selected
    int rowidCol = -1; // the INTEGER PRIMARY KEY column, when selected
    bool hasRowid = true;
    // The table's and each writable column's name as the engine's
    // statements quote them.
    QString quotedTable;
    std::vector<QString> quotedCols;
    std::vector<char> hasDefault;
    enum class Mode { None, Edit, New } mode = Mode::None;
    std::vector<Value> original;
    std::vector<char> dirty;
    std::uint64_t dirtyBits = 0; // the same, for up to 63 columns
    qsizetype posBeforeAdd = -1;
    // Insert and update statements, by the set of columns written: the
    // texts, and the prepared statements this recordset holds (an AddNew
    // loop reuses one without asking the connection's cache each row).
    QHash<QString, QString> sqlByMask;
    struct Held {
        std::uint64_t key; // insert/update and the columns written, when 63 or fewer
        QString mask;
        QString sql;
        std::unique_ptr<engine::RowStatement> stmt;
    };
    std::vector<Held> held;
    std::vector<const Value *> bound; // the values of the row being written, in order

    bool onRow() const { return pos >= 0 && pos < count; }
    Value *row(qsizetype r) { return cells.data() + r * qsizetype(cols.size()); }
    const Value *row(qsizetype r) const { return cells.data() + r * qsizetype(cols.size()); }
    void requireOpen() const
    {
        if (!isOpen)
            detail::closedRecordset();
    }
    void requireRow() const
    {
        requireOpen();
        if (!onRow())
            detail::noCurrentRow();
    }
    Connection &liveConnection() const
    {
        // The token lives from the connection's open to its close.
        if (!conn || session.expired())
            throw Error(QStringLiteral("Operation is not allowed when the object is closed: "
                                       "the recordset's connection was closed."));
        return *conn;
    }
    void analyse(Connection &c);
    QString maskFor(bool insert) const;
    QString statementFor(const QString &mask);
    engine::RowStatement &statement(Connection &c, bool insert);
    void releaseStatements();
    void writeNew();
    void writeEdit();
};

} // namespace db
