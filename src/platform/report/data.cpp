#include "platform/report/engine_p.h"
#include "platform/report/rowparts_p.h"
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

// The query narrowed by the selection's top-level conditions on plain
// columns. The selection still runs on every fetched row, so a condition
// left out here only costs rows.
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
        parts = dateRangeRows(source, sql, qp, range);
    else if (inParts)
        parts = keyRangeRows(source, sql, qp);
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
