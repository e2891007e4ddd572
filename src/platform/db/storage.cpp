// Storage rules by declared column type: what a column of each kind stores,
// and how a value is converted for a column of its kind.
#include "platform/db/internal.h"

#include <cmath>

namespace db::detail {
Type kindOf(const QString &declType, int *definedSize)
{
    const QString u = declType.trimmed().toUpper();
    int n = 0;
    const qsizetype open = u.indexOf(u'(');
    if (open >= 0) {
        qsizetype i = open + 1;
        while (i < u.size() && u[i] == u' ')
            ++i;
        while (i < u.size() && u[i].isDigit())
            n = n * 10 + (u[i++].unicode() - '0');
    }
    auto result = [&](Type t, int size) {
        if (definedSize)
            *definedSize = size;
        return t;
    };
    if (u.isEmpty())
        return result(Type::Null, 0);
    if (u.contains(QLatin1String("MONEY")))
        return result(Type::Money, 8);
    if (u.startsWith(QLatin1String("DATE")))
        return result(Type::Date, 8);
    if (u.contains(QLatin1String("INT"))) {
        if (u.startsWith(QLatin1String("TINYINT")))
            return result(Type::Int, 1);
        if (u.startsWith(QLatin1String("SMALLINT")))
            return result(Type::Int, 2);
        if (u.startsWith(QLatin1String("BIGINT")))
            return result(Type::Int, 8);
        return result(Type::Int, 4);
    }
    if (u.startsWith(QLatin1String("BIT")))
        return result(Type::Int, 1);
    if (u.contains(QLatin1String("CHAR")) || u.contains(QLatin1String("TEXT"))
        || u.contains(QLatin1String("CLOB")))
        return result(Type::Text, n > 0 ? n : 2147483647);
    if (u.contains(QLatin1String("REAL")) || u.contains(QLatin1String("FLOA"))
        || u.contains(QLatin1String("DOUB")) || u.startsWith(QLatin1String("NUMERIC"))
        || u.startsWith(QLatin1String("DECIMAL")))
        return result(Type::Real, 8);
    return result(Type::Null, 0);
}

namespace {

QString columnName(const QString &table, const QString &column)
{
    return column.isEmpty() ? table : table + u'.' + column;
}

[[noreturn]] void notStorable(const QString &table, const QString &column, const Value &v, const char *kind)
{
    const QString what = columnName(table, column);
    throw Error(
        QStringLiteral("Column '%1': '%2' is not %3.").arg(what, v.toString(), QString::fromLatin1(kind)));
}

} // namespace

namespace {

Value storedInt(const Value &v, const QString &table, const QString &column)
{
    switch (v.type()) {
    case Type::Int:
        return v;
    case Type::Real: {
        const double d = v.toDouble();
        if (d != std::floor(d) || std::fabs(d) > 9.0e18)
            notStorable(table, column, v, "a whole number");
        return Value(static_cast<long long>(d));
    }
    case Type::Text: {
        const QString s = v.toString().trimmed();
        if (s.isEmpty())
            return {};
        bool ok = false;
        const qlonglong n = s.toLongLong(&ok);
        if (ok)
            return Value(n);
        const double d = s.toDouble(&ok);
        if (ok && d == std::floor(d) && std::fabs(d) < 9.0e18)
            return Value(static_cast<long long>(d));
        notStorable(table, column, v, "a whole number");
    }
    case Type::Money: {
        const Money m = v.toMoney();
        if (m.cents() % 100 != 0)
            notStorable(table, column, v, "a whole number");
        return Value(static_cast<long long>(m.cents() / 100));
    }
    default:
        notStorable(table, column, v, "a whole number");
    }
}

Value storedMoney(const Value &v, const QString &table, const QString &column)
{
    switch (v.type()) {
    case Type::Money:
        return v;
    case Type::Text: {
        const QString s = v.toString();
        if (s.trimmed().isEmpty())
            return {};
        Money m;
        if (!Money::tryParse(s, &m))
            notStorable(table, column, v, "an amount");
        return Value(m);
    }
    case Type::Int:
    case Type::Real:
        return Value(v.toMoney());
    default:
        notStorable(table, column, v, "an amount");
    }
}

Value storedDate(const Value &v, const QString &table, const QString &column)
{
    switch (v.type()) {
    case Type::Date:
        return v;
    case Type::Text: {
        const QString s = v.toString();
        if (s.trimmed().isEmpty())
            return {};
        const QDate d = parseDate(s);
        if (!d.isValid())
            notStorable(table, column, v, "a date");
        return Value(d);
    }
    default:
        notStorable(table, column, v, "a date");
    }
}

Value storedText(int definedSize, const Value &v, const QString &table, const QString &column)
{
    Value out = v.type() == Type::Text ? v : Value(v.toString());
    if (definedSize > 0 && Statement::get<QString>(out)->size() > definedSize)
        throw Error(QStringLiteral(
            "String or binary data would be truncated: column '%1' holds at most %2 characters.")
                        .arg(columnName(table, column))
                        .arg(definedSize));
    return out;
}

Value storedReal(const Value &v, const QString &table, const QString &column)
{
    switch (v.type()) {
    case Type::Real:
        return v;
    case Type::Text: {
        const QString s = v.toString();
        if (s.trimmed().isEmpty())
            return {};
        bool ok = false;
        const double d = s.trimmed().toDouble(&ok);
        if (!ok)
            notStorable(table, column, v, "a number");
        return Value(d);
    }
    case Type::Int:
    case Type::Money:
        return Value(v.toDouble());
    default:
        notStorable(table, column, v, "a number");
    }
}

} // namespace

Value convertFor(Type kind, int definedSize, const Value &v, const QString &table, const QString &column)
{
    if (v.type() == Type::Null)
        return v;
    switch (kind) {
    case Type::Int:
        return storedInt(v, table, column);
    case Type::Money:
        return storedMoney(v, table, column);
    case Type::Date:
        return storedDate(v, table, column);
    case Type::Text:
        return storedText(definedSize, v, table, column);
    case Type::Real:
        return storedReal(v, table, column);
    default:
        return v;
    }
}

} // namespace db::detail
