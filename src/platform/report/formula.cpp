#include "platform/report/formula.h"

#include "platform/db/numbertext.h"

#include <cmath>
#include <limits>

namespace report {

// ---------------------------------------------------------------- values

Val::Val(QDate d)
{
    if (d.isValid())
        m_v = d;
}

Val Val::fromDb(const db::Value &v)
{
    switch (v.type()) {
    case db::Type::Null:
        return {};
    case db::Type::Int:
        return Val(v.toInt());
    case db::Type::Real:
        return Val(v.toDouble());
    case db::Type::Text:
        return Val(v.toString());
    case db::Type::Money:
        return Val(v.toMoney());
    case db::Type::Date:
        return Val(v.toDate());
    }
    return {};
}

db::Money Val::toMoney() const
{
    if (kind() == Int) {
        std::int64_t cents;
        if (__builtin_mul_overflow(toInt(), std::int64_t(100), &cents))
            throw Error(QStringLiteral("The number %1 is too large for an amount.").arg(toInt()));
        return db::Money::fromCents(cents);
    }
    return std::get<db::Money>(m_v);
}

double Val::toReal() const
{
    switch (kind()) {
    case Int:
        return double(toInt());
    case Money:
        return std::get<db::Money>(m_v).toDouble();
    case Real:
        return std::get<double>(m_v);
    default:
        return 0;
    }
}

QString Val::toString() const
{
    switch (kind()) {
    case Null:
        return {};
    case Bool:
        return toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case Int:
        return QString::number(toInt());
    case Money:
        return toMoney().toString();
    case Real:
        return QString::number(toReal(), 'g', 15);
    case Text:
        return text();
    case Date:
        return toDate().toString(QStringLiteral("dd-MM-yyyy"));
    }
    return {};
}

namespace {

// A text read as a number for comparing with one: whole, cents, or real.
bool textAsNumber(const QString &text, Val *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qlonglong i = t.toLongLong(&ok);
    if (ok) {
        *out = Val(std::int64_t(i));
        return true;
    }
    const double d = t.toDouble(&ok);
    if (ok) {
        *out = Val(d);
        return true;
    }
    return false;
}

template <class T> int cmp3(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Int or Money in cents, wide enough for any whole number.
__int128 wideCents(const Val &v)
{
    return v.kind() == Val::Int ? __int128(v.toInt()) * 100 : __int128(v.toMoney().cents());
}

int compareNumbers(const Val &a, const Val &b)
{
    if (a.kind() == Val::Real || b.kind() == Val::Real)
        return cmp3(a.toReal(), b.toReal());
    if (a.kind() == Val::Int && b.kind() == Val::Int)
        return cmp3(a.toInt(), b.toInt());
    return cmp3(wideCents(a), wideCents(b));
}

} // namespace

bool compareVals(const Val &a, const Val &b, int *result)
{
    if (a.isNull() || b.isNull())
        return false;
    if (a.isNumber() && b.isNumber()) {
        *result = compareNumbers(a, b);
        return true;
    }
    const Val::Kind ka = a.kind(), kb = b.kind();
    if (ka == Val::Text && kb == Val::Text) {
        *result = a.text().compare(b.text(), Qt::CaseInsensitive);
        *result = *result < 0 ? -1 : (*result > 0 ? 1 : 0);
        return true;
    }
    if (ka == Val::Date && kb == Val::Date) {
        *result = cmp3(a.toDate(), b.toDate());
        return true;
    }
    if (ka == Val::Bool && kb == Val::Bool) {
        *result = cmp3(a.toBool(), b.toBool());
        return true;
    }
    // Text met with a date or a number: read the text as one.
    if (ka == Val::Text || kb == Val::Text) {
        const bool textFirst = ka == Val::Text;
        const Val &t = textFirst ? a : b;
        const Val &o = textFirst ? b : a;
        Val converted;
        if (o.kind() == Val::Date) {
            const QDate d = db::parseDate(t.text().trimmed());
            if (!d.isValid())
                return false;
            converted = Val(d);
        } else if (o.isNumber()) {
            if (!textAsNumber(t.text(), &converted))
                return false;
        } else {
            return false;
        }
        return textFirst ? compareVals(converted, o, result) : compareVals(o, converted, result);
    }
    return false;
}

int orderVals(const Val &a, const Val &b)
{
    if (a.isNull() || b.isNull())
        return cmp3(!a.isNull(), !b.isNull());
    int r = 0;
    if (compareVals(a, b, &r))
        return r;
    return cmp3(int(a.kind()), int(b.kind()));
}

bool likeMatch(const QString &text, const QString &pattern)
{
    // Greedy match with one backtrack point for the last '*'.
    qsizetype t = 0, p = 0, star = -1, mark = 0;
    const qsizetype tn = text.size(), pn = pattern.size();
    while (t < tn) {
        if (p < pn && pattern[p] == u'*') {
            star = p++;
            mark = t;
        } else if (p < pn && (pattern[p] == u'?' || pattern[p].toCaseFolded() == text[t].toCaseFolded())) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pn && pattern[p] == u'*')
        ++p;
    return p == pn;
}

// --------------------------------------------------------------- formats

namespace {

// Appends the digits of n, with a comma between thousands when asked.
void appendDigits(QString &out, std::uint64_t n, bool grouping)
{
    char16_t digits[24];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n);
    for (int i = count - 1; i >= 0; --i) {
        out += QChar(digits[i]);
        if (grouping && i > 0 && i % 3 == 0)
            out += u',';
    }
}

bool isNumberFormat(const QString &f)
{
    return f.contains(u'#') || f.contains(u'0');
}

QString toQtDateFormat(const QString &f)
{
    QString out;
    out.reserve(f.size());
    for (QChar c : f) {
        const QChar l = c.toLower();
        if (l == u'm')
            out += u'M';
        else if (l == u'd' || l == u'y')
            out += l;
        else if (c.isLetter())
            out += QStringLiteral("'") + c + QStringLiteral("'");
        else
            out += c;
    }
    return out;
}

} // namespace

DisplayFormat::DisplayFormat(const QString &format)
{
    if (format.isEmpty())
        return;
    if (isNumberFormat(format)) {
        m_kind = Kind::Number;
        qsizetype first = -1, last = -1;
        for (qsizetype i = 0; i < format.size(); ++i) {
            const QChar c = format[i];
            if (c == u'#' || c == u'0' || ((c == u',' || c == u'.') && first >= 0)) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        m_prefix = format.left(first);
        m_suffix = format.mid(last + 1);
        const QString body = format.mid(first, last - first + 1);
        m_grouping = body.contains(u',');
        const qsizetype dot = body.indexOf(u'.');
        if (dot >= 0)
            for (qsizetype i = dot + 1; i < body.size(); ++i)
                if (body[i] == u'0' || body[i] == u'#')
                    ++m_decimals;
        return;
    }
    m_kind = Kind::Date;
    m_qtDate = toQtDateFormat(format);
    // The program's usual forms are written out directly.
    if (format.size() == 10 && format[2] == format[5] && !format[2].isLetterOrNumber()
        && format.left(2).compare(QLatin1String("dd"), Qt::CaseInsensitive) == 0
        && format.mid(3, 2).compare(QLatin1String("mm"), Qt::CaseInsensitive) == 0
        && format.right(4).compare(QLatin1String("yyyy"), Qt::CaseInsensitive) == 0)
        m_dateSeparator = format[2];
}

QString DisplayFormat::number(
    const Val &v, int decimals, bool grouping, const QString &prefix, const QString &suffix)
{
    QString out;
    out.reserve(prefix.size() + suffix.size() + 24);
    out += prefix;
    if (v.kind() == Val::Real) {
        const double d = v.toReal();
        const QString s = QString::number(std::fabs(d), 'f', decimals);
        const qsizetype dot = s.indexOf(u'.');
        const QString intPart = dot < 0 ? s : s.left(dot);
        const bool negative = d < 0 && s.count(u'0') + (dot < 0 ? 0 : 1) != s.size(); // no "-0.00"
        if (negative)
            out += u'-';
        out += grouping ? db::groupThousands(intPart) : intPart;
        if (dot >= 0)
            out += s.mid(dot);
    } else if (v.kind() == Val::Int) {
        out += db::fixedText(v.toInt(), 0, decimals, grouping);
    } else {
        // Cents stay exact; rounding is half away from zero.
        out += db::fixedText(v.toMoney().cents(), 2, decimals, grouping);
    }
    out += suffix;
    return out;
}

QString DisplayFormat::apply(const Val &v) const
{
    if (v.isNull())
        return {};
    switch (m_kind) {
    case Kind::Default:
        switch (v.kind()) {
        case Val::Money:
            return number(v, 2, true, {}, {});
        case Val::Real: {
            const double d = v.toReal();
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
                return QString::number(std::int64_t(d));
            return number(v, 2, true, {}, {});
        }
        default:
            return v.toString();
        }
    case Kind::Number: {
        Val n = v;
        if (v.kind() == Val::Text && !textAsNumber(v.text(), &n))
            return v.text();
        if (!n.isNumber())
            return v.toString();
        return number(n, m_decimals, m_grouping, m_prefix, m_suffix);
    }
    case Kind::Date: {
        QDate d;
        if (v.kind() == Val::Date)
            d = v.toDate();
        else if (v.kind() == Val::Text)
            d = db::parseDate(v.text().trimmed());
        if (!d.isValid())
            return v.toString();
        if (!m_dateSeparator.isNull() && d.year() >= 1000 && d.year() <= 9999) {
            QString out;
            out.reserve(10);
            const int day = d.day(), month = d.month();
            out += QChar(u'0' + day / 10);
            out += QChar(u'0' + day % 10);
            out += m_dateSeparator;
            out += QChar(u'0' + month / 10);
            out += QChar(u'0' + month % 10);
            out += m_dateSeparator;
            appendDigits(out, std::uint64_t(d.year()), false);
            return out;
        }
        return d.toString(m_qtDate);
    }
    }
    return v.toString();
}

QString formatVal(const Val &v, const QString &format)
{
    return DisplayFormat(format).apply(v);
}

// --------------------------------------------------------------- formulas

namespace {

enum class Tok { End, Number, String, Date, Field, Param, FormulaRef, RunRef, Word, Symbol };

struct Token {
    Tok kind = Tok::End;
    int pos = 0; // 1-based
    QString raw; // as written, for messages
    QString a, b; // names (field: table, column), word (lower case), symbol
    Val value; // literals
};

enum class Op {
    Lit,
    Field,
    Param,
    FormulaRef,
    RunRef,
    Or,
    And,
    Not,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    In,
    Like,
    IsNull,
    Add,
    Sub,
    Mul,
    Div,
    Concat,
    Neg,
    If,
    ToText,
    Trim,
    Upper,
    Lower,
};

// How deep a formula may nest: parentheses, not, minus, if, function
// calls and chains of operators alike. Parsing and evaluating go one call
// deeper per level, and this keeps them well inside the default stack, also
// under the sanitizers.
constexpr int maxDepth = 200;
// How deep evaluation may go through formula fields that use one another.
constexpr int maxEvalDepth = 1000;

struct Node {
    Op op = Op::Lit;
    int pos = 0;
    int depth = 1; // levels of the tree below and including this node
    QString token;
    Val lit;
    QString a, b;
    int index = -1;
    std::vector<std::unique_ptr<Node>> kids;
};

QString shortToken(const QString &t)
{
    return t.size() > 30 ? t.left(27) + QStringLiteral("...") : t;
}

[[noreturn]] void fail(int pos, const QString &token, const QString &reason, bool atEnd = false)
{
    const QString where
        = atEnd ? QStringLiteral("end of formula") : QStringLiteral("'%1'").arg(shortToken(token));
    throw FormulaError(
        QStringLiteral("Error in formula at position %1 (%2): %3.").arg(pos).arg(where, reason), pos,
        atEnd ? QString() : token, reason);
}

class Lexer {
public:
    explicit Lexer(const QString &text)
        : s(text)
    {
    }

    std::vector<Token> run()
    {
        std::vector<Token> out;
        for (;;) {
            while (i < s.size() && s[i].isSpace())
                ++i;
            Token t;
            t.pos = int(i) + 1;
            if (i >= s.size()) {
                out.push_back(t);
                return out;
            }
            const QChar c = s[i];
            if (c == u'{')
                braced(t);
            else if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit()))
                number(t);
            else if (c == u'\'' || c == u'"')
                string(t, c);
            else if (c == u'#')
                date(t);
            else if (c.isLetter() || c == u'_')
                word(t);
            else
                symbol(t);
            out.push_back(std::move(t));
        }
    }

private:
    void braced(Token &t)
    {
        const qsizetype close = s.indexOf(u'}', i);
        if (close < 0)
            fail(t.pos, s.mid(i), QStringLiteral("the field name is not closed"));
        t.raw = s.mid(i, close - i + 1);
        QString inner = s.mid(i + 1, close - i - 1).trimmed();
        i = close + 1;
        if (inner.startsWith(u'?') || inner.startsWith(u'@') || inner.startsWith(u'#')) {
            t.kind = inner[0] == u'?' ? Tok::Param : inner[0] == u'@' ? Tok::FormulaRef : Tok::RunRef;
            t.a = inner.mid(1).trimmed();
            if (t.a.isEmpty())
                fail(t.pos, t.raw, QStringLiteral("a name is expected"));
            return;
        }
        const qsizetype dot = inner.indexOf(u'.');
        if (dot <= 0 || dot == inner.size() - 1)
            fail(t.pos, t.raw, QStringLiteral("a field is written {Table.Field}"));
        t.kind = Tok::Field;
        t.a = inner.left(dot).trimmed();
        t.b = inner.mid(dot + 1).trimmed();
    }

    void number(Token &t)
    {
        const qsizetype start = i;
        while (i < s.size() && s[i].isDigit())
            ++i;
        int decimals = -1;
        if (i < s.size() && s[i] == u'.') {
            ++i;
            decimals = 0;
            while (i < s.size() && s[i].isDigit()) {
                ++i;
                ++decimals;
            }
        }
        t.kind = Tok::Number;
        t.raw = s.mid(start, i - start);
        bool ok = false;
        if (decimals < 0) {
            const qlonglong v = t.raw.toLongLong(&ok);
            if (!ok)
                fail(t.pos, t.raw, QStringLiteral("this number is too large"));
            t.value = Val(std::int64_t(v));
        } else if (decimals <= 2) {
            // Amounts stay exact.
            QString digits = t.raw;
            digits.remove(u'.');
            digits += QString(2 - decimals, u'0');
            const qlonglong cents = digits.toLongLong(&ok);
            if (!ok)
                fail(t.pos, t.raw, QStringLiteral("this number is too large"));
            t.value = Val(db::Money::fromCents(cents));
        } else {
            t.value = Val(t.raw.toDouble());
        }
    }

    void string(Token &t, QChar quote)
    {
        const qsizetype start = i++;
        QString v;
        for (;;) {
            if (i >= s.size())
                fail(t.pos, s.mid(start), QStringLiteral("the text is not closed"));
            if (s[i] == quote) {
                if (i + 1 < s.size() && s[i + 1] == quote) {
                    v += quote;
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            v += s[i++];
        }
        t.kind = Tok::String;
        t.raw = s.mid(start, i - start);
        t.value = Val(std::move(v));
    }

    void date(Token &t)
    {
        const qsizetype close = s.indexOf(u'#', i + 1);
        if (close < 0)
            fail(t.pos, s.mid(i), QStringLiteral("the date is not closed"));
        t.raw = s.mid(i, close - i + 1);
        const QString inner = s.mid(i + 1, close - i - 1).trimmed();
        i = close + 1;
        QDate d = QDate::fromString(inner, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid())
            d = QDate::fromString(inner, QStringLiteral("yyyy/MM/dd"));
        if (!d.isValid())
            d = QDate::fromString(inner, QStringLiteral("yyyy-M-d"));
        if (!d.isValid())
            d = db::parseDate(inner);
        if (!d.isValid())
            fail(t.pos, t.raw, QStringLiteral("this is not a date"));
        t.kind = Tok::Date;
        t.value = Val(d);
    }

    void word(Token &t)
    {
        const qsizetype start = i;
        while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == u'_'))
            ++i;
        t.kind = Tok::Word;
        t.raw = s.mid(start, i - start);
        t.a = t.raw.toLower();
    }

    void symbol(Token &t)
    {
        static const char *const two[] = {"<>", "<=", ">="};
        for (const char *op : two) {
            if (s.mid(i, 2) == QLatin1String(op)) {
                t.kind = Tok::Symbol;
                t.raw = t.a = QLatin1String(op);
                i += 2;
                return;
            }
        }
        const QChar c = s[i];
        if (QStringLiteral("=<>()+-*/&,").contains(c)) {
            t.kind = Tok::Symbol;
            t.raw = t.a = QString(c);
            ++i;
            return;
        }
        fail(t.pos, QString(c), QStringLiteral("this character is not allowed"));
    }

    const QString &s;
    qsizetype i = 0;
};

class Parser {
public:
    explicit Parser(std::vector<Token> tokens)
        : t(std::move(tokens))
    {
    }

