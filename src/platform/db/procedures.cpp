// The procedure registry and the parser of a call ("exec name ?, 'a', 1").
#include "platform/db/internal.h"
#include "platform/db/sqltokens.h"

#include <QHash>

#include <algorithm>
#include <mutex>

namespace db {

namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, Procedure> procedures; // by lower-case name
};

Registry &registry()
{
    static Registry *r = [] {
        auto *reg = new Registry;
        for (auto &[name, procedure] : detail::loginProcedures())
            reg->procedures.insert(name, std::move(procedure));
        return reg;
    }();
    return *r;
}

Procedure findProcedure(const QString &name)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    return r.procedures.value(name.toLower());
}

// ---- parsing a call: [EXEC[UTE]] name arg, arg, ...

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c == u'@';
}

void skipBlanks(QStringView s, qsizetype &i)
{
    while (i < s.size() && s[i].isSpace())
        ++i;
}

QString word(QStringView s, qsizetype &i)
{
    const qsizetype start = i;
    while (i < s.size() && (isIdentChar(s[i]) || s[i] == u'.'))
        ++i;
    return s.mid(start, i - start).toString();
}

// A text literal that its closing quote ends (the scanner runs an open one
// to the end of the call).
bool closedText(QStringView text)
{
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] != u'\'')
            continue;
        if (i + 1 < text.size() && text[i + 1] == u'\'') {
            ++i;
            continue;
        }
        return i == text.size() - 1;
    }
    return false;
}

// The arguments of a call, from its tokens after the procedure's name:
// `?` (the next bound value), 'text' or N'text', a number with its sign
// written against it, NULL or DEFAULT, separated by commas, with one
// optional semicolon before and after.
class CallArguments {
public:
    CallArguments(QStringView call, qsizetype from, const Params &bound, const QString &procName)
        : m_s(call)
        , m_tokens(lex::tokens(call))
        , m_bound(bound)
        , m_proc(procName)
    {
        while (m_next < m_tokens.size() && m_tokens[m_next].at < from)
            ++m_next;
    }

    Params parse()
    {
        Params args;
        take(";");
        if (atEnd()) {
            if (!m_bound.empty())
                throw Error(
                    QStringLiteral("The call takes 0 parameter(s); %1 were given.").arg(m_bound.size()));
            return args;
        }
        do
            args.push_back(argument());
        while (take(","));
        take(";");
        if (!atEnd())
            throw malformed();
        if (m_used != m_bound.size())
            throw Error(QStringLiteral("The call has %1 '?' but %2 parameter(s) were given.")
                            .arg(m_used)
                            .arg(m_bound.size()));
        return args;
    }

private:
    bool atEnd() const { return m_next >= m_tokens.size(); }
    const lex::Token &token(size_t ahead = 0) const { return m_tokens[m_next + ahead]; }
    bool has(size_t ahead) const { return m_next + ahead < m_tokens.size(); }
    // Whether the token after `ahead` follows it with nothing between.
    bool joined(size_t ahead) const
    {
        return has(ahead + 1) && token(ahead).at + token(ahead).size == token(ahead + 1).at;
    }
    bool take(const char *punct)
    {
        if (atEnd() || !token().is(m_s, punct))
            return false;
        ++m_next;
        return true;
    }
    Error malformed() const
    {
        const qsizetype at = atEnd() ? m_s.size() : token().at;
        return Error(QStringLiteral("Incorrect syntax in the call of procedure '%1' near '%2'.")
                         .arg(m_proc, m_s.mid(at, 20).toString()));
    }

    Value argument()
    {
        if (atEnd())
            throw malformed();
        const lex::Token &t = token();
        const QStringView spelled = t.in(m_s);
        if (t.isPositional(m_s)) {
            if (m_used >= m_bound.size())
                throw Error(QStringLiteral("The call has more '?' than the %1 parameter(s) given.")
                                .arg(m_bound.size()));
            ++m_next;
            return m_bound[m_used++];
        }
        if (t.kind == lex::Kind::Word && joined(0) && spelled.compare(u"N", Qt::CaseInsensitive) == 0
            && token(1).kind == lex::Kind::Text) {
            ++m_next;
            return text();
        }
        if (t.kind == lex::Kind::Text)
            return text();
        if (t.kind == lex::Kind::Number
            || (t.kind == lex::Kind::Op && (spelled == u"-" || spelled == u"+") && joined(0)
                && token(1).kind == lex::Kind::Number))
            return number();
        if (t.kind == lex::Kind::Word
            && (spelled.compare(u"NULL", Qt::CaseInsensitive) == 0
                || spelled.compare(u"DEFAULT", Qt::CaseInsensitive) == 0)) {
            ++m_next;
            return Value();
        }
        throw malformed();
    }

    Value text()
    {
        const lex::Token &t = token();
        if (m_s[t.at] != u'\'')
            throw malformed(); // a quoted name or a dollar-quoted text
        if (!closedText(t.in(m_s)))
            throw Error(QStringLiteral("Unclosed quotation mark in the call of procedure '%1'.").arg(m_proc));
        ++m_next;
        return Value(t.value(m_s));
    }

    // Digits with at most their points: no exponent or hexadecimal form.
    Value number()
    {
        QString num;
        if (token().kind == lex::Kind::Op) {
            num = token().in(m_s).toString();
            ++m_next;
        }
        const QStringView digits = token().in(m_s);
        if (std::any_of(digits.begin(), digits.end(), [](QChar c) { return !c.isDigit() && c != u'.'; }))
            throw malformed();
        num += digits;
        ++m_next;
        bool ok = false;
        const qlonglong n = num.toLongLong(&ok);
        if (ok)
            return Value(n);
        const double d = num.toDouble(&ok);
        if (!ok)
            throw malformed();
        return Value(d);
    }

    QStringView m_s;
    std::vector<lex::Token> m_tokens;
    const Params &m_bound;
    QString m_proc;
    size_t m_next = 0, m_used = 0;
};

} // namespace

void registerProcedure(const QString &name, Procedure procedure)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    r.procedures.insert(name.trimmed().toLower(), std::move(procedure));
}

bool isProcedure(const QString &name)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    return r.procedures.contains(name.trimmed().toLower());
}

namespace detail {

bool runProcedure(Connection &conn, const QString &sql, const Params &params, std::int64_t *affected)
{
    const QStringView s(sql);
    qsizetype i = 0;
    skipBlanks(s, i);
    QString name = word(s, i);
    bool exec = false;
    if (name.compare(QLatin1String("exec"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("execute"), Qt::CaseInsensitive) == 0) {
        exec = true;
        skipBlanks(s, i);
        name = word(s, i);
    }
    if (name.isEmpty()
        || (i < s.size() && !s[i].isSpace() && s[i] != u';' && s[i] != u'\'' && s[i] != u'?')) {
        if (exec)
            throw Error(QStringLiteral("Incorrect syntax near 'EXEC'."));
        return false;
    }
    QString bare = name;
    if (bare.startsWith(QLatin1String("dbo."), Qt::CaseInsensitive))
        bare = bare.mid(4);
    const Procedure proc = findProcedure(bare);
    if (!proc) {
        if (exec)
            throw Error(QStringLiteral("Could not find stored procedure '%1'.").arg(name));
        return false;
    }
    const Params args = CallArguments(s, i, params, bare).parse();
    *affected = proc(conn, args);
    return true;
}

} // namespace detail
} // namespace db
