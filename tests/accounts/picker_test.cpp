#include "accounts/chart.h"
#include "accounts/picker_fixture.h"
#include "platform/ui/treeview.h"
#include "shell/server_setup.h"
#include "shell/shell.h"
#include "support/testengine.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

namespace {

using accounts::frmFindAC;

class PickerTest : public PickerFixture { };

TEST_F(PickerTest, EachFilterAndSearchTextListsExactlyItsAccountsByTitle)
{
    struct Case {
        const char *filter;
        const char *typed;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"", "", {"100% FEE_A/C", "ALI RAZA", "Allied Bank", "CASH IN HAND", "HBL BANK", "ZEE SUPPLIERS"}},
        {"B", "", {"Allied Bank", "HBL BANK"}},
        {"S", "", {"ZEE SUPPLIERS"}},
        {"SUB", "", {"BANKS", "CASH", "STUDENTS"}},
        // The filter compares exactly: anything else lists every subsidiary account.
        {"b", "", {"100% FEE_A/C", "ALI RAZA", "Allied Bank", "CASH IN HAND", "HBL BANK", "ZEE SUPPLIERS"}},
        {"", "bank", {"Allied Bank", "HBL BANK"}},
        {"SUB", "as", {"CASH"}},
        {"B", "cash", {}},
        // Typed wildcards and quotes are plain characters.
        {"", "%", {"100% FEE_A/C"}},
        {"", "E_A", {"100% FEE_A/C"}},
        {"", "_", {"100% FEE_A/C"}},
        {"", "it's", {}},
    };
    Caller *a = showCaller("frmCallerA");
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("filter \"") + c.filter + "\", typed \"" + c.typed + "\"");
        common::windows::unload("frmFindAC");
        flushDeferred();
        a->ask(QString::fromLatin1(c.filter));
        ASSERT_NE(picker(), nullptr);
        typeText(findControl<QLineEdit>(picker(), "txtFindAC"), QString::fromLatin1(c.typed));
        EXPECT_EQ(titles(), c.expected);
        // An empty list is the header and one blank line.
        if (c.expected.isEmpty()) {
            EXPECT_EQ(list()->rows(), 2);
        }
        EXPECT_EQ(list()->textMatrix(0, 1), "Code");
        EXPECT_EQ(list()->textMatrix(0, 2), "Account Title");
        EXPECT_EQ(list()->colWidth(0), 0);
        EXPECT_EQ(list()->colWidth(5), 0);
    }
}

TEST_F(PickerTest, AllAccountsSetsTheFilterAsideAndEveryWayOutRestoresIt)
{
    enum class Out { Untick, ExitButton, CloseBox };
    for (const Out out : {Out::Untick, Out::ExitButton, Out::CloseBox}) {
        SCOPED_TRACE(int(out));
        Caller *b = showCaller("frmCallerB");
        b->ask(QStringLiteral("B"));
        auto *all = findControl<QCheckBox>(picker(), "chkAll");
        EXPECT_FALSE(all->isChecked());
        click(all);
        EXPECT_EQ(gFindAcFilter, "");
        EXPECT_EQ(titles().size(), 6);
        switch (out) {
        case Out::Untick:
            click(all);
            EXPECT_EQ(gFindAcFilter, "B");
            EXPECT_EQ(titles(), QStringList({"Allied Bank", "HBL BANK"}));
            clickButton(picker(), "cmdExit");
            break;
        case Out::ExitButton:
            clickButton(picker(), "cmdExit");
            break;
        case Out::CloseBox:
            picker()->subWindow()->close();
            break;
        }
        flushDeferred();
        EXPECT_EQ(picker(), nullptr);
        EXPECT_EQ(gFindAcFilter, "B");
        // Closing without a pick hands back nothing; the opener is active again.
        EXPECT_EQ(activeWindow(), b);
        EXPECT_EQ(b->field->text(), "");
        EXPECT_EQ(gFindAcRowID, 0);
        common::windows::unload("frmCallerB");
        flushDeferred();
    }
}

// How the opener asks and what happens before the pick.
enum class Ask { ByName, ByFunction };

