#include "platform/report/definition_p.h"
#include "platform/report/formula.h"
#include "platform/report/report.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <functional>
#include <optional>

namespace report {

using namespace def;

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
    rs->open(sql, *m_conn, params);
    return std::make_unique<RecordsetRows>(std::move(rs));
}

namespace {

// ------------------------------------------------------------ helpers

QString lineContext(const Definition &def, int line)
{
    return QStringLiteral("%1, line %2: ").arg(def.source).arg(line);
}

template <class F> void withContext(const QString &context, F &&f)
{
    try {
        f();
    } catch (const FormulaError &e) {
        throw FormulaError(context + e.text(), e.position(), e.token(), e.reason());
    }
}

Formula parseIn(const QString &context, const QString &text)
{
    Formula f;
    withContext(context, [&] { f = Formula::parse(text); });
    return f;
}

bool isZero(const Val &v)
{
    switch (v.kind()) {
    case Val::Int:
        return v.toInt() == 0;
    case Val::Money:
        return v.toMoney().cents() == 0;
    case Val::Real:
        return v.toReal() == 0;
    default:
        return false;
    }
}

// Sums exact where the values are: whole numbers and amounts stay exact.
Val addNumbers(const Val &a, const Val &b)
{
    if (a.kind() == Val::Real || b.kind() == Val::Real)
        return Val(a.toReal() + b.toReal());
    if (a.kind() == Val::Int && b.kind() == Val::Int)
        return Val(a.toInt() + b.toInt());
    return Val(a.toMoney() + b.toMoney());
}

class Accum {
public:
    explicit Accum(Aggregate fn = Aggregate::Sum)
        : m_fn(fn)
    {
    }

    void add(const Val &v, const QString &what)
    {
        if (v.isNull())
            return;
        ++m_count;
        switch (m_fn) {
        case Aggregate::Count:
            return;
        case Aggregate::Sum:
        case Aggregate::Average: {
            // A computed amount comes from the query as exact decimal text
            // (money(...)); it adds up as the amount it is.
            db::Money amount;
            if (v.kind() == Val::Text && db::Money::tryParse(v.toString(), &amount)) {
                m_sum = addNumbers(m_sum, Val(amount));
                return;
            }
            if (!v.isNumber())
                throw Error(
                    QStringLiteral("%1adds up a value that is not a number ('%2').").arg(what, v.toString()));
            m_sum = addNumbers(m_sum, v);
            return;
        }
        case Aggregate::Min:
        case Aggregate::Max: {
            if (m_best.isNull()) {
                m_best = v;
                return;
            }
            const int c = orderVals(v, m_best);
            if ((m_fn == Aggregate::Min && c < 0) || (m_fn == Aggregate::Max && c > 0))
                m_best = v;
            return;
        }
        }
    }

    Val value() const
    {
        switch (m_fn) {
        case Aggregate::Count:
            return Val(m_count);
        case Aggregate::Sum:
            return m_sum;
        case Aggregate::Min:
        case Aggregate::Max:
            return m_best;
        case Aggregate::Average:
            if (m_count == 0)
                return {};
            if (m_sum.kind() == Val::Real)
                return Val(m_sum.toReal() / double(m_count));
            {
                // Half away from zero, to the cent.
                const std::int64_t cents = m_sum.toMoney().cents();
                const std::int64_t q = (cents >= 0 ? cents + m_count / 2 : cents - m_count / 2) / m_count;
                return Val(db::Money::fromCents(q));
            }
        }
        return {};
    }

    void reset()
    {
        m_sum = Val(std::int64_t(0));
        m_best = Val();
        m_count = 0;
    }

private:
    Aggregate m_fn;
    Val m_sum {std::int64_t(0)};
    Val m_best;
    std::int64_t m_count = 0;
};

// ------------------------------------------------------------ bound report

struct BElement {
    const Element *e = nullptr;
    Formula expr;
    DisplayFormat format;
    std::uint16_t style = 0;
};

struct BSection {
    const Section *s = nullptr;
    Formula visible;
    std::vector<BElement> elements;
    bool present() const { return s && s->present; }
};

struct BGroup {
    const Group *g = nullptr;
    Formula by;
    BSection header, footer;
};

struct Band {
    double height = 0;
    std::vector<TextItem> texts;
    std::vector<LineItem> lines;
    std::vector<std::pair<int, Special>> specials; // texts index
    int row = -1;
    int headerLevel = -1;
    bool keepWithNext = false;
    bool newPageBefore = false;
    bool newPageAfter = false;
    bool reportHeader = false;
};

} // namespace

// One report or subreport: its definition, parsed formulas and, while
// rendering, its rows.
struct Compiled : Scope {
    std::shared_ptr<const Definition> def;
    bool isSub = false;

    Formula selection;
    QString selectionContext;
    std::vector<Formula> formulas;
    std::vector<std::pair<Formula, bool>> sorts;
    std::vector<BGroup> groups;
    BSection reportHeader, pageHeader, details, pageFooter, reportFooter;
    std::vector<Formula> running;
    std::vector<Formula> shared; // a subreport's values for its report
    std::vector<std::unique_ptr<Compiled>> subs;
    std::vector<Val> subValues; // the subreports' shared values, in order, once they are rendered

    // Render state.
    std::unique_ptr<RowSet> rows;
    QHash<QString, int> columns;
    std::vector<Val> params;
    bool allowRunning = true;
    std::vector<Band> bands; // a subreport's laid-out bands