    std::unique_ptr<Node> run()
    {
        auto n = expr();
        if (cur().kind != Tok::End)
            failHere(QStringLiteral("an operator or the end of the formula is expected"));
        return n;
    }

private:
    const Token &cur() const { return t[k]; }

    // One level of nested parsing, refused beyond the limit.
    class Nest {
    public:
        explicit Nest(Parser &p)
            : m_p(p)
        {
            if (++m_p.nesting > maxDepth)
                m_p.failHere(tooDeep());
        }
        ~Nest() { --m_p.nesting; }
        Nest(const Nest &) = delete;
        Nest &operator=(const Nest &) = delete;

    private:
        Parser &m_p;
    };

    static QString tooDeep()
    {
        return QStringLiteral("the formula nests more than %1 levels deep").arg(maxDepth);
    }

    static void adopt(Node &parent, std::unique_ptr<Node> kid)
    {
        if (kid->depth + 1 > parent.depth) {
            parent.depth = kid->depth + 1;
            if (parent.depth > maxDepth)
                fail(parent.pos, parent.token, tooDeep());
        }
        parent.kids.push_back(std::move(kid));
    }

    bool isWord(const char *w) const { return cur().kind == Tok::Word && cur().a == QLatin1String(w); }
    bool isSym(const char *s) const { return cur().kind == Tok::Symbol && cur().a == QLatin1String(s); }
    [[noreturn]] void failHere(const QString &reason) const
    {
        fail(cur().pos, cur().raw, reason, cur().kind == Tok::End);
    }
    void expectSym(const char *s)
    {
        if (!isSym(s))
            failHere(QStringLiteral("'%1' is expected").arg(QLatin1String(s)));
        ++k;
    }
    void expectWord(const char *w)
    {
        if (!isWord(w))
            failHere(QStringLiteral("'%1' is expected").arg(QLatin1String(w)));
        ++k;
    }

