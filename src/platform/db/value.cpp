// Values, money, dates and Like patterns: the parts of the data layer that
// need no database.
#include "platform/db/db.h"
#include "platform/db/internal.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace db {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString())
{
}

BusyError::BusyError()
    : Error(QStringLiteral("The database is in use by another copy of the program, so nothing was saved. "
                           "Wait until the other copy has finished, then try again."))
{
}

DiskFullError::DiskFullError()
    : Error(QStringLiteral("The disk that holds the database is full, so nothing was saved. "
                           "Free some space on that disk, then try again."))
{
}

OverflowError::OverflowError()
    : Error(QStringLiteral("The total is too large for an amount."))
{
}

OverflowError::OverflowError(const QString &message)
    : Error(message)
{
}

void detail::moneyOverflow()
{
    throw OverflowError();
}

namespace {

QString lostText(ConnectionLostError::When when)
{
    switch (when) {
    case ConnectionLostError::When::Reading:
        return QStringLiteral("The database server could not be reached, so the data could not be read. "
                              "Check that the server is running and can be reached, then try again.");
    case ConnectionLostError::When::DuringCommit:
        return QStringLiteral("The connection to the database server was lost while the save was being "
                              "completed, so it is not known whether it was saved. Check what was saved "
                              "once the server can be reached again.");
    case ConnectionLostError::When::BeforeCommit:
        break;
    }
    return QStringLiteral("The database server could not be reached, so nothing was saved. "
                          "Check that the server is running and can be reached, then try again.");
}

} // namespace

ConnectionLostError::ConnectionLostError(When when)
    : Error(lostText(when))
{
}

UnwritableError::UnwritableError(const QString &folder)
    : Error(QStringLiteral("The database server's files in \"%1\" cannot be written, so nothing was saved. "
                           "Check that the folder and its files may be written, then try again.")
                .arg(folder))
{
}

// ---------------------------------------------------------------- Money

namespace {

constexpr std::int64_t maxCents = std::numeric_limits<std::int64_t>::max() / 10 - 10;

// The digits of a decimal number with the position of its point.
struct Digits {
    QVarLengthArray<char, 40> digits;
    qsizetype pointAt = -1; // index into digits; -1 while no point was read
};

// Reads digits, grouping commas and a point from text[i] on, stopping at
// anything else. Grouping commas in the whole part stand between groups of
// three digits ("1,234,567.50"); "12,5" is no amount, rather than 125.
bool readDigits(QStringView text, qsizetype &i, Digits *out)
{
    bool anyDigit = false;
    bool sawComma = false;
    int group = 0; // digits of the whole part since the last comma
    auto groupsOk = [&] { return !sawComma || group == 3; };
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128) {
            out->digits.append(char(c.unicode() - '0'));
            anyDigit = true;
            if (out->pointAt < 0)
                ++group;
        } else if (c == u',' && out->pointAt < 0) {
            if (sawComma ? group != 3 : (group < 1 || group > 3))
                return false;
            sawComma = true;
            group = 0;
        } else if (c == u'.' && out->pointAt < 0) {
            if (!groupsOk())
                return false;
            out->pointAt = out->digits.size();
        } else {
            break;
        }
    }
    if (!anyDigit || (out->pointAt < 0 && !groupsOk()))
        return false;
    if (out->pointAt < 0)
        out->pointAt = out->digits.size();
    return true;
}

// An optional exponent ("e-3") from text[i] on; 0 when there is none.
bool readExponent(QStringView text, qsizetype &i, int *exponent)
{
    *exponent = 0;
    const qsizetype n = text.size();
    if (i >= n || (text[i] != u'e' && text[i] != u'E'))
        return true;
    ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool anyDigit = false;
    for (; i < n && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        *exponent = *exponent * 10 + (text[i].unicode() - '0');
        anyDigit = true;
        if (*exponent > 400)
            return false;
    }
    if (negative)
        *exponent = -*exponent;
    return anyDigit;
}

