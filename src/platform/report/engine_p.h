#pragma once
// The engine's inner form of a report: the compiled report and its
// sections, the bands they become and the walk over the selected rows.
// Internal to the engine.
#include "platform/report/definition_p.h"
#include "platform/report/formula.h"
#include "platform/report/report.h"

#include <QHash>

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
        throw FormulaError(context + e.text(), e.position(), e.token(), e.reason());
    }
}

Formula parseIn(const QString &context, const QString &text);
bool isZero(const Val &v);
// Sums exact where the values are: whole numbers and amounts stay exact.
Val addNumbers(const Val &a, const Val &b);

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

std::unique_ptr<Compiled> compile(std::shared_ptr<const Definition> defPtr, bool isSub);
// Formula fields may use one another, but not in a circle.
void checkFormulaCycles(const Compiled &c);
void bindSection(Compiled &c, BSection &s, Document &doc);
// Fetches the rows of a report and its subreports and binds their formulas.
void fetchAndBind(Compiled &c, DataSource &source, Document &doc);
// Renders the subreports, then lays the report out on the pages of `doc`.
void layOut(Compiled &c, const std::shared_ptr<Document> &doc, const Report::PageDone &pageDone);
void releaseRows(Compiled &c);

} // namespace report
