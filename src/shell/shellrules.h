#pragma once
// Rules of the start-up and the main window that need no window.
#include <QDateTime>
#include <QString>

#include <optional>

namespace shell {

// The first field of a server file, read the way sequential field input reads
// it: leading blanks are skipped; a field opening with a double quote runs to
// the next double quote; any other field ends at the first comma or at the
// end of the first line. Empty when the file is missing, unreadable or holds
// no field.
std::optional<QString> readServerName(const QString &filePath);
// The same rules over text already read.
std::optional<QString> firstField(const QByteArray &content);

// The main window's clock line, e.g. "Wednesday, 09-December-2026  09:30:41 AM":
// English day and month names whatever the locale, two blanks before the hour.
QString clockText(const QDateTime &moment);

} // namespace shell
