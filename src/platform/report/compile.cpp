#include "platform/report/engine_p.h"

#include <algorithm>

namespace report {

QString lineContext(const Definition &def, int line)
{
    return placeText(def.source, line);
}

Formula parseIn(const QString &context, const QString &text)
{
    return Formula::parse(text, context);
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

Val addNumbers(const Val &a, const Val &b, const QString &what)
{
    if (a.kind() == Val::Real || b.kind() == Val::Real)
        return Val(a.toReal() + b.toReal());
    const auto tooLarge
        = [&] { return Error(what + QStringLiteral("adds up to more than a number can hold.")); };
    if (a.kind() == Val::Int && b.kind() == Val::Int) {
        std::int64_t r;
        if (__builtin_add_overflow(a.toInt(), b.toInt(), &r))
            throw tooLarge();
        return Val(r);
    }
    try {
        return Val(a.toMoney() + b.toMoney());
    } catch (const std::exception &) {
        // Either a whole number too large for an amount or a sum past 64 bits.
        throw tooLarge();
    }
}

namespace {

int addExpr(Compiled &c, const QString &context, const QString &text)
{
    c.exprs.push_back(parseIn(context, text));
    return int(c.exprs.size() - 1);
}

void compileSection(Compiled &c, const Section &s, BSection &out)
{
    const Definition &def = *c.def;
    out.s = &s;
    if (!s.present)
        return;
    if (!s.visible.isEmpty())
        out.visible
            = addExpr(c, placeText(def.source, s.line, QStringLiteral("'visible' condition")), s.visible);
    for (const Element &e : s.elements) {
        BElement be;
        be.e = &e;
        if (e.kind == ElementKind::Field || e.kind == ElementKind::Summary)
            be.expr = addExpr(c,
                placeText(def.source, e.line,
                    e.kind == ElementKind::Field ? QStringLiteral("field") : QStringLiteral("summary")),
                e.text);
        be.format = DisplayFormat(
            e.kind == ElementKind::Special && e.format.isEmpty() ? QStringLiteral("dd-mm-yyyy") : e.format);
        out.grows = out.grows || e.grow;
        out.elements.push_back(std::move(be));
    }
}

Compiled compileOne(std::shared_ptr<const Definition> defPtr, bool isSub)
{
    Compiled c;
    c.def = defPtr;
    c.isSub = isSub;
    const Definition &def = *defPtr;
    // A selection the print handler sets takes the place of the stored one.
    c.selectionContext = placeText(def.source, def.selectionLine > 0 ? def.selectionLine : def.line,
        isSub ? QStringLiteral("subreport '%1', record selection formula").arg(def.name)
              : QStringLiteral("record selection formula"));
    c.selection = addExpr(c, c.selectionContext, def.selection);
    if (!c.exprs[size_t(c.selection)].canBeCondition())
        throw Error(c.selectionContext, QStringLiteral("it must give true or false."));
    for (const FormulaField &f : def.formulas)
        c.formulas.push_back(addExpr(c, formulaFieldPlace(def, f), f.text));
    for (const Sort &s : def.sorts)
        c.sorts.emplace_back(
            addExpr(c, placeText(def.source, s.line, QStringLiteral("sort")), s.by), s.descending);
    for (const Group &g : def.groups) {
        BGroup bg;
        bg.g = &g;
        bg.by = addExpr(c, placeText(def.source, g.line, QStringLiteral("group")), g.by);
        compileSection(c, g.header, bg.header);
        compileSection(c, g.footer, bg.footer);
        c.groups.push_back(std::move(bg));
    }
    compileSection(c, def.reportHeader, c.reportHeader);
    compileSection(c, def.pageHeader, c.pageHeader);
    compileSection(c, def.details, c.details);
    compileSection(c, def.pageFooter, c.pageFooter);
    compileSection(c, def.reportFooter, c.reportFooter);
    for (const RunningTotal &t : def.runningTotals)
        c.running.push_back(addExpr(
            c, placeText(def.source, t.line, QStringLiteral("running total '%1'").arg(t.name)), t.expr));
    for (const RunningTotal &t : def.shared)
        c.shared.push_back(addExpr(
            c, placeText(def.source, t.line, QStringLiteral("shared value '%1'").arg(t.name)), t.expr));
    for (const auto &sub : def.subreports)
        c.subs.push_back(compileOne(sub, true));
    c.indexNames();
    return c;
}

std::uint16_t styleIndex(std::vector<TextStyle> &styles, const TextStyle &s)
{
    for (size_t i = 0; i < styles.size(); ++i)
        if (styles[i] == s)
            return std::uint16_t(i);
    styles.push_back(s);
    return std::uint16_t(styles.size() - 1);
}

// Numbers the styles of a report and its subreports in one table, in the
// order their sections bind.
void numberStyles(Compiled &c, std::vector<TextStyle> &styles)
{
    auto section = [&](BSection &s) {
        if (!s.present())
            return;
        for (BElement &be : s.elements)
            be.style = styleIndex(styles, be.e->style);
    };
    for (BGroup &g : c.groups) {
        section(g.header);
        section(g.footer);
    }
    for (BSection *s : {&c.reportHeader, &c.pageHeader, &c.details, &c.pageFooter, &c.reportFooter})
        section(*s);
    for (Compiled &sub : c.subs)
        numberStyles(sub, styles);
}

} // namespace

Compiled compile(std::shared_ptr<const Definition> defPtr, bool isSub)
{
    Compiled c = compileOne(std::move(defPtr), isSub);
    c.styles.push_back(c.def->style);
    numberStyles(c, c.styles);
    return c;
}

namespace {

QString nameKey(const QString &name)
{
    return name.toCaseFolded();
}

// The first of equal names wins, as a search from the front would find it.
void addName(QHash<QString, int> &index, const QString &name, int i)
{
    const QString k = nameKey(name);
    if (!index.contains(k))
        index.insert(k, i);
}

} // namespace

void Compiled::indexNames()
{
    for (size_t i = 0; i < def->parameters.size(); ++i)
        addName(parameterIndex, def->parameters[i].name, int(i));
    for (size_t i = 0; i < def->formulas.size(); ++i)
        addName(formulaIndex, def->formulas[i].name, int(i));
    int index = 0;
    for (const RunningTotal &t : def->runningTotals)
        addName(runningIndex, t.name, index++);
    for (const Compiled &sub : subs)
        for (const RunningTotal &t : sub.def->shared)
            addName(runningIndex, t.name, index++);
}

int Compiled::findParameter(const QString &name) const
{
    return parameterIndex.value(nameKey(name), -1);
}

int Compiled::findFormula(const QString &name) const
{
    return formulaIndex.value(nameKey(name), -1);
}

int Compiled::findRunningTotal(const QString &name) const
{
    return runningIndex.value(nameKey(name), -1);
}

RenderState::RenderState(const Compiled &compiled)
    : c(compiled)
{
    for (const Compiled &sub : c.subs)
        subs.push_back(std::make_unique<RenderState>(sub));
}

void checkFormulaCycles(const RenderState &st)
{
    const Compiled &c = st.c;
    const size_t n = c.formulas.size();
    const auto &fields = c.def->formulas;
    std::vector<std::vector<int>> refs(n);
    for (size_t i = 0; i < n; ++i)
        refs[i] = st.expr(c.formulas[i]).formulaRefs();
    // A depth-first walk with its own stack: a chain may be as long as the
    // file makes it. `chain` is the longest run of formula fields below a
    // finished one, itself included.
    std::vector<int> state(n, 0); // 0 new, 1 on the path, 2 done
    std::vector<int> chain(n, 0);
    struct Step {
        size_t field;
        size_t next; // index into refs[field]
    };
    std::vector<Step> path;
    for (size_t root = 0; root < n; ++root) {
        if (state[root] != 0)
            continue;
        state[root] = 1;
        path.push_back({root, 0});
        while (!path.empty()) {
            Step &top = path.back();
            const size_t i = top.field;
            if (top.next < refs[i].size()) {
                const size_t j = size_t(refs[i][top.next++]);
                if (state[j] == 1)
                    throw Error(formulaFieldPlace(*c.def, fields[j]),
                        QStringLiteral("it refers to itself through {@%1}.").arg(fields[i].name));
                if (state[j] == 0) {
                    state[j] = 1;
                    path.push_back({j, 0});
                }
                continue;
            }
            int longest = 0;
            for (int j : refs[i])
                longest = std::max(longest, chain[size_t(j)]);
            chain[i] = longest + 1;
            if (chain[i] > maxFormulaChain)
                throw Error(formulaFieldPlace(*c.def, fields[i]),
                    QStringLiteral("it starts a chain of more than %1 formula fields, each using the next.")
                        .arg(maxFormulaChain));
            state[i] = 2;
            path.pop_back();
        }
    }
}

} // namespace report
