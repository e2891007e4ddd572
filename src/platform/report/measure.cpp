#include "platform/report/engine_p.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <memory>

namespace report {

namespace {

// Glyph advances differ a little between devices (hinting, rounding): texts
// are fitted to a slightly narrower box than they get, so what fits here
// fits on screen, on paper and in PDF alike.
constexpr double fitMargin = 0.96;
constexpr double mmPerInch = 25.4;
constexpr int measureDpi = 300;

class Measure {
public:
    static bool haveFonts() { return qobject_cast<QGuiApplication *>(QCoreApplication::instance()); }

    double width(const TextStyle &s, const QString &text)
    {
        if (!haveFonts())
            return text.size() * s.pointSize * 0.6 * mmPerInch / 72.0; // no fonts without a GUI: a fair guess
        return metrics(s).horizontalAdvance(text) * mmPerInch / measureDpi;
    }

    // The widest of the characters an amount is written with, so that most
    // amounts are known to fit without measuring each one.
    double figureWidth(const TextStyle &s)
    {
        if (!haveFonts())
            return width(s, QStringLiteral("0"));
        metrics(s);
        for (const Cached &c : m_cache)
            if (c.style == s) {
                if (c.figure < 0) {
                    double widest = 0;
                    for (QChar ch : QStringLiteral("0123456789,.-()"))
                        widest = std::max(widest, width(s, QString(ch)));
                    const_cast<Cached &>(c).figure = widest;
                }
                return c.figure;
            }
        return 0;
    }

private:
    struct Cached {
        TextStyle style;
        std::unique_ptr<QFontMetricsF> fm;
        double figure = -1;
    };

    const QFontMetricsF &metrics(const TextStyle &s)
    {
        for (const Cached &c : m_cache)
            if (c.style == s)
                return *c.fm;
        if (!m_device) {
            m_device = std::make_unique<QImage>(8, 8, QImage::Format_RGB32);
            const int perMetre = int(measureDpi / mmPerInch * 1000 + 0.5);
            m_device->setDotsPerMeterX(perMetre);
            m_device->setDotsPerMeterY(perMetre);
        }
        QFont font(s.family);
        font.setPointSizeF(s.pointSize);
        font.setBold(s.bold);
        font.setItalic(s.italic);
        if (m_cache.size() > 64)
            m_cache.clear();
        m_cache.push_back({s, std::make_unique<QFontMetricsF>(font, m_device.get())});
        return *m_cache.back().fm;
    }

    std::unique_ptr<QImage> m_device;
    std::vector<Cached> m_cache;
};

Measure &measure()
{
    thread_local Measure m;
    return m;
}

} // namespace

double textWidth(const TextStyle &style, const QString &text)
{
    return measure().width(style, text);
}

QStringList wrapText(const TextStyle &style, const QString &text, double width)
{
    const double room = width * fitMargin;
    QStringList out;
    for (const QString &paragraph : text.split(u'\n')) {
        QString line;
        // Words are kept whole where they fit a line; a longer one is broken
        // where the line is full, so no character is ever lost.
        const QStringList words = paragraph.split(u' ');
        for (qsizetype w = 0; w < words.size(); ++w) {
            QString word = words[w];
            const QString joined = line.isEmpty() ? word : line + u' ' + word;
            if (textWidth(style, joined) <= room) {
                line = joined;
                continue;
            }
            if (!line.isEmpty()) {
                out << line;
                line.clear();
            }
            while (!word.isEmpty() && textWidth(style, word) > room) {
                qsizetype n = 1;
                while (n < word.size() && textWidth(style, word.left(n + 1)) <= room)
                    ++n;
                out << word.left(n);
                word.remove(0, n);
            }
            line = word;
        }
        out << line;
    }
    while (out.size() > 1 && out.back().isEmpty())
        out.removeLast();
    return out;
}

double shrunkPointSize(const TextStyle &style, const QString &text, double width)
{
    const double room = width * fitMargin;
    const bool figures = std::all_of(
        text.begin(), text.end(), [](QChar c) { return c.isDigit() || QStringView(u",.-()").contains(c); });
    if (figures && text.size() * measure().figureWidth(style) <= room)
        return style.pointSize;
    const double w = textWidth(style, text);
    if (w <= room || w <= 0)
        return style.pointSize;
    return style.pointSize * room / w;
}

} // namespace report
