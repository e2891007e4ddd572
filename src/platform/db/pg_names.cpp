// Names as the program spells them: PostgreSQL folds unquoted names to
// lower case, in the result columns it names and in the quoted names the
// program writes as the schema spells them.
#include "platform/db/pg_session.h"
#include "platform/db/sqltokens.h"

namespace db::detail {

void learnSpellings(const QString &ddl, QHash<QString, QString> *names)
{
    // Every word outside quotes: table and column names among them. The
    // first spelling met stays.
    for (const lex::Token &t : lex::tokens(ddl))
        if (t.kind == lex::Kind::Word) {
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
    for (const lex::Token &t : lex::tokens(sql))
        if (t.kind == lex::Kind::Word) {
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
    for (const lex::Token &t : lex::tokens(sql)) {
        if (t.kind != lex::Kind::Name || t.size < 3 || sql[t.at] != u'"')
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
    const std::vector<lex::Token> ts = lex::tokens(sql);
    for (const lex::Token &t : ts) {
        if (t.kind != lex::Kind::Word)
            continue;
        if (t.is(sql, "from"))
            return false;
        if (t.is(sql, "rowid"))
            return true;
    }
    return false;
}

} // namespace db::detail
