#include "platform/report/formula_p.h"

#include <cmath>
#include <limits>

namespace report::fx {

bool nodeCanBeCondition(const Node &n)
{
    switch (n.op) {
    case Op::Lit:
        return n.lit.kind() == Val::Bool;
    case Op::Field:
    case Op::Param:
    case Op::FormulaRef:
    case Op::Or:
    case Op::And:
    case Op::Not:
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge:
    case Op::In:
    case Op::Like:
    case Op::IsNull:
        return true;
    case Op::If:
        return nodeCanBeCondition(*n.kids[1]) && nodeCanBeCondition(*n.kids[2]);
    default:
        return false;
    }
}

void bindNode(Node &n, const Scope &scope)
{
    switch (n.op) {
    case Op::Field:
        n.index = scope.findField(n.a, n.b);
        if (n.index < 0)
            fail(n.pos, n.token, QStringLiteral("this field is not known"));
        break;
    case Op::Param:
        n.index = scope.findParameter(n.a);
        if (n.index < 0)
            fail(n.pos, n.token, QStringLiteral("this parameter field is not known"));
        break;
    case Op::FormulaRef:
        n.index = scope.findFormula(n.a);
        if (n.index < 0)
            fail(n.pos, n.token, QStringLiteral("this formula field is not known"));
        break;
    case Op::RunRef:
        n.index = scope.findRunningTotal(n.a);
        if (n.index < 0)
            fail(n.pos, n.token, QStringLiteral("this running total is not known"));
        break;
    default:
        break;
    }
    for (auto &kid : n.kids)
        bindNode(*kid, scope);
}

std::unique_ptr<Node> cloneNode(const Node &n)
{
    auto out = std::make_unique<Node>();
    out->op = n.op;
    out->pos = n.pos;
    out->depth = n.depth;
    out->token = n.token;
    out->lit = n.lit;
    out->a = n.a;
    out->b = n.b;
    out->index = n.index;
    out->kids.reserve(n.kids.size());
    for (const auto &kid : n.kids)
        out->kids.push_back(cloneNode(*kid));
    return out;
}

void collectFormulaRefs(const Node &n, std::vector<int> &out)
{
    if (n.op == Op::FormulaRef && n.index >= 0)
        out.push_back(n.index);
    for (const auto &kid : n.kids)
        collectFormulaRefs(*kid, out);
}

namespace {

[[noreturn]] void failAt(const Node &n, const QString &reason)
{
    fail(n.pos, n.token, reason);
}

// Whole numbers and amounts stay exact: a result that does not fit in 64
// bits is an error, never a wrapped value.
[[noreturn]] void tooLarge(const Node &n)
{
    failAt(n, QStringLiteral("the result is too large"));
}

std::int64_t centsOf(const Node &n, const Val &v)
{
    std::int64_t cents;
    if (v.kind() == Val::Int) {
        if (__builtin_mul_overflow(v.toInt(), std::int64_t(100), &cents))
            tooLarge(n);
        return cents;
    }
    return v.toMoney().cents();
}

std::int64_t addOrSub(const Node &n, std::int64_t a, std::int64_t b)
{
    std::int64_t r;
    if (n.op == Op::Add ? __builtin_add_overflow(a, b, &r) : __builtin_sub_overflow(a, b, &r))
        tooLarge(n);
    return r;
}

// Days added to a date; far beyond any calendar gives no date.
Val addDays(const QDate &d, std::int64_t days, bool subtract)
{
    constexpr std::int64_t beyondCalendar = std::int64_t(1) << 40;
    if (days > beyondCalendar || days < -beyondCalendar)
        return {};
    return Val(d.addDays(subtract ? -days : days));
}

Val arithmetic(const Node &n, const Val &a, const Val &b)
{
    if (a.isNull() || b.isNull())
        return {};
    const Val::Kind ka = a.kind(), kb = b.kind();
    if (n.op == Op::Add && ka == Val::Text && kb == Val::Text)
        return Val(a.text() + b.text());
    if (ka == Val::Date && kb == Val::Int && (n.op == Op::Add || n.op == Op::Sub))
        return addDays(a.toDate(), b.toInt(), n.op == Op::Sub);
    if (ka == Val::Date && kb == Val::Date && n.op == Op::Sub)
        return Val(std::int64_t(b.toDate().daysTo(a.toDate())));
    if (!a.isNumber() || !b.isNumber())
        failAt(n, QStringLiteral("these values cannot be used with '%1'").arg(n.token));
    const bool real = ka == Val::Real || kb == Val::Real;
    const bool whole = ka == Val::Int && kb == Val::Int;
    switch (n.op) {
    case Op::Add:
    case Op::Sub:
        if (real)
            return Val(n.op == Op::Add ? a.toReal() + b.toReal() : a.toReal() - b.toReal());
        if (whole)
            return Val(addOrSub(n, a.toInt(), b.toInt()));
        return Val(db::Money::fromCents(addOrSub(n, centsOf(n, a), centsOf(n, b))));
    case Op::Mul:
        if (whole) {
            std::int64_t r;
            if (__builtin_mul_overflow(a.toInt(), b.toInt(), &r))
                tooLarge(n);
            return Val(r);
        }
        if (!real && (ka == Val::Int || kb == Val::Int)) {
            const std::int64_t cents = ka == Val::Money ? a.toMoney().cents() : b.toMoney().cents();
            const std::int64_t times = ka == Val::Int ? a.toInt() : b.toInt();
            std::int64_t r;
            if (__builtin_mul_overflow(cents, times, &r))
                tooLarge(n);
            return Val(db::Money::fromCents(r));
        }
        return Val(a.toReal() * b.toReal());
    case Op::Div:
        if (b.toReal() == 0)
            failAt(n, QStringLiteral("division by zero"));
        return Val(a.toReal() / b.toReal());
    default:
        return {};
    }
}

// Calls of evalNode in progress on this thread, formula fields included.
thread_local int evalDepth = 0;

} // namespace

Val evalNode(const Node &n, const Context &ctx)
{
    struct Level {
        Level() { ++evalDepth; }
        ~Level() { --evalDepth; }
    } level;
    if (evalDepth - 1 > maxEvalDepth) // the formula's own top level is none
        failAt(n,
            QStringLiteral("the formula and the formula fields it uses nest more than %1 levels deep")
                .arg(maxEvalDepth));
    auto kid = [&](int i) { return evalNode(*n.kids[i], ctx); };
    auto compare = [&](auto pred) -> Val {
        int r = 0;
        return Val(compareVals(kid(0), kid(1), &r) && pred(r));
    };
    switch (n.op) {
    case Op::Lit:
        return n.lit;
    case Op::Field:
        return ctx.field(n.index);
    case Op::Param:
        return ctx.parameter(n.index);
    case Op::FormulaRef:
        return ctx.formula(n.index);
    case Op::RunRef:
        return ctx.runningTotal(n.index);
    case Op::Or:
        return Val(kid(0).isTrue() || kid(1).isTrue());
    case Op::And:
        return Val(kid(0).isTrue() && kid(1).isTrue());
    case Op::Not:
        return Val(!kid(0).isTrue());
    case Op::Eq:
        return compare([](int r) { return r == 0; });
    case Op::Ne:
        return compare([](int r) { return r != 0; });
    case Op::Lt:
        return compare([](int r) { return r < 0; });
    case Op::Le:
        return compare([](int r) { return r <= 0; });
    case Op::Gt:
        return compare([](int r) { return r > 0; });
    case Op::Ge:
        return compare([](int r) { return r >= 0; });
    case Op::In: {
        const Val x = kid(0);
        int lo = 0, hi = 0;
        return Val(compareVals(x, kid(1), &lo) && lo >= 0 && compareVals(x, kid(2), &hi) && hi <= 0);
    }
    case Op::Like: {
        const Val x = kid(0), p = kid(1);
        if (x.isNull() || p.isNull())
            return Val(false);
        return Val(likeMatch(x.toString(), p.toString()));
    }
    case Op::IsNull:
        return Val(kid(0).isNull());
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
        return arithmetic(n, kid(0), kid(1));
    case Op::Concat:
        return Val(formatVal(kid(0), {}) + formatVal(kid(1), {}));
    case Op::Neg: {
        const Val x = kid(0);
        switch (x.kind()) {
        case Val::Null:
            return {};
        case Val::Int:
            if (x.toInt() == std::numeric_limits<std::int64_t>::min())
                tooLarge(n);
            return Val(-x.toInt());
        case Val::Money:
            if (x.toMoney().cents() == std::numeric_limits<std::int64_t>::min())
                tooLarge(n);
            return Val(-x.toMoney());
        case Val::Real:
            return Val(-x.toReal());
        default:
            failAt(n, QStringLiteral("a number is expected after '-'"));
        }
    }
    case Op::If:
        return kid(0).isTrue() ? kid(1) : kid(2);
    case Op::ToText: {
        const Val x = kid(0);
        if (n.kids.size() == 1)
            return Val(formatVal(x, {}));
        const Val f = kid(1);
        if (f.kind() == Val::Int) {
            const std::int64_t dec = std::clamp<std::int64_t>(f.toInt(), 0, 10);
            return Val(formatVal(x,
                QStringLiteral("#,##0") + (dec > 0 ? QStringLiteral(".") : QString()) + QString(dec, u'0')));
        }
        return Val(formatVal(x, f.toString()));
    }
    case Op::Trim:
    case Op::Upper:
    case Op::Lower: {
        const Val x = kid(0);
        if (x.isNull())
            return {};
        const QString s = x.toString();
        return Val(n.op == Op::Trim ? s.trimmed() : n.op == Op::Upper ? s.toUpper() : s.toLower());
    }
    }
    return {};
}

} // namespace report::fx
