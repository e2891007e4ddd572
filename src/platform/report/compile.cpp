#include "platform/report/engine_p.h"

#include <functional>

namespace report {

QString lineContext(const Definition &def, int line)
{
    return QStringLiteral("%1, line %2: ").arg(def.source).arg(line);
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

Val addNumbers(const Val &a, const Val &b)
{
    if (a.kind() == Val::Real || b.kind() == Val::Real)
        return Val(a.toReal() + b.toReal());
    if (a.kind() == Val::Int && b.kind() == Val::Int)
        return Val(a.toInt() + b.toInt());
    return Val(a.toMoney() + b.toMoney());
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
        out.visible = addExpr(c, lineContext(def, s.line), s.visible);
    for (const Element &e : s.elements) {
        BElement be;
        be.e = &e;
        if (e.kind == ElementKind::Field || e.kind == ElementKind::Summary)
            be.expr = addExpr(c, lineContext(def, e.line), e.text);
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
    c.selectionContext = isSub ? QStringLiteral("Subreport '%1', record selection formula: ").arg(def.name)
                               : QStringLiteral("Record selection formula: ");
    c.selection = addExpr(c, c.selectionContext, def.selection);
    if (!c.exprs[size_t(c.selection)].canBeCondition())
        throw Error(c.selectionContext + QStringLiteral("it must give true or false."));
    for (const FormulaField &f : def.formulas)
        c.formulas.push_back(addExpr(c, QStringLiteral("Formula field '%1': ").arg(f.name), f.text));
    for (const Sort &s : def.sorts)
        c.sorts.emplace_back(addExpr(c, lineContext(def, s.line), s.by), s.descending);
    for (const Group &g : def.groups) {
        BGroup bg;
        bg.g = &g;
        bg.by = addExpr(c, lineContext(def, g.line), g.by);
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
        c.running.push_back(addExpr(c, lineContext(def, t.line), t.expr));
    for (const RunningTotal &t : def.shared)
        c.shared.push_back(addExpr(c, lineContext(def, t.line), t.expr));
    for (const auto &sub : def.subreports)
        c.subs.push_back(compileOne(sub, true));
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

int Compiled::findParameter(const QString &name) const
{
    for (size_t i = 0; i < def->parameters.size(); ++i)
        if (def->parameters[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Compiled::findFormula(const QString &name) const
{
    for (size_t i = 0; i < def->formulas.size(); ++i)
        if (def->formulas[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Compiled::findRunningTotal(const QString &name) const
{
    for (size_t i = 0; i < def->runningTotals.size(); ++i)
        if (def->runningTotals[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    int index = int(def->runningTotals.size());
    for (const Compiled &sub : subs)
        for (const RunningTotal &t : sub.def->shared) {
            if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                return index;
            ++index;
        }
    return -1;
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
    std::vector<int> state(n, 0); // 0 new, 1 on the path, 2 done
    std::function<void(size_t)> visit = [&](size_t i) {
        state[i] = 1;
        for (int j : st.expr(c.formulas[i]).formulaRefs()) {
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

} // namespace report
