// Storage rules by declared column type: what a column of each kind stores,
// and how values are bound to and read from SQLite.
#include "platform/db/internal.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cmath>

#include <unistd.h>

namespace db::detail {

namespace {
const QString kSumTooLarge = QStringLiteral("A total is too large for an amount; nothing was changed.");
}

bool diskFullAt(const QString &path)
{
    // Less than a WAL database needs to open (its shared-memory index) and
    // to write a page: as good as full.
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    return disk.isValid() && disk.bytesAvailable() < 256 * 1024;
}

namespace {

QString fileOf(sqlite3 *h)
{
    const char *name = h ? sqlite3_db_filename(h, "main") : nullptr;
    return name ? QString::fromUtf8(name) : QString();
}

bool refusing(int e)
{
    return e == EACCES || e == EPERM || e == EROFS;
}

// The operating system refuses to write (a read-only or immutable file or
// folder, a disk mounted read-only), as against a file that is not there:
// the failed call said so, or the database's files or folder say so now
// (the write that failed may have been to its -wal or a journal).
bool refusedWrite(sqlite3 *h)
{
    if (h && refusing(sqlite3_system_errno(h)))
        return true;
    const QString file = fileOf(h);
    if (file.isEmpty())
        return false;
    for (const QString &path : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm"),
             QFileInfo(file).absolutePath()}) {
        if (::access(QFile::encodeName(path).constData(), W_OK) != 0 && refusing(errno))
            return true;
    }
    return false;
}

[[noreturn]] void unwritable(sqlite3 *h)
{
    const QString file = fileOf(h);
    throw UnwritableError(
        QDir::toNativeSeparators(file.isEmpty() ? QString() : QFileInfo(file).absolutePath()));
}

} // namespace

void raiseKnown(int rc, sqlite3 *h)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY: // another connection's lock; SQLITE_LOCKED is this one's own conflict
        throw BusyError();
    case SQLITE_FULL:
        throw DiskFullError();
    case SQLITE_IOERR: // the file (on a network drive, a removed disk) could not be read or written
    case SQLITE_CANTOPEN: // a journal or the shared-memory file of an open database
        if (rc == SQLITE_IOERR_NOMEM)
            return;
        // A full disk fails some writes (growing the shared-memory index) so.
        if (!fileOf(h).isEmpty() && diskFullAt(fileOf(h)))
            throw DiskFullError();
        if (refusedWrite(h))
            unwritable(h);
        throw ConnectionLostError();
    case SQLITE_READONLY:
        if (rc == SQLITE_READONLY_DBMOVED) // the file was moved or removed under the connection
            throw ConnectionLostError();
        unwritable(h);
    default:
        return;
    }
}

void raiseKnown(int rc, const QString &message, sqlite3 *h)
{
    raiseKnown(rc, h);
    // sum() over whole numbers or cents that no longer fit in 64 bits
    if (message == QLatin1String("integer overflow"))
        throw OverflowError(kSumTooLarge);
}

void fail(sqlite3 *h)
{
    if (h)
        raiseKnown(sqlite3_extended_errcode(h), QString::fromUtf8(sqlite3_errmsg(h)), h);
    throw Error(
        h ? QString::fromUtf8(sqlite3_errmsg(h)) : QStringLiteral("The database could not be opened."));
}
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

bool isIsoDate(const QString &t)
{
    if (t.size() != 10 || t[4] != u'-' || t[7] != u'-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!t[i].isDigit())
            return false;
    return QDate::fromString(t, Qt::ISODate).isValid();
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

void bind(sqlite3_stmt *s, int index, const Value &v, bool stable)
{
    int rc = SQLITE_OK;
    switch (v.type()) {
    case Type::Null:
        rc = sqlite3_bind_null(s, index);
        break;
    case Type::Int:
        rc = sqlite3_bind_int64(s, index, *Statement::get<std::int64_t>(v));
        break;
    case Type::Real:
        rc = sqlite3_bind_double(s, index, *Statement::get<double>(v));
        break;
    case Type::Money:
        rc = sqlite3_bind_int64(s, index, Statement::get<Money>(v)->cents());
        break;
    case Type::Date: {
        int y = 0, m = 0, dd = 0;
        Statement::get<QDate>(v)->getDate(&y, &m, &dd);
        if (y < 1 || y > 9999) { // outside what YYYY-MM-DD can say
            const QByteArray t = v.toString().toUtf8();
            rc = sqlite3_bind_text(s, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        const char iso[10]
            = {char('0' + y / 1000), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10),
                '-', char('0' + m / 10), char('0' + m % 10), '-', char('0' + dd / 10), char('0' + dd % 10)};
        rc = sqlite3_bind_text(s, index, iso, 10, SQLITE_TRANSIENT);
        break;
    }
    case Type::Text: {
        // UTF-16 straight from the QString: no intermediate buffer.
        const QString &text = *Statement::get<QString>(v);
        rc = sqlite3_bind_text16(s, index,
            text.isNull() ? static_cast<const void *>(u"") : static_cast<const void *>(text.utf16()),
            int(text.size() * 2), stable ? SQLITE_STATIC : SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        fail(sqlite3_db_handle(s));
}

namespace {

// A MONEY cell stored as a real number: whole cents that a real holds
// exactly are taken; a real past 64 bits (what SQLite's + leaves of an
// overflowed total) or a fraction of a cent is refused, never shown.
Money storedCents(double d)
{
    if (!std::isfinite(d) || std::fabs(d) >= 9007199254740992.0) // 2^53
        throw OverflowError();
    if (d != std::floor(d))
        throw Error(QStringLiteral("'%1' is not an amount.").arg(Value(d / 100).toString()));
    return Money::fromCents(std::int64_t(d));
}

} // namespace

Value read(sqlite3_stmt *s, int column, Type kind)
{
    switch (sqlite3_column_type(s, column)) {
    case SQLITE_INTEGER: {
        const sqlite3_int64 n = sqlite3_column_int64(s, column);
        if (kind == Type::Money)
            return Value(Money::fromCents(n));
        return Value(static_cast<long long>(n));
    }
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(s, column);
        if (kind == Type::Money)
            return Value(storedCents(d));
        return Value(d);
    }
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const auto *p = reinterpret_cast<const char16_t *>(sqlite3_column_text16(s, column));
        const int bytes = sqlite3_column_bytes16(s, column);
        QString t = p ? QString(reinterpret_cast<const QChar *>(p), bytes / 2) : QString();
        // A MONEY column holds integer cents; text there was written around
        // the program and is no figure to show.
        if (kind == Type::Money)
            throw Error(QStringLiteral("'%1' is not an amount.").arg(t));
        // Only the stored ISO form reads as a date, so a row read back binds
        // exactly what the column holds.
        if (kind == Type::Date && isIsoDate(t))
            return Value(QDate::fromString(t, Qt::ISODate));
        return Value(t);
    }
    default:
        return {};
    }
}
Value readDeclared(sqlite3_stmt *s, int column)
{
    const char *decl = sqlite3_column_decltype(s, column);
    return read(s, column, kindOf(QString::fromLatin1(decl ? decl : ""), nullptr));
}

} // namespace db::detail