    int findField(const QString &table, const QString &field) const override
    {
        return columns.value(table.toLower() + u'.' + field.toLower(), -1);
    }
    int findParameter(const QString &name) const override
    {
        for (size_t i = 0; i < def->parameters.size(); ++i)
            if (def->parameters[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    int findFormula(const QString &name) const override
    {
        for (size_t i = 0; i < def->formulas.size(); ++i)
            if (def->formulas[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
    int findRunningTotal(const QString &name) const override
    {
        if (!allowRunning)
            return -1;
        for (size_t i = 0; i < def->runningTotals.size(); ++i)
            if (def->runningTotals[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        int index = int(def->runningTotals.size());
        for (const auto &sub : subs)
            for (const RunningTotal &t : sub->def->shared) {
                if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                    return index;
                ++index;
            }
        return -1;
    }
};

namespace {

void compileSection(const Definition &def, const Section &s, BSection &out)
{
    out.s = &s;
    if (!s.present)
        return;
    if (!s.visible.isEmpty())
        out.visible = parseIn(lineContext(def, s.line), s.visible);
    for (const Element &e : s.elements) {
        BElement be;
        be.e = &e;
        if (e.kind == ElementKind::Field || e.kind == ElementKind::Summary)
            be.expr = parseIn(lineContext(def, e.line), e.text);
        be.format = DisplayFormat(
            e.kind == ElementKind::Special && e.format.isEmpty() ? QStringLiteral("dd-mm-yyyy") : e.format);
        out.elements.push_back(std::move(be));
    }
}

std::unique_ptr<Compiled> compile(std::shared_ptr<const Definition> defPtr, bool isSub)
{
    auto c = std::make_unique<Compiled>();
    c->def = defPtr;
    c->isSub = isSub;
    const Definition &def = *defPtr;
    c->selectionContext = isSub ? QStringLiteral("Subreport '%1', record selection formula: ").arg(def.name)
                                : QStringLiteral("Record selection formula: ");
    c->selection = parseIn(c->selectionContext, def.selection);
    if (!c->selection.canBeCondition())
        throw Error(c->selectionContext + QStringLiteral("it must give true or false."));
    for (const FormulaField &f : def.formulas)
        c->formulas.push_back(parseIn(QStringLiteral("Formula field '%1': ").arg(f.name), f.text));
    for (const Sort &s : def.sorts)
        c->sorts.emplace_back(parseIn(lineContext(def, s.line), s.by), s.descending);
    for (const Group &g : def.groups) {
        BGroup bg;
        bg.g = &g;
        bg.by = parseIn(lineContext(def, g.line), g.by);
        compileSection(def, g.header, bg.header);
        compileSection(def, g.footer, bg.footer);
        c->groups.push_back(std::move(bg));
    }
    compileSection(def, def.reportHeader, c->reportHeader);
    compileSection(def, def.pageHeader, c->pageHeader);
    compileSection(def, def.details, c->details);
    compileSection(def, def.pageFooter, c->pageFooter);
    compileSection(def, def.reportFooter, c->reportFooter);
    for (const RunningTotal &t : def.runningTotals)
        c->running.push_back(parseIn(lineContext(def, t.line), t.expr));
    for (const RunningTotal &t : def.shared)
        c->shared.push_back(parseIn(lineContext(def, t.line), t.expr));
    for (const auto &sub : def.subreports)
        c->subs.push_back(compile(sub, true));
    return c;
}

class RowCtx : public Context {
public:
    RowCtx(const Compiled &c, int row, const std::vector<Accum> *running)
        : m_c(c)
        , m_row(row)
        , m_running(running)
    {
    }
    void setRow(int row) { m_row = row; }

    Val field(int index) const override
    {
        return m_row < 0 ? Val() : Val::fromDb(m_c.rows->at(m_row, index));
    }
    Val parameter(int index) const override
    {
        return size_t(index) < m_c.params.size() ? m_c.params[size_t(index)] : Val();
    }
    Val formula(int index) const override { return m_c.formulas[size_t(index)].eval(*this); }
    Val runningTotal(int index) const override
    {
        const size_t own = m_c.def->runningTotals.size();
        if (size_t(index) >= own)
            return size_t(index) - own < m_c.subValues.size() ? m_c.subValues[size_t(index) - own] : Val();
        return m_running ? (*m_running)[size_t(index)].value() : Val();
    }

private:
    const Compiled &m_c;
    int m_row;
    const std::vector<Accum> *m_running;
};

std::uint16_t styleIndex(Document &doc, const TextStyle &s)
{
    for (size_t i = 0; i < doc.styles.size(); ++i)
        if (doc.styles[i] == s)
            return std::uint16_t(i);
    doc.styles.push_back(s);
    return std::uint16_t(doc.styles.size() - 1);
}

// Formula fields may use one another, but not in a circle.
void checkFormulaCycles(const Compiled &c)
{
    const size_t n = c.formulas.size();
    std::vector<int> state(n, 0); // 0 new, 1 on the path, 2 done
    std::function<void(size_t)> visit = [&](size_t i) {
        state[i] = 1;
        for (int j : c.formulas[i].formulaRefs()) {
            if (state[size_t(j)] == 1)
                throw Error(QStringLiteral("Formula field '%1' refers to itself through {@%2}.")
                                .arg(c.def->formulas[size_t(j)].name, c.def->formulas[i].name));
            if (state[size_t(j)] == 0)
                visit(size_t(j));
        }
        state[i] = 2;
    };
    for (size_t i = 0; i < n; ++i)
        if (state[i] == 0)
            visit(i);
}

void bindSection(Compiled &c, BSection &s, Document &doc)
{
    if (!s.present())
        return;
    const Definition &def = *c.def;
    withContext(lineContext(def, s.s->line), [&] { s.visible.bind(c); });
    for (BElement &be : s.elements) {
        withContext(lineContext(def, be.e->line), [&] { be.expr.bind(c); });
        be.style = styleIndex(doc, be.e->style);
    }
}

// Replaces {?Name} in a query by a bound '?'.
QString bindQueryParameters(const Compiled &c, db::Params &params)
{
    static const QRegularExpression marker(QStringLiteral("\\{\\?\\s*([^}]*?)\\s*\\}"));
    QString sql;
    qsizetype last = 0;
    const QString &q = c.def->query;
    for (auto it = marker.globalMatch(q); it.hasNext();) {
        const auto m = it.next();
        const int index = c.findParameter(m.captured(1));
        if (index < 0)
            throw Error(lineContext(*c.def, c.def->queryLine)
                + QStringLiteral("the query names %1, which is no parameter field of the report.")
                      .arg(m.captured(0)));
        sql += q.mid(last, m.capturedStart() - last);
        sql += u'?';
        last = m.capturedEnd();
        const Val &v = c.params[size_t(index)];
        switch (v.kind()) {
        case Val::Null:
            params.emplace_back();
            break;
        case Val::Int:
            params.emplace_back(static_cast<long long>(v.toInt()));
            break;
        case Val::Money:
            params.emplace_back(v.toMoney());
            break;
        case Val::Real:
            params.emplace_back(v.toReal());
            break;
        case Val::Date:
            params.emplace_back(v.toDate());
            break;
        default:
            params.emplace_back(v.toString());
        }
    }
    sql += q.mid(last);
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

// The query narrowed by the selection's top-level conditions on plain
// columns. The selection still runs on every fetched row, so a condition
// left out here only costs rows.
QString pushSelection(const Compiled &c, DataSource &source, const QString &sql, db::Params &params)
{
    const std::vector<FieldCondition> conditions = c.selection.fieldConditions();
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
        const db::Column &col = cols[size_t(i)];
        if (col.origin.isEmpty() || outputNames.value(col.name.toLower()) != 1)
            continue; // computed, or a name the outer query cannot tell apart
        const QString name = u'"' + QString(col.name).replace(u'"', QStringLiteral("\"\"")) + u'"';
        if (fc.kind == FieldCondition::IsNull) {
            terms << name + QStringLiteral(" IS NULL");
            continue;
        }
        const std::optional<db::Value> v = storedAs(col, fc.value, fc.kind);
        if (!v)
            continue;
        const QString collate = col.kind == db::Type::Text ? QStringLiteral(" COLLATE NOCASE") : QString();
        static const char *const ops[] = {"=", "<>", "<", "<=", ">", ">="};
        switch (fc.kind) {
        case FieldCondition::Between: {
            const std::optional<db::Value> hi = storedAs(col, fc.upper, fc.kind);
            if (!hi)
                continue;
            terms << name + QStringLiteral(" BETWEEN ? AND ?");
            termParams.push_back(*v);
            termParams.push_back(*hi);
            break;
        }
        case FieldCondition::Like:
            if (col.kind != db::Type::Text)
                continue;
            terms << name + QStringLiteral(" LIKE ? ESCAPE '\\'");
            termParams.push_back(sqlLike(v->toString()));
            break;
        default:
            terms << name + u' ' + QLatin1String(ops[int(fc.kind)]) + QStringLiteral(" ?") + collate;
            termParams.push_back(*v);
            break;
        }
    }
    if (terms.isEmpty())
        return sql;
    const QString narrowed = QStringLiteral("select * from (\n") + sql + QStringLiteral("\n) where ")
        + terms.join(QStringLiteral(" and "));
    // The rows must come back named and typed as before: SQLite tells a
    // compound SELECT's columns by its first part at the top and by its last
    // one inside a subquery.
    const std::vector<db::Column> after = source.describe(narrowed);
    if (after.size() != cols.size())
        return sql;
    for (size_t i = 0; i < cols.size(); ++i) {
        const db::Column &a = cols[i], &b = after[i];
        if (a.name != b.name || a.table.compare(b.table, Qt::CaseInsensitive) != 0
            || a.origin.compare(b.origin, Qt::CaseInsensitive) != 0 || a.kind != b.kind)
            return sql;
    }
    params.insert(params.end(), termParams.begin(), termParams.end());
    return narrowed;
}

void fetchAndBind(Compiled &c, DataSource &source, Document &doc)
{
    db::Params qp;
    const QString sql = pushSelection(c, source, bindQueryParameters(c, qp), qp);
    c.rows = source.fetch(sql, qp);
    c.columns.clear();
    const auto &cols = c.rows->columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        const QString key = cols[i].table.toLower() + u'.' + cols[i].field.toLower();
        if (!c.columns.contains(key))
            c.columns.insert(key, int(i));
    }
    const Definition &def = *c.def;

    c.allowRunning = true;
    for (size_t i = 0; i < c.formulas.size(); ++i)
        withContext(
            QStringLiteral("Formula field '%1': ").arg(def.formulas[i].name), [&] { c.formulas[i].bind(c); });
    checkFormulaCycles(c);
    for (size_t i = 0; i < c.running.size(); ++i)
        withContext(lineContext(def, def.runningTotals[i].line), [&] { c.running[i].bind(c); });
    for (size_t i = 0; i < c.shared.size(); ++i)
        withContext(lineContext(def, def.shared[i].line), [&] { c.shared[i].bind(c); });
    for (size_t i = 0; i < c.sorts.size(); ++i)
        withContext(lineContext(def, def.sorts[i].line), [&] { c.sorts[i].first.bind(c); });
    for (BGroup &g : c.groups) {
        withContext(lineContext(def, g.g->line), [&] { g.by.bind(c); });
        bindSection(c, g.header, doc);
        bindSection(c, g.footer, doc);
    }
    for (BSection *s : {&c.reportHeader, &c.pageHeader, &c.details, &c.pageFooter, &c.reportFooter})
        bindSection(c, *s, doc);
    // The selection runs before any running total has a value.
    c.allowRunning = false;
    withContext(c.selectionContext, [&] { c.selection.bind(c); });
    c.allowRunning = true;

    for (auto &sub : c.subs)
        fetchAndBind(*sub, source, doc);
}

// ------------------------------------------------------------ layout

class Sink {
public:
    virtual ~Sink() = default;
    virtual void place(Band &&band) = 0;
};

class Collect : public Sink {
public:
    explicit Collect(std::vector<Band> &out)
        : m_out(out)
    {
    }
    void place(Band &&band) override { m_out.push_back(std::move(band)); }

private:
    std::vector<Band> &m_out;
};

// Walks the selected rows in order and turns sections into bands.
class Body {
public:
    explicit Body(Compiled &c, Sink *sink = nullptr)
        : m_c(c)
        , m_sink(sink)
    {
    }
    void setSink(Sink *sink) { m_sink = sink; }

    void select();
    void run();

    Band pageBand(const BSection &s, int row)
    {
        Band b;
        makeBand(s, row, 0, count(), b);
        return b;
    }

    // Headers of the open groups outside `belowLevel` that repeat on a new page.
    std::vector<Band> repeatedHeaders(int belowLevel)
    {
        std::vector<Band> out;
        const int levels = std::min<int>(belowLevel, int(m_c.groups.size()));
        for (int l = 0; l < levels; ++l) {
            const BGroup &g = m_c.groups[size_t(l)];
            if (m_openStart.empty() || m_openStart[size_t(l)] < 0 || !g.header.present()
                || !g.header.s->repeat)
                continue;
            Band b;
            if (makeBand(g.header, m_order[size_t(m_openStart[size_t(l)])], m_openStart[size_t(l)],
                    m_openEnd[size_t(l)], b))
                out.push_back(std::move(b));
        }
        return out;
    }

    int groupCount() const { return int(m_c.groups.size()); }
    // An aggregate over the selected rows, in order.
    Val aggregate(const Formula &f, Aggregate fn, const QString &what)
    {
        Accum acc(fn);
        RowCtx ctx(m_c, -1, nullptr);
        for (int row : m_order) {
            ctx.setRow(row);
            acc.add(f.isEmpty() ? Val(true) : f.eval(ctx), what);
        }
        return acc.value();
    }
    // How far run() is through the selected rows, 0 to 1.
    double done() const { return m_order.empty() ? 1.0 : double(m_pos) / double(m_order.size()); }

private:
    int count() const { return int(m_order.size()); }
    bool makeBand(const BSection &s, int row, int from, int to, Band &b);
    void emitSection(const BSection &s, int pos, int from, int to, Band &&proto);
    Val summary(const BElement &be, int from, int to);

    Compiled &m_c;
    Sink *m_sink;
    std::vector<int> m_order; // selected rows, sorted
    std::vector<int> m_breakLevel; // per position: outermost group level that changes there
    std::vector<int> m_openStart, m_openEnd;
    std::vector<Accum> m_running;
    int m_pos = 0;
};

void Body::select()
{
    const int n = m_c.rows->rowCount();
    m_order.clear();
    m_order.reserve(size_t(n));
    RowCtx ctx(m_c, -1, nullptr);
    const bool all = m_c.selection.isEmpty();
    for (int r = 0; r < n; ++r) {
        if (!all) {
            ctx.setRow(r);
            if (!m_c.selection.eval(ctx).isTrue())
                continue;
        }
        m_order.push_back(r);
    }

    // Sort keys: groups first (unless they keep the fetched order), then the
    // record sorts. Stable, so the query's own order breaks ties.
    const size_t G = m_c.groups.size();
    struct Key {
        const Formula *f;
        bool descending;
    };
    std::vector<Key> keys;
    for (const BGroup &g : m_c.groups)
        if (g.g->order != GroupOrder::Original)
            keys.push_back({&g.by, g.g->order == GroupOrder::Descending});
    for (const auto &s : m_c.sorts)
        keys.push_back({&s.first, s.second});
    const size_t K = keys.size();
    const size_t N = m_order.size();
    // Texts are folded once, so that sorting compares them as plain strings
    // yet still without regard to case.
    std::vector<Val> keyVals(N * K);
    for (size_t p = 0; p < N; ++p) {
        ctx.setRow(m_order[p]);
        for (size_t k = 0; k < K; ++k) {
            Val v = keys[k].f->eval(ctx);
            if (v.kind() == Val::Text)
                v = Val(v.text().toCaseFolded());
            keyVals[p * K + k] = std::move(v);
        }
    }
    auto compareKeys = [](const Val &a, const Val &b) {
        if (a.kind() == Val::Text && b.kind() == Val::Text) {
            const int c = a.text().compare(b.text(), Qt::CaseSensitive);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        return orderVals(a, b);
    };
    auto before = [&](int a, int b) {
        for (size_t k = 0; k < K; ++k) {
            const int c = compareKeys(keyVals[size_t(a) * K + k], keyVals[size_t(b) * K + k]);
            if (c != 0)
                return keys[k].descending ? c > 0 : c < 0;
        }
        return false;
    };
    bool sortedAlready = true;
    for (size_t p = 1; p < N && sortedAlready; ++p)
        sortedAlready = !before(int(p), int(p - 1));
    if (K > 0 && !sortedAlready) {
        std::vector<int> perm(N);
        for (size_t p = 0; p < N; ++p)
            perm[p] = int(p);
        std::stable_sort(perm.begin(), perm.end(), before);
        std::vector<int> sorted(N);
        for (size_t p = 0; p < N; ++p)
            sorted[p] = m_order[size_t(perm[p])];
        m_order.swap(sorted);
    }

    m_breakLevel.assign(N, int(G));
    if (G > 0 && N > 0) {
        std::vector<Val> prev(G), cur(G);
        for (size_t p = 0; p < N; ++p) {
            ctx.setRow(m_order[p]);
            for (size_t l = 0; l < G; ++l)
                cur[l] = m_c.groups[l].by.eval(ctx);
            if (p == 0) {
                m_breakLevel[p] = 0;
            } else {
                for (size_t l = 0; l < G; ++l) {
                    if (orderVals(cur[l], prev[l]) != 0) {
                        m_breakLevel[p] = int(l);
                        break;
                    }
                }
            }
            prev.swap(cur);
        }
    }
}

Val Body::summary(const BElement &be, int from, int to)
{
    const Element &e = *be.e;
    Accum acc(e.aggregate);
    RowCtx ctx(m_c, -1, &m_running);
    const QString what = lineContext(*m_c.def, e.line) + QStringLiteral("the summary ");
    for (int p = from; p < to; ++p) {
        ctx.setRow(m_order[size_t(p)]);
        acc.add(be.expr.isEmpty() ? Val(true) : be.expr.eval(ctx), what);
    }
    return acc.value();
}

bool Body::makeBand(const BSection &s, int row, int from, int to, Band &b)
{
    if (!s.present())
        return false;
    RowCtx ctx(m_c, row, &m_running);
    if (!s.visible.isEmpty() && !s.visible.eval(ctx).isTrue())
        return false;
    b.height = s.s->height;
    b.row = row;
    b.newPageBefore = s.s->newPageBefore;
    b.texts.reserve(s.elements.size());
    for (const BElement &be : s.elements) {
        const Element &e = *be.e;
        const int leftAlign = int(Qt::AlignLeft | Qt::AlignVCenter);
        const int rightAlign = int(Qt::AlignRight | Qt::AlignVCenter);
        switch (e.kind) {
        case ElementKind::Text:
            b.texts.push_back(
                {e.rect, e.text, be.style, std::uint16_t(e.align >= 0 ? e.align : leftAlign), e.wrap});
            break;
        case ElementKind::Field:
        case ElementKind::Summary: {
            const Val v = e.kind == ElementKind::Field
                ? be.expr.eval(ctx)
                : summary(be, e.reportScope ? 0 : from, e.reportScope ? count() : to);
            QString text = e.blankWhenZero && isZero(v) ? QString() : be.format.apply(v);
            const int align = e.align >= 0 ? e.align : (v.isNumber() ? rightAlign : leftAlign);
            b.texts.push_back({e.rect, std::move(text), be.style, std::uint16_t(align), e.wrap});
            break;
        }
        case ElementKind::Special: {
            QString text;
            if (e.special == Special::PrintDate)
                text = be.format.apply(Val(QDate::currentDate()));
            else
                b.specials.emplace_back(int(b.texts.size()), e.special);
            b.texts.push_back(
                {e.rect, text, be.style, std::uint16_t(e.align >= 0 ? e.align : leftAlign), e.wrap});
            break;
        }
        case ElementKind::Line:
            b.lines.push_back({QLineF(e.rect.topLeft(), e.rect.bottomRight()), e.lineWidth});
            break;
        case ElementKind::Box: {
            const QRectF &r = e.rect;
            b.lines.push_back({QLineF(r.topLeft(), r.topRight()), e.lineWidth});
            b.lines.push_back({QLineF(r.topRight(), r.bottomRight()), e.lineWidth});
            b.lines.push_back({QLineF(r.bottomRight(), r.bottomLeft()), e.lineWidth});
            b.lines.push_back({QLineF(r.bottomLeft(), r.topLeft()), e.lineWidth});
            break;
        }
        case ElementKind::Subreport:
            break;
        }
    }
    return true;
}

// Places a section's band, then the bands of the subreports it holds.
void Body::emitSection(const BSection &s, int pos, int from, int to, Band &&proto)
{
    const int row = pos >= 0 && pos < count() ? m_order[size_t(pos)] : -1;
    Band b = std::move(proto);
    if (!makeBand(s, row, from, to, b))
        return;
    std::vector<Band> bands;
    bands.push_back(std::move(b));
    for (const BElement &be : s.elements) {
        if (be.e->kind != ElementKind::Subreport)
            continue;
        const Compiled &sub = *m_c.subs[size_t(be.e->subreport)];
        const double dx = be.e->rect.left();
        for (const Band &sb : sub.bands) {
            Band copy = sb;
            for (TextItem &t : copy.texts)
                t.rect.translate(dx, 0);
            for (LineItem &l : copy.lines)
                l.line.translate(dx, 0);
            copy.row = row;
            copy.headerLevel = -1;
            copy.reportHeader = bands.front().reportHeader;
            copy.keepWithNext = copy.keepWithNext || bands.front().keepWithNext;
            copy.newPageBefore = false;
            copy.newPageAfter = false;
            bands.push_back(std::move(copy));
        }
    }
    // A page break after the section comes after its subreports.
    if (bands.size() > 1) {
        bands.back().newPageAfter = bands.front().newPageAfter;
        bands.front().newPageAfter = false;
    }
    for (Band &band : bands)
        m_sink->place(std::move(band));
}

void Body::run()
{
    const int n = count();
    const int G = int(m_c.groups.size());
    const Definition &def = *m_c.def;
    m_running.clear();
    for (const RunningTotal &t : def.runningTotals)
        m_running.emplace_back(t.aggregate);
    m_openStart.assign(size_t(G), -1);
    m_openEnd.assign(size_t(G), -1);

    Band rh;
    rh.reportHeader = true;
    rh.newPageAfter = m_c.reportHeader.present() && m_c.reportHeader.s->newPageAfter && n > 0;
    emitSection(m_c.reportHeader, n > 0 ? 0 : -1, 0, n, std::move(rh));

    const int innermost = G - 1;
    RowCtx ctx(m_c, -1, &m_running);
    for (int p = 0; p < n; ++p) {
        m_pos = p;
        const int bl = m_breakLevel[size_t(p)];
        if (p > 0) {
            for (int l = G - 1; l >= bl; --l) {
                Band f;
                f.newPageAfter
                    = m_c.groups[size_t(l)].footer.present() && m_c.groups[size_t(l)].footer.s->newPageAfter;
                emitSection(m_c.groups[size_t(l)].footer, p - 1, m_openStart[size_t(l)], m_openEnd[size_t(l)],
                    std::move(f));
                m_openStart[size_t(l)] = -1;
            }
        }
        for (int l = bl; l < G; ++l) {
            int end = p + 1;
            while (end < n && m_breakLevel[size_t(end)] > l)
                ++end;
            m_openStart[size_t(l)] = p;
            m_openEnd[size_t(l)] = end;
        }
        for (int l = bl; l < G; ++l) {
            Band h;
            h.keepWithNext = true;
            h.headerLevel = l;
            h.newPageAfter
                = m_c.groups[size_t(l)].header.present() && m_c.groups[size_t(l)].header.s->newPageAfter;
            emitSection(
                m_c.groups[size_t(l)].header, p, m_openStart[size_t(l)], m_openEnd[size_t(l)], std::move(h));
        }
        ctx.setRow(m_order[size_t(p)]);
        for (size_t t = 0; t < m_running.size(); ++t) {
            const RunningTotal &rt = def.runningTotals[t];
            if (rt.resetGroup >= 0 && bl <= rt.resetGroup)
                m_running[t].reset();
            m_running[t].add(m_c.running[t].isEmpty() ? Val(true) : m_c.running[t].eval(ctx),
                lineContext(def, rt.line) + QStringLiteral("the running total "));
        }
        const int from = innermost >= 0 ? m_openStart[size_t(innermost)] : 0;
        const int to = innermost >= 0 ? m_openEnd[size_t(innermost)] : n;
        Band d;
        d.newPageAfter = m_c.details.present() && m_c.details.s->newPageAfter && p + 1 < n;
        emitSection(m_c.details, p, from, to, std::move(d));
    }
    if (n > 0) {
        for (int l = G - 1; l >= 0; --l) {
            emitSection(
                m_c.groups[size_t(l)].footer, n - 1, m_openStart[size_t(l)], m_openEnd[size_t(l)], Band());
            m_openStart[size_t(l)] = -1;
        }
    }
    m_pos = n;
    emitSection(m_c.reportFooter, n > 0 ? n - 1 : -1, 0, n, Band());
}

// Puts bands on pages: page header and footer on each page, page breaks
// where a band does not fit, group headers kept with what follows them.
// Thrown out of the layout when the page callback asks to stop.
struct LayoutStopped { };

class Paginator : public Sink {
public:
    Paginator(std::shared_ptr<Document> doc, Compiled &c, Body &body, const Report::PageDone &pageDone)
        : m_shared(std::move(doc))
        , m_doc(*m_shared)
        , m_c(c)
        , m_body(body)
        , m_pageDone(pageDone)
    {
        const Definition &def = *c.def;
        m_left = def.margins.left();
        m_bottom = def.pageSize.height() - def.margins.bottom()
            - (c.pageFooter.present() ? c.pageFooter.s->height : 0);
    }

    void place(Band &&band) override
    {
        if (band.newPageAfter && band.keepWithNext)
            band.keepWithNext = false;
        m_chain.push_back(std::move(band));
        if (m_chain.back().keepWithNext)
            return;
        flushChain();
    }

    void finish()
    {
        flushChain();
        if (m_doc.pages.empty())
            startPage(-1, true);
        putPendingPageHeader();
        finishPage();
        const int total = m_doc.pageCount();
        for (const auto &[page, index, kind] : m_deferred) {
            TextItem &t = m_doc.pages[size_t(page)].texts[size_t(index)];
            t.text = kind == Special::TotalPages ? QString::number(total)
                                                 : QStringLiteral("Page %1 of %2").arg(page + 1).arg(total);
        }
    }

private:
    static constexpr double eps = 1e-6;

    void flushChain()
    {
        if (m_chain.empty())
            return;
        std::vector<Band> chain;
        chain.swap(m_chain);
        if (m_doc.pages.empty()) {
            // The report header (with its subreports) comes first on page 1,
            // the page header under it.
            m_pageHeaderPending = chain.front().reportHeader;
            startPage(chain.front().row, !m_pageHeaderPending);
        }
        if (m_pageHeaderPending) {
            auto it = chain.begin();
            for (; it != chain.end() && it->reportHeader; ++it)
                put(*it);
            chain.erase(chain.begin(), it);
            if (chain.empty())
                return;
            putPendingPageHeader();
        }
        double total = 0;
        for (const Band &b : chain)
            total += b.height;
        if (m_hasBody && ((m_pendingBreak || chain.front().newPageBefore) || m_y + total > m_bottom + eps))
            newPage(chain.front());
        m_pendingBreak = false;
        for (Band &b : chain)
            put(b);
    }

    void put(Band &b)
    {
        if (m_hasBody && (m_pendingBreak || b.newPageBefore || m_y + b.height > m_bottom + eps))
            newPage(b);
        m_pendingBreak = false;
        putHere(b);
        m_hasBody = true;
        if (b.newPageAfter)
            m_pendingBreak = true;
    }

    void putHere(Band &b)
    {
        Page &page = m_doc.pages.back();
        const int pageIndex = m_doc.pageCount() - 1;
        const size_t base = page.texts.size();
        for (TextItem &t : b.texts) {
            t.rect.translate(m_left, m_y);
            page.texts.push_back(std::move(t));
        }
        for (LineItem &l : b.lines) {
            l.line.translate(m_left, m_y);
            page.lines.push_back(l);
        }
        for (const auto &[index, kind] : b.specials) {
            const int at = int(base) + index;
            if (kind == Special::PageNumber) {
                page.texts[size_t(at)].text = QString::number(pageIndex + 1);
            } else {
                // Until the last page is known (or for good, when the layout is stopped).
                if (kind == Special::PageNofM)
                    page.texts[size_t(at)].text = QStringLiteral("Page %1").arg(pageIndex + 1);
                m_deferred.push_back({pageIndex, at, kind});
            }
        }
        m_y += b.height;
        if (b.row >= 0)
            m_lastRow = b.row;
    }

    void newPage(const Band &next)
    {
        m_pageHeaderPending = false;
        finishPage();
        if (m_pageDone && !m_pageDone(m_shared, m_body.done()))
            throw LayoutStopped();
        startPage(next.row >= 0 ? next.row : m_lastRow, true);
        const int below = next.headerLevel >= 0 ? next.headerLevel : m_body.groupCount();
        for (Band &h : m_body.repeatedHeaders(below))
            putHere(h);
        m_hasBody = false;
    }

    void startPage(int row, bool withHeader)
    {
        m_doc.pages.emplace_back();
        m_y = m_c.def->margins.top();
        m_hasBody = false;
        if (withHeader)
            putPageHeader(row);
    }

    void putPendingPageHeader()
    {
        if (!m_pageHeaderPending)
            return;
        m_pageHeaderPending = false;
        // A report header with a page of its own is a title page.
        if (m_pendingBreak)
            return;
        putPageHeader(m_lastRow);
        m_hasBody = false;
    }

    void putPageHeader(int row)
    {
        if (!m_c.pageHeader.present())
            return;
        Band h = m_body.pageBand(m_c.pageHeader, row);
        putHere(h);
    }

    void finishPage()
    {
        if (m_doc.pages.empty() || !m_c.pageFooter.present())
            return;
        Band f = m_body.pageBand(m_c.pageFooter, m_lastRow);
        m_y = m_bottom;
        putHere(f);
    }

    struct Deferred {
        int page;
        int index;
        Special kind;
    };

    std::shared_ptr<Document> m_shared;
    Document &m_doc;
    Compiled &m_c;
    Body &m_body;
    const Report::PageDone &m_pageDone;
    double m_left = 0, m_bottom = 0, m_y = 0;
    bool m_hasBody = false;
    bool m_pendingBreak = false;
    bool m_pageHeaderPending = false;
    int m_lastRow = -1;
    std::vector<Band> m_chain;
    std::vector<Deferred> m_deferred;
};

void renderSubreports(Compiled &c)
{
    c.subValues.clear();
    for (auto &sub : c.subs) {
        renderSubreports(*sub);
        sub->bands.clear();
        Collect sink(sub->bands);
        Body body(*sub, &sink);
        body.select();
        body.run();
        for (size_t i = 0; i < sub->shared.size(); ++i) {
            const RunningTotal &t = sub->def->shared[i];
            c.subValues.push_back(body.aggregate(sub->shared[i], t.aggregate,
                lineContext(*sub->def, t.line) + QStringLiteral("the shared value ")));
        }
    }
}

void releaseRows(Compiled &c)
{
    c.rows.reset();
    c.bands.clear();
    for (auto &sub : c.subs)
        releaseRows(*sub);
}

// A parameter value in the field's type.
Val convertParameter(const Parameter &p, int index, const db::Value &v)
{
    if (v.isNull())
        return {};
    const QString shown = v.toString();
    auto refuse = [&](const char *what) -> Val {
        throw Error(QStringLiteral("The parameter field %1 ('%2') takes %3, not '%4'.")
                        .arg(index)
                        .arg(p.name, QLatin1String(what), shown));
    };
    switch (p.type) {
    case ParamType::Integer: {
        std::int64_t i = 0;
        if (v.type() == db::Type::Int) {
            i = v.toInt();
        } else if (v.type() == db::Type::Text) {
            bool ok = false;
            i = v.toString().trimmed().toLongLong(&ok);
            if (!ok)
                return refuse("a whole number");
        } else if (v.type() == db::Type::Money && v.toMoney().cents() % 100 == 0) {
            i = v.toMoney().cents() / 100;
        } else {
            return refuse("a whole number");
        }
        if (i < INT_MIN || i > INT_MAX)
            return refuse("a whole number of 32 bits");
        return Val(i);
    }
    case ParamType::Number: {
        if (v.type() == db::Type::Int)
            return Val(v.toInt());
        if (v.type() == db::Type::Money)
            return Val(v.toMoney());
        if (v.type() == db::Type::Real)
            return Val(v.toDouble());
        db::Money m;
        if (v.type() == db::Type::Text && db::Money::tryParse(v.toString(), &m))
            return Val(m);
        return refuse("a number");
    }
    case ParamType::Text:
        return Val(v.toString());
    case ParamType::Date: {
        const QDate d = v.type() == db::Type::Date ? v.toDate() : db::parseDate(v.toString().trimmed());
        if (!d.isValid())
            return refuse("a date");
        return Val(d);
    }
    }
    return {};
}

} // namespace

// ------------------------------------------------------------ Report

struct Report::Impl {
    QString fileName;
    std::shared_ptr<const Definition> def;
    std::unique_ptr<Compiled> main;
    std::shared_ptr<DataSource> source;
    std::vector<std::optional<Val>> params;
    std::shared_ptr<const Document> doc;
};

Report::Report()
    : d(std::make_unique<Impl>())
{
}
Report::~Report() = default;

std::shared_ptr<Report> Report::create(std::shared_ptr<def::Definition> def, const QString &fileName)
{
    std::shared_ptr<Report> r(new Report);
    r->d->fileName = fileName;
    r->d->def = def;
    r->d->main = compile(def, false);
    r->d->params.resize(def->parameters.size());
    return r;
}

std::shared_ptr<Report> Report::open(const QString &path)
{
    return create(def::load(path), path);
}

std::shared_ptr<Report> Report::fromText(const QString &xml, const QString &source)
{
    return create(def::parse(xml, source), source);
}

QString Report::name() const
{
    return d->def->name;
}

const QString &Report::fileName() const
{
    return d->fileName;
}

void Report::logOn(const LogOnInfo &info)
{
    auto conn = std::make_shared<db::Connection>();
    conn->setProperty(QStringLiteral("Data Source"), info.server);
    conn->setProperty(QStringLiteral("Initial Catalog"), info.database);
    conn->setProperty(QStringLiteral("User ID"), info.user);
    conn->setProperty(QStringLiteral("Password"), info.password);
    conn->open();
    d->source = std::make_shared<ConnectionSource>(std::move(conn));
}

void Report::setDataSource(std::shared_ptr<DataSource> source)
{
    d->source = std::move(source);
}

bool Report::isLoggedOn() const
{
    return bool(d->source);
}

QString Report::recordSelectionFormula() const
{
    return d->main->selection.text();
}

namespace {
void setSelection(Compiled &c, const QString &formula)
{
    Formula f = parseIn(c.selectionContext, formula);
    if (!f.canBeCondition())
        throw Error(c.selectionContext + QStringLiteral("it must give true or false."));
    c.selection = std::move(f);
}
} // namespace

void Report::setRecordSelectionFormula(const QString &formula)
{
    setSelection(*d->main, formula);
}

int Report::parameterCount() const
{
    return int(d->def->parameters.size());
}

QString Report::parameterName(int index) const
{
    if (index < 1 || index > parameterCount())
        return {};
    return d->def->parameters[size_t(index - 1)].name;
}

void Report::setParameterValue(int index, const db::Value &value)
{
    if (index < 1 || index > parameterCount()) {
        const int n = parameterCount();
        throw Error(n == 0
                ? QStringLiteral("The report '%1' has no parameter fields; parameter field %2 was given.")
                      .arg(name())
                      .arg(index)
                : QStringLiteral("The report '%1' has no parameter field %2 (it has %3).")
                      .arg(name())
                      .arg(index)
                      .arg(n));
    }
    d->params[size_t(index - 1)] = convertParameter(d->def->parameters[size_t(index - 1)], index, value);
}

QStringList Report::formulaNames() const
{
    QStringList out;
    for (const FormulaField &f : d->def->formulas)
        out << f.name;
    return out;
}

QString Report::formulaText(const QString &name) const
{
    const int i = d->main->findFormula(name);
    return i < 0 ? QString() : d->main->formulas[size_t(i)].text();
}

void Report::setFormula(const QString &name, const QString &formulaText)
{
    const int i = d->main->findFormula(name);
    if (i < 0)
        throw Error(
            QStringLiteral("The report '%1' has no formula field named '%2'.").arg(this->name(), name));
    d->main->formulas[size_t(i)]
        = parseIn(QStringLiteral("Formula field '%1': ").arg(d->def->formulas[size_t(i)].name), formulaText);
}

QStringList Report::subreportNames() const
{
    QStringList out;
    for (const auto &s : d->def->subreports)
        out << s->name;
    return out;
}

Subreport Report::openSubreport(const QString &name)
{
    const auto &subs = d->def->subreports;
    for (size_t i = 0; i < subs.size(); ++i)
        if (subs[i]->name.compare(name, Qt::CaseInsensitive) == 0)
            return Subreport(this, int(i));
    throw Error(QStringLiteral("The report '%1' has no subreport named '%2'.").arg(this->name(), name));
}

const QString &Subreport::name() const
{
    return m_owner->d->def->subreports[size_t(m_index)]->name;
}

QString Subreport::recordSelectionFormula() const
{
    return m_owner->d->main->subs[size_t(m_index)]->selection.text();
}

void Subreport::setRecordSelectionFormula(const QString &formula)
{
    setSelection(*m_owner->d->main->subs[size_t(m_index)], formula);
}

const Document &Report::render(const PageDone &pageDone)
{
    if (!d->source)
        throw Error(QStringLiteral("The report '%1' is not logged on to a database.").arg(name()));
    Compiled &c = *d->main;
    c.params.assign(d->params.size(), Val());
    for (size_t i = 0; i < d->params.size(); ++i) {
        const Parameter &p = d->def->parameters[i];
        if (d->params[i]) {
            c.params[i] = *d->params[i];
        } else if (p.hasDefault) {
            c.params[i] = convertParameter(p, int(i + 1), db::Value(p.defaultText));
        } else {
            throw Error(QStringLiteral("The parameter field %1 ('%2') of the report '%3' has no value.")
                            .arg(i + 1)
                            .arg(p.name, name()));
        }
    }

    auto doc = std::make_shared<Document>();
    doc->title = name();
    doc->pageSize = d->def->pageSize;
    doc->landscape = d->def->landscape;
    doc->styles.push_back(d->def->style);
    try {
        fetchAndBind(c, *d->source, *doc);
        renderSubreports(c);
        Body body(c);
        Paginator pages(doc, c, body, pageDone);
        body.setSink(&pages);
        body.select();
        try {
            body.run();
            pages.finish();
        } catch (const LayoutStopped &) {
            doc->complete = false;
        }
    } catch (...) {
        releaseRows(c);
        throw;
    }
    releaseRows(c);
    d->doc = std::move(doc);
    return *d->doc;
}

const Document *Report::document() const
{
    return d->doc.get();
}

std::shared_ptr<const Document> Report::sharedDocument() const
{
    return d->doc;
}

} // namespace report
