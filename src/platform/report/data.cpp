#include "platform/report/engine_p.h"
#include "platform/report/sqlshape_p.h"

#include <algorithm>
#include <optional>

namespace report {

// ------------------------------------------------------------ row sources

void MemoryRowSet::addRow(std::vector<db::Value> values)
{
    values.resize(m_columns.size());
    for (db::Value &v : values)
        m_values.push_back(std::move(v));
}

RecordsetRows::RecordsetRows(std::unique_ptr<db::Recordset> rs)
    : m_rs(std::move(rs))
{
    m_count = m_rs->recordCount();
    const int n = m_rs->fieldCount();
    m_columns.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const db::Column &c = m_rs->column(i);
        const qsizetype dot = c.name.indexOf(u'.');
        if (dot > 0)
            m_columns.push_back({c.name.left(dot), c.name.mid(dot + 1)});
        else
            m_columns.push_back({c.table, c.origin.isEmpty() ? c.name : c.origin});
    }
}

RecordsetRows::~RecordsetRows() = default;

std::unique_ptr<RowSet> ConnectionSource::fetch(const QString &sql, const db::Params &params)
{
    auto rs = std::make_unique<db::Recordset>();
    try {
        rs->open(sql, *m_conn, params);
    } catch (const db::OverflowError &) {
        // The server's text speaks of a refused save; a report changes nothing.
        throw Error(QStringLiteral("A total in the report is too large for an amount."));
    }
    return std::make_unique<RecordsetRows>(std::move(rs));
}

std::unique_ptr<RowSet> ConnectionSource::fetchFirst(const QString &sql, const db::Params &params)
{
    db::Connection::FirstRows asItStands(*m_conn);
    return fetch(sql, params);
}

