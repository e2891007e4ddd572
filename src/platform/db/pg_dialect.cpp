// The spellings of the program's SQL that PostgreSQL reads otherwise,
// translated in one place before a statement is prepared. What the program
// writes is the SQL both engines read where it can be, or a function both
// define (len(), ifnull(), instr(), ...).
// A construct of the embedded engine's that has no translation here is
// refused with a db::Error when the statement is first prepared, never sent
// on to fail, or to answer otherwise, on the server.
#include "platform/db/pg_session.h"
#include "platform/db/sqltokens.h"

#include <map>

namespace db::detail {

namespace {

using lex::Kind;

[[noreturn]] void refuse(const QString &what, const QString &sql)
{
    throw Error(QStringLiteral("The PostgreSQL engine cannot run %1 (write the statement in the SQL both "
                               "engines read): %2")
                    .arg(what, sql.simplified()));
}

// Functions of the embedded engine PostgreSQL lacks, each with the
// spelling both engines read where there is one.
struct Missing {
    const char *name, *instead;
};
constexpr Missing kMissing[] = {
    {"julianday", nullptr},
    {"datetime", nullptr},
    {"unixepoch", nullptr},
    {"iif", "CASE WHEN ... THEN ... ELSE ... END"},
    {"typeof", nullptr},
    {"last_insert_rowid", nullptr},
    {"changes", nullptr},
    {"total_changes", nullptr},
    {"randomblob", nullptr},
    {"zeroblob", nullptr},
    {"hex", nullptr},
    {"unicode", nullptr},
    {"quote", nullptr},
    {"likely", nullptr},
    {"unlikely", nullptr},
    {"likelihood", nullptr},
    {"sqlite_version", nullptr},
};

class Rewriter {
public:
    explicit Rewriter(const QString &sql)
        : m_sql(sql)
        , m_tokens(lex::tokens(sql))
    {
    }

    QString run()
    {
        refuseUnknown();
        for (size_t k = 0; k < m_tokens.size(); ++k) {
            if (auto it = m_nameAfter.find(k); it != m_nameAfter.end()) {
                replace(k, k, QStringLiteral(") AS oru_from%1").arg(it->second));
                m_nameAfter.erase(it);
                ++m_named;
            } else if (isCall(k, "strftime")) {
                k = strftimeCall(k);
            } else if (isCall(k, "total")) {
                k = totalCall(k);
            } else if (isCall(k, "group_concat")) {
                k = groupConcatCall(k);
            } else if (isCall(k, "printf")) {
                k = printfCall(k);
            } else if (isCall(k, "date") && !isWord(k - 1, "as")) {
                k = dateCall(k);
            } else if (isCall(k, "money") || isCall(k, "replace")) {
                // The program's own, before the server's cast and search
                // that pg_catalog (searched first) has under these names.
                replace(k, k, QStringLiteral("oru.") + text(k));
            } else if (isCall(k, "char") && !isWord(k - 1, "as")) {
                replace(k, k, QStringLiteral("oru_char"));
            } else if (isWord(k, "like") && (kindAt(k + 1) == Kind::Param || kindAt(k + 1) == Kind::Text)) {
                // LIKE refuses the nondeterministic collation of text columns:
                // compare under the default collation, without regard to case.
                replace(k, k + 1,
                    QStringLiteral("ILIKE ") + text(k + 1) + QStringLiteral(" COLLATE \"default\""));
                ++k;
            } else if (isWord(k, "is") && isWord(k + 1, "not") && comparesValue(k + 2)) {
                // The embedded engine's IS [NOT] compares any two values, Null as a value.
                replace(k, k + 1, QStringLiteral("IS DISTINCT FROM"));
                ++k;
            } else if (isWord(k, "is") && comparesValue(k + 1)) {
                replace(k, k, QStringLiteral("IS NOT DISTINCT FROM"));
            } else if (isWord(k, "from") && isPunct(k + 1, u'(')
                && (isWord(k + 2, "select") || isWord(k + 2, "with"))) {
                // A subquery in FROM needs a name here.
                const size_t close = closing(k + 1);
                if (close != npos && !named(close + 1))
                    m_nameAfter.emplace(close, int(m_nameAfter.size()) + 1 + m_named);
            }
        }
        if (m_copied == 0)
            return m_sql;
        m_out += QStringView(m_sql).mid(m_copied);
        return m_out;
    }

private:
    static constexpr size_t npos = size_t(-1);

