#include "common/format.h"

#include <gtest/gtest.h>

using db::Money;
namespace fmt = common::fmt;

TEST(Formats, MoneyAndDates)
{
    struct Case {
        std::int64_t cents;
        const char *grouped;
        const char *plain;
    };
    const Case cases[] = {
        {123450, "1,234.50", "1234.50"},
        {-123450, "-1,234.50", "-1234.50"},
        {0, "0.00", "0.00"},
        {5, "0.05", "0.05"},
        {-5, "-0.05", "-0.05"},
        {99999, "999.99", "999.99"},
        {100000, "1,000.00", "1000.00"},
        {123456789012, "1,234,567,890.12", "1234567890.12"},
        {INT64_MIN, "-92,233,720,368,547,758.08", "-92233720368547758.08"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(fmt::money(Money::fromCents(c.cents)), QString::fromLatin1(c.grouped)) << c.cents;
        EXPECT_EQ(fmt::plainMoney(Money::fromCents(c.cents)), QString::fromLatin1(c.plain)) << c.cents;
    }
    EXPECT_EQ(fmt::ddmmyyyy(QDate(2009, 8, 3)), QStringLiteral("03-08-2009"));
    EXPECT_EQ(fmt::isoDate(QDate(2009, 8, 3)), QStringLiteral("2009-08-03"));
    EXPECT_EQ(fmt::ddmmyyyy(QDate()), QString());
    EXPECT_EQ(common::twips(1500), 100);
    EXPECT_EQ(common::toTwips(100), 1500);
}
