#include "platform/db/sqltokens.h"

namespace db::lex {

namespace {

bool wordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool wordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The end of a quoted run opened at `i` by `open`: a doubled closing quote
// inside stands for itself, except in [...], which has no escape.
qsizetype quotedEnd(QStringView sql, qsizetype i, QChar open)
{
    const QChar close = open == u'[' ? QChar(u']') : open;
    const qsizetype n = sql.size();
    for (++i; i < n; ++i) {
        if (sql[i] != close)
            continue;
        if (close != u']' && i + 1 < n && sql[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return n;
}

qsizetype numberEnd(QStringView sql, qsizetype i)
{
    const qsizetype n = sql.size();
    if (sql[i] == u'0' && i + 1 < n && (sql[i + 1] == u'x' || sql[i + 1] == u'X')) {
        i += 2;
        while (i < n && (sql[i].isDigit() || QStringView(u"abcdefABCDEF").contains(sql[i])))
            ++i;
        return i;
    }
    while (i < n && sql[i].isDigit())
        ++i;
    if (i < n && sql[i] == u'.')
        for (++i; i < n && sql[i].isDigit();)
            ++i;
    if (i < n && (sql[i] == u'e' || sql[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (sql[j] == u'+' || sql[j] == u'-'))
            ++j;
        if (j < n && sql[j].isDigit()) {
            while (j < n && sql[j].isDigit())
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

bool Token::is(QStringView sql, const char *s) const
{
    if (kind != Kind::Word && kind != Kind::Op && kind != Kind::Punct)
        return false;
    return in(sql).compare(QLatin1String(s), Qt::CaseInsensitive) == 0;
}

QString Token::value(QStringView sql) const
{
    const QStringView t = in(sql);
    if ((kind != Kind::Name && kind != Kind::Text) || t.size() < 2)
        return t.toString();
    const QChar close = t.back();
    QString out = t.mid(1, t.size() - 2).toString();
    if (close != u']')
        out.replace(QString(2, close), QString(close));
    return out;
}

std::vector<Token> tokens(QStringView sql)
{
    static const char *const twoChar[] = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>", "::"};
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        const qsizetype start = i;
        Kind kind;
        if (c.isSpace()) {
            ++i;
            continue;
        } else if (c == u'-' && next == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
            continue;
        } else if (c == u'/' && next == u'*') {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        } else if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            i = quotedEnd(sql, i, c);
            kind = c == u'\'' ? Kind::Text : Kind::Name;
        } else if (c.isDigit() || (c == u'.' && next.isDigit())) {
            i = numberEnd(sql, i);
            kind = Kind::Number;
        } else if (wordStart(c)) {
            while (i < n && wordChar(sql[i]))
                ++i;
            kind = Kind::Word;
        } else if (c == u'?') {
            for (++i; i < n && sql[i].isDigit();)
                ++i;
            kind = Kind::Param;
        } else if ((c == u':' || c == u'@' || c == u'$') && wordChar(next)) {
            for (++i; i < n && wordChar(sql[i]);)
                ++i;
            kind = Kind::Param;
        } else if (QStringView(u"(),.;").contains(c)) {
            ++i;
            kind = Kind::Punct;
        } else {
            i += 1;
            for (const char *op : twoChar)
                if (c == QLatin1Char(op[0]) && next == QLatin1Char(op[1]))
                    i = start + 2;
            kind = Kind::Op;
        }
        out.push_back({kind, start, i - start});
    }
    return out;
}

} // namespace db::lex
