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

// The end of a quoted run opened at `i` by `quote`: a doubled quote inside
// stands for itself.
qsizetype quotedEnd(QStringView sql, qsizetype i, QChar quote)
{
    const qsizetype n = sql.size();
    for (++i; i < n; ++i) {
        if (sql[i] != quote)
            continue;
        if (i + 1 < n && sql[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return n;
}

// PostgreSQL's $tag$ ... $tag$ (the tag may be empty) opened at `i`: its
// end, or -1 when `i` opens no such text.
qsizetype dollarQuotedEnd(QStringView sql, qsizetype i)
{
    qsizetype j = i + 1;
    while (j < sql.size() && (sql[j].isLetterOrNumber() || sql[j] == u'_'))
        ++j;
    if (j >= sql.size() || sql[j] != u'$' || (j > i + 1 && sql[i + 1].isDigit()))
        return -1;
    const QStringView tag = sql.mid(i, j + 1 - i);
    const qsizetype end = sql.indexOf(tag, j + 1);
    return end < 0 ? sql.size() : end + tag.size();
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
    const QChar quote = t.front();
    if (quote == u'$') {
        const qsizetype tag = t.indexOf(u'$', 1) + 1;
        return t.size() >= 2 * tag ? t.mid(tag, t.size() - 2 * tag).toString() : QString();
    }
    return t.mid(1, t.size() - 2).toString().replace(QString(2, quote), QString(quote));
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
        } else if (c == u'\'' || c == u'"' || c == u'`') {
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
        } else if (c == u'$' && dollarQuotedEnd(sql, i) >= 0) {
            i = dollarQuotedEnd(sql, i);
            kind = Kind::Text;
        } else if ((c == u':' || c == u'@' || c == u'$') && wordChar(next)) {
            for (++i; i < n && wordChar(sql[i]);)
                ++i;
            kind = Kind::Param;
        } else if (QStringView(u"(),.;[]").contains(c)) {
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