// The number's magnitude in cents, rounded half away from zero.
bool centsOf(const Digits &d, int exponent, std::int64_t *out)
{
    // Value = digits * 10^(exponent - (digits.size() - pointAt)); we want cents.
    const qsizetype centsPoint = d.pointAt + exponent + 2; // digits before this index are whole cents
    std::int64_t cents = 0;
    for (qsizetype k = 0; k < centsPoint; ++k) {
        const int digit = k < d.digits.size() ? d.digits[k] : 0;
        if (cents > maxCents)
            return false;
        cents = cents * 10 + digit;
    }
    // The first digit after the cents decides the rounding.
    if (centsPoint >= 0 && centsPoint < d.digits.size() && d.digits[centsPoint] >= 5)
        ++cents;
    *out = cents;
    return true;
}

// Parses decimal text digit by digit (never through double) and rounds half
// away from zero to the cent. Accepts blanks around, a sign, grouping commas
// in the whole part, and an optional exponent (only fromDouble's text has one).
bool parseCents(QStringView text, std::int64_t *out)
{
    text = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
        while (i < n && text[i] == u' ')
            ++i;
    }
    Digits digits;
    int exponent = 0;
    std::int64_t cents = 0;
    if (!readDigits(text, i, &digits) || !readExponent(text, i, &exponent) || i != n
        || !centsOf(digits, exponent, &cents))
        return false;
    *out = negative ? -cents : cents;
    return true;
}

} // namespace

bool Money::tryParse(QStringView text, Money *out)
{
    std::int64_t cents = 0;
    if (!parseCents(text, &cents))
        return false;
    if (out)
        *out = fromCents(cents);
    return true;
}

Money Money::parse(QStringView text)
{
    Money m;
    if (!tryParse(text, &m))
        throw Error(QStringLiteral("'%1' is not an amount.").arg(text.toString()));
    return m;
}

Money Money::fromDouble(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 9.0e14)
        throw Error(QStringLiteral("%1 is not an amount that can be kept to the cent.").arg(value));
    // Fifteen significant digits give back the decimal the double was made
    // from (1.005 stays 1.005, not 1.00499999...), then the exact rounding.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    std::int64_t cents = 0;
    if (!parseCents(QString::fromLatin1(buf), &cents))
        throw Error(QStringLiteral("%1 is not an amount.").arg(value));
    return fromCents(cents);
}

QString Money::toString() const
{
    const bool negative = m_cents < 0;
    // Work on the magnitude as unsigned so INT64_MIN has no overflow.
    const std::uint64_t mag = negative ? 0 - std::uint64_t(m_cents) : std::uint64_t(m_cents);
    QString s = QString::number(mag / 100);
    s += u'.';
    const unsigned frac = unsigned(mag % 100);
    s += QChar(u'0' + frac / 10);
    s += QChar(u'0' + frac % 10);
    if (negative)
        s.prepend(u'-');
    return s;
}

// ---------------------------------------------------------------- dates

