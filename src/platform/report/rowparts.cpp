// Rows read in parts: by date range (DateRangeRows) and by key (KeyRangeRows).
#include "platform/report/rowparts_p.h"
#include "platform/report/sqlshape_p.h"

#include <algorithm>
#include <optional>

namespace report {

// Whether a query wrapped in another gives its columns as they were: SQLite
// tells a compound SELECT's columns by its first part at the top and by its
// last one inside a subquery.
bool sameColumns(const std::vector<db::Column> &before, const std::vector<db::Column> &after)
{
    if (after.size() != before.size())
        return false;
    for (size_t i = 0; i < before.size(); ++i) {
        const db::Column &a = before[i], &b = after[i];
        if (a.name != b.name || a.table.compare(b.table, Qt::CaseInsensitive) != 0
            || a.origin.compare(b.origin, Qt::CaseInsensitive) != 0 || a.kind != b.kind)
            return false;
    }
    return true;
}

namespace {

// The rows of a query ordered by a date first, fetched a part of the date
// range at a time: a week first, then parts twice as long up to a month.
// Each part is the whole query for its dates, so the parts follow one
// another in the query's order; a part laid out is let go.
class DateRangeRows : public RowSet {
public:
    DateRangeRows(DataSource &source, QString sql, db::Params params, DateRange range)
        : m_source(source)
        , m_sql(std::move(sql))
        , m_params(std::move(params))
        , m_range(range)
        , m_next(range.from)
    {
        fetchMore();
        if (!m_parts.empty())
            m_columns = m_parts.front().rows->columns();
    }
    const std::vector<ColumnName> &columns() const override { return m_columns; }
    int rowCount() const override { return m_count; }
    const db::Value &at(int row, int column) const override
    {
        if (row < m_last->first || row >= m_last->first + m_last->rows->rowCount()) {
            auto it = std::upper_bound(
                m_parts.begin(), m_parts.end(), row, [](int r, const Part &p) { return r < p.first; });
            m_last = &*(it - 1);
        }
        return m_last->rows->at(row - m_last->first, column);
    }
    bool fetchMore() override
    {
        if (m_next > m_range.to)
            return false;
        const QDate until = std::min(m_range.to, m_next.addDays(m_days - 1));
        db::Params params = m_params;
        params[size_t(m_range.low)] = db::Value(m_next);
        params[size_t(m_range.low + 1)] = db::Value(until);
        std::unique_ptr<RowSet> rows = m_source.fetch(m_sql, params);
        const int n = rows->rowCount();
        m_parts.push_back({m_count, n, m_next, until, std::move(rows)});
        m_last = &m_parts.back();
        m_count += n;
        m_next = until.addDays(1);
        m_days = std::min<qint64>(m_days * 2, kLongestPart);
        return true;
    }
    void release(int row) override
    {
        for (; m_released < m_parts.size(); ++m_released) {
            Part &part = m_parts[m_released];
            if (part.first + part.count > row || &part == m_last)
                break;
            part.rows.reset();
        }
    }
    double shareAt(int row) const override
    {
        auto it = std::upper_bound(
            m_parts.begin(), m_parts.end(), row, [](int r, const Part &p) { return r < p.first; });
        const Part &part = *(it - 1);
        const double all = double(m_range.from.daysTo(m_range.to) + 1);
        const double begin = double(m_range.from.daysTo(part.from)) / all;
        const double end = double(m_range.from.daysTo(part.to) + 1) / all;
        const int n = part.count;
        return begin + (end - begin) * (n > 0 ? double(row - part.first) / double(n) : 0.0);
    }

private:
    static constexpr qint64 kLongestPart = 31; // days
    struct Part {
        int first;
        int count;
        QDate from, to;
        std::unique_ptr<RowSet> rows; // none once let go
    };
    DataSource &m_source;
    QString m_sql;
    db::Params m_params;
    DateRange m_range;
    QDate m_next;
    qint64 m_days = 7;
    std::vector<Part> m_parts; // moved parts keep their rows where they are
    mutable const Part *m_last = nullptr;
    size_t m_released = 0; // parts before this one are let go
    std::vector<ColumnName> m_columns;
    int m_count = 0;
};

// The rows of a query ordered first by a stored number or date, without a
// range of it in the selection, read in parts cut by the key's value: the
// first rows, up to the key of the `kFirstRows`-th, so the first pages are
// laid out before the later rows are read; then blocks of about
// `kBlockRows` rows of greater keys, each ending before its last key's run
// of rows (a block that is one key's run is read whole), so a key's rows
// are never split between blocks; then the rows without a key (which an
// engine sorting them last puts there; one sorting them first has none when
// the first row has a key, else the query is fetched whole). Each part is
// its own cut, not a count of rows, so a row saved meanwhile by another copy
// is left out or shown once, never in place of another; a block laid out is
// let go. The first rows are read as a work table filled in part stands (a
// procedure writes its first lines first); reading the rest has the
// connection finish it.
class KeyRangeRows : public RowSet {
public:
    static constexpr int kFirstRows = 200;
    static constexpr int kBlockRows = 4096;