namespace {

db::Value boundValue(const Val &v)
{
    switch (v.kind()) {
    case Val::Null:
        return {};
    case Val::Int:
        return db::Value(static_cast<long long>(v.toInt()));
    case Val::Money:
        return db::Value(v.toMoney());
    case Val::Real:
        return db::Value(v.toReal());
    case Val::Date:
        return db::Value(v.toDate());
    default:
        return db::Value(v.toString());
    }
}

// The literal the selection keeps a field below ("{T.F} < literal" joined
// by "and" at its top), or Null when it sets no such bound.
db::Value selectionBelow(const Compiled &c, const QString &field)
{
    if (c.selection < 0)
        return {};
    for (const FieldCondition &fc : c.exprs[size_t(c.selection)].fieldConditions())
        if (fc.kind == FieldCondition::Lt
            && (fc.table + u'.' + fc.field).compare(field, Qt::CaseInsensitive) == 0)
            return boundValue(fc.value);
    return {};
}

// Replaces {?Name} in a query by a bound '?' holding the parameter field's
// value, and {<Table.Field} by one holding the selection's bound below
// that field, so that a query can read a summary kept for whole periods
// before it. Texts, quoted names and comments of the SQL are left as written.
QString bindQueryParameters(const RenderState &st, db::Params &params)
{
    const Compiled &c = st.c;
    QString sql;
    qsizetype last = 0;
    const QString &q = c.def->query;
    for (const QueryMarker &m : queryMarkers(q)) {
        sql += QStringView(q).mid(last, m.at - last);
        sql += u'?';
        last = m.at + m.size;
        if (m.kind == u'<') {
            params.push_back(selectionBelow(c, m.name));
            continue;
        }
        const int index = c.findParameter(m.name);
        if (index < 0)
            throw Error(lineContext(*c.def, c.def->queryLine),
                QStringLiteral("the query names %1, which is no parameter field of the report.")
                    .arg(q.mid(m.at, m.size)));
        params.push_back(boundValue(st.params[size_t(index)]));
    }
    sql += QStringView(q).mid(last);
    return sql;
}

// A literal as the column stores it, or nothing when SQL would not compare
// the two as the formula does (the formula alone decides those).
std::optional<db::Value> storedAs(const db::Column &col, const Val &v, FieldCondition::Kind kind)
{
    const bool ordering = kind != FieldCondition::Eq && kind != FieldCondition::Ne;
    switch (col.kind) {
    case db::Type::Int:
        if (v.kind() == Val::Int && kind != FieldCondition::Like)
            return db::Value(static_cast<long long>(v.toInt()));
        return std::nullopt;
    case db::Type::Money:
        if (kind == FieldCondition::Like)
            return std::nullopt;
        if (v.kind() == Val::Money)
            return db::Value(v.toMoney());
        if (v.kind() == Val::Int && v.toInt() > -(INT64_MAX / 100) && v.toInt() < INT64_MAX / 100)
            return db::Value(db::Money::fromCents(v.toInt() * 100));
        return std::nullopt;
    case db::Type::Date:
        if (v.kind() == Val::Date && kind != FieldCondition::Like)
            return db::Value(v.toDate());
        return std::nullopt;
    case db::Type::Text: {
        // SQLite folds the case of ASCII letters only, and orders texts
        // otherwise than the formula does.
        if (v.kind() != Val::Text || (ordering && kind != FieldCondition::Like))
            return std::nullopt;
        const QString &t = v.text();
        for (QChar ch : t)
            if (ch.unicode() > 0x7e)
                return std::nullopt;
        return db::Value(t);
    }
    default:
        return std::nullopt;
    }
}

// A like pattern (* any run, ? one character) in SQL's terms, escaped with '\'.
QString sqlLike(const QString &pattern)
{
    QString out;
    for (QChar ch : pattern) {
        if (ch == u'*')
            out += u'%';
        else if (ch == u'?')
            out += u'_';
        else if (ch == u'%' || ch == u'_' || ch == u'\\')
            out += u'\\' + QString(ch);
        else
            out += ch;
    }
    return out;
}

// The storage rule of a table's column, Null when there is no such column.
db::Type namedKind(DataSource &source, const QString &table, const QString &field)
{
    auto quoted = [](QString name) { return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"'; };
    try {
        const std::vector<db::Column> c = source.describe(
            QStringLiteral("select ") + quoted(field) + QStringLiteral(" from ") + quoted(table));
        return c.size() == 1 ? c.front().kind : db::Type::Null;
    } catch (const db::Error &) {
        return db::Type::Null;
    }
}

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

// The query narrowed by the selection's top-level conditions on plain
// columns. The selection still runs on every fetched row, so a condition
// left out here only costs rows.
// A date range of the selection on the column the query is ordered by
// first: the rows can be fetched a part of the range at a time.
struct DateRange {
    int low = -1; // index of the range's first bound among the query's parameters
    QDate from, to;
};

// The WHERE term of one condition on a column the query gives, with its
// bound values; none when SQL would not compare as the formula does.
// `leading`: the query is ordered by that column first.
void addTerm(QStringList &terms, db::Params &termParams, const FieldCondition &fc, const db::Column &col,
    bool leading, int paramsBefore, DateRange *range)
{
    const QString name = u'"' + QString(col.name).replace(u'"', QStringLiteral("\"\"")) + u'"';
    if (fc.kind == FieldCondition::IsNull) {
        terms << name + QStringLiteral(" IS NULL");
        return;
    }
    const std::optional<db::Value> v = storedAs(col, fc.value, fc.kind);
    if (!v)
        return;
    const QString collate = col.kind == db::Type::Text ? QStringLiteral(" COLLATE NOCASE") : QString();
    static const char *const ops[] = {"=", "<>", "<", "<=", ">", ">="};
    switch (fc.kind) {
    case FieldCondition::Between: {
        const std::optional<db::Value> hi = storedAs(col, fc.upper, fc.kind);
        if (!hi)
            return;
        terms << name + QStringLiteral(" BETWEEN ? AND ?");
        if (range && range->low < 0 && col.kind == db::Type::Date && v->type() == db::Type::Date
            && hi->type() == db::Type::Date && v->toDate() <= hi->toDate() && leading)
            *range = {paramsBefore + int(termParams.size()), v->toDate(), hi->toDate()};
        termParams.push_back(*v);
        termParams.push_back(*hi);
        return;
    }
    case FieldCondition::Like:
        if (col.kind != db::Type::Text)
            return;
        terms << name + QStringLiteral(" LIKE ? ESCAPE '\\'");
        termParams.push_back(sqlLike(v->toString()));
        return;
    default:
        terms << name + u' ' + QLatin1String(ops[int(fc.kind)]) + QStringLiteral(" ?") + collate;
        termParams.push_back(*v);
        return;
    }
}

QString pushSelection(
    const Compiled &c, DataSource &source, const QString &sql, db::Params &params, DateRange *range = nullptr)
{
    const std::vector<FieldCondition> conditions = c.exprs[size_t(c.selection)].fieldConditions();
    if (conditions.empty())
        return sql;
    const std::vector<db::Column> cols = source.describe(sql);
    if (cols.empty())
        return sql;
    // Columns are named as RecordsetRows names them; the first of a name counts.
    QHash<QString, int> byName, outputNames;
    for (size_t i = 0; i < cols.size(); ++i) {
        const db::Column &col = cols[i];
        const QString key
            = col.name.indexOf(u'.') > 0 ? col.name.toLower() : (col.table + u'.' + col.origin).toLower();
        if (!byName.contains(key))
            byName.insert(key, int(i));
        outputNames[col.name.toLower()] += 1;
    }
    QStringList terms;
    db::Params termParams;
    for (const FieldCondition &fc : conditions) {
        const int i = byName.value(fc.table.toLower() + u'.' + fc.field.toLower(), -1);
        if (i < 0)
            continue;
        db::Column col = cols[size_t(i)];
        if (outputNames.value(col.name.toLower()) != 1)
            continue; // a name the outer query cannot tell apart
        // Computed, unless the text shows a stored column behind every part
        // of a compound (the server names no origin through one, nor its
        // type: that of the column the report names stands for it).
        if (col.origin.isEmpty()) {
            if (!isStoredColumn(sql, i, int(cols.size())))
                continue;
            if (col.kind == db::Type::Null)
                col.kind = namedKind(source, fc.table, fc.field);
        }
        addTerm(terms, termParams, fc, col, i == leadingOrderColumn(sql, int(cols.size())),
            int(params.size()), range);
    }
    auto unchanged = [&] {
        if (range)
            range->low = -1;
        return sql;
    };
    if (terms.isEmpty())
        return unchanged();
    const QString narrowed = QStringLiteral("select * from (\n") + sql + QStringLiteral("\n) where ")
        + terms.join(QStringLiteral(" and "));
    if (!sameColumns(cols, source.describe(narrowed)))
        return unchanged();
    params.insert(params.end(), termParams.begin(), termParams.end());
    return narrowed;
}

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

void bind(RenderState &st, int slot, const QString &context, const Scope &scope)
{
    if (slot >= 0)
        withContext(context, [&] { st.bound[size_t(slot)] = st.c.exprs[size_t(slot)].bound(scope); });
}

void bindSection(RenderState &st, const BSection &s)
{
    if (!s.present())
        return;
    const Definition &def = *st.c.def;
    bind(st, s.visible, lineContext(def, s.s->line), st);
    for (const BElement &be : s.elements)
        bind(st, be.expr, lineContext(def, be.e->line), st);
}

} // namespace

bool laysOutInOrder(const Compiled &c)
{
    if (!c.groups.empty() || !c.sorts.empty())
        return false;
    for (const BSection *s : {&c.reportHeader, &c.pageHeader, &c.details, &c.pageFooter})
        for (const BElement &be : s->elements)
            if (be.e->kind == ElementKind::Summary)
                return false;
    return true;
}

void fetchAndBind(RenderState &st, DataSource &source)
{
    const Compiled &c = st.c;
    db::Params qp;
    DateRange range;
    const bool inParts = !c.isSub && laysOutInOrder(c);
    const QString sql = pushSelection(c, source, bindQueryParameters(st, qp), qp, inParts ? &range : nullptr);
    std::unique_ptr<RowSet> parts;
    if (range.low >= 0)
        parts = std::make_unique<DateRangeRows>(source, sql, qp, range);
    else if (inParts)
        parts = KeyRangeRows::make(source, sql, qp);
    st.rows = parts ? std::move(parts) : source.fetch(sql, qp);
    st.columns.clear();
    const auto &cols = st.rows->columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        const QString key = cols[i].table.toLower() + u'.' + cols[i].field.toLower();
        if (!st.columns.contains(key))
            st.columns.insert(key, int(i));
    }
    const Definition &def = *c.def;