TEST_F(PickerTest, ThePickGoesToTheOpenerEvenWhenAnotherWindowWasActiveInBetween)
{
    for (const Ask how : {Ask::ByName, Ask::ByFunction}) {
        SCOPED_TRACE(int(how));
        Caller *a = showCaller("frmCallerA");
        if (how == Ask::ByName) {
            a->ask(QString());
        } else {
            accounts::openAccountPicker(a, QString());
        }
        Caller *b = showCaller("frmCallerB");
        EXPECT_EQ(activeWindow(), b);
        // The user clicks into the picker again and searches.
        auto *box = findControl<QLineEdit>(picker(), "txtFindAC");
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_EQ(activeWindow(), picker());
        typeText(box, QStringLiteral("hbl"));
        doubleClickRow(list(), 1);
        flushDeferred();
        EXPECT_EQ(picker(), nullptr);
        EXPECT_EQ(a->field->text(), "HBL BANK");
        EXPECT_EQ(a->tag(), QString::number(hbl));
        EXPECT_EQ(b->field->text(), "");
        EXPECT_EQ(gFindAcRowID, 0);
        EXPECT_EQ(gFindAcName, "");
        EXPECT_EQ(activeWindow(), a);
        common::windows::unloadAll();
        flushDeferred();
    }
}

TEST_F(PickerTest, AWindowShowingTheLoadedPickerBecomesItsOpener)
{
    Caller *a = showCaller("frmCallerA");
    a->ask(QString());
    Caller *b = showCaller("frmCallerB");
    b->ask(QStringLiteral("B"));
    EXPECT_EQ(picker()->opener(), b);
    EXPECT_EQ(titles(), QStringList({"Allied Bank", "HBL BANK"}));
    // The user going to A and back to the picker by clicking it does not change that.
    a->activateWindowNow();
    EXPECT_EQ(gFindAcFilter, "");
    QTest::mouseClick(findControl<QLineEdit>(picker(), "txtFindAC"), Qt::LeftButton);
    EXPECT_EQ(picker()->opener(), b);
    // The list keeps B's request although A cleared the process-wide filter.
    EXPECT_EQ(titles(), QStringList({"Allied Bank", "HBL BANK"}));
    doubleClickRow(list(), 2);
    flushDeferred();
    EXPECT_EQ(b->field->text(), "HBL BANK");
    EXPECT_EQ(a->field->text(), "");
}

// No picker outlives the window that asked: it closes with it, handing
// nothing on, and a window that asks later gets a fresh one.
TEST_F(PickerTest, ThePickerClosesWithItsOpenerAndHandsNothingOn)
{
    Caller *a = showCaller("frmCallerA");
    a->ask(QString());
    Caller *b = showCaller("frmCallerB");
    ASSERT_NE(picker(), nullptr);
    common::windows::unload("frmCallerA");
    flushDeferred();
    EXPECT_EQ(picker(), nullptr);
    EXPECT_EQ(gFindAcRowID, 0);
    EXPECT_EQ(gFindAcName, "");
    b->activateWindowNow();
    EXPECT_EQ(b->field->text(), "");

    // A picker that another window asked of since follows that window only.
    b->ask(QString());
    Caller *c = showCaller("frmCallerA");
    c->ask(QString());
    common::windows::unload("frmCallerB");
    flushDeferred();
    ASSERT_NE(picker(), nullptr);
    const QString first = list()->textMatrix(1, 2);
    doubleClickRow(list(), 1);
    flushDeferred();
    EXPECT_EQ(c->field->text(), first);
}

TEST_F(PickerTest, ArrowKeysLeadFromTheSearchBoxToTheListWhereEnterPicks)
{
    Caller *a = showCaller("frmCallerA");
    a->ask(QStringLiteral("B"));
    EXPECT_NEAR(picker()->leftTwips(), 3500, 15);
    EXPECT_NEAR(picker()->topTwips(), 1800, 15);
    auto *box = findControl<QLineEdit>(picker(), "txtFindAC");
    EXPECT_EQ(focusIn(box), box);
    typeText(box, QStringLiteral("allied"));
    pressKey(box, Qt::Key_Down);
    EXPECT_EQ(focusIn(box), list());
    pressEnter(list());
    flushDeferred();
    EXPECT_EQ(a->field->text(), "Allied Bank");
    EXPECT_EQ(a->tag(), QString::number(allied));
}

TEST_F(PickerTest, PickingTheBlankLineOfAnEmptyListDoesNothing)
{
    Caller *a = showCaller("frmCallerA");
    a->ask(QString());
    typeText(findControl<QLineEdit>(picker(), "txtFindAC"), QStringLiteral("no such account"));
    ASSERT_EQ(list()->rows(), 2);
    doubleClickRow(list(), 1);
    pressEnter(list());
    flushDeferred();
    EXPECT_NE(picker(), nullptr);
    EXPECT_EQ(gFindAcRowID, 0);
    EXPECT_EQ(a->field->text(), "");
}

