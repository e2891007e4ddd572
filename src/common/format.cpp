#include "common/format.h"

#include <cstdlib>

namespace common::fmt {

namespace {

QString formatCents(std::int64_t cents, bool grouped)
{
    const bool negative = cents < 0;
    // Magnitude as unsigned so that the smallest int64 does not overflow.
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(cents) : std::uint64_t(cents);
    QString whole = QString::number(magnitude / 100);
    if (grouped) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, QLatin1Char(','));
    }
    const QString frac = QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    return (negative ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.') + frac;
}

} // namespace

QString money(db::Money m)
{
    return formatCents(m.cents(), true);
}

QString plainMoney(db::Money m)
{
    return formatCents(m.cents(), false);
}

QString ddmmyyyy(const QDate &d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd-MM-yyyy")) : QString();
}

QString isoDate(const QDate &d)
{
    return d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

} // namespace common::fmt
