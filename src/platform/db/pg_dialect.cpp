// The few spellings of the program's SQL that PostgreSQL reads otherwise,
// translated in one place before a statement is prepared, and the spelling
// of result column names, which PostgreSQL folds to lower case.
#include "platform/db/pg_session.h"
#include "platform/db/schema.h"

#include <algorithm>
#include <map>

namespace db::detail {

namespace {

enum class Kind { Word, Text, Name, Param, Punct };

struct Token {
    Kind kind;
    qsizetype at, size;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The tokens of a statement; comments and blanks between them are dropped.
std::vector<Token> tokens(const QString &sql)
{
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            // A doubled quote inside is two quoted runs in a row: join them.
            const qsizetype start = i;
            do {
                const qsizetype end = sql.indexOf(c, i + 1);
                i = end < 0 ? n : end + 1;
            } while (i < n && sql[i] == c);
            out.push_back({c == u'\'' ? Kind::Text : Kind::Name, start, i - start});
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? n : end;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(sql[i]))
                ++i;
            out.push_back({Kind::Word, start, i - start});
        } else if (c.isSpace()) {
            ++i;
        } else {
            out.push_back({c == u'?' ? Kind::Param : Kind::Punct, i, 1});
            ++i;
        }
    }
    return out;
}

class Rewriter {
public:
    explicit Rewriter(const QString &sql)
        : m_sql(sql)
        , m_tokens(tokens(sql))
    {
    }