    static std::unique_ptr<Node> make(Op op, const Token &at)
    {
        auto n = std::make_unique<Node>();
        n->op = op;
        n->pos = at.pos;
        n->token = at.raw;
        return n;
    }
    static std::unique_ptr<Node> binary(
        Op op, const Token &at, std::unique_ptr<Node> l, std::unique_ptr<Node> r)
    {
        auto n = make(op, at);
        adopt(*n, std::move(l));
        adopt(*n, std::move(r));
        return n;
    }

    std::unique_ptr<Node> expr()
    {
        const Nest nest(*this);
        if (isWord("if")) {
            auto n = make(Op::If, cur());
            ++k;
            adopt(*n, expr());
            expectWord("then");
            adopt(*n, expr());
            expectWord("else");
            adopt(*n, expr());
            return n;
        }
        return orExpr();
    }

    std::unique_ptr<Node> orExpr()
    {
        auto l = andExpr();
        while (isWord("or")) {
            const Token at = cur();
            ++k;
            l = binary(Op::Or, at, std::move(l), andExpr());
        }
        return l;
    }

    std::unique_ptr<Node> andExpr()
    {
        auto l = notExpr();
        while (isWord("and")) {
            const Token at = cur();
            ++k;
            l = binary(Op::And, at, std::move(l), notExpr());
        }
        return l;
    }

