#include "shell/shellrules.h"

#include <QFile>
#include <QLocale>

namespace shell {

std::optional<QString> firstField(const QByteArray &content)
{
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF))) // a byte-order mark from an editor
        text.remove(0, 1);
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i >= text.size())
        return std::nullopt;
    QString field;
    if (text[i] == u'"') {
        // A quote left open ends with its line.
        qsizetype end = i + 1;
        while (end < text.size() && text[end] != u'"' && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        field = text.mid(i + 1, end - i - 1);
    } else {
        qsizetype end = i;
        while (end < text.size() && text[end] != u',' && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        field = text.mid(i, end - i);
        while (field.endsWith(u' ') || field.endsWith(u'\t'))
            field.chop(1);
    }
    // An empty field names no server.
    if (field.isEmpty())
        return std::nullopt;
    return field;
}

std::optional<QString> readServerName(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return firstField(file.readAll());
}

QString clockText(const QDateTime &moment)
{
    const QLocale english = QLocale::c();
    return english.toString(moment, QStringLiteral("dddd, dd-MMMM-yyyy")) + QLatin1Char(' ')
        + english.toString(moment, QStringLiteral(" hh:mm:ss AP"));
}

} // namespace shell
