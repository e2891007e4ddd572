#include "platform/ui/controls.h"
#include "platform/ui/keys.h"
#include "support/gui.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using ui::keys;

TEST(KeyPattern, BracketListsAndRanges)
{
    struct Case {
        const char *pattern;
        const char *accepted;
        const char *refused;
    };
    const Case cases[] = {
        // A hyphen between two characters is a range: blank to hyphen here.
        {"[0-9 -- ,]", "0159 !#+-,", "a./:"},
        // " - " is the range from blank to blank: no hyphen.
        {"[0-9 - ,]", "0159 ,", "-!a."},
        {"[0-9 .]", "09 .", ",-a"},
        {"[0-9 ,]", "09 ,", ".-a"},
        {"[0-9 . -]", "09 .-", ",a+"},
        {"[0-9]", "0123456789", " .a-"},
        {"[!0-9]", "a. ", "05"},
        {"[-a]", "-a", "b"},
        {"x", "x", "y"},
    };
    for (const Case &c : cases) {
        for (const char *p = c.accepted; *p; ++p)
            EXPECT_TRUE(ui::matchesPattern(QLatin1Char(*p), QString::fromLatin1(c.pattern)))
                << c.pattern << " '" << *p << "'";
        for (const char *p = c.refused; *p; ++p)
            EXPECT_FALSE(ui::matchesPattern(QLatin1Char(*p), QString::fromLatin1(c.pattern)))
                << c.pattern << " '" << *p << "'";
    }
}

namespace {

// A window of boxes in tab order: txtA, txtHidden, txtC, txtDisabled, txtE.
class KeyWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.setObjectName(QStringLiteral("frmKeys"));
        auto *layout = new QVBoxLayout(&window);
        for (const char *name : {"txtA", "txtHidden", "txtC", "txtDisabled", "txtE"}) {
            auto *box = new QLineEdit;
            box->setObjectName(QString::fromLatin1(name));
            layout->addWidget(box);
        }
        combo = new QComboBox;
        combo->setObjectName(QStringLiteral("cboUsers"));
        combo->setEditable(true);
        layout->addWidget(combo);
        date = new ui::DatePicker;
        date->setObjectName(QStringLiteral("DTPicker"));
        layout->addWidget(date);
        box("txtHidden")->hide();
        box("txtDisabled")->setEnabled(false);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QLineEdit *box(const char *name) { return findControl<QLineEdit>(&window, QString::fromLatin1(name)); }
    QWidget window;
    QComboBox *combo = nullptr;
    ui::DatePicker *date = nullptr;
};

} // namespace

TEST_F(KeyWindow, TypedKeysAreFiltered)
{
    struct Case {
        const char *pattern;
        bool upper;
        bool dropBlanks;
        const char *once;
        const char *typed;
        const char *shown;
    };
    const Case cases[] = {
        {"[0-9 -- ,]", false, false, "", "0300-123 45,x", "0300-123 45,"}, // telephone
        {"[0-9 - ,]", false, false, "", "0300-123 45,x", "0300123 45,"}, // fax
        {"[0-9 .]", false, true, ".", "12.3.4 5a", "12.345"}, // amount: one point, no blank
        {"[0-9 . -]", false, true, ".-", "-1.2-3.4", "-1.234"}, // opening balance
        {"", true, false, "", "abc Def 9", "ABC DEF 9"}, // title
        {"", true, true, "", "my pass word", "MYPASSWORD"}, // password
    };
    for (const Case &c : cases) {
        auto *b = new QLineEdit(&window);
        keys(b)
            .pattern(QString::fromLatin1(c.pattern))
            .upperCase(c.upper)
            .dropBlanks(c.dropBlanks)
            .once(QString::fromLatin1(c.once));
        typeText(b, QString::fromLatin1(c.typed));
        EXPECT_EQ(b->text(), QString::fromLatin1(c.shown)) << c.typed;
        delete b;
    }

    QLineEdit *a = box("txtA");
    keys(a).pattern(QStringLiteral("[0-9]"));
    typeText(a, QStringLiteral("12"));
    pressKey(a, Qt::Key_Backspace);
    EXPECT_EQ(a->text(), QStringLiteral("1")) << "Backspace always passes";
    pressKey(a, Qt::Key_Left);
    typeText(a, QStringLiteral("0"));
    EXPECT_EQ(a->text(), QStringLiteral("01")) << "moving keys pass";
    EXPECT_EQ(&keys(a), &keys(a)) << "one filter per box";
}

TEST_F(KeyWindow, EnterMovesToTheNextFieldThatCanTakeTheFocus)
{
    keys(box("txtA")).enterMovesNext();
    keys(box("txtC")).enterMovesNext();
    keys(box("txtE")).enterMovesNext();
    keys(combo).enterMovesNext();
    box("txtA")->setFocus();
    pressEnter(box("txtA"));
    EXPECT_EQ(focusIn(&window), box("txtC")) << "hidden boxes are passed over";
    pressEnter(box("txtC"));
    EXPECT_EQ(focusIn(&window), box("txtE")) << "disabled boxes are passed over";
    pressEnter(box("txtE"));
    EXPECT_TRUE(combo->isAncestorOf(focusIn(&window)) || focusIn(&window) == combo);
    typeText(combo, QStringLiteral("sa"));
    pressEnter(combo);
    EXPECT_TRUE(date->isAncestorOf(focusIn(&window)) || focusIn(&window) == date)
        << "out of the editable combo";
    EXPECT_EQ(combo->currentText(), QStringLiteral("sa"));
}

TEST_F(KeyWindow, EnterRunsItsHandler)
{
    int ran = 0;
    QLineEdit *a = box("txtA");
    keys(a).onEnter([&] { ++ran; });
    a->setFocus();
    pressEnter(a);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(focusIn(&window), a) << "Enter with a handler only stays";

    // Move on, then run (the voucher number box).
    keys(a).enterMovesNext();
    pressEnter(a);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(focusIn(&window), box("txtC"));

    // A box with no Enter rule gets the key itself.
    int returned = 0;
    QLineEdit *c = box("txtC");
    QObject::connect(c, &QLineEdit::returnPressed, [&] { ++returned; });
    keys(c).upperCase();
    pressEnter(c);
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(focusIn(&window), c);

    // Other keys with handlers (the arrows that move to a list).
    int downs = 0;
    keys(box("txtE")).onKey(Qt::Key_Down, [&] { ++downs; });
    typeText(box("txtE"), QStringLiteral("ab"));
    pressKey(box("txtE"), Qt::Key_Down);
    pressKey(box("txtE"), Qt::Key_Up);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(box("txtE")->text(), QStringLiteral("ab"));

    // The opening balance selects its text when it gets the focus.
    keys(box("txtE")).selectAllOnFocus();
    box("txtA")->setFocus();
    box("txtE")->setFocus();
    EXPECT_EQ(box("txtE")->selectedText(), QStringLiteral("ab"));

    // Enter in the date picker moves on as well.
    keys(date).enterMovesNext();
    date->setFocus();
    pressEnter(date);
    EXPECT_FALSE(date->isAncestorOf(focusIn(&window)) || focusIn(&window) == date);
}