    std::unique_ptr<Node> notExpr()
    {
        if (isWord("not")) {
            const Nest nest(*this);
            auto n = make(Op::Not, cur());
            ++k;
            adopt(*n, notExpr());
            return n;
        }
        return comparison();
    }

    std::unique_ptr<Node> comparison()
    {
        auto l = additive();
        static const struct {
            const char *sym;
            Op op;
        } ops[]
            = {{"=", Op::Eq}, {"<>", Op::Ne}, {"<", Op::Lt}, {"<=", Op::Le}, {">", Op::Gt}, {">=", Op::Ge}};
        for (const auto &o : ops) {
            if (isSym(o.sym)) {
                const Token at = cur();
                ++k;
                return binary(o.op, at, std::move(l), additive());
            }
        }
        if (isWord("like")) {
            const Token at = cur();
            ++k;
            return binary(Op::Like, at, std::move(l), additive());
        }
        if (isWord("in")) {
            auto n = make(Op::In, cur());
            ++k;
            adopt(*n, std::move(l));
            adopt(*n, additive());
            expectWord("to");
            adopt(*n, additive());
            return n;
        }
        return l;
    }

    std::unique_ptr<Node> additive()
    {
        auto l = multiplicative();
        for (;;) {
            Op op;
            if (isSym("+"))
                op = Op::Add;
            else if (isSym("-"))
                op = Op::Sub;
            else if (isSym("&"))
                op = Op::Concat;
            else
                return l;
            const Token at = cur();
            ++k;
            l = binary(op, at, std::move(l), multiplicative());
        }
    }