    // Each call rewritten from `k`, its name, to its closing parenthesis,
    // whose index it returns.
    size_t strftimeCall(size_t k)
    {
        // strftime('%d-%m-%Y', x) -> to_char(x, 'DD-MM-YYYY')
        const size_t close = closing(k + 1);
        if (kindAt(k + 2) != Kind::Text || !isPunct(k + 3, u',') || topComma(k + 4, close) != npos)
            refuse(QStringLiteral("strftime() other than strftime('format', value)"), m_sql);
        replace(k, close,
            QStringLiteral("to_char(") + between(k + 4, close) + QStringLiteral(", ")
                + dateFormat(m_tokens[k + 2].value(m_sql)) + u')');
        return close;
    }
    size_t totalCall(size_t k)
    {
        // total(x): a sum that is 0 over no rows.
        const size_t close = closing(k + 1);
        replace(k, close, QStringLiteral("coalesce(sum(") + between(k + 2, close) + QStringLiteral("), 0)"));
        return close;
    }
    size_t groupConcatCall(size_t k)
    {
        // group_concat(x[, separator]) -> string_agg(CAST(x AS text), separator)
        const size_t close = closing(k + 1);
        if (isWord(k + 2, "distinct") || isWord(k + 2, "all"))
            refuse(QStringLiteral("group_concat(DISTINCT ...)"), m_sql);
        const size_t comma = topComma(k + 2, close);
        const QString separator = comma == npos ? QStringLiteral("','") : between(comma + 1, close);
        replace(k, close,
            QStringLiteral("string_agg(CAST(") + between(k + 2, comma == npos ? close : comma)
                + QStringLiteral(" AS text), ") + separator + u')');
        return close;
    }
    size_t printfCall(size_t k)
    {
        // printf(format, a, b) -> oru_printf(format, ARRAY[a::text, b::text])
        const size_t close = closing(k + 1);
        size_t from = k + 2, comma = topComma(from, close);
        QString call = QStringLiteral("oru_printf(") + between(from, comma == npos ? close : comma)
            + QStringLiteral(", ARRAY[");
        for (bool first = true; comma != npos; first = false) {
            from = comma + 1;
            comma = topComma(from, close);
            call += (first ? QString() : QStringLiteral(", ")) + QStringLiteral("CAST(")
                + between(from, comma == npos ? close : comma) + QStringLiteral(" AS text)");
        }
        replace(k, close, call + QStringLiteral("]::text[])"));
        return close;
    }
    size_t dateCall(size_t k)
    {
        // date(x): the day as a date; a value bound there is read as one.
        const size_t close = closing(k + 1);
        if (close == k + 2 || topComma(k + 2, close) != npos)
            refuse(QStringLiteral("date() other than date(value)"), m_sql);
        replace(k, close, QStringLiteral("CAST(") + between(k + 2, close) + QStringLiteral(" AS date)"));
        return close;
    }

