#pragma once
// The engine's inner form of a report: the compiled report and its
// sections, the bands they become and the walk over the selected rows.
// Internal to the engine.
#include "platform/report/definition_p.h"
#include "platform/report/formula.h"
#include "platform/report/report.h"

#include <QHash>

#include <limits>
#include <memory>
#include <vector>

namespace report {

using namespace def;

QString lineContext(const Definition &def, int line);

template <class F> void withContext(const QString &context, F &&f)
{
    try {
        f();
    } catch (const FormulaError &e) {
        if (e.isPlaced())
            throw;
        throw FormulaError(context + e.text(), e.position(), e.token(), e.reason());
    }
}

Formula parseIn(const QString &context, const QString &text);
bool isZero(const Val &v);
// Sums exact where the values are: whole numbers and amounts stay exact. A
// sum past 64 bits is an error that begins with `what`, never a wrapped value.
Val addNumbers(const Val &a, const Val &b, const QString &what);

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
                m_sum = addNumbers(m_sum, Val(amount), what);
                return;
            }
            if (!v.isNumber())
                throw Error(
                    QStringLiteral("%1adds up a value that is not a number ('%2').").arg(what, v.toString()));
            m_sum = addNumbers(m_sum, v, what);
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
                // In 128 bits, so a sum near the limit rounds without wrapping.
                const __int128 cents = m_sum.kind() == Val::Int ? __int128(m_sum.toInt()) * 100
                                                                : __int128(m_sum.toMoney().cents());
                const __int128 q = (cents >= 0 ? cents + m_count / 2 : cents - m_count / 2) / m_count;
                if (q > std::numeric_limits<std::int64_t>::max()
                    || q < std::numeric_limits<std::int64_t>::min())
                    throw Error(QStringLiteral("The average is too large for an amount."));
                return Val(db::Money::fromCents(std::int64_t(q)));
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

// ------------------------------------------------------------ compiled report

// Formulas are named by their slot in Compiled::exprs; -1 is none.
struct BElement {
    const Element *e = nullptr;
    int expr = -1;
    DisplayFormat format;
    std::uint16_t style = 0; // into the document's styles
};

struct BSection {
    const Section *s = nullptr;
    int visible = -1;
    std::vector<BElement> elements;
    bool grows = false; // an element grows with its text
    bool present() const { return s && s->present; }
};

struct BGroup {
    const Group *g = nullptr;
    int by = -1;
    BSection header, footer;
};

struct Band {
    double height = 0;
    std::vector<TextItem> texts;
    std::vector<LineItem> lines;
    std::vector<std::pair<int, Special>> specials; // texts index
    std::vector<std::pair<int, TextStyle>> restyled; // texts index: drawn in this style, shrunk to fit
    int row = -1;
    int headerLevel = -1;
    bool keepWithNext = false;
    bool newPageBefore = false;
    bool newPageAfter = false;
    bool reportHeader = false;
};

// One report or subreport as its definition gives it, with its formulas
// parsed and its text styles numbered. A render only reads it: what a render
// fetches, binds and lays out is in its own RenderState.
struct Compiled {
    std::shared_ptr<const Definition> def;
    bool isSub = false;

    std::vector<Formula> exprs; // unbound
    QString selectionContext;
    int selection = -1;
    std::vector<int> formulas; // the formula fields, in order
    std::vector<std::pair<int, bool>> sorts; // descending
    std::vector<BGroup> groups;
    BSection reportHeader, pageHeader, details, pageFooter, reportFooter;
    std::vector<int> running;
    std::vector<int> shared; // a subreport's values for its report
    std::vector<Compiled> subs;
    std::vector<TextStyle> styles; // of the report and all its subreports (the top report's only)

    // Names without regard to case, to their index.
    QHash<QString, int> parameterIndex, formulaIndex, runningIndex;
    void indexNames();

    int findParameter(const QString &name) const;
    int findFormula(const QString &name) const;
    int findRunningTotal(const QString &name) const;
};

// Formula fields using one another: the longest chain a report may build.
constexpr int maxFormulaChain = 100;

// One render of a compiled report or subreport: its parameter values, the
// rows it fetched, its own copies of the formulas bound to those rows, and
// what its subreports gave.
struct RenderState : Scope {
    explicit RenderState(const Compiled &compiled);

    const Compiled &c;
    std::vector<Val> params;
    std::unique_ptr<RowSet> rows;
    QHash<QString, int> columns;
    std::vector<Formula> bound; // c.exprs by slot
    std::vector<std::unique_ptr<RenderState>> subs;
    std::vector<Val> subValues; // the subreports' shared values, in order, once they are rendered
    std::vector<Band> bands; // a subreport's laid-out bands

    const Formula &expr(int slot) const
    {
        static const Formula none;
        return slot < 0 ? none : bound[size_t(slot)];
    }

    int findField(const QString &table, const QString &field) const override
    {
        return columns.value(table.toLower() + u'.' + field.toLower(), -1);
    }
    int findParameter(const QString &name) const override { return c.findParameter(name); }
    int findFormula(const QString &name) const override { return c.findFormula(name); }
    int findRunningTotal(const QString &name) const override { return c.findRunningTotal(name); }
};

