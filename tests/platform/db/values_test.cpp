// Money, values, dates and Like patterns without a database.
#include "platform/db/fixture.h"

#include <functional>

using db::Money;
using db::Value;

TEST(Money, ParseRoundsHalfAwayFromZero)
{
    struct Case {
        const char *text;
        std::int64_t cents;
    };
    const Case cases[] = {
        {"1.005", 101},
        {"2.675", 268},
        {"-2.675", -268},
        {"1.004", 100},
        {"1.0049999", 100},
        {"0.125", 13},
        {"-0.125", -13},
        {"0.995", 100},
        {"1,234.505", 123451},
        {"12,345,678", 1234567800},
        {" 12 ", 1200},
        {"12.", 1200},
        {".5", 50},
        {"-0.004", 0},
        {"+3.10", 310},
        {"1234567890123.45", 123456789012345},
        {"0", 0},
        {"00012.30", 1230},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Money::parse(QString::fromLatin1(c.text)).cents(), c.cents) << c.text;
}

TEST(Money, ParseRefusesJunk)
{
    for (const char *junk : {"", " ", "abc", "1.2.3", "12a", "1,,000", ",5", "1,", "--1", "1e5x", "12,5",
             "1,0.5", "1234,567", "1,23,456"}) {
        Money m;
        EXPECT_FALSE(Money::tryParse(QString::fromLatin1(junk), &m)) << junk;
    }
    EXPECT_THROW(Money::parse(u"x1"), db::Error);
}

TEST(Money, FromDoubleAndText)
{
    EXPECT_EQ(Money::fromDouble(1.005).cents(), 101); // the decimal it was written as, not 1.00499...
    EXPECT_EQ(Money::fromDouble(2.675).cents(), 268);
    EXPECT_EQ(Money::fromDouble(-150.5).cents(), -15050);
    EXPECT_EQ(Money::fromDouble(0.1 + 0.2).cents(), 30);
    EXPECT_EQ(Money::fromCents(123450).toString(), QStringLiteral("1234.50"));
    EXPECT_EQ(Money::fromCents(-5).toString(), QStringLiteral("-0.05"));
    EXPECT_EQ(Money::fromCents(0).toString(), QStringLiteral("0.00"));
    EXPECT_EQ(Money::fromCents(std::numeric_limits<std::int64_t>::min()).toString(),
        QStringLiteral("-92233720368547758.08"));
}

TEST(Money, SumsAndDifferencesRefuseToWrapAtTheLimits)
{
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    const auto c = [](std::int64_t cents) { return Money::fromCents(cents); };
    // Up to the limit every sum is exact.
    EXPECT_EQ((c(max - 1) + c(1)).cents(), max);
    EXPECT_EQ((c(min + 1) - c(1)).cents(), min);
    EXPECT_EQ((c(max) + c(min)).cents(), -1);
    EXPECT_EQ((-c(max)).cents(), -max);
    const struct {
        const char *what;
        std::function<Money()> f;
    } past[] = {
        {"max + 0.01", [&] { return c(max) + c(1); }},
        {"min - 0.01", [&] { return c(min) - c(1); }},
        {"max - min", [&] { return c(max) - c(min); }},
        {"-min", [&] { return -c(min); }},
        {"two halves and a cent", [&] { return c(max / 2 + 1) + c(max / 2 + 1); }},
    };
    for (const auto &p : past)
        EXPECT_THROW(p.f(), db::OverflowError) << p.what;
    // A refused += keeps what the sum held.
    Money sum = c(max);
    EXPECT_THROW(sum += c(1), db::OverflowError);
    EXPECT_EQ(sum.cents(), max);
    try {
        sum -= c(min);
    } catch (const db::OverflowError &e) {
        EXPECT_EQ(e.text(), "The total is too large for an amount.");
    }
}

TEST(Values, NullDistinctFromEmptyText)
{
    EXPECT_TRUE(Value().isNull());
    EXPECT_FALSE(Value(QString()).isNull());
    EXPECT_EQ(Value(QString()).type(), db::Type::Text);
    EXPECT_NE(Value(), Value(""));
    EXPECT_TRUE(Value(QDate()).isNull());
    EXPECT_EQ(Value().toString(), QString());
    EXPECT_EQ(Value().toInt(), 0);
}

TEST(Values, Conversions)
{
    EXPECT_EQ(Value("12").toInt(), 12);
    EXPECT_EQ(Value(12.5).toString(), QStringLiteral("12.5"));
    EXPECT_EQ(Value(3.0).toString(), QStringLiteral("3"));
    EXPECT_EQ(Value(Money::fromCents(1250)).toString(), QStringLiteral("12.50"));
    EXPECT_EQ(Value(QDate(2009, 8, 3)).toString(), QStringLiteral("2009-08-03"));
    EXPECT_EQ(Value("1.005").toMoney().cents(), 101);
    EXPECT_EQ(Value(7).toMoney().cents(), 700);
    EXPECT_THROW(Value("12x").toInt(), db::Error);
    EXPECT_EQ(Value("03/08/2009").toDate(), QDate(2009, 8, 3));
}

TEST(Dates, EveryFormAWindowHandsOver)
{
    const QDate want(2009, 8, 3);
    EXPECT_EQ(db::parseDate(u"2009-08-03"), want);
    EXPECT_EQ(db::parseDate(u"03/08/2009"), want); // day first
    EXPECT_EQ(db::parseDate(u"03-08-2009"), want);
    EXPECT_EQ(db::parseDate(u"3/8/2009"), want);
    EXPECT_EQ(db::parseDate(u" 2009-08-03 00:00:00"), want);
    EXPECT_EQ(db::parseDate(u"2009/08/03"), want);
    EXPECT_FALSE(db::parseDate(u"31/02/2009").isValid());
    EXPECT_FALSE(db::parseDate(u"2009-13-01").isValid());
    EXPECT_FALSE(db::parseDate(u"03/08-2009").isValid());
    EXPECT_FALSE(db::parseDate(u"tomorrow").isValid());
    EXPECT_FALSE(db::parseDate(u"").isValid());
}

TEST(Like, EscapesWildcards)
{
    EXPECT_EQ(db::likeContains(QStringLiteral("50%_a\\b")), QStringLiteral("%50\\%\\_a\\\\b%"));
    EXPECT_EQ(db::likeContains(QStringLiteral("O'Brien")), QStringLiteral("%O'Brien%"));
}
