#include "platform/report/formula_p.h"

#include <cmath>
#include <limits>

namespace report::fx {

namespace {

enum class Tok { End, Number, String, Date, Field, Param, FormulaRef, RunRef, Word, Symbol };

struct Token {
    Tok kind = Tok::End;
    int pos = 0; // 1-based
    QString raw; // as written, for messages
    QString a, b; // names (field: table, column), word (lower case), symbol
    Val value; // literals
};

QString shortToken(const QString &t)
{
    return t.size() > 30 ? t.left(27) + QStringLiteral("...") : t;
}

} // namespace

void fail(int pos, const QString &token, const QString &reason, bool atEnd)
{
    const QString where
        = atEnd ? QStringLiteral("end of formula") : QStringLiteral("'%1'").arg(shortToken(token));
    throw FormulaError(
        QStringLiteral("Error in formula at position %1 (%2): %3.").arg(pos).arg(where, reason), pos,
        atEnd ? QString() : token, reason);
}

namespace {

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
            if (parent.depth - 1 > maxDepth) // a value alone nests no level
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
    int nesting = -1; // the formula's own top level is none
};

} // namespace

std::unique_ptr<Node> parseText(const QString &text)
{
    return Parser(Lexer(text).run()).run();
}

} // namespace report::fx
