// The embedded engine's side of the storage rules: values bound to and
// read from SQLite statements, and SQLite's result codes as the layer's
// errors.
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

namespace {

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