    // The embedded engine's own spellings, which the server would refuse
    // or read otherwise.
    void refuseUnknown() const
    {
        for (size_t k = 0; k < m_tokens.size(); ++k) {
            const lex::Token &t = m_tokens[k];
            if (t.kind == Kind::Name && m_sql[t.at] != u'"')
                refuse(QStringLiteral("a name quoted in %1 (quote it in \"...\")").arg(text(k)), m_sql);
            if (t.kind == Kind::Param && !t.isPositional(m_sql))
                refuse(QStringLiteral("the parameter %1 (write ?)").arg(text(k)), m_sql);
            if (t.is(m_sql, "=="))
                refuse(QStringLiteral("== (write =)"), m_sql);
            if (isWord(k, "glob") || isWord(k, "regexp"))
                refuse(text(k), m_sql);
            if (k == 0 && (isWord(0, "pragma") || isWord(0, "attach") || isWord(0, "detach")))
                refuse(text(k), m_sql);
            if ((k == 0 && isWord(0, "replace") && isWord(1, "into"))
                || (isWord(k, "insert") && isWord(k + 1, "or")))
                refuse(QStringLiteral("%1 %2").arg(text(k), text(k + 1)), m_sql);
            for (const Missing &m : kMissing)
                if (isCall(k, m.name))
                    refuse(m.instead
                            ? QStringLiteral("%1() (write %2)").arg(text(k), QLatin1String(m.instead))
                            : text(k) + QStringLiteral("()"),
                        m_sql);
            if (isPunct(k, u'(') && closing(k) == npos)
                refuse(QStringLiteral("an unclosed parenthesis"), m_sql);
        }
    }

    // After IS or IS NOT: a value rather than NULL, TRUE, DISTINCT FROM, ...
    bool comparesValue(size_t k) const
    {
        if (k >= m_tokens.size())
            return false;
        if (m_tokens[k].kind != Kind::Word)
            return m_tokens[k].kind == Kind::Param || m_tokens[k].kind == Kind::Text
                || m_tokens[k].kind == Kind::Number || m_tokens[k].kind == Kind::Name || isPunct(k, u'(');
        for (const char *w :
            {"null", "true", "false", "unknown", "distinct", "not", "document", "normalized", "json", "of"})
            if (isWord(k, w))
                return false;
        return true;
    }
    // The subquery closing before `k` has a name (an alias or AS name).
    bool named(size_t k) const
    {
        if (k >= m_tokens.size() || (m_tokens[k].kind != Kind::Word && m_tokens[k].kind != Kind::Name))
            return false;
        for (const char *w :
            {"where", "group", "order", "having", "limit", "offset", "union", "except", "intersect", "join",
                "left", "right", "inner", "outer", "cross", "full", "natural", "on", "window", "using"})
            if (isWord(k, w))
                return false;
        return true;
    }

    Kind kindAt(size_t k) const { return k < m_tokens.size() ? m_tokens[k].kind : Kind::Punct; }
    QString text(size_t k) const { return m_tokens[k].in(m_sql).toString(); }
    bool isWord(size_t k, const char *w) const
    {
        return k < m_tokens.size() && m_tokens[k].kind == Kind::Word && m_tokens[k].is(m_sql, w);
    }
    bool isPunct(size_t k, char16_t c) const
    {
        return k < m_tokens.size() && m_tokens[k].size == 1
            && (m_tokens[k].kind == Kind::Punct || m_tokens[k].kind == Kind::Op)
            && m_sql[m_tokens[k].at] == c;
    }
    // A call of the function `w`: its name, not a column qualified by a table.
    bool isCall(size_t k, const char *w) const
    {
        return isWord(k, w) && isPunct(k + 1, u'(') && (k == 0 || !isPunct(k - 1, u'.'));
    }
    // The token that closes the parenthesis at `open`.
    size_t closing(size_t open) const
    {
        int depth = 0;
        for (size_t k = open; k < m_tokens.size(); ++k) {
            if (isPunct(k, u'('))
                ++depth;
            else if (isPunct(k, u')') && --depth == 0)
                return k;
        }
        return npos;
    }
    // The first comma outside parentheses from `from` up to `to`.
    size_t topComma(size_t from, size_t to) const
    {
        int depth = 0;
        for (size_t k = from; k < to; ++k) {
            if (isPunct(k, u'('))
                ++depth;
            else if (isPunct(k, u')'))
                --depth;
            else if (depth == 0 && isPunct(k, u','))
                return k;
        }
        return npos;
    }
    // The source text from token `from` up to (not including) token `to`,
    // with its own spellings translated.
    QString between(size_t from, size_t to) const
    {
        if (from >= to)
            return {};
        const qsizetype start = m_tokens[from].at;
        return pgDialect(m_sql.mid(start, m_tokens[to].at - start).trimmed());
    }
    void replace(size_t from, size_t to, const QString &with)
    {
        m_out += QStringView(m_sql).mid(m_copied, m_tokens[from].at - m_copied);
        m_out += with;
        m_copied = m_tokens[to].at + m_tokens[to].size;
    }

