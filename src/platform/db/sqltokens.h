#pragma once
// The tokens of an SQL text, one scanner for every part of the program that
// reads its statements (parameter binding, the PostgreSQL dialect, a
// report's query shape). Blanks and comments (-- to the end of the line,
// /* ... */) fall between tokens; a quote or comment left open runs to the
// end of the text.
#include <QString>

#include <vector>

namespace db::lex {

enum class Kind {
    Word, // a keyword or a bare name: a letter or _ first, then letters, digits, _ and $
    Name, // a quoted name: "a ""b""" or `a` (brackets are punctuation: PostgreSQL's subscripts)
    Text, // a string literal: 'it''s', or PostgreSQL's $$it's$$ and $f$...$f$
    Number, // 12, 1.5, .5, 1e-3, 0x1F
    Param, // ?, ?3, :name, @name, $name
    Op, // an operator: = == <> != < <= > >= << >> || + - * / % & | ~ ! ::
    Punct, // ( ) , . ; [ ]
};

struct Token {
    Kind kind;
    qsizetype at, size; // where it stands in the text

    QStringView in(QStringView sql) const { return sql.mid(at, size); }
    // A word, operator or punctuation spelled `s` (words without regard to case).
    bool is(QStringView sql, const char *s) const;
    // A quoted name or a text without its quotes, doubled quotes made single;
    // anything else as written.
    QString value(QStringView sql) const;
    // The parameter `?` that takes the next value in order.
    bool isPositional(QStringView sql) const { return kind == Kind::Param && size == 1 && sql[at] == u'?'; }
};

std::vector<Token> tokens(QStringView sql);

} // namespace db::lex