TEST_F(PickerTest, AddAccountsOpensTheChartInLookupModeAndTheNewAccountCanBePicked)
{
    ORU_NEEDS_PG_LOGINS(); // its lock password is added by the administration tool
    accounts::registerChartWindow();
    shell::registerWindows();
    shell::addLockPassword(serverPath(), QStringLiteral("abc123"));

    Caller *a = showCaller("frmCallerA");
    a->ask(QString());
    clickButton(picker(), "cmdAccounts");
    EXPECT_TRUE(gLockAccount);
    EXPECT_TRUE(gLookupMode);
    common::Window *gate = common::windows::ifLoaded("frmLocPass");
    ASSERT_NE(gate, nullptr);
    EXPECT_NEAR(gate->leftTwips(), 5000, 15);
    EXPECT_NEAR(gate->topTwips(), 3000, 15);
    typeText(findControl<QLineEdit>(gate, "txtPassword"), QStringLiteral("abc123"));
    clickButton(gate, "cmdOK");
    flushDeferred();

    common::Window *chart = common::windows::ifLoaded("frmAccount");
    ASSERT_NE(chart, nullptr);
    EXPECT_TRUE(chart->isMaximizedWindow());
    clickNode(findControl<ui::TreeView>(chart, "lstTree"), QStringLiteral("'1.2'"));
    clickButton(chart, "cmdCreateAc");
    typeText(findControl<QLineEdit>(chart, "txtSubsidiary"), QStringLiteral("PETTY CASH"));
    clickButton(chart, "cmdCreateAc");
    const std::int64_t petty = scalar("Select RowID From Accounts Where AcName = 'PETTY CASH'").toInt();
    ASSERT_GT(petty, 0);
    // In lookup mode the chart's Exit only hides it; the picker is active again and lists the account.
    clickButton(chart, "cmdExit");
    EXPECT_NE(common::windows::ifLoaded("frmAccount"), nullptr);
    EXPECT_EQ(activeWindow(), picker());
    const QStringList listed = titles();
    ASSERT_TRUE(listed.contains("PETTY CASH")) << listed.join(", ").toStdString();
    doubleClickRow(list(), int(listed.indexOf("PETTY CASH")) + 1);
    flushDeferred();
    EXPECT_EQ(a->field->text(), "PETTY CASH");
    EXPECT_EQ(a->tag(), QString::number(petty));
    // Closing the picker ends lookup mode: the chart's Exit now closes it.
    EXPECT_FALSE(gLookupMode);
    EXPECT_FALSE(gLockAccount);
    chart->showWindow();
    clickButton(chart, "cmdExit");
    flushDeferred();
    EXPECT_EQ(common::windows::ifLoaded("frmAccount"), nullptr);
}

} // namespace

namespace {

// Counts the picker's list queries run on the connection.
int g_listQueries = 0;
void countListQueries(const QString &sql)
{
    if (sql.contains(u"From Accounts Where") && sql.contains(u"AcName Like"))
        ++g_listQueries;
}

TEST_F(PickerTest, OpeningFillsTheListOnceAndComingBackFillsItAgain)
{
    conn().setStatementObserver(countListQueries);
    Caller *a = showCaller("frmCallerA");
    for (const Ask how : {Ask::ByName, Ask::ByFunction}) {
        SCOPED_TRACE(int(how));
        g_listQueries = 0;
        if (how == Ask::ByName)
            a->ask(QStringLiteral("B"));
        else
            accounts::openAccountPicker(a, QStringLiteral("B"));
        flushDeferred();
        EXPECT_EQ(g_listQueries, 1);
        EXPECT_EQ(titles(), QStringList({"Allied Bank", "HBL BANK"}));

        // An account added in another window meanwhile is listed on coming back.
        a->activateWindowNow();
        addAccount("1.1.3", "MEEZAN BANK", "DD", "B");
        g_listQueries = 0;
        QTest::mouseClick(findControl<QLineEdit>(picker(), "txtFindAC"), Qt::LeftButton);
        EXPECT_EQ(g_listQueries, 1);
        EXPECT_EQ(titles(), QStringList({"Allied Bank", "HBL BANK", "MEEZAN BANK"}));
        exec("Delete From Accounts Where AcNodes = '1.1.3'");
        common::windows::unload("frmFindAC");
        flushDeferred();
    }
    conn().setStatementObserver({});
}

} // namespace
