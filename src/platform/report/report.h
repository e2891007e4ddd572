#pragma once
// The report engine: a report definition file (docs/report-format.md) is
// opened, logged on to the database, given its record selection, parameter
// values, formula texts and subreport selections, then rendered into a
// Document of laid-out pages that the viewer shows.
#include "platform/db/db.h"
#include "platform/report/document.h"
#include "platform/report/reporterror.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace report {

namespace def {
struct Definition;
}

// A column of fetched data, addressed in formulas as {table.field}.
struct ColumnName {
    QString table;
    QString field;
};

// Fetched rows, read by index.
class RowSet {
public:
    virtual ~RowSet() = default;
    virtual const std::vector<ColumnName> &columns() const = 0;
    virtual int rowCount() const = 0;
    virtual const db::Value &at(int row, int column) const = 0;
    // Rows that come in parts: fetches the next part (rowCount() grows);
    // false when every row is there.
    virtual bool fetchMore() { return false; }
    // How far through all the rows a fetched row stands, 0 to 1; negative
    // when the rows are all there (their count tells).
    virtual double shareAt(int) const { return -1.0; }
    // Rows before `row` are not read again: rows read in parts may let
    // those parts go.
    virtual void release(int /*row*/) { }
};

// Where a report's rows come from.
class DataSource {
public:
    virtual ~DataSource() = default;
    // Runs a report's SELECT; `params` are bound to its '?' marks.
    virtual std::unique_ptr<RowSet> fetch(const QString &sql, const db::Params &params) = 0;
    // The same for the first rows of a query whose rest is fetched later:
    // a work table still being filled may be read as it stands.
    virtual std::unique_ptr<RowSet> fetchFirst(const QString &sql, const db::Params &params)
    {
        return fetch(sql, params);
    }
    // The columns the SELECT gives, without running it; empty when the
    // source cannot tell, and then the whole selection runs on fetched rows.
    virtual std::vector<db::Column> describe(const QString &) { return {}; }
};

// Rows held in memory (tests, and sources that are not SQL).
class MemoryRowSet : public RowSet {
public:
    explicit MemoryRowSet(std::vector<ColumnName> columns)
        : m_columns(std::move(columns))
    {
    }
    void addRow(std::vector<db::Value> values);
    const std::vector<ColumnName> &columns() const override { return m_columns; }
    int rowCount() const override { return int(m_values.size() / std::max<size_t>(1, m_columns.size())); }
    const db::Value &at(int row, int column) const override
    {
        return m_values[size_t(row) * m_columns.size() + size_t(column)];
    }

private:
    std::vector<ColumnName> m_columns;
    std::vector<db::Value> m_values;
};

// The rows of an open recordset. A column is {origin table.origin column};
// a column named "Table.Field" (select ... as "Table.Field") is that name.
class RecordsetRows : public RowSet {
public:
    explicit RecordsetRows(std::unique_ptr<db::Recordset> rs);
    ~RecordsetRows() override;
    const std::vector<ColumnName> &columns() const override { return m_columns; }
    int rowCount() const override { return m_count; }
    const db::Value &at(int row, int column) const override { return m_rs->at(row, column); }

private:
    std::unique_ptr<db::Recordset> m_rs;
    std::vector<ColumnName> m_columns;
    int m_count = 0;
};

// Reads through an open connection.
class ConnectionSource : public DataSource {
public:
    explicit ConnectionSource(std::shared_ptr<db::Connection> conn)
        : m_conn(std::move(conn))
    {
    }
    std::unique_ptr<RowSet> fetch(const QString &sql, const db::Params &params) override;
    std::unique_ptr<RowSet> fetchFirst(const QString &sql, const db::Params &params) override;
    std::vector<db::Column> describe(const QString &sql) override { return m_conn->columnsOf(sql); }
    db::Connection &connection() const { return *m_conn; }

private:
    std::shared_ptr<db::Connection> m_conn;
};

struct LogOnInfo {
    QString server; // "Data Source"
    QString database; // "Initial Catalog"
    QString user;
    QString password;
};

class Report;

// A subreport of a report, reached by name: only its selection can be set.
class Subreport {
public:
    const QString &name() const;
    QString recordSelectionFormula() const;
    // Throws FormulaError for a syntax error; the stored selection stays.
    void setRecordSelectionFormula(const QString &formula);

private:
    friend class Report;
    Subreport(Report *owner, int index)
        : m_owner(owner)
        , m_index(index)
    {
    }
    Report *m_owner;
    int m_index;
};

class Report {
public:
    // Throws report::Error when the file is missing or not a valid definition.
    static std::shared_ptr<Report> open(const QString &path);
    // A definition given as text; `source` names it in messages.
    static std::shared_ptr<Report> fromText(const QString &xml, const QString &source);
    ~Report();
    Report(const Report &) = delete;
    Report &operator=(const Report &) = delete;

    QString name() const;
    const QString &fileName() const;

    // Opens a connection with these credentials; a refused login throws db::Error.
    void logOn(const LogOnInfo &info);
    // Instead of logOn: rows from any source.
    void setDataSource(std::shared_ptr<DataSource> source);
    bool isLoggedOn() const;

    QString recordSelectionFormula() const;
    // Replaces the stored selection; "" selects every row. Throws
    // FormulaError for a syntax error, keeping the earlier selection.
    void setRecordSelectionFormula(const QString &formula);

    int parameterCount() const;
    QString parameterName(int index) const; // 1-based
    // 1-based. Throws for an index out of range or a value the field's type
    // does not take (an integer field takes whole numbers, or text of one).
    void setParameterValue(int index, const db::Value &value);

    QStringList formulaNames() const;
    QString formulaText(const QString &name) const;
    // The formula field's new text, a formula (a quoted text in the common
    // case). Throws for an unknown name (names without regard to case) or a
    // syntax error.
    void setFormula(const QString &name, const QString &formulaText);

    QStringList subreportNames() const;
    // Throws report::Error for an unknown name (without regard to case).
    Subreport openSubreport(const QString &name);

    // Called after each finished page with the document so far and how far
    // the layout is (0 to 1); false stops the layout, and the document keeps
    // the pages finished so far (Document::complete is false).
    using PageDone = std::function<bool(const std::shared_ptr<const Document> &doc, double done)>;

    // Fetches, selects, sorts, groups and lays out the report. Every fault
    // of the data (not logged on, a query or formula the engine rejects, a
    // parameter without value) throws before the first page is done, except
    // one met in rows that a report fetched in parts fetches after it.
    // Top-level conditions of the record selection that compare a column
    // with a literal also go into the query as bound WHERE terms, so only
    // the rows that can be selected are fetched.
    const Document &render(const PageDone &pageDone = {});
    // The last rendered document, or nullptr.
    const Document *document() const;
    std::shared_ptr<const Document> sharedDocument() const;

private:
    friend class Subreport;
    Report();
    static std::shared_ptr<Report> create(std::shared_ptr<def::Definition> def, const QString &fileName);
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A report-engine application object: the printing procedure makes a new
// one per printout.
class Application {
public:
    std::shared_ptr<Report> openReport(const QString &path) { return Report::open(path); }
};

} // namespace report