    QString run()
    {
        for (size_t k = 0; k < m_tokens.size(); ++k) {
            if (auto it = m_nameAfter.find(k); it != m_nameAfter.end()) {
                replace(k, k, QStringLiteral(") AS oru_from%1").arg(it->second));
                m_nameAfter.erase(it);
                ++m_named;
            } else if (isWord(k, "strftime") && isPunct(k + 1, u'(') && kindAt(k + 2) == Kind::Text
                && isPunct(k + 3, u',')) {
                // strftime('%d-%m-%Y', x) -> to_char(x, 'DD-MM-YYYY')
                const size_t close = closing(k + 1);
                if (close == npos)
                    continue;
                replace(k, close,
                    QStringLiteral("to_char(") + between(k + 4, close) + QStringLiteral(", ")
                        + dateFormat(text(k + 2)) + u')');
                k = close;
            } else if (isWord(k, "total") && isPunct(k + 1, u'(')) {
                // total(x): a sum that is 0 over no rows.
                const size_t close = closing(k + 1);
                if (close == npos)
                    continue;
                replace(k, close,
                    QStringLiteral("coalesce(sum(") + between(k + 2, close) + QStringLiteral("), 0)"));
                k = close;
            } else if (isWord(k, "group_concat") && isPunct(k + 1, u'(')) {
                // group_concat(x[, separator]) -> string_agg(CAST(x AS text), separator)
                const size_t close = closing(k + 1);
                if (close == npos)
                    continue;
                const size_t comma = topComma(k + 2, close);
                const QString separator = comma == npos ? QStringLiteral("','") : between(comma + 1, close);
                replace(k, close,
                    QStringLiteral("string_agg(CAST(") + between(k + 2, comma == npos ? close : comma)
                        + QStringLiteral(" AS text), ") + separator + u')');
                k = close;
            } else if (isWord(k, "printf") && isPunct(k + 1, u'(')) {
                // printf(format, a, b) -> oru_printf(format, ARRAY[a::text, b::text])
                const size_t close = closing(k + 1);
                if (close == npos)
                    continue;
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
                k = close;
            } else if (isWord(k, "date") && isPunct(k + 1, u'(') && (k == 0 || !isWord(k - 1, "as"))) {
                // date(x): the day as a date; a value bound there is read as one.
                const size_t close = closing(k + 1);
                if (close == npos || topComma(k + 2, close) != npos)
                    continue;
                replace(
                    k, close, QStringLiteral("CAST(") + between(k + 2, close) + QStringLiteral(" AS date)"));
                k = close;
            } else if (isWord(k, "instr") && isPunct(k + 1, u'(')) {
                // instr(x, y) -> strpos(): a search, which the nondeterministic
                // collation of text columns refuses; case counts, as in instr().
                const size_t close = closing(k + 1);
                const size_t comma = close == npos ? npos : topComma(k + 2, close);
                if (comma == npos)
                    continue;
                replace(k, close,
                    QStringLiteral("strpos(CAST(") + between(k + 2, comma)
                        + QStringLiteral(" AS text) COLLATE \"default\", CAST(") + between(comma + 1, close)
                        + QStringLiteral(" AS text) COLLATE \"default\")"));
                k = close;
            } else if ((isWord(k, "money") || isWord(k, "replace")) && isPunct(k + 1, u'(')
                && (k == 0 || !isPunct(k - 1, u'.'))) {
                // The program's own, before the server's cast and search
                // that pg_catalog (searched first) has under these names.
                replace(k, k, QStringLiteral("oru.") + text(k));
            } else if (isWord(k, "char") && isPunct(k + 1, u'(') && (k == 0 || !isWord(k - 1, "as"))) {
                replace(k, k, QStringLiteral("oru_char"));
            } else if (isWord(k, "like") && (kindAt(k + 1) == Kind::Param || kindAt(k + 1) == Kind::Text)) {
                // LIKE refuses the nondeterministic collation of text columns:
                // compare under the default collation, without regard to case.
                replace(k, k + 1,
                    QStringLiteral("ILIKE ") + text(k + 1) + QStringLiteral(" COLLATE \"default\""));
                ++k;
            } else if (isWord(k, "is") && isWord(k + 1, "not") && comparesValue(k + 2)) {
                // SQLite's IS [NOT] compares any two values, Null as a value.
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

    // After IS or IS NOT: a value rather than NULL, TRUE, DISTINCT FROM, ...
    bool comparesValue(size_t k) const
    {
        if (k >= m_tokens.size())
            return false;
        if (m_tokens[k].kind != Kind::Word)
            return m_tokens[k].kind == Kind::Param || m_tokens[k].kind == Kind::Text || isPunct(k, u'(');
        for (const char *w :
            {"null", "true", "false", "unknown", "distinct", "not", "document", "normalized", "json", "of"})
            if (isWord(k, w))
                return false;
        return true;
    }
    // The subquery closing before `k` has a name (an alias or AS name).
    bool named(size_t k) const
    {
        if (k >= m_tokens.size() || m_tokens[k].kind != Kind::Word)
            return false;
        for (const char *w :
            {"where", "group", "order", "having", "limit", "offset", "union", "except", "intersect", "join",
                "left", "right", "inner", "outer", "cross", "full", "natural", "on", "window", "using"})
            if (isWord(k, w))
                return false;
        return true;
    }

    Kind kindAt(size_t k) const { return k < m_tokens.size() ? m_tokens[k].kind : Kind::Punct; }
    QStringView view(size_t k) const { return QStringView(m_sql).mid(m_tokens[k].at, m_tokens[k].size); }
    QString text(size_t k) const { return view(k).toString(); }
    bool isWord(size_t k, const char *w) const
    {
        return k < m_tokens.size() && m_tokens[k].kind == Kind::Word
            && view(k).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    bool isPunct(size_t k, char16_t c) const
    {
        return k < m_tokens.size() && m_tokens[k].kind == Kind::Punct && m_sql[m_tokens[k].at] == c;
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

    // A strftime() format as to_char() spells it.
    static QString dateFormat(const QString &quoted)
    {
        QString out = QStringLiteral("'");
        const QString f = quoted.mid(1, quoted.size() - 2);
        for (qsizetype i = 0; i < f.size(); ++i) {
            if (f[i] == u'%' && i + 1 < f.size()) {
                const QChar c = f[++i];
                const char *pg = c == u'd' ? "DD"
                    : c == u'm'            ? "MM"
                    : c == u'Y'            ? "YYYY"
                    : c == u'H'            ? "HH24"
                    : c == u'M'            ? "MI"
                    : c == u'S'            ? "SS"
                    : c == u'j'            ? "DDD"
                    : c == u'%'            ? "%"
                                           : nullptr;
                if (pg)
                    out += QLatin1String(pg);
                else
                    out += u'%' + QString(c);
            } else if (f[i].isLetter()) {
                // Letters stand for themselves, not for to_char's patterns.
                out += u'"' + QString(f[i]) + u'"';
            } else {
                out += f[i];
            }
        }
        return out + u'\'';
    }

    const QString &m_sql;
    std::vector<Token> m_tokens;
    QString m_out;
    qsizetype m_copied = 0;
    std::map<size_t, int> m_nameAfter; // closing parentheses of subqueries that need a name -> its number
    int m_named = 0;
};

bool startsWithWords(const QString &sql, std::initializer_list<const char *> words)
{
    const std::vector<Token> ts = tokens(sql);
    size_t k = 0;
    for (const char *w : words) {
        while (k < ts.size() && ts[k].kind == Kind::Word
            && (QStringView(sql).mid(ts[k].at, ts[k].size).compare(QLatin1String("temp"), Qt::CaseInsensitive)
                    == 0
                || QStringView(sql)
                        .mid(ts[k].at, ts[k].size)
                        .compare(QLatin1String("temporary"), Qt::CaseInsensitive)
                    == 0))
            ++k;
        if (k >= ts.size()
            || QStringView(sql).mid(ts[k].at, ts[k].size).compare(QLatin1String(w), Qt::CaseInsensitive) != 0)
            return false;
        ++k;
    }
    return true;
}

// A text with pieces replaced, given in any order.
struct Edits {
    struct Edit {
        qsizetype at, size;
        QString with;
    };
    std::vector<Edit> list;
    void add(qsizetype at, qsizetype size, const QString &with) { list.push_back({at, size, with}); }
    QString apply(const QString &text)
    {
        std::stable_sort(list.begin(), list.end(), [](const Edit &a, const Edit &b) { return a.at < b.at; });
        QString out;
        qsizetype copied = 0;
        for (const Edit &e : list) {
            out += QStringView(text).mid(copied, e.at - copied);
            out += e.with;
            copied = e.at + e.size;
        }
        out += QStringView(text).mid(copied);
        return out;
    }
};

} // namespace

QByteArray pgSchema(const char *sql)
{
    const QString text = QString::fromUtf8(sql);
    const std::vector<Token> ts = tokens(text);
    auto view = [&](size_t k) {
        return k < ts.size() ? QStringView(text).mid(ts[k].at, ts[k].size) : QStringView();
    };
    auto is = [&](size_t k, const char *w) {
        return k < ts.size() && ts[k].kind == Kind::Word
            && view(k).compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    };
    auto punct = [&](size_t k, char16_t c) {
        return k < ts.size() && ts[k].kind == Kind::Punct && text[ts[k].at] == c;
    };
    // A word followed by "(" is a call (money(...)), not a type.
    auto isCall = [&](size_t k) { return punct(k + 1, u'('); };
    Edits edits;
    for (size_t k = 0; k < ts.size(); ++k) {
        if (is(k, "CREATE")) {
            // Every table gets the embedded engine's rowid: its integer key,
            // or else the insertion order. An integer key left out of an
            // insert is the largest plus one.
            size_t t = k + 1;
            const bool temp = is(t, "TEMP") || is(t, "TEMPORARY");
            if (temp)
                ++t;
            if (!is(t, "TABLE"))
                continue;
            ++t;
            if (is(t, "IF") && is(t + 1, "NOT") && is(t + 2, "EXISTS"))
                t += 3;
            const size_t nameAt = t;
            if (!punct(t + 1, u'('))
                continue;
            const QString table = view(nameAt).toString().remove(u'"').toLower();
            size_t close = t + 1;
            int depth = 0;
            bool hasRowid = false;
            QString integerKey;
            size_t defStart = t + 2;
            for (size_t j = t + 1; j < ts.size(); ++j) {
                if (punct(j, u'('))
                    ++depth;
                else if (punct(j, u')') && --depth == 0) {
                    close = j;
                    break;
                }
                const bool defEnd = depth == 1 && punct(j, u',');
                if (depth == 1 && j == defStart && ts[j].kind == Kind::Word) {
                    if (is(j, "rowid"))
                        hasRowid = true;
                    if (is(j + 1, "INTEGER")) {
                        // INTEGER [NOT NULL] PRIMARY KEY [AUTOINCREMENT]
                        size_t p = j + 2;
                        if (is(p, "NOT") && is(p + 1, "NULL"))
                            p += 2;
                        if (is(p, "PRIMARY") && is(p + 1, "KEY")) {
                            integerKey = view(j).toString();
                            if (!is(p + 2, "AUTOINCREMENT") && !temp)
                                edits.add(ts[p + 1].at + ts[p + 1].size, 0,
                                    QStringLiteral(" DEFAULT oru.oru_next_key('%1', '%2')")
                                        .arg(table, view(j).toString().remove(u'"').toLower()));
                        }
                    }
                }
                if (defEnd)
                    defStart = j + 1;
            }
            if (!hasRowid && close > t + 1)
                edits.add(ts[close].at, 0,
                    integerKey.isEmpty()
                        ? QStringLiteral(", rowid BIGINT GENERATED ALWAYS AS IDENTITY")
                        : QStringLiteral(", rowid BIGINT GENERATED ALWAYS AS (%1) STORED").arg(integerKey));
        } else if (is(k, "INTEGER") && is(k + 1, "PRIMARY") && is(k + 2, "KEY")
            && is(k + 3, "AUTOINCREMENT")) {
            // Numbered by the server when the insert leaves it out.
            edits.add(ts[k].at, ts[k + 3].at + ts[k + 3].size - ts[k].at,
                QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
            k += 3;
        } else if (is(k, "INTEGER") && !isCall(k)) {
            edits.add(
                ts[k].at, ts[k].size, QStringLiteral("BIGINT")); // the embedded engine's integers are 64-bit
        } else if (is(k, "MONEY") && !isCall(k)) {
            edits.add(ts[k].at, ts[k].size, QStringLiteral("oru_money"));
        } else if (is(k, "REAL") && !isCall(k)) {
            edits.add(ts[k].at, ts[k].size, QStringLiteral("DOUBLE PRECISION"));
        }
    }
    return edits.apply(text).toUtf8();
}

QString pgDialect(const QString &sql)
{
    // Tables made at run time (work tables) read their types as the schema's do.
    if (startsWithWords(sql, {"create", "table"}))
        return QString::fromUtf8(pgSchema(sql.toUtf8().constData()));
    return Rewriter(sql).run();
}

void learnSpellings(const QString &ddl, QHash<QString, QString> *names)
{
    // Every word outside quotes: table and column names among them. The
    // first spelling met stays.
    for (const Token &t : tokens(ddl))
        if (t.kind == Kind::Word && !ddl[t.at].isDigit()) {
            const QString w = ddl.mid(t.at, t.size);
            const QString folded = w.toLower();
            if (folded != w && !names->contains(folded))
                names->insert(folded, w);
        }
}

QHash<QString, QString> statementWords(const QString &sql)
{
    // The first spelling met counts (the select list comes first).
    QHash<QString, QString> out;
    for (const Token &t : tokens(sql))
        if (t.kind == Kind::Word) {
            const QString w = sql.mid(t.at, t.size);
            const QString folded = w.toLower();
            if (!out.contains(folded))
                out.insert(folded, w);
        }
    return out;
}

QString pgColumnName(
    const QString &folded, const QHash<QString, QString> &statement, const QHash<QString, QString> &known)
{
    // Only names PostgreSQL folded: a quoted alias keeps its own spelling.
    if (folded != folded.toLower())
        return folded;
    const auto written = statement.constFind(folded);
    if (written != statement.constEnd())
        return *written;
    return known.value(folded, folded);
}

QString foldKnownNames(const QString &sql, const QHash<QString, QString> &known)
{
    QString out;
    qsizetype copied = 0;
    for (const Token &t : tokens(sql)) {
        if (t.kind != Kind::Name || t.size < 3)
            continue;
        const QString inner = sql.mid(t.at + 1, t.size - 2);
        const QString folded = inner.toLower();
        if (folded == inner || known.value(folded) != inner)
            continue;
        out += QStringView(sql).mid(copied, t.at + 1 - copied);
        out += folded;
        copied = t.at + t.size - 1;
    }
    if (copied == 0)
        return sql;
    out += QStringView(sql).mid(copied);
    return out;
}

bool pgSelectsRowid(const QString &sql)
{
    const std::vector<Token> ts = tokens(sql);
    for (const Token &t : ts) {
        if (t.kind != Kind::Word)
            continue;
        const QStringView w = QStringView(sql).mid(t.at, t.size);
        if (w.compare(QLatin1String("from"), Qt::CaseInsensitive) == 0)
            return false;
        if (w.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The program's `?` as $1, $2, ... of the translated statement; quoted
// texts and comments keep theirs.
QByteArray pgText(const QString &text, int *count)
{
    const QString sql = pgDialect(text);
    QByteArray out;
    out.reserve(sql.size() + 16);
    int n = 0;
    const qsizetype len = sql.size();
    qsizetype i = 0;
    qsizetype copied = 0;
    auto skipTo = [&](QChar close) {
        ++i;
        while (i < len && sql[i] != close)
            ++i;
        ++i;
    };
    while (i < len) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            skipTo(c); // a doubled quote inside is two quoted runs in a row
        } else if (c == u'-' && i + 1 < len && sql[i + 1] == u'-') {
            while (i < len && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < len && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? len : end + 2;
        } else if (c == u'?') {
            out += QStringView(sql).mid(copied, i - copied).toUtf8();
            out += '$' + QByteArray::number(++n);
            copied = ++i;
        } else {
            ++i;
        }
    }
    out += QStringView(sql).mid(copied).toUtf8();
    *count = n;
    return out;
}

} // namespace db::detail