    std::unique_ptr<Node> multiplicative()
    {
        auto l = unary();
        while (isSym("*") || isSym("/")) {
            const Op op = isSym("*") ? Op::Mul : Op::Div;
            const Token at = cur();
            ++k;
            l = binary(op, at, std::move(l), unary());
        }
        return l;
    }

    std::unique_ptr<Node> unary()
    {
        if (isSym("-")) {
            const Nest nest(*this);
            auto n = make(Op::Neg, cur());
            ++k;
            adopt(*n, unary());
            return n;
        }
        return primary();
    }

    std::unique_ptr<Node> primary()
    {
        const Token &c = cur();
        switch (c.kind) {
        case Tok::Number:
        case Tok::String:
        case Tok::Date: {
            auto n = make(Op::Lit, c);
            n->lit = c.value;
            ++k;
            return n;
        }
        case Tok::Field:
        case Tok::Param:
        case Tok::FormulaRef:
        case Tok::RunRef: {
            const Op op = c.kind == Tok::Field ? Op::Field
                : c.kind == Tok::Param         ? Op::Param
                : c.kind == Tok::FormulaRef    ? Op::FormulaRef
                                               : Op::RunRef;
            auto n = make(op, c);
            n->a = c.a;
            n->b = c.b;
            ++k;
            return n;
        }
        case Tok::Symbol:
            if (isSym("(")) {
                ++k;
                auto n = expr();
                expectSym(")");
                return n;
            }
            failHere(QStringLiteral("a value is expected"));
        case Tok::Word:
            return wordExpr();
        case Tok::End:
            failHere(QStringLiteral("a value is expected"));
        }
        failHere(QStringLiteral("a value is expected"));
    }