    static std::unique_ptr<RowSet> make(DataSource &source, const QString &sql, const db::Params &params)
    {
        const std::vector<db::Column> cols = source.describe(sql);
        const int k = cols.empty() ? -1 : leadingOrderColumn(sql, int(cols.size()));
        if (k < 0)
            return nullptr;
        const db::Column &col = cols[size_t(k)];
        const bool ordered = col.kind == db::Type::Int || col.kind == db::Type::Date
            || col.kind == db::Type::Money || col.kind == db::Type::Real;
        if (!ordered || col.origin.isEmpty())
            return nullptr;
        int sameName = 0;
        for (const db::Column &c : cols)
            sameName += c.name.compare(col.name, Qt::CaseInsensitive) == 0 ? 1 : 0;
        if (sameName != 1)
            return nullptr;
        const QString name = u'"' + QString(col.name).replace(u'"', QStringLiteral("\"\"")) + u'"';
        const QString wrapped = QStringLiteral("select * from (\n") + sql + QStringLiteral("\n) where ");
        const QString first = wrapped + name + QStringLiteral(" <= ?");
        if (!sameColumns(cols, source.describe(first)))
            return nullptr;
        // The key of the last of the first rows, read alone (a query of
        // fewer rows is fetched whole, having fetched nothing more), then
        // that of the first row: without one, the engine sorts the rows
        // without a key first.
        auto keyAt = [&](int offset) {
            return source.fetchFirst(QStringLiteral("select ") + name + QStringLiteral(" from (\n") + sql
                    + QStringLiteral("\n) limit 1 offset %1").arg(offset),
                params);
        };
        const std::unique_ptr<RowSet> key = keyAt(kFirstRows - 1);
        if (key->rowCount() != 1 || key->at(0, 0).isNull() || keyAt(0)->at(0, 0).isNull())
            return nullptr;
        db::Params firstParams = params;
        firstParams.push_back(key->at(0, 0));
        auto rows = std::unique_ptr<KeyRangeRows>(new KeyRangeRows(source, sql, name, params, k));
        rows->m_after = key->at(0, 0);
        rows->add(source.fetchFirst(first, firstParams));
        rows->m_columns = rows->m_parts.front().rows->columns();
        rows->m_firstKey = number(rows->m_parts.front().rows->at(0, k));
        return rows;
    }
    const std::vector<ColumnName> &columns() const override { return m_columns; }
    int rowCount() const override { return m_count; }
    const db::Value &at(int row, int column) const override
    {
        if (row < m_last->first || row >= m_last->first + m_last->count) {
            auto it = std::upper_bound(
                m_parts.begin(), m_parts.end(), row, [](int r, const Part &p) { return r < p.first; });
            m_last = &*(it - 1);
        }
        return m_last->rows->at(row - m_last->first, column);
    }
    bool fetchMore() override
    {
        switch (m_stage) {
        case Stage::Keyed:
            fetchBlock();
            return true;
        case Stage::Unkeyed:
            add(m_source.fetch(m_wrapped + m_name + QStringLiteral(" is null"), m_params));
            m_stage = Stage::Done;
            return true;
        case Stage::Done:
            break;
        }
        return false;
    }
    void release(int row) override
    {
        for (; m_released < m_parts.size(); ++m_released) {
            Part &part = m_parts[m_released];
            if (part.first + part.count > row || &part == m_last || &part == &m_parts.back())
                break;
            part.rows.reset();
        }
    }
    // How far the keys read so far stand between the first and the last
    // (read once, when the rest is first read); nothing is known before.
    double shareAt(int row) const override
    {
        if (m_stage == Stage::Done)
            return double(row) / double(std::max(1, m_count));
        if (!m_lastKey)
            return 0.0;
        const double low = m_firstKey;
        const double span = *m_lastKey - low;
        if (span <= 0)
            return 0.0;
        return std::clamp((number(at(row, m_key)) - low) / span, 0.0, 1.0);
    }

private:
    enum class Stage { Keyed, Unkeyed, Done };
    struct Part {
        int first;
        int count; // the rows of `rows` that belong to the part
        std::unique_ptr<RowSet> rows; // none once let go
    };

