// Which column a bound parameter meets, so that statements follow the same
// storage rules as recordsets: "Update MasJV Set TotalAmount = ?" with 150.5
// stores 15050 cents, "VouDate Between ? And ?" with "03/08/2009" compares
// ISO dates. Recognised forms (the column may be qualified, t.col):
//   col op ?   ? op col     op: = == <> != < <= > >= + -
//   col [NOT] BETWEEN ? AND ?
//   col [NOT] IN (?, ?, ...)
//   INSERT INTO t (c1, c2, ...) VALUES (?, ?, ...)[, (...)]
// The column's declared type is looked up in the tables the statement
// names; a name found with different types in them is left alone, as is any
// parameter inside an expression (bind db::Money there).
#include "platform/db/internal.h"
#include "platform/db/sqltokens.h"

namespace db::detail {

namespace {

struct Token {
    enum Kind { Ident, Param, Op, Punct, Literal } kind;
    QString text; // identifiers without their quotes; operators as written
};

// The statement's tokens as the mapping reads them; false for parameters
// other than `?` (numbered or named: no mapping).
bool tokenize(const QString &sql, std::vector<Token> *out)
{
    for (const lex::Token &t : lex::tokens(sql)) {
        switch (t.kind) {
        case lex::Kind::Word:
        case lex::Kind::Name:
            out->push_back({Token::Ident, t.value(sql)});
            break;
        case lex::Kind::Text:
        case lex::Kind::Number:
            out->push_back({Token::Literal, {}});
            break;
        case lex::Kind::Param:
            if (!t.isPositional(sql))
                return false;
            out->push_back({Token::Param, {}});
            break;
        case lex::Kind::Op:
        case lex::Kind::Punct: {
            const QString op = t.in(sql).toString();
            const bool isOp = op == u"=" || op == u"==" || op == u"<>" || op == u"!=" || op == u"<"
                || op == u"<=" || op == u">" || op == u">=" || op == u"+" || op == u"-";
            out->push_back({isOp ? Token::Op : Token::Punct, op});
            break;
        }
        }
    }
    return true;
}

bool isWord(const Token &t, const char *w)
{
    return t.kind == Token::Ident && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
}

bool isPunct(const Token &t, char c)
{
    return t.kind == Token::Punct && t.text.size() == 1 && t.text[0] == QLatin1Char(c);
}

// The column named just before token `end` (an identifier that is not a
// function call), or empty.
QString columnBefore(const std::vector<Token> &t, qsizetype end)
{
    if (end < 0 || t[size_t(end)].kind != Token::Ident)
        return {};
    static const char *const keywords[]
        = {"AND", "OR", "NOT", "WHERE", "SET", "ON", "WHEN", "THEN", "ELSE", "SELECT", "CASE"};
    for (const char *k : keywords)
        if (isWord(t[size_t(end)], k))
            return {};
    return t[size_t(end)].text;
}

QString columnAfter(const std::vector<Token> &t, size_t start)
{
    if (start >= t.size() || t[start].kind != Token::Ident)
        return {};
    if (start + 1 < t.size() && (isPunct(t[start + 1], '(') || isPunct(t[start + 1], '.')))
        return start + 2 < t.size() && isPunct(t[start + 1], '.') ? columnAfter(t, start + 2) : QString();
    return t[start].text;
}

struct Target {
    QString column;
    QString table; // set for INSERT value lists
};

void mapInsert(
    const std::vector<Token> &t, std::vector<Target> &targets, const std::vector<size_t> &paramIndex)
{
    // INSERT [OR x] INTO name [(cols)] VALUES (...), (...)
    size_t i = 0;
    while (i < t.size() && !isWord(t[i], "INTO"))
        ++i;
    if (i + 2 >= t.size() || (!isWord(t[0], "INSERT") && !isWord(t[0], "REPLACE")))
        return;
    QString table = t[++i].text;
    if (i + 2 < t.size() && isPunct(t[i + 1], '.')) { // main.Table
        i += 2;
        table = t[i].text;
    }
    ++i;
    if (i < t.size() && isWord(t[i], "AS"))
        i += 2;
    if (i >= t.size() || !isPunct(t[i], '('))
        return;
    QStringList cols;
    for (++i; i < t.size() && !isPunct(t[i], ')'); ++i)
        if (t[i].kind == Token::Ident)
            cols << t[i].text;
        else if (!isPunct(t[i], ','))
            return;
    ++i;
    if (i >= t.size() || !isWord(t[i], "VALUES"))
        return;
    ++i;
    while (i < t.size() && isPunct(t[i], '(')) {
        int item = 0;
        int depth = 0;
        size_t itemStart = i + 1;
        for (++i; i < t.size(); ++i) {
            const bool open = isPunct(t[i], '('), close = isPunct(t[i], ')');
            if (open)
                ++depth;
            if (depth == 0 && (close || isPunct(t[i], ','))) {
                if (i == itemStart + 1 && t[itemStart].kind == Token::Param && item < cols.size()) {
                    const auto at = std::find(paramIndex.begin(), paramIndex.end(), itemStart);
                    targets[size_t(at - paramIndex.begin())] = {cols[item], table};
                }
                ++item;
                itemStart = i + 1;
                if (close)
                    break;
            } else if (close) {
                --depth;
            }
        }
        ++i;
        if (i < t.size() && isPunct(t[i], ','))
            ++i;
    }
}

} // namespace

std::vector<ParamRule> paramRules(const QString &sql, const ColumnKinds &kindIn)
{
    std::vector<Token> t;
    if (!tokenize(sql, &t))
        return {};
    std::vector<size_t> paramIndex;
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i].kind == Token::Param)
            paramIndex.push_back(i);
    if (paramIndex.empty())
        return {};
    std::vector<Target> targets(paramIndex.size());
    for (size_t k = 0; k < paramIndex.size(); ++k) {
        const qsizetype p = qsizetype(paramIndex[k]);
        QString col;
        if (p >= 2 && t[size_t(p - 1)].kind == Token::Op)
            col = columnBefore(t, p - 2);
        if (col.isEmpty() && size_t(p) + 2 < t.size() && t[size_t(p + 1)].kind == Token::Op
            && t[size_t(p + 1)].text != u"-" && t[size_t(p + 1)].text != u"+")
            col = columnAfter(t, size_t(p + 2));
        // col [NOT] BETWEEN ? AND ?
        qsizetype b = -1;
        if (p >= 1 && isWord(t[size_t(p - 1)], "BETWEEN"))
            b = p - 1;
        else if (p >= 3 && isWord(t[size_t(p - 1)], "AND") && t[size_t(p - 2)].kind == Token::Param
            && isWord(t[size_t(p - 3)], "BETWEEN"))
            b = p - 3;
        if (b >= 0)
            col = columnBefore(t, b >= 1 && isWord(t[size_t(b - 1)], "NOT") ? b - 2 : b - 1);
        // col [NOT] IN (?, ?, ...)
        qsizetype j = p - 1;
        while (j >= 0 && (isPunct(t[size_t(j)], ',') || t[size_t(j)].kind == Token::Param))
            --j;
        if (j >= 1 && isPunct(t[size_t(j)], '(') && isWord(t[size_t(j - 1)], "IN"))
            col = columnBefore(t, j >= 2 && isWord(t[size_t(j - 2)], "NOT") ? j - 3 : j - 2);
        targets[k].column = col;
    }
    mapInsert(t, targets, paramIndex);

    // The tables the statement names.
    QStringList tables;
    for (const Token &tok : t)
        if (tok.kind == Token::Ident && !tables.contains(tok.text, Qt::CaseInsensitive)
            && kindIn(tok.text, QString()) != Type::Null)
            tables << tok.text;

    std::vector<ParamRule> rules(paramIndex.size());
    bool any = false;
    for (size_t k = 0; k < targets.size(); ++k) {
        const Target &target = targets[k];
        if (target.column.isEmpty())
            continue;
        const QStringList in = target.table.isEmpty() ? tables : QStringList {target.table};
        Type kind = Type::Null;
        QString where;
        bool agreed = true;
        for (const QString &table : in) {
            const Type k2 = kindIn(table, target.column);
            if (k2 == Type::Null)
                continue;
            if (kind != Type::Null && k2 != kind)
                agreed = false;
            kind = k2;
            where = table + u'.' + target.column;
        }
        if (!agreed || kind == Type::Null || kind == Type::Text)
            continue;
        rules[k] = {kind, where};
        any = true;
    }
    if (!any)
        return {};
    return rules;
}

} // namespace db::detail