    std::unique_ptr<Node> wordExpr()
    {
        const Token &c = cur();
        if (c.a == QLatin1String("true") || c.a == QLatin1String("false")) {
            auto n = make(Op::Lit, c);
            n->lit = Val(c.a == QLatin1String("true"));
            ++k;
            return n;
        }
        static const struct {
            const char *name;
            Op op;
            int minArgs, maxArgs;
        } functions[] = {
            {"isnull", Op::IsNull, 1, 1},
            {"totext", Op::ToText, 1, 2},
            {"trim", Op::Trim, 1, 1},
            {"uppercase", Op::Upper, 1, 1},
            {"ucase", Op::Upper, 1, 1},
            {"lowercase", Op::Lower, 1, 1},
            {"lcase", Op::Lower, 1, 1},
        };
        for (const auto &f : functions) {
            if (c.a != QLatin1String(f.name))
                continue;
            auto n = make(f.op, c);
            ++k;
            expectSym("(");
            adopt(*n, expr());
            while (isSym(",")) {
                if (int(n->kids.size()) == f.maxArgs)
                    failHere(QStringLiteral("%1 takes %2").arg(n->token, argCount(f.maxArgs)));
                ++k;
                adopt(*n, expr());
            }
            if (int(n->kids.size()) < f.minArgs)
                failHere(QStringLiteral("%1 takes %2").arg(n->token, argCount(f.minArgs)));
            expectSym(")");
            if (f.op == Op::IsNull && n->kids[0]->op != Op::Field && n->kids[0]->op != Op::FormulaRef
                && n->kids[0]->op != Op::Param)
                fail(n->kids[0]->pos, n->kids[0]->token, QStringLiteral("IsNull takes a field"));
            return n;
        }
        if (isWord("and") || isWord("or") || isWord("to") || isWord("then") || isWord("else")
            || isWord("like") || isWord("in"))
            failHere(QStringLiteral("a value is expected"));
        failHere(QStringLiteral("this word is not known"));
    }

