#include "platform/report/sqlshape_p.h"

#include "platform/db/sqltokens.h"

#include <QHash>

#include <vector>

namespace report {

namespace {

struct Token {
    enum Kind { Word, Quoted, String, Number, Punct };
    Kind kind;
    QString text; // a word lower-cased, a quoted name without its quotes
};

std::vector<Token> tokenize(const QString &sql)
{
    std::vector<Token> out;
    for (const db::lex::Token &t : db::lex::tokens(sql)) {
        switch (t.kind) {
        case db::lex::Kind::Word:
            out.push_back({Token::Word, t.in(sql).toString().toLower()});
            break;
        case db::lex::Kind::Name:
            out.push_back({Token::Quoted, t.value(sql)});
            break;
        case db::lex::Kind::Text:
            out.push_back({Token::String, t.value(sql)});
            break;
        case db::lex::Kind::Number:
            out.push_back({Token::Number, t.in(sql).toString()});
            break;
        default:
            out.push_back({Token::Punct, t.in(sql).toString()});
        }
    }
    return out;
}

bool isWord(const Token &t, const char *w)
{
    return t.kind == Token::Word && t.text == QLatin1String(w);
}

bool isPunct(const Token &t, char c)
{
    return t.kind == Token::Punct && t.text.size() == 1 && t.text[0] == QLatin1Char(c);
}

bool isName(const Token &t)
{
    return t.kind == Token::Word || t.kind == Token::Quoted;
}

// Words that end a FROM clause or a select list's source, and that cannot be an alias.
bool isClauseWord(const Token &t)
{
    static const char *const words[] = {"where", "group", "having", "order", "limit", "offset", "union",
        "intersect", "except", "window", "join", "left", "right", "inner", "outer", "cross", "full",
        "natural", "on", "using", "as", "from", "select", "fetch", "for"};
    if (t.kind != Token::Word)
        return false;
    for (const char *w : words)
        if (t.text == QLatin1String(w))
            return true;
    return false;
}

struct Range {
    int b = 0, e = 0;
    int size() const { return e - b; }
};

struct Source {
    bool derived = false;
    Range body; // the derived table's statement
};

struct Arm {
    std::vector<Range> items;
    std::vector<QString> names; // each item's output name, lower-cased; "" when computed and unnamed
    QHash<QString, Source> sources; // by alias (or table name), lower-cased
    int sourceCount = 0;
};

class Shape {
public:
    explicit Shape(const QString &sql)
        : t(tokenize(sql))
    {
    }

    // Whether output column `index` of the whole statement is a stored
    // column (or a constant) in every part of it.
    bool plain(int index, int columnCount)
    {
        std::vector<Arm> arms;
        if (!armsOf({0, int(t.size())}, arms) || arms.empty())
            return false;
        for (const Arm &a : arms)
            if (int(a.items.size()) != columnCount)
                return false;
        return plainAt(arms, index, 0);
    }

    // The output column the statement's ORDER BY begins with, ascending; -1 if none.
    int leadingOrder(int columnCount)
    {
        const int n = int(t.size());
        int order = -1;
        for (int i = 0; i + 1 < n; ++i) {
            if (isPunct(t[size_t(i)], '(')) {
                i = closing(i, n);
                continue;
            }
            if (isWord(t[size_t(i)], "order") && isWord(t[size_t(i + 1)], "by"))
                order = i;
        }
        if (order < 0)
            return -1;
        std::vector<Arm> arms;
        if (!armsOf({0, order}, arms) || arms.size() != 1 || int(arms.front().items.size()) != columnCount)
            return -1;
        const Arm &arm = arms.front();
        int b = order + 2, e = b;
        while (e < n && !isPunct(t[size_t(e)], ',') && !isWord(t[size_t(e)], "limit")) {
            if (isPunct(t[size_t(e)], '('))
                e = closing(e, n);
            ++e;
        }
        if (e > b && isWord(t[size_t(e - 1)], "asc"))
            --e;
        for (int i = b; i < e; ++i)
            if (isWord(t[size_t(i)], "desc") || isWord(t[size_t(i)], "nulls")
                || isWord(t[size_t(i)], "collate"))
                return -1;
        if (e - b == 1 && t[size_t(b)].kind == Token::Number) {
            bool ok = false;
            const int k = t[size_t(b)].text.toInt(&ok);
            return ok && k >= 1 && k <= columnCount ? k - 1 : -1;
        }
        int found = -1;
        for (size_t c = 0; c < arm.items.size(); ++c) {
            const Range r = arm.items[c];
            bool same = r.size() == e - b;
            for (int k = 0; same && k < r.size(); ++k) {
                const Token &x = t[size_t(r.b + k)], &y = t[size_t(b + k)];
                same = x.kind == y.kind && x.text.compare(y.text, Qt::CaseInsensitive) == 0;
            }
            if (!same && e - b == 1 && isName(t[size_t(b)]) && !arm.names[c].isEmpty())
                same = arm.names[c] == t[size_t(b)].text.toLower() && !arm.sources.contains(arm.names[c]);
            if (same) {
                if (found >= 0)
                    return -1;
                found = int(c);
            }
        }
        return found;
    }

private:
    std::vector<Token> t;

