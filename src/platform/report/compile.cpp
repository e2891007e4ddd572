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

std::uint16_t styleIndex(Document &doc, const TextStyle &s)
{
    for (size_t i = 0; i < doc.styles.size(); ++i)
        if (doc.styles[i] == s)
            return std::uint16_t(i);
    doc.styles.push_back(s);
    return std::uint16_t(doc.styles.size() - 1);
}

} // namespace

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

} // namespace report
