// The fixed-point writer behind the money formats and the report formats.
#include "platform/db/numbertext.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(NumberText, ScalesRoundsAndGroups)
{
    struct Case {
        std::int64_t units;
        int scale;
        int decimals;
        bool grouping;
        const char *text;
    };
    const Case cases[] = {
        {123450, 2, 2, true, "1,234.50"},
        {123450, 2, 2, false, "1234.50"},
        {123450, 2, 0, true, "1,235"}, // half away from zero
        {-123450, 2, 0, true, "-1,235"},
        {123449, 2, 0, false, "1234"},
        {-45, 2, 1, false, "-0.5"},
        {-4, 2, 1, false, "0.0"}, // rounds to zero: no sign
        {-50, 2, 0, false, "-1"},
        {5, 2, 3, false, "0.050"},
        {1234567, 0, 2, true, "1,234,567.00"},
        {-7, 0, 0, false, "-7"},
        {0, 2, 2, true, "0.00"},
        {INT64_MIN, 2, 2, true, "-92,233,720,368,547,758.08"},
        {INT64_MIN, 2, 0, false, "-92233720368547758"},
        {INT64_MAX, 0, 0, true, "9,223,372,036,854,775,807"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(db::fixedText(c.units, c.scale, c.decimals, c.grouping), QString::fromLatin1(c.text))
            << c.units << " scale " << c.scale << " decimals " << c.decimals;
    EXPECT_EQ(db::moneyText(db::Money::fromCents(-5), true), QStringLiteral("-0.05"));
    EXPECT_EQ(db::groupThousands(u"1234567"), QStringLiteral("1,234,567"));
    EXPECT_EQ(db::groupThousands(u"123"), QStringLiteral("123"));
}