    KeyRangeRows(DataSource &source, const QString &sql, QString name, db::Params params, int key)
        : m_source(source)
        , m_sql(sql)
        , m_wrapped(QStringLiteral("select * from (\n") + sql + QStringLiteral("\n) where "))
        , m_name(std::move(name))
        , m_params(std::move(params))
        , m_key(key)
    {
    }

    static double number(const db::Value &v)
    {
        if (v.type() == db::Type::Date)
            return double(v.toDate().toJulianDay());
        if (v.type() == db::Type::Money)
            return double(v.toMoney().cents());
        return v.toDouble();
    }

    void add(std::unique_ptr<RowSet> rows, int count = -1)
    {
        const int n = count < 0 ? rows->rowCount() : count;
        m_parts.push_back({m_count, n, std::move(rows)});
        m_last = &m_parts.back();
        m_count += n;
    }

    db::Params after(const db::Value &key) const
    {
        db::Params p = m_params;
        p.push_back(key);
        return p;
    }

    void fetchBlock()
    {
        if (!m_lastKey) {
            const std::unique_ptr<RowSet> last = m_source.fetch(QStringLiteral("select max(") + m_name
                    + QStringLiteral(") from (\n") + m_sql + QStringLiteral("\n)"),
                m_params);
            m_lastKey = last->rowCount() == 1 && !last->at(0, 0).isNull() ? number(last->at(0, 0)) : 0.0;
        }
        std::unique_ptr<RowSet> block = m_source.fetch(
            m_wrapped + m_name + QStringLiteral(" > ? limit %1").arg(kBlockRows), after(m_after));
        const int n = block->rowCount();
        if (n < kBlockRows) {
            add(std::move(block));
            m_stage = Stage::Unkeyed;
            return;
        }
        // The last key's run may go on past the block: it is read with the next.
        const db::Value last = block->at(n - 1, m_key);
        int cut = n - 1;
        while (cut > 0 && block->at(cut - 1, m_key) == last)
            --cut;
        if (cut == 0) {
            add(m_source.fetch(m_wrapped + m_name + QStringLiteral(" = ?"), after(last)));
            m_after = last;
            return;
        }
        m_after = block->at(cut - 1, m_key);
        add(std::move(block), cut);
    }

    DataSource &m_source;
    QString m_sql, m_wrapped, m_name;
    db::Params m_params;
    int m_key;
    db::Value m_after; // the greatest key read
    double m_firstKey = 0;
    std::optional<double> m_lastKey;
    Stage m_stage = Stage::Keyed;
    std::vector<ColumnName> m_columns;
    std::vector<Part> m_parts; // moved parts keep their rows where they are
    mutable const Part *m_last = nullptr;
    size_t m_released = 0; // parts before this one are let go
    int m_count = 0;
};

} // namespace

std::unique_ptr<RowSet> dateRangeRows(DataSource &source, QString sql, db::Params params, DateRange range)
{
    return std::make_unique<DateRangeRows>(source, std::move(sql), std::move(params), range);
}

std::unique_ptr<RowSet> keyRangeRows(DataSource &source, const QString &sql, const db::Params &params)
{
    return KeyRangeRows::make(source, sql, params);
}

} // namespace report