QDate parseDate(QStringView text)
{
    text = text.trimmed();
    // A time of day after the date is dropped ("2009-08-03 00:00:00", "2009-08-03T10:00").
    qsizetype cut = text.indexOf(u' ');
    if (cut < 0)
        cut = text.indexOf(u'T');
    if (cut > 0)
        text = text.left(cut);
    if (text.isEmpty())
        return {};
    int parts[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    QChar sep;
    int part = 0;
    for (QChar c : text) {
        if (c.isDigit() && c.unicode() < 128) {
            if (lengths[part] >= 4)
                return {};
            parts[part] = parts[part] * 10 + (c.unicode() - '0');
            ++lengths[part];
        } else if (c == u'-' || c == u'/' || c == u'.') {
            if (part == 2 || lengths[part] == 0)
                return {};
            if (part == 1 && c != sep)
                return {};
            sep = c;
            ++part;
        } else {
            return {};
        }
    }
    if (part != 2 || lengths[2] == 0)
        return {};
    QDate d;
    if (lengths[0] == 4) // year first: 2009-08-03, 2009/08/03
        d = QDate(parts[0], parts[1], parts[2]);
    else if (lengths[2] == 4 && lengths[0] <= 2 && lengths[1] <= 2) // day first: 03/08/2009, 03-08-2009
        d = QDate(parts[2], parts[1], parts[0]);
    return d.isValid() ? d : QDate();
}

QString likeContains(const QString &typed)
{
    QString out;
    out.reserve(typed.size() + 4);
    out += u'%';
    for (QChar c : typed) {
        if (c == u'\\' || c == u'%' || c == u'_')
            out += u'\\';
        out += c;
    }
    out += u'%';
    return out;
}

// ---------------------------------------------------------------- Value

Value::Value(QDate v)
{
    if (v.isValid())
        m_v = v;
}

Type Value::type() const
{
    switch (m_v.index()) {
    case 1:
        return Type::Int;
    case 2:
        return Type::Real;
    case 3:
        return Type::Text;
    case 4:
        return Type::Money;
    case 5:
        return Type::Date;
    default:
        return Type::Null;
    }
}

namespace {

QString plainNumber(double v)
{
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(std::int64_t(v));
    QString s = QString::number(v, 'g', 15);
    if (s.contains(u'e')) {
        s = QString::number(v, 'f', 10);
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.'))
            s.chop(1);
    }
    return s;
}

[[noreturn]] void notA(const char *what, const QString &text)
{
    throw Error(QStringLiteral("'%1' is not %2.").arg(text, QString::fromLatin1(what)));
}

std::int64_t roundToInt(double v, const QString &shown)
{
    if (!std::isfinite(v) || std::fabs(v) >= 9.2e18)
        notA("a whole number", shown);
    return std::int64_t(std::llround(v));
}

} // namespace

QString Value::toString() const
{
    switch (m_v.index()) {
    case 1:
        return QString::number(std::get<1>(m_v));
    case 2:
        return plainNumber(std::get<2>(m_v));
    case 3:
        return std::get<3>(m_v);
    case 4:
        return std::get<4>(m_v).toString();
    case 5:
        return std::get<5>(m_v).toString(Qt::ISODate);
    default:
        return {};
    }
}

std::int64_t Value::toInt() const
{
    switch (m_v.index()) {
    case 1:
        return std::get<1>(m_v);
    case 2:
        return roundToInt(std::get<2>(m_v), toString());
    case 3: {
        const QString t = std::get<3>(m_v).trimmed();
        if (t.isEmpty())
            return 0;
        bool ok = false;
        const qlonglong v = t.toLongLong(&ok);
        if (ok)
            return v;
        const double d = t.toDouble(&ok);
        if (!ok)
            notA("a whole number", t);
        return roundToInt(d, t);
    }
    case 4: {
        const std::int64_t c = std::get<4>(m_v).cents();
        const std::int64_t whole = c / 100, rest = c % 100;
        return whole + (rest >= 50 ? 1 : rest <= -50 ? -1 : 0);
    }
    case 5:
        notA("a whole number", toString());
    default:
        return 0;
    }
}

double Value::toDouble() const
{
    switch (m_v.index()) {
    case 1:
        return double(std::get<1>(m_v));
    case 2:
        return std::get<2>(m_v);
    case 3: {
        const QString t = std::get<3>(m_v).trimmed();
        if (t.isEmpty())
            return 0;
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (ok)
            return d;
        Money m;
        if (Money::tryParse(t, &m)) // "1,234.50"
            return m.toDouble();
        notA("a number", t);
    }
    case 4:
        return std::get<4>(m_v).toDouble();
    case 5:
        notA("a number", toString());
    default:
        return 0;
    }
}

Money Value::toMoney() const
{
    switch (m_v.index()) {
    case 1: {
        const std::int64_t v = std::get<1>(m_v);
        if (v > maxCents / 100 || v < -maxCents / 100)
            notA("an amount", toString());
        return Money::fromCents(v * 100);
    }
    case 2:
        return Money::fromDouble(std::get<2>(m_v));
    case 3: {
        const QString &t = std::get<3>(m_v);
        if (t.trimmed().isEmpty())
            return {};
        return Money::parse(t);
    }
    case 4:
        return std::get<4>(m_v);
    case 5:
        notA("an amount", toString());
    default:
        return {};
    }
}

QDate Value::toDate() const
{
    switch (m_v.index()) {
    case 3:
        return parseDate(std::get<3>(m_v));
    case 5:
        return std::get<5>(m_v);
    default:
        return {};
    }
}

} // namespace db
