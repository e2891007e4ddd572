#include "platform/ui/maskededit.h"
#include "support/gui.h"

#include <gtest/gtest.h>

using ui::MaskedEdit;

TEST(MaskedEdit, TextCarriesDashesAndPromptsUntilComplete)
{
    MaskedEdit tax(QStringLiteral("##-##-####-###-##"));
    tax.show();
    EXPECT_EQ(tax.text(), QStringLiteral("__-__-____-___-__")) << "empty shows the mask";
    EXPECT_FALSE(tax.isComplete());

    tax.setCursorPosition(0);
    typeText(&tax, QStringLiteral("12"));
    EXPECT_EQ(tax.text(), QStringLiteral("12-__-____-___-__"));
    EXPECT_FALSE(tax.isComplete());
    EXPECT_TRUE(tax.text().contains(QLatin1Char('_')));

    typeText(&tax, QStringLiteral("ab34567890123"));
    EXPECT_EQ(tax.text(), QStringLiteral("12-34-5678-901-23")) << "letters are refused";
    EXPECT_TRUE(tax.isComplete());

    // The windows' reset: mask off, text off, mask on.
    tax.setMask(QString());
    tax.setText(QString());
    tax.setMask(QStringLiteral("##-##-####-###-##"));
    EXPECT_EQ(tax.text(), QStringLiteral("__-__-____-___-__"));

    struct Case {
        const char *mask;
        const char *value;
        const char *shown;
        bool complete;
    };
    const Case cases[] = {
        {"##-##-####-###-##", "12-34-5678-901-23", "12-34-5678-901-23", true},
        {"##-##-####-###-##", "1234567890123", "12-34-5678-901-23", true},
        {"#######-#", "1234567-8", "1234567-8", true},
        {"#######-#", "123", "123____-_", false},
        {"#####-#######-#", "35202-1234567-1", "35202-1234567-1", true},
        {"#####-#######-#", "", "_____-_______-_", false},
    };
    for (const Case &c : cases) {
        MaskedEdit box(QString::fromLatin1(c.mask));
        box.setText(QString::fromLatin1(c.value));
        EXPECT_EQ(box.text(), QString::fromLatin1(c.shown)) << c.value;
        EXPECT_EQ(box.isComplete(), c.complete) << c.value;
        box.reset();
        EXPECT_FALSE(box.isComplete());
        EXPECT_EQ(box.mask(), QString::fromLatin1(c.mask));
    }
}
