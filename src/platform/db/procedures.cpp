// The procedure registry and the parser of a call ("exec name ?, 'a', 1").
#include "platform/db/internal.h"

#include <QHash>

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

Params parseArguments(QStringView s, qsizetype i, const Params &bound, const QString &procName)
{
    Params args;
    size_t next = 0;
    auto malformed = [&] {
        return Error(QStringLiteral("Incorrect syntax in the call of procedure '%1' near '%2'.")
                         .arg(procName, s.mid(i, 20).toString()));
    };
    skipBlanks(s, i);
    if (i < s.size() && s[i] == u';')
        ++i;
    skipBlanks(s, i);
    if (i >= s.size()) {
        if (!bound.empty())
            throw Error(QStringLiteral("The call takes 0 parameter(s); %1 were given.").arg(bound.size()));
        return args;
    }
    for (;;) {
        skipBlanks(s, i);
        if (i >= s.size())
            throw malformed();
        const QChar c = s[i];
        if (c == u'?') {
            if (next >= bound.size())
                throw Error(QStringLiteral("The call has more '?' than the %1 parameter(s) given.")
                                .arg(bound.size()));
            args.push_back(bound[next++]);
            ++i;
        } else if (c == u'\'' || ((c == u'N' || c == u'n') && i + 1 < s.size() && s[i + 1] == u'\'')) {
            if (c != u'\'')
                ++i;
            ++i;
            QString text;
            for (;;) {
                if (i >= s.size())
                    throw Error(QStringLiteral("Unclosed quotation mark in the call of procedure '%1'.")
                                    .arg(procName));
                if (s[i] == u'\'') {
                    if (i + 1 < s.size() && s[i + 1] == u'\'') {
                        text += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += s[i++];
            }
            args.emplace_back(text);
        } else if (c.isDigit() || c == u'-' || c == u'+' || c == u'.') {
            const qsizetype start = i;
            ++i;
            while (i < s.size() && (s[i].isDigit() || s[i] == u'.'))
                ++i;
            const QString num = s.mid(start, i - start).toString();
            bool ok = false;
            const qlonglong n = num.toLongLong(&ok);
            if (ok) {
                args.emplace_back(n);
            } else {
                const double d = num.toDouble(&ok);
                if (!ok)
                    throw malformed();
                args.emplace_back(d);
            }
        } else if (isIdentChar(c)) {
            const QString w = word(s, i);
            if (w.compare(QLatin1String("NULL"), Qt::CaseInsensitive) != 0
                && w.compare(QLatin1String("DEFAULT"), Qt::CaseInsensitive) != 0)
                throw malformed();
            args.emplace_back();
        } else {
            throw malformed();
        }
        skipBlanks(s, i);
        if (i < s.size() && s[i] == u',') {
            ++i;
            continue;
        }
        if (i < s.size() && s[i] == u';')
            ++i;
        skipBlanks(s, i);
        if (i != s.size())
            throw malformed();
        break;
    }
    if (next != bound.size())
        throw Error(QStringLiteral("The call has %1 '?' but %2 parameter(s) were given.")
                        .arg(next)
                        .arg(bound.size()));
    return args;
}

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
    const Params args = parseArguments(s, i, params, bare);
    *affected = proc(conn, args);
    return true;
}

} // namespace detail
} // namespace db