    // The index of the matching close parenthesis, or e.
    int closing(int open, int e) const
    {
        int depth = 0;
        for (int i = open; i < e; ++i) {
            if (isPunct(t[size_t(i)], '('))
                ++depth;
            else if (isPunct(t[size_t(i)], ')') && --depth == 0)
                return i;
        }
        return e;
    }

    // Splits a statement at its compound operators into its SELECTs.
    bool armsOf(Range r, std::vector<Arm> &arms)
    {
        // A statement wrapped whole in parentheses.
        while (r.size() >= 2 && isPunct(t[size_t(r.b)], '(') && closing(r.b, r.e) == r.e - 1) {
            ++r.b;
            --r.e;
        }
        int start = r.b;
        for (int i = r.b; i <= r.e; ++i) {
            if (i < r.e && isPunct(t[size_t(i)], '(')) {
                i = closing(i, r.e);
                continue;
            }
            const bool end = i == r.e;
            if (!end && !isWord(t[size_t(i)], "union") && !isWord(t[size_t(i)], "intersect")
                && !isWord(t[size_t(i)], "except"))
                continue;
            Arm arm;
            if (!parseArm({start, i}, arm))
                return false;
            arms.push_back(std::move(arm));
            if (end)
                break;
            start = i + 1;
            if (start < r.e && (isWord(t[size_t(start)], "all") || isWord(t[size_t(start)], "distinct")))
                ++start;
        }
        return true;
    }

    bool parseArm(Range r, Arm &arm)
    {
        int i = r.b;
        if (i >= r.e || !isWord(t[size_t(i)], "select"))
            return false;
        ++i;
        if (i < r.e && (isWord(t[size_t(i)], "distinct") || isWord(t[size_t(i)], "all")))
            ++i;
        int itemStart = i;
        int from = -1;
        for (; i <= r.e; ++i) {
            if (i < r.e && isPunct(t[size_t(i)], '(')) {
                i = closing(i, r.e);
                continue;
            }
            const bool last = i == r.e || isWord(t[size_t(i)], "from") || isWord(t[size_t(i)], "order")
                || isWord(t[size_t(i)], "limit");
            if (!last && !isPunct(t[size_t(i)], ','))
                continue;
            if (!addItem({itemStart, i}, arm))
                return false;
            itemStart = i + 1;
            if (last) {
                if (i < r.e && isWord(t[size_t(i)], "from"))
                    from = i + 1;
                break;
            }
        }
        if (from >= 0)
            parseFrom({from, r.e}, arm);
        return true;
    }

    bool addItem(Range r, Arm &arm)
    {
        if (r.size() <= 0)
            return false;
        QString name;
        Range expr = r;
        if (r.size() >= 3 && isWord(t[size_t(r.e - 2)], "as") && isName(t[size_t(r.e - 1)])) {
            name = t[size_t(r.e - 1)].text.toLower();
            expr.e = r.e - 2;
        } else if (r.size() >= 2 && isName(t[size_t(r.e - 1)]) && !isPunct(t[size_t(r.e - 2)], '.')
            && !isClauseWord(t[size_t(r.e - 1)]) && (r.size() == 2 || isPunct(t[size_t(r.e - 3)], '.'))) {
            // An alias without "as" after a name or a qualified name.
            name = t[size_t(r.e - 1)].text.toLower();
            expr.e = r.e - 1;
        } else if (isName(t[size_t(r.e - 1)])) {
            name = t[size_t(r.e - 1)].text.toLower();
        }
        // The columns of a star are not counted here.
        if (isPunct(t[size_t(expr.e - 1)], '*') && (expr.size() == 1 || isPunct(t[size_t(expr.e - 2)], '.')))
            return false;
        arm.items.push_back(expr);
        arm.names.push_back(name);
        return true;
    }

