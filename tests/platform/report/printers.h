#pragma once
// Readable QString and QStringList values in failure messages.
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList &l, std::ostream *os)
{
    *os << "{\n";
    for (const QString &s : l)
        *os << "  \"" << s.toStdString() << "\"\n";
    *os << "}";
}
