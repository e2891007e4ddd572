#include "platform/report/formula.h"

#include "platform/db/numbertext.h"

#include <cmath>
#include <limits>

namespace report {

// ---------------------------------------------------------------- values

Val::Val(QDate d)
{
    if (d.isValid())
        m_v = d;
}

Val Val::fromDb(const db::Value &v)
{
    switch (v.type()) {
    case db::Type::Null:
        return {};
    case db::Type::Int:
        return Val(v.toInt());
    case db::Type::Real:
        return Val(v.toDouble());
    case db::Type::Text:
        return Val(v.toString());
    case db::Type::Money:
        return Val(v.toMoney());
    case db::Type::Date:
        return Val(v.toDate());
    }
    return {};
}

db::Money Val::toMoney() const
{
    if (kind() == Int) {
        std::int64_t cents;
        if (__builtin_mul_overflow(toInt(), std::int64_t(100), &cents))
            throw Error(QStringLiteral("The number %1 is too large for an amount.").arg(toInt()));
        return db::Money::fromCents(cents);
    }
    return std::get<db::Money>(m_v);
}

double Val::toReal() const
{
    switch (kind()) {
    case Int:
        return double(toInt());
    case Money:
        return std::get<db::Money>(m_v).toDouble();
    case Real:
        return std::get<double>(m_v);
    default:
        return 0;
    }
}

QString Val::toString() const
{
    switch (kind()) {
    case Null:
        return {};
    case Bool:
        return toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case Int:
        return QString::number(toInt());
    case Money:
        return toMoney().toString();
    case Real:
        return QString::number(toReal(), 'g', 15);
    case Text:
        return text();
    case Date:
        return toDate().toString(QStringLiteral("dd-MM-yyyy"));
    }
    return {};
}

namespace {

// A text read as a number for comparing with one: whole, cents, or real.
bool textAsNumber(const QString &text, Val *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qlonglong i = t.toLongLong(&ok);
    if (ok) {
        *out = Val(std::int64_t(i));
        return true;
    }
    const double d = t.toDouble(&ok);
    if (ok) {
        *out = Val(d);
        return true;
    }
    return false;
}

template <class T> int cmp3(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Int or Money in cents, wide enough for any whole number.
__int128 wideCents(const Val &v)
{
    return v.kind() == Val::Int ? __int128(v.toInt()) * 100 : __int128(v.toMoney().cents());
}

int compareNumbers(const Val &a, const Val &b)
{
    if (a.kind() == Val::Real || b.kind() == Val::Real)
        return cmp3(a.toReal(), b.toReal());
    if (a.kind() == Val::Int && b.kind() == Val::Int)
        return cmp3(a.toInt(), b.toInt());
    return cmp3(wideCents(a), wideCents(b));
}

} // namespace

bool compareVals(const Val &a, const Val &b, int *result)
{
    if (a.isNull() || b.isNull())
        return false;
    if (a.isNumber() && b.isNumber()) {
        *result = compareNumbers(a, b);
        return true;
    }
    const Val::Kind ka = a.kind(), kb = b.kind();
    if (ka == Val::Text && kb == Val::Text) {
        *result = a.text().compare(b.text(), Qt::CaseInsensitive);
        *result = *result < 0 ? -1 : (*result > 0 ? 1 : 0);
        return true;
    }
    if (ka == Val::Date && kb == Val::Date) {
        *result = cmp3(a.toDate(), b.toDate());
        return true;
    }
    if (ka == Val::Bool && kb == Val::Bool) {
        *result = cmp3(a.toBool(), b.toBool());
        return true;
    }
    // Text met with a date or a number: read the text as one.
    if (ka == Val::Text || kb == Val::Text) {
        const bool textFirst = ka == Val::Text;
        const Val &t = textFirst ? a : b;
        const Val &o = textFirst ? b : a;
        Val converted;
        if (o.kind() == Val::Date) {
            const QDate d = db::parseDate(t.text().trimmed());
            if (!d.isValid())
                return false;
            converted = Val(d);
        } else if (o.isNumber()) {
            if (!textAsNumber(t.text(), &converted))
                return false;
        } else {
            return false;
        }
        return textFirst ? compareVals(converted, o, result) : compareVals(o, converted, result);
    }
    return false;
}

int orderVals(const Val &a, const Val &b)
{
    if (a.isNull() || b.isNull())
        return cmp3(!a.isNull(), !b.isNull());
    int r = 0;
    if (compareVals(a, b, &r))
        return r;
    return cmp3(int(a.kind()), int(b.kind()));
}

bool likeMatch(const QString &text, const QString &pattern)
{
    // Greedy match with one backtrack point for the last '*'.
    qsizetype t = 0, p = 0, star = -1, mark = 0;
    const qsizetype tn = text.size(), pn = pattern.size();
    while (t < tn) {
        if (p < pn && pattern[p] == u'*') {
            star = p++;
            mark = t;
        } else if (p < pn && (pattern[p] == u'?' || pattern[p].toCaseFolded() == text[t].toCaseFolded())) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pn && pattern[p] == u'*')
        ++p;
    return p == pn;
}

// --------------------------------------------------------------- formats

namespace {

// Appends the digits of n, with a comma between thousands when asked.
void appendDigits(QString &out, std::uint64_t n, bool grouping)
{
    char16_t digits[24];
    int count = 0;
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n);
    for (int i = count - 1; i >= 0; --i) {
        out += QChar(digits[i]);
        if (grouping && i > 0 && i % 3 == 0)
            out += u',';
    }
}

bool isNumberFormat(const QString &f)
{
    return f.contains(u'#') || f.contains(u'0');
}

QString toQtDateFormat(const QString &f)
{
    QString out;
    out.reserve(f.size());
    for (QChar c : f) {
        const QChar l = c.toLower();
        if (l == u'm')
            out += u'M';
        else if (l == u'd' || l == u'y')
            out += l;
        else if (c.isLetter())
            out += QStringLiteral("'") + c + QStringLiteral("'");
        else
            out += c;
    }
    return out;
}

} // namespace

DisplayFormat::DisplayFormat(const QString &format)
{
    if (format.isEmpty())
        return;
    if (isNumberFormat(format)) {
        m_kind = Kind::Number;
        qsizetype first = -1, last = -1;
        for (qsizetype i = 0; i < format.size(); ++i) {
            const QChar c = format[i];
            if (c == u'#' || c == u'0' || ((c == u',' || c == u'.') && first >= 0)) {
                if (first < 0)
                    first = i;
                last = i;
            }
        }
        m_prefix = format.left(first);
        m_suffix = format.mid(last + 1);
        const QString body = format.mid(first, last - first + 1);
        m_grouping = body.contains(u',');
        const qsizetype dot = body.indexOf(u'.');
        if (dot >= 0)
            for (qsizetype i = dot + 1; i < body.size(); ++i)
                if (body[i] == u'0' || body[i] == u'#')
                    ++m_decimals;
        return;
    }
    m_kind = Kind::Date;
    m_qtDate = toQtDateFormat(format);
    // The program's usual forms are written out directly.
    if (format.size() == 10 && format[2] == format[5] && !format[2].isLetterOrNumber()
        && format.left(2).compare(QLatin1String("dd"), Qt::CaseInsensitive) == 0
        && format.mid(3, 2).compare(QLatin1String("mm"), Qt::CaseInsensitive) == 0
        && format.right(4).compare(QLatin1String("yyyy"), Qt::CaseInsensitive) == 0)
        m_dateSeparator = format[2];
}

QString DisplayFormat::number(
    const Val &v, int decimals, bool grouping, const QString &prefix, const QString &suffix)
{
    QString out;
    out.reserve(prefix.size() + suffix.size() + 24);
    out += prefix;
    if (v.kind() == Val::Real) {
        const double d = v.toReal();
        const QString s = QString::number(std::fabs(d), 'f', decimals);
        const qsizetype dot = s.indexOf(u'.');
        const QString intPart = dot < 0 ? s : s.left(dot);
        const bool negative = d < 0 && s.count(u'0') + (dot < 0 ? 0 : 1) != s.size(); // no "-0.00"
        if (negative)
            out += u'-';
        out += grouping ? db::groupThousands(intPart) : intPart;
        if (dot >= 0)
            out += s.mid(dot);
    } else if (v.kind() == Val::Int) {
        out += db::fixedText(v.toInt(), 0, decimals, grouping);
    } else {
        // Cents stay exact; rounding is half away from zero.
        out += db::fixedText(v.toMoney().cents(), 2, decimals, grouping);
    }
    out += suffix;
    return out;
}

QString DisplayFormat::apply(const Val &v) const
{
    if (v.isNull())
        return {};
    switch (m_kind) {
    case Kind::Default:
        switch (v.kind()) {
        case Val::Money:
            return number(v, 2, true, {}, {});
        case Val::Real: {
            const double d = v.toReal();
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
                return QString::number(std::int64_t(d));
            return number(v, 2, true, {}, {});
        }
        default:
            return v.toString();
        }
    case Kind::Number: {
        Val n = v;
        if (v.kind() == Val::Text && !textAsNumber(v.text(), &n))
            return v.text();
        if (!n.isNumber())
            return v.toString();
        return number(n, m_decimals, m_grouping, m_prefix, m_suffix);
    }
    case Kind::Date: {
        QDate d;
        if (v.kind() == Val::Date)
            d = v.toDate();
        else if (v.kind() == Val::Text)
            d = db::parseDate(v.text().trimmed());
        if (!d.isValid())
            return v.toString();
        if (!m_dateSeparator.isNull() && d.year() >= 1000 && d.year() <= 9999) {
            QString out;
            out.reserve(10);
            const int day = d.day(), month = d.month();
            out += QChar(u'0' + day / 10);
            out += QChar(u'0' + day % 10);
            out += m_dateSeparator;
            out += QChar(u'0' + month / 10);
            out += QChar(u'0' + month % 10);
            out += m_dateSeparator;
            appendDigits(out, std::uint64_t(d.year()), false);
            return out;
        }
        return d.toString(m_qtDate);
    }
    }
    return v.toString();
}

QString formatVal(const Val &v, const QString &format)
{
    return DisplayFormat(format).apply(v);
}

} // namespace report
