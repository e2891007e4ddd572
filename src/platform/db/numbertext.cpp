#include "platform/db/numbertext.h"

namespace db {

namespace {

std::uint64_t powerOfTen(int n)
{
    std::uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

QString groupThousands(QStringView digits)
{
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        out += digits[i];
        const qsizetype left = digits.size() - 1 - i;
        if (left > 0 && left % 3 == 0)
            out += u',';
    }
    return out;
}

QString fixedText(std::int64_t units, int scale, int decimals, bool grouping)
{
    const bool negative = units < 0;
    // Magnitude as unsigned so that the smallest int64 does not overflow.
    std::uint64_t mag = negative ? std::uint64_t(0) - std::uint64_t(units) : std::uint64_t(units);
    int shown = scale;
    if (decimals < scale) {
        const std::uint64_t divisor = powerOfTen(scale - decimals);
        mag = (mag + divisor / 2) / divisor; // no overflow: mag is at most 2^63
        shown = decimals;
    }
    const std::uint64_t unit = powerOfTen(shown);
    const std::uint64_t whole = mag / unit;
    const std::uint64_t frac = mag % unit;

    QString out;
    if (negative && mag != 0)
        out += u'-';
    const QString wholeDigits = QString::number(whole);
    out += grouping ? groupThousands(wholeDigits) : wholeDigits;
    if (decimals > 0) {
        out += u'.';
        if (shown > 0)
            out += QStringLiteral("%1").arg(frac, shown, 10, QLatin1Char('0'));
        for (int i = shown; i < decimals; ++i)
            out += u'0';
    }
    return out;
}

} // namespace db