    // A strftime() format as to_char() spells it, quoted.
    QString dateFormat(const QString &f) const
    {
        QString out = QStringLiteral("'");
        for (qsizetype i = 0; i < f.size(); ++i) {
            if (f[i] == u'%') {
                if (i + 1 == f.size())
                    refuse(QStringLiteral("a strftime() format ending in %"), m_sql);
                const QChar c = f[++i];
                const char *pg = c == u'd' ? "DD"
                    : c == u'm'            ? "MM"
                    : c == u'Y'            ? "YYYY"
                    : c == u'H'            ? "HH24"
                    : c == u'M'            ? "MI"
                    : c == u'S'            ? "SS"
                    : c == u'f'            ? "SS.MS"
                    : c == u'j'            ? "DDD"
                    : c == u'%'            ? "%"
                                           : nullptr;
                if (!pg)
                    refuse(QStringLiteral("the strftime() format %%%1").arg(c), m_sql);
                out += QLatin1String(pg);
            } else if (f[i].isLetter() || f[i] == u'"' || f[i] == u'\\') {
                // Letters stand for themselves, not for to_char's patterns.
                out += f[i] == u'"' || f[i] == u'\\' ? QStringLiteral("\"\\%1\"").arg(f[i])
                                                     : u'"' + QString(f[i]) + u'"';
            } else {
                out += f[i] == u'\'' ? QStringLiteral("''") : QString(f[i]);
            }
        }
        return out + u'\'';
    }

    const QString &m_sql;
    std::vector<lex::Token> m_tokens;
    QString m_out;
    qsizetype m_copied = 0;
    std::map<size_t, int> m_nameAfter; // closing parentheses of subqueries that need a name -> its number
    int m_named = 0;
};

// The statement begins with these words, TEMP or TEMPORARY aside.
bool startsWithWords(const QString &sql, std::initializer_list<const char *> words)
{
    const std::vector<lex::Token> ts = lex::tokens(sql);
    size_t k = 0;
    for (const char *w : words) {
        while (k < ts.size() && (ts[k].is(sql, "temp") || ts[k].is(sql, "temporary")))
            ++k;
        if (k >= ts.size() || ts[k].kind != Kind::Word || !ts[k].is(sql, w))
            return false;
        ++k;
    }
    return true;
}

} // namespace

QString pgDialect(const QString &sql)
{
    // Tables made at run time (work tables) read their types as the schema's do.
    if (startsWithWords(sql, {"create", "table"}))
        return QString::fromUtf8(pgSchema(sql.toUtf8().constData()));
    return Rewriter(sql).run();
}

// The program's `?` as $1, $2, ... of the translated statement; quoted
// texts and comments keep theirs.
QByteArray pgText(const QString &text, int *count)
{
    const QString sql = pgDialect(text);
    QByteArray out;
    out.reserve(sql.size() + 16);
    int n = 0;
    qsizetype copied = 0;
    for (const lex::Token &t : lex::tokens(sql)) {
        if (!t.isPositional(sql))
            continue;
        out += QStringView(sql).mid(copied, t.at - copied).toUtf8();
        out += '$' + QByteArray::number(++n);
        copied = t.at + t.size;
    }
    out += QStringView(sql).mid(copied).toUtf8();
    *count = n;
    return out;
}

} // namespace db::detail