    st.bound.clear();
    st.bound.resize(c.exprs.size());
    for (size_t i = 0; i < c.formulas.size(); ++i)
        bind(st, c.formulas[i], QStringLiteral("Formula field '%1': ").arg(def.formulas[i].name), st);
    checkFormulaCycles(st);
    for (size_t i = 0; i < c.running.size(); ++i)
        bind(st, c.running[i], lineContext(def, def.runningTotals[i].line), st);
    for (size_t i = 0; i < c.shared.size(); ++i)
        bind(st, c.shared[i], lineContext(def, def.shared[i].line), st);
    for (size_t i = 0; i < c.sorts.size(); ++i)
        bind(st, c.sorts[i].first, lineContext(def, def.sorts[i].line), st);
    for (const BGroup &g : c.groups) {
        bind(st, g.by, lineContext(def, g.g->line), st);
        bindSection(st, g.header);
        bindSection(st, g.footer);
    }
    for (const BSection *s : {&c.reportHeader, &c.pageHeader, &c.details, &c.pageFooter, &c.reportFooter})
        bindSection(st, *s);
    // The selection runs before any running total has a value.
    bind(st, c.selection, c.selectionContext, NarrowScope(st, NarrowScope::WithFormulas));

    for (auto &sub : st.subs)
        fetchAndBind(*sub, source);
}

} // namespace report
