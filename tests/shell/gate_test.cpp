#include "shell/fixture.h"
#include "shell/server_setup.h"

#include "common/globals.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

class Gate : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        shell::addLockPassword(serverPath(), QStringLiteral("Key12"));
        registerStub(QStringLiteral("frmRemoveData"));
        openMain();
    }
    common::Window *gate() { return common::windows::ifLoaded(QStringLiteral("frmLocPass")); }
    QLineEdit *box() { return findControl<QLineEdit>(gate(), "txtPassword"); }
    void enter(const QString &text)
    {
        typeText(box(), text);
        pressEnter(box());
    }
};

TEST_F(Gate, EmptyWrongAndInjectedPasswordsOpenNothing)
{
    trigger("mnuSetMenu");
    ASSERT_NE(gate(), nullptr);
    EXPECT_EQ(gate()->windowTitle(), "Password:-");
    clickButton(gate(), "cmdOK");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_EQ(dialogs().last().text, "please enter your password");
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(dialogs().last().title, common::programTitle());
    EXPECT_EQ(focusIn(box()), box());

    for (const char *typed : {"wrong", "'or'1", "' or 1=1 --"}) {
        enter(QLatin1String(typed));
        EXPECT_EQ(dialogs().last().text, "please check your password") << typed;
        EXPECT_EQ(box()->text(), "") << typed;
        EXPECT_EQ(focusIn(box()), box());
    }
    EXPECT_EQ(dialogs().count(), 4);
    EXPECT_EQ(common::windows::ifLoaded("frmSecMenus"), nullptr);
    EXPECT_NE(gate(), nullptr) << "the gate stays for another try";

    typeText(box(), QStringLiteral("abcdefg"));
    EXPECT_EQ(box()->text(), "abcdef") << "at most six characters";
}

TEST_F(Gate, RightPasswordOpensTheTargetOfItsOpener)
{
    trigger("mnuSetMenu");
    EXPECT_EQ(box()->text(), "");
    enter(QStringLiteral("KEY12")); // letter case does not count
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    EXPECT_EQ(gate(), nullptr);
    common::Window *rights = common::windows::ifLoaded(QStringLiteral("frmSecMenus"));
    ASSERT_NE(rights, nullptr);
    EXPECT_TRUE(rights->isVisible());
    EXPECT_EQ(rights->frame()->pos(), at(1000, 600));
}

TEST_F(Gate, CancelLowersTheFlagSoTheNextOpenerGetsItsOwnTarget)
{
    trigger("mnuSetMenu");
    clickButton(gate(), "cmdCancel");
    EXPECT_EQ(gate(), nullptr);
    EXPECT_FALSE(gLockSetMenus);
    EXPECT_TRUE(main()->homePanel()->isVisible());

    trigger("mnuRemoveData");
    EXPECT_TRUE(gLockRemoveData);
    enter(QStringLiteral("Key12"));
    common::Window *removal = common::windows::ifLoaded(QStringLiteral("frmRemoveData"));
    ASSERT_NE(removal, nullptr);
    EXPECT_EQ(removal->frame()->pos(), at(1800, 600));
    EXPECT_EQ(common::windows::ifLoaded("frmSecMenus"), nullptr);
}

TEST_F(Gate, AMenuGateCancelledWhileThePickersGateIsHiddenGoesAway)
{
    gLookupMode = true;
    gLockAccount = true;
    common::windows::show(QStringLiteral("frmLocPass"));
    clickButton(gate(), "cmdCancel");
    ASSERT_NE(gate(), nullptr) << "the picker's gate stays loaded, hidden";

    trigger("mnuSetMenu");
    clickButton(gate(), "cmdCancel");
    EXPECT_EQ(gate(), nullptr);
    EXPECT_FALSE(gLockSetMenus);
    EXPECT_TRUE(main()->homePanel()->isVisible());
}

TEST_F(Gate, CancelInLookupModeOnlyHidesTheGate)
{
    gLookupMode = true;
    gLockAccount = true;
    main()->close_Menu();
    common::windows::show(QStringLiteral("frmLocPass"));
    typeText(box(), QStringLiteral("abc"));
    clickButton(gate(), "cmdCancel");
    ASSERT_NE(gate(), nullptr);
    EXPECT_FALSE(gate()->frame()->isVisible());
    EXPECT_TRUE(gLockAccount);
    EXPECT_FALSE(main()->homePanel()->isVisible());

    // Shown again by the picker: the box starts empty.
    common::windows::show(QStringLiteral("frmLocPass"));
    EXPECT_EQ(box()->text(), "");

    // The chart of accounts is not in this build: the right password opens
    // nothing and the home panel comes back.
    enter(QStringLiteral("Key12"));
    EXPECT_EQ(gate(), nullptr);
    EXPECT_EQ(common::windows::ifLoaded("frmAccount"), nullptr);
    EXPECT_TRUE(main()->homePanel()->isVisible());
}

} // namespace
