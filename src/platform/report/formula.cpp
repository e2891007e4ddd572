#include "platform/report/formula_p.h"

#include <typeinfo>

namespace report {

using namespace fx;

struct Formula::Impl {
    QString text;
    QString origin;
    std::unique_ptr<Node> root; // null for an empty formula
};

namespace {

// Runs a step of a formula, telling its errors at the formula's origin
// unless an inner formula field has told them at its own.
template <class F> auto placed(const QString &origin, F &&step)
{
    try {
        return step();
    } catch (const FormulaError &e) {
        if (origin.isEmpty() || e.isPlaced())
            throw;
        throw e.placedAt(origin);
    } catch (const Error &e) {
        if (origin.isEmpty() || e.isPlaced() || typeid(e) != typeid(Error))
            throw;
        throw Error(origin, e.text());
    }
}

} // namespace

Formula::Formula()
    : d(std::make_unique<Impl>())
{
}
Formula::~Formula() = default;
Formula::Formula(Formula &&) noexcept = default;
Formula &Formula::operator=(Formula &&) noexcept = default;

Formula Formula::parse(const QString &text, const QString &origin)
{
    Formula f;
    f.d->text = text;
    f.d->origin = origin;
    if (!text.trimmed().isEmpty())
        f.d->root = placed(origin, [&] { return parseText(text); });
    return f;
}

const QString &Formula::text() const
{
    return d->text;
}

const QString &Formula::origin() const
{
    return d->origin;
}

bool Formula::isEmpty() const
{
    return !d->root;
}

bool Formula::canBeCondition() const
{
    return !d->root || nodeCanBeCondition(*d->root);
}

void Formula::bind(const Scope &scope)
{
    if (d->root)
        placed(d->origin, [&] { bindNode(*d->root, scope); });
}

Formula Formula::bound(const Scope &scope) const
{
    Formula f;
    f.d->text = d->text;
    f.d->origin = d->origin;
    if (d->root) {
        f.d->root = cloneNode(*d->root);
        placed(d->origin, [&] { bindNode(*f.d->root, scope); });
    }
    return f;
}

Val Formula::eval(const Context &ctx) const
{
    if (!d->root)
        return {};
    return placed(d->origin, [&] { return evalNode(*d->root, ctx); });
}

std::vector<int> Formula::formulaRefs() const
{
    std::vector<int> out;
    if (d->root)
        collectFormulaRefs(*d->root, out);
    return out;
}

namespace {

// A literal, or a negated numeric literal.
bool literalOf(const Node &n, Val *out)
{
    if (n.op == Op::Lit) {
        *out = n.lit;
        return !n.lit.isNull();
    }
    if (n.op == Op::Neg && n.kids.size() == 1 && n.kids[0]->op == Op::Lit) {
        const Val &v = n.kids[0]->lit;
        if (v.kind() == Val::Int)
            *out = Val(-v.toInt());
        else if (v.kind() == Val::Money)
            *out = Val(-v.toMoney());
        else
            return false;
        return true;
    }
    return false;
}

void collectConditions(const Node &n, std::vector<FieldCondition> &out)
{
    if (n.op == Op::And) {
        collectConditions(*n.kids[0], out);
        collectConditions(*n.kids[1], out);
        return;
    }
    FieldCondition c;
    auto field = [&](const Node &f) {
        if (f.op != Op::Field)
            return false;
        c.table = f.a;
        c.field = f.b;
        return true;
    };
    static const struct {
        Op op;
        FieldCondition::Kind kind, flipped;
    } comparisons[] = {
        {Op::Eq, FieldCondition::Eq, FieldCondition::Eq},
        {Op::Ne, FieldCondition::Ne, FieldCondition::Ne},
        {Op::Lt, FieldCondition::Lt, FieldCondition::Gt},
        {Op::Le, FieldCondition::Le, FieldCondition::Ge},
        {Op::Gt, FieldCondition::Gt, FieldCondition::Lt},
        {Op::Ge, FieldCondition::Ge, FieldCondition::Le},
    };
    for (const auto &cmp : comparisons) {
        if (n.op != cmp.op)
            continue;
        if (field(*n.kids[0]) && literalOf(*n.kids[1], &c.value))
            c.kind = cmp.kind;
        else if (field(*n.kids[1]) && literalOf(*n.kids[0], &c.value))
            c.kind = cmp.flipped;
        else
            return;
        out.push_back(std::move(c));
        return;
    }
    switch (n.op) {
    case Op::In:
        if (field(*n.kids[0]) && literalOf(*n.kids[1], &c.value) && literalOf(*n.kids[2], &c.upper)) {
            c.kind = FieldCondition::Between;
            out.push_back(std::move(c));
        }
        return;
    case Op::Like:
        if (field(*n.kids[0]) && literalOf(*n.kids[1], &c.value) && c.value.kind() == Val::Text) {
            c.kind = FieldCondition::Like;
            out.push_back(std::move(c));
        }
        return;
    case Op::IsNull:
        if (field(*n.kids[0])) {
            c.kind = FieldCondition::IsNull;
            out.push_back(std::move(c));
        }
        return;
    default:
        return;
    }
}

} // namespace

std::vector<FieldCondition> Formula::fieldConditions() const
{
    std::vector<FieldCondition> out;
    if (d->root)
        collectConditions(*d->root, out);
    return out;
}

} // namespace report
