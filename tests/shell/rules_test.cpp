#include "shell/shellrules.h"
#include "support/printers.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ServerFile, FirstFieldRules)
{
    struct Case {
        const char *content;
        const char *expected; // nullptr: no server named
    };
    const Case cases[] = {
        {"MYSERVER\r\n", "MYSERVER"},
        {"MYSERVER,1433\r\n", "MYSERVER"},
        {"\"ACCOUNTS, MAIN\",1433\n", "ACCOUNTS, MAIN"},
        {"\"  SPACED NAME  \"", "  SPACED NAME  "},
        {"   \tOFFICE-PC\\SQL\n", "OFFICE-PC\\SQL"},
        {"FIRST\nSECOND\n", "FIRST"},
        {"\xEF\xBB\xBFWITHBOM\r\n", "WITHBOM"},
        {"", nullptr},
        {"   \r\nNEXTLINE", nullptr},
        {",1433", nullptr},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Server.txt"));
    for (const Case &c : cases) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.content);
        f.close();
        const auto got = shell::readServerName(path);
        if (c.expected)
            EXPECT_EQ(got.value_or(QStringLiteral("<none>")), QString::fromUtf8(c.expected)) << c.content;
        else
            EXPECT_FALSE(got.has_value()) << c.content;
    }
    EXPECT_FALSE(shell::readServerName(dir.filePath(QStringLiteral("missing.txt"))).has_value());
}

TEST(Clock, EnglishNamesTwelveHoursTwoBlanksBeforeTheHour)
{
    // Names stay English whatever the user's locale.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QDate day(2026, 12, 9);
    EXPECT_EQ(shell::clockText(QDateTime(day, QTime(9, 30, 41))), "Wednesday, 09-December-2026  09:30:41 AM");
    EXPECT_EQ(shell::clockText(QDateTime(day, QTime(21, 5, 7))), "Wednesday, 09-December-2026  09:05:07 PM");
    EXPECT_EQ(shell::clockText(QDateTime(QDate(2009, 8, 3), QTime(0, 0, 0))),
        "Monday, 03-August-2009  12:00:00 AM");
    EXPECT_EQ(shell::clockText(QDateTime(QDate(2009, 8, 3), QTime(12, 15, 0))),
        "Monday, 03-August-2009  12:15:00 PM");
    QLocale::setDefault(saved);
}

} // namespace
