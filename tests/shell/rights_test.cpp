#include "shell/fixture.h"

#include "common/globals.h"
#include "common/hooks.h"
#include "shell/frmSecMenus.h"
#include "shell/menurights.h"
#include "support/testengine.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>

namespace {

const QStringList governed {"mnuApp", "mnuCarryFor", "mnuCompany", "mnu_TelDir", "mnuChartOfAC",
    "mnuVocSetting", "mnuSubject", "mnuCourse", "mnuSession", "mnuCashBook", "mnuBankBook", "mnuSimpleLedger",
    "mnuDetLedger", "mnuSubTBSimple", "mnuControlTB", "mnuSubTBWOB", "mnuFee"};
const QStringList topMenus {"mnu_Reg_Form", "mnuMainTrans", "mnuMainRpt"};
const QStringList neverGoverned {"mnuAdmin", "mnuExit", "mnuAddUser", "mnuSetMenu", "mnuRemoveData",
    "mnuMainVouc", "mnuJVVouc", "mnuStuFeeDet", "mnuInctiveStuWiseRPT"};

class MenuRights : public ShellTest {
protected:
    // These start from rights nobody has set yet.
    void SetUp() override
    {
        ShellTest::SetUp();
        exec("Delete From Menus");
    }

    // Saves the nineteen rows with only these captions granted.
    void grant(const QStringList &captions)
    {
        QList<QPair<QString, bool>> rows;
        for (const QString &c : shell::menurights::boxCaptions())
            rows.append({c, captions.contains(c)});
        shell::menurights::save(rows);
    }
    QStringList visible(const QStringList &names)
    {
        QStringList out;
        for (const QString &n : names) {
            if (item(n)->isVisible())
                out << n;
        }
        return out;
    }
};

using NewServer = ShellTest;

TEST_F(NewServer, GrantsEveryItemOfTheRightsWindowSoNoMenuGoesAway)
{
    OpenQuery("Select Menus, Active From Menus Order By rowid");
    QStringList rows;
    for (; !gRs->eof(); gRs->moveNext())
        rows << gRs->fields("Menus").toString() + "=" + gRs->fields("Active").toString();
    QStringList expected;
    for (const QString &caption : shell::menurights::boxCaptions())
        expected << caption + "=1";
    EXPECT_EQ(rows, expected);

    openMain()->close_Menu();
    shell::applyMenuRightsNow();
    for (const QStringList &names : {governed, topMenus, neverGoverned})
        for (const QString &n : names)
            EXPECT_TRUE(item(n)->isVisible()) << n.toStdString();

    // Only a new server is seeded: rights an administrator emptied stay empty.
    exec("Delete From Menus");
    login("sa", saPassword());
    EXPECT_EQ(scalar("Select count(*) From Menus").toInt(), 0);
}

TEST_F(MenuRights, EmptyTableHidesTheThreeTopMenusOnly)
{
    MDIForm1 *w = openMain();
    w->close_Menu();
    shell::applyMenuRightsNow();
    EXPECT_TRUE(w->homePanel()->isVisible());
    EXPECT_EQ(visible(topMenus), QStringList {});
    EXPECT_EQ(visible(neverGoverned), neverGoverned);
    EXPECT_EQ(visible(governed), governed) << "the single items are left as they are";

    // Nineteen rows of "0" take the same branch.
    grant({});
    EXPECT_EQ(scalar("Select count(*) From Menus").toInt(), 19);
    shell::applyMenuRightsNow();
    EXPECT_EQ(visible(topMenus), QStringList {});
}

TEST_F(MenuRights, ARightOfNoMenuItemStillHidesEveryGovernedItem)
{
    openMain();
    grant({"STOCK SUMMARY REPORT"});
    shell::applyMenuRightsNow();
    EXPECT_EQ(visible(governed), QStringList {});
    EXPECT_EQ(visible(topMenus), topMenus);
    EXPECT_EQ(visible(neverGoverned), neverGoverned);
}

TEST_F(MenuRights, CaptionsMatchExactly)
{
    openMain();
    exec("Insert Into Menus (Menus, Active) Values ('company', '0')");
    exec("Insert Into Menus (Menus, Active) Values ('Session ', '0')");
    exec("Insert Into Menus (Menus, Active) Values ('Course', '0')");
    exec("Insert Into Menus (Menus, Active) Values ('CASH BOOK', '1')");
    shell::applyMenuRightsNow();
    EXPECT_TRUE(item("mnuCompany")->isVisible());
    EXPECT_TRUE(item("mnuSession")->isVisible());
    EXPECT_FALSE(item("mnuCourse")->isVisible());
    EXPECT_TRUE(item("mnuCashBook")->isVisible());
}

TEST_F(MenuRights, GrantingAfterANoGrantPassShowsTheTopMenusAgain)
{
    openMain();
    grant({});
    shell::applyMenuRightsNow();
    ASSERT_EQ(visible(topMenus), QStringList {});

    grant({"Company", "CASH BOOK"});
    shell::applyMenuRightsNow();
    EXPECT_EQ(visible(topMenus), topMenus);
    EXPECT_EQ(visible(governed), (QStringList {"mnuCompany", "mnuCashBook"}));

    // Unticking one item later hides it at the next pass; ticking it shows it again.
    grant({"CASH BOOK"});
    shell::applyMenuRightsNow();
    EXPECT_FALSE(item("mnuCompany")->isVisible());
    grant({"CASH BOOK", "Company"});
    shell::applyMenuRightsNow();
    EXPECT_TRUE(item("mnuCompany")->isVisible());
}

TEST_F(MenuRights, NothingHappensWithoutAMainWindowOrWhileClosingDown)
{
    shell::applyMenuRightsNow();
    EXPECT_EQ(main(), nullptr) << "the rights never load the main window";

    MDIForm1 *w = openMain();
    w->close_Menu();
    common::windows::setClosingDown(true);
    ApplyMenuRights();
    common::windows::setClosingDown(false);
    EXPECT_FALSE(w->homePanel()->isVisible());
    EXPECT_TRUE(item("mnu_Reg_Form")->isVisible());
}

class RightsWindow : public MenuRights {
protected:
    frmSecMenus *open()
    {
        openMain();
        return loadWindow<frmSecMenus>(QStringLiteral("frmSecMenus"));
    }
    static QCheckBox *box(QWidget *w, int i)
    {
        return findControl<QCheckBox>(w, QStringLiteral("Check%1").arg(i));
    }
};

TEST_F(RightsWindow, OpenMenusTicksFromTheTableInBold)
{
    exec("Insert Into Menus (Menus, Active) Values ('Company', '1')");
    exec("Insert Into Menus (Menus, Active) Values ('CASH BOOK', '0')");
    exec("Insert Into Menus (Menus, Active) Values ('session', '1')");
    frmSecMenus *w = open();
    EXPECT_EQ(w->windowTitle(), "Menus");
    EXPECT_TRUE(box(w, 3)->isChecked());
    EXPECT_TRUE(box(w, 3)->font().bold());
    EXPECT_FALSE(box(w, 10)->isChecked());
    EXPECT_FALSE(box(w, 9)->isChecked()) << "a caption in another case ticks nothing";
    EXPECT_EQ(box(w, 16)->text(), "SUBSIDIARY TRIAL BALANCE (WITH OPENING)");
    EXPECT_EQ(findControl<QWidget>(w, "Frame1")->findChildren<QCheckBox *>().size(), 9);
    EXPECT_EQ(findControl<QWidget>(w, "Frame2")->findChildren<QCheckBox *>().size(), 10);

    w->showWindow();
    box(w, 10)->click();
    EXPECT_TRUE(box(w, 10)->font().bold());
    box(w, 3)->click();
    EXPECT_FALSE(box(w, 3)->font().bold());
}

TEST_F(RightsWindow, TickedCaptionsShowWhole)
{
    frmSecMenus *w = open();
    w->showWindow();
    for (int i = 1; i <= 19; ++i)
        if (!box(w, i)->isChecked())
            box(w, i)->click();
    QCoreApplication::processEvents();
    const QRect inside = w->rect();
    for (int i = 1; i <= 19; ++i) {
        QCheckBox *b = box(w, i);
        SCOPED_TRACE(b->text().toStdString());
        ASSERT_TRUE(b->font().bold());
        EXPECT_GE(b->width(), b->sizeHint().width());
        EXPECT_TRUE(inside.contains(QRect(b->mapTo(w, QPoint(0, 0)), b->size())));
    }
}

TEST_F(RightsWindow, SaveRewritesNineteenRowsInOrder)
{
    frmSecMenus *w = open();
    w->showWindow();
    box(w, 2)->click();
    box(w, 19)->click();
    clickButton(w, "cmdSave");
    EXPECT_EQ(dialogs().count(), 0);
    OpenQuery("Select Menus, Active From Menus Order By rowid");
    QStringList rows;
    for (; !gRs->eof(); gRs->moveNext())
        rows << gRs->fields("Menus").toString() + "=" + gRs->fields("Active").toString();
    QStringList expected;
    for (int i = 0; i < 19; ++i)
        expected << shell::menurights::boxCaptions()[i] + "=" + (i == 1 || i == 18 ? "1" : "0");
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(w->isVisible()) << "the window stays open";
}

TEST_F(RightsWindow, AFailedSaveKeepsThePreviousRights)
{
    grant({"Company"});
    frmSecMenus *w = open();
    w->showWindow();
    box(w, 5)->click();
    exec("CREATE TRIGGER failing BEFORE INSERT ON Menus WHEN NEW.Menus = 'Session' "
         "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    clickButton(w, "cmdSave");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("disk full")) << dialogs().last().text.toStdString();
    EXPECT_EQ(scalar("Select count(*) From Menus").toInt(), 19);
    EXPECT_EQ(scalar("Select Menus From Menus Where Active = '1'").toString(), "Company");
    EXPECT_FALSE(gConn->inTransaction());
}

TEST_F(RightsWindow, ASaveWhileAnotherCopyHoldsTheDatabaseSaysSoAndKeepsTheRights)
{
    grant({"Company"});
    frmSecMenus *w = open();
    w->showWindow();
    box(w, 5)->click();
    testengine::setLockWait(*gConn, 50); // not the usual five seconds
    db::Connection other;
    other.setProperty("User ID", "sa");
    other.setProperty("Password", saPassword());
    other.setProperty("Data Source", serverPath());
    other.setProperty("Initial Catalog", "ORU");
    other.open();
    {
        db::Transaction holder(other);
        clickButton(w, "cmdSave");
    }
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_EQ(dialogs().last().text, db::BusyError().text());
    EXPECT_EQ(dialogs().last().icon, common::Icon::Exclamation);
    EXPECT_EQ(dialogs().last().title, common::programTitle());
    EXPECT_EQ(scalar("Select Menus From Menus Where Active = '1'").toString(), "Company");
    EXPECT_FALSE(gConn->inTransaction());

    clickButton(w, "cmdSave"); // the other copy is done: saving again works
    EXPECT_EQ(dialogs().count(), 1);
    EXPECT_EQ(column("Select Menus From Menus Where Active = '1' Order By rowid"),
        (QStringList {"Company", "Chart Of Accounts"}));
}

TEST_F(RightsWindow, ExitAppliesTheRightsAndLowersItsFlag)
{
    frmSecMenus *w = open();
    w->showWindow();
    main()->close_Menu();
    gLockSetMenus = true;
    box(w, 1)->click();
    clickButton(w, "cmdSave");
    clickButton(w, "Command1");
    EXPECT_EQ(common::windows::ifLoaded("frmSecMenus"), nullptr);
    EXPECT_FALSE(gLockSetMenus);
    EXPECT_TRUE(main()->homePanel()->isVisible());
    EXPECT_TRUE(item("mnuApp")->isVisible());
    EXPECT_FALSE(item("mnuCompany")->isVisible());
}

} // namespace