    static QString argCount(int n)
    {
        return n == 1 ? QStringLiteral("one value") : QStringLiteral("%1 values").arg(n);
    }

    std::vector<Token> t;
    size_t k = 0;
    int nesting = 0;
};

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

void collectFormulaRefs(const Node &n, std::vector<int> &out)
{
    if (n.op == Op::FormulaRef && n.index >= 0)
        out.push_back(n.index);
    for (const auto &kid : n.kids)
        collectFormulaRefs(*kid, out);
}

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

Val evalNode(const Node &n, const Context &ctx)
{
    struct Level {
        Level() { ++evalDepth; }
        ~Level() { --evalDepth; }
    } level;
    if (evalDepth > maxEvalDepth)
        failAt(
            n, QStringLiteral("formula fields use one another more than %1 levels deep").arg(maxEvalDepth));
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

} // namespace

struct Formula::Impl {
    QString text;
    std::unique_ptr<Node> root; // null for an empty formula
};

Formula::Formula()
    : d(std::make_unique<Impl>())
{
}
Formula::~Formula() = default;
Formula::Formula(Formula &&) noexcept = default;
Formula &Formula::operator=(Formula &&) noexcept = default;

Formula Formula::parse(const QString &text)
{
    Formula f;
    f.d->text = text;
    if (!text.trimmed().isEmpty())
        f.d->root = Parser(Lexer(text).run()).run();
    return f;
}

const QString &Formula::text() const
{
    return d->text;
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
        bindNode(*d->root, scope);
}

Val Formula::eval(const Context &ctx) const
{
    if (!d->root)
        return {};
    return evalNode(*d->root, ctx);
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