// A scope without running totals, and with or without formula fields.
class NarrowScope : public Scope {
public:
    enum Kind { WithFormulas, FieldsOnly };
    NarrowScope(const Scope &inner, Kind kind)
        : m_inner(inner)
        , m_kind(kind)
    {
    }
    int findField(const QString &table, const QString &field) const override
    {
        return m_inner.findField(table, field);
    }
    int findParameter(const QString &name) const override { return m_inner.findParameter(name); }
    int findFormula(const QString &name) const override
    {
        return m_kind == WithFormulas ? m_inner.findFormula(name) : -1;
    }
    int findRunningTotal(const QString &) const override { return -1; }

private:
    const Scope &m_inner;
    Kind m_kind;
};

class RowCtx : public Context {
public:
    RowCtx(const RenderState &st, int row, const std::vector<Accum> *running)
        : m_st(st)
        , m_row(row)
        , m_running(running)
    {
    }
    void setRow(int row) { m_row = row; }

    Val field(int index) const override
    {
        return m_row < 0 ? Val() : Val::fromDb(m_st.rows->at(m_row, index));
    }
    Val parameter(int index) const override
    {
        return size_t(index) < m_st.params.size() ? m_st.params[size_t(index)] : Val();
    }
    Val formula(int index) const override { return m_st.expr(m_st.c.formulas[size_t(index)]).eval(*this); }
    Val runningTotal(int index) const override
    {
        const size_t own = m_st.c.def->runningTotals.size();
        if (size_t(index) >= own)
            return size_t(index) - own < m_st.subValues.size() ? m_st.subValues[size_t(index) - own] : Val();
        return m_running ? (*m_running)[size_t(index)].value() : Val();
    }

private:
    const RenderState &m_st;
    int m_row;
    const std::vector<Accum> *m_running;
};

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
    explicit Body(const RenderState &st, Sink *sink = nullptr)
        : m_st(st)
        , m_c(st.c)
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
        RowCtx ctx(m_st, -1, nullptr);
        for (int row : m_order) {
            ctx.setRow(row);
            acc.add(f.isEmpty() ? Val(true) : f.eval(ctx), what);
        }
        return acc.value();
    }
    // How far run() is through the selected rows, 0 to 1.
    double done() const
    {
        const double share = m_pos < count() ? m_st.rows->shareAt(m_order[size_t(m_pos)]) : -1.0;
        if (share >= 0)
            return share;
        return m_order.empty() ? 1.0 : double(m_pos) / double(m_order.size());
    }

private:
    int count() const { return int(m_order.size()); }
    // Selects the fetched rows from `from` on, in the fetched order.
    void selectFrom(int from);
    // Whether there is a selected row at `pos`, fetching more rows as long
    // as the rows come in parts and there is none yet.
    bool has(int pos);
    void sortSelected();
    void markGroupBreaks();
    bool makeBand(const BSection &s, int row, int from, int to, Band &b);
    // Puts one element's items into the band; the lines a growing text took.
    int placeElement(const BElement &be, const RowCtx &ctx, int from, int to, Band &b);
    int placeLines(Band &b, const BElement &be, const QString &text, std::uint16_t align);
    void growBand(const BSection &s, Band &b, const std::vector<std::pair<size_t, size_t>> &firstItem,
        const std::vector<int> &grownLines);
    void emitSection(const BSection &s, int pos, int from, int to, Band &&proto);
    Val summary(const BElement &be, int from, int to);
    void startFooterSums();
    void addToFooterSums(const RowCtx &ctx);

    const RenderState &m_st;
    const Compiled &m_c;
    Sink *m_sink;
    std::vector<int> m_order; // selected rows, sorted
    std::vector<int> m_breakLevel; // per position: outermost group level that changes there
    std::vector<int> m_openStart, m_openEnd;
    std::vector<Accum> m_running;
    int m_pos = 0;
    int m_fetched = 0; // rows of the row set selected so far
    // A report laid out in its rows' order adds up its footer's summaries
    // as the rows go by, so rows already laid out need not be kept.
    struct FooterSum {
        const BElement *element;
        Accum sum;
        QString what; // how a fault of the sum begins
    };
    std::vector<FooterSum> m_footerSums;
    bool m_streaming = false;
};

// No groups or sorts (the query's order is the report's) and summaries in
// the report footer only: its first pages need none of its later rows.
bool laysOutInOrder(const Compiled &c);

// Text measured as the document paints it (mm, in the style's font).
double textWidth(const TextStyle &style, const QString &text);
// The text broken into lines that each fit `width`: at spaces where a word
// fits, inside a word where it does not. Nothing is dropped.
QStringList wrapText(const TextStyle &style, const QString &text, double width);
// The point size at which the text fits `width` (the style's own when it fits).
double shrunkPointSize(const TextStyle &style, const QString &text, double width);

Compiled compile(std::shared_ptr<const Definition> defPtr, bool isSub);
// Formula fields may use one another, but not in a circle.
void checkFormulaCycles(const RenderState &st);
// Fetches the rows of a report and its subreports and binds their formulas.
void fetchAndBind(RenderState &st, DataSource &source);
// Renders the subreports, then lays the report out on the pages of `doc`.
void layOut(RenderState &st, const std::shared_ptr<Document> &doc, const Report::PageDone &pageDone);

} // namespace report