    void parseFrom(Range r, Arm &arm)
    {
        int i = r.b;
        while (i < r.e) {
            const Token &tok = t[size_t(i)];
            if (isWord(tok, "where") || isWord(tok, "group") || isWord(tok, "having") || isWord(tok, "order")
                || isWord(tok, "limit") || isWord(tok, "window"))
                return;
            if (isPunct(tok, ',')
                || (tok.kind == Token::Word && isClauseWord(tok) && !isWord(tok, "on")
                    && !isWord(tok, "using"))) {
                ++i;
                continue;
            }
            if (isWord(tok, "on") || isWord(tok, "using")) {
                // Skip the join condition up to the next source.
                ++i;
                while (i < r.e) {
                    const Token &c = t[size_t(i)];
                    if (isPunct(c, '(')) {
                        i = closing(i, r.e) + 1;
                        continue;
                    }
                    if (isPunct(c, ',') || (isClauseWord(c) && !isWord(c, "as") && !isWord(c, "on")))
                        break;
                    ++i;
                }
                continue;
            }
            Source s;
            QString name;
            if (isPunct(tok, '(')) {
                const int close = closing(i, r.e);
                s.derived = true;
                s.body = {i + 1, close};
                i = close + 1;
            } else if (isName(tok)) {
                name = tok.text.toLower();
                ++i;
                while (i + 1 < r.e && isPunct(t[size_t(i)], '.') && isName(t[size_t(i + 1)])) {
                    name = t[size_t(i + 1)].text.toLower();
                    i += 2;
                }
            } else {
                ++i;
                continue;
            }
            if (i < r.e && isWord(t[size_t(i)], "as"))
                ++i;
            if (i < r.e && isName(t[size_t(i)]) && !isClauseWord(t[size_t(i)])) {
                name = t[size_t(i)].text.toLower();
                ++i;
            }
            ++arm.sourceCount;
            if (!name.isEmpty())
                arm.sources.insert(name, s);
        }
    }

    bool plainAt(const std::vector<Arm> &arms, int index, int depth)
    {
        if (depth > 16)
            return false;
        for (const Arm &a : arms)
            if (index < 0 || size_t(index) >= a.items.size() || !plainItem(a, a.items[size_t(index)], depth))
                return false;
        return true;
    }

    bool plainItem(const Arm &arm, Range r, int depth)
    {
        if (r.size() == 1) {
            const Token &tok = t[size_t(r.b)];
            if (isWord(tok, "null") || tok.kind == Token::String)
                return true;
            if (tok.kind == Token::Number)
                return !tok.text.contains(u'.') && !tok.text.contains(u'e', Qt::CaseInsensitive);
            if (!isName(tok) || isClauseWord(tok) || arm.sourceCount != 1 || arm.sources.size() != 1)
                return false;
            return plainIn(*arm.sources.cbegin(), tok.text.toLower(), depth);
        }
        if (r.size() == 3 && isName(t[size_t(r.b)]) && isPunct(t[size_t(r.b + 1)], '.')
            && isName(t[size_t(r.b + 2)])) {
            auto it = arm.sources.constFind(t[size_t(r.b)].text.toLower());
            if (it == arm.sources.constEnd())
                return false;
            return plainIn(*it, t[size_t(r.b + 2)].text.toLower(), depth);
        }
        return false;
    }

    bool plainIn(const Source &s, const QString &column, int depth)
    {
        if (!s.derived)
            return true;
        std::vector<Arm> arms;
        if (!armsOf(s.body, arms) || arms.empty())
            return false;
        // A compound's columns are named by its first part.
        const std::vector<QString> &names = arms.front().names;
        int index = -1;
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == column) {
                if (index >= 0)
                    return false;
                index = int(i);
            }
        }
        return index >= 0 && plainAt(arms, index, depth + 1);
    }
};

} // namespace

int leadingOrderColumn(const QString &sql, int columnCount)
{
    return Shape(sql).leadingOrder(columnCount);
}

bool isStoredColumn(const QString &sql, int index, int columnCount)
{
    return Shape(sql).plain(index, columnCount);
}

std::vector<QueryMarker> queryMarkers(const QString &sql)
{
    std::vector<QueryMarker> out;
    const std::vector<db::lex::Token> ts = db::lex::tokens(sql);
    for (size_t i = 0; i + 1 < ts.size(); ++i) {
        const db::lex::Token &open = ts[i];
        // The brace and its kind stand together; both always begin a token.
        if (!open.is(sql, "{") || ts[i + 1].at != open.at + 1)
            continue;
        const QChar kind = sql[open.at + 1];
        if (kind != u'?' && kind != u'<')
            continue;
        size_t close = i + 1;
        while (close < ts.size() && !ts[close].is(sql, "}"))
            ++close;
        if (close == ts.size())
            break;
        const qsizetype nameAt = open.at + 2;
        out.push_back(
            {open.at, ts[close].at + 1 - open.at, kind, sql.mid(nameAt, ts[close].at - nameAt).trimmed()});
        i = close;
    }
    return out;
}

} // namespace report
