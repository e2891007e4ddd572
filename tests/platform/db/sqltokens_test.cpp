// The one SQL scanner every reader of the program's statements shares.
#include "platform/db/sqltokens.h"

#include <QStringList>

#include <gtest/gtest.h>

using db::lex::Kind;

namespace {

char kindLetter(Kind k)
{
    switch (k) {
    case Kind::Word:
        return 'w';
    case Kind::Name:
        return 'n';
    case Kind::Text:
        return 't';
    case Kind::Number:
        return '9';
    case Kind::Param:
        return '?';
    case Kind::Op:
        return 'o';
    case Kind::Punct:
        return 'p';
    }
    return '-';
}

// The tokens as "kind:text" separated by blanks.
std::string spelled(const QString &sql)
{
    QStringList out;
    for (const db::lex::Token &t : db::lex::tokens(sql))
        out << QString(QLatin1Char(kindLetter(t.kind))) + u':' + t.in(sql).toString();
    return out.join(u' ').toStdString();
}

} // namespace

TEST(SqlTokens, QuotesEscapesCommentsAndParameters)
{
    const struct {
        const char *sql, *tokens;
    } cases[] = {
        {"Select a.VouNo, count(*) From MasJV a",
            "w:Select w:a p:. w:VouNo p:, w:count p:( o:* p:) w:From w:MasJV w:a"},
        // A doubled quote stays inside; a parameter in a text is no parameter.
        {"x = 'it''s ?' || ?", "w:x o:= t:'it''s ?' o:|| ?:?"},
        {"\"odd \"\"?\"\" name\" = ?", "n:\"odd \"\"?\"\" name\" o:= ?:?"},
        {"k[0] = `c``d`", "w:k p:[ 9:0 p:] o:= n:`c``d`"},
        {"a -- b ? 'c\n+ /* ? ' */ ?", "w:a o:+ ?:?"},
        {"a <> b <= c != d == e >= f >> 1 :: g",
            "w:a o:<> w:b o:<= w:c o:!= w:d o:== w:e o:>= w:f o:>> 9:1 o::: w:g"},
        {"12 1.5 .5 1e-3 2E5 0x1F 3e", "9:12 9:1.5 9:.5 9:1e-3 9:2E5 9:0x1F 9:3 w:e"},
        {"?1 :name @x $y ? : a", "?:?1 ?::name ?:@x ?:$y ?:? o:: w:a"},
        {"t.col$1 _x;", "w:t p:. w:col$1 w:_x p:;"},
        // PostgreSQL's dollar quotes (a function body); $1 is no quote.
        {"as $$ a = '?' $$, $f$ $$ ? $f$ $1 $x", "w:as t:$$ a = '?' $$ p:, t:$f$ $$ ? $f$ ?:$1 ?:$x"},
        // An unclosed quote or comment runs to the end.
        {"a = 'open ?", "w:a o:= t:'open ?"},
        {"a /* open ?", "w:a"},
        {"\u00c9t\u00e9 = 'caf\u00e9'", "w:\u00c9t\u00e9 o:= t:'caf\u00e9'"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(spelled(QString::fromUtf8(c.sql)), c.tokens) << c.sql;
}

TEST(SqlTokens, ValuesOfQuotedNamesAndTexts)
{
    const QString sql = QStringLiteral("'it''s' \"a \"\"b\"\"\" c ] `d``e` Word ?");
    QStringList values;
    for (const db::lex::Token &t : db::lex::tokens(sql))
        values << t.value(sql);
    EXPECT_EQ(values, (QStringList {"it's", "a \"b\"", "c", "]", "d`e", "Word", "?"}));
    const QString body = QStringLiteral("$f$ it's $$ $f$");
    EXPECT_EQ(db::lex::tokens(body).front().value(body), QStringLiteral(" it's $$ "));
    const auto ts = db::lex::tokens(sql);
    EXPECT_TRUE(ts[5].is(sql, "WORD"));
    EXPECT_FALSE(ts[1].is(sql, "a \"b\""));
    EXPECT_TRUE(ts[6].isPositional(sql));
    EXPECT_FALSE(ts[0].isPositional(sql));
}
