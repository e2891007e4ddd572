#include "admissions/catalogue_fixture.h"
#include "common/format.h"
#include "platform/ui/controls.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {

// A window that asks for a subject and takes the answer when it is
// activated again, as the admission and carry-forward windows do.
class Caller : public common::Window {
public:
    Caller()
        : common::Window(QStringLiteral("frmCaller"))
    {
        setWindowTitle(QStringLiteral("Caller"));
        resize(300, 100);
    }
    int taken = 0;
    QString subId, subName, courseName, durr;
    db::Money amount = db::Money::fromCents(-100);

protected:
    void formActivate() override
    {
        if (gPickSubId == 0)
            return;
        ++taken;
        subId = QString::number(gPickSubId);
        subName = gPickSubName;
        courseName = gPickCourseName;
        durr = gPickCourseDurr;
        amount = gPickSubAmount;
        gPickSubId = 0;
        gPickSubName.clear();
        gPickCourseName.clear();
        gPickCourseDurr.clear();
        gPickSubAmount = db::Money();
    }
};

class Picker : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        common::windows::registerWindow(QStringLiteral("frmCaller"), [] { return new Caller; });
        addCourse(1, "CA", "3", "Year");
        addCourse(2, "ACCA", "18", "Month");
        addSubject(1, 1, "TAXATION", db::Money::fromCents(250000));
        addSubject(2, 2, "FINANCIAL REPORTING", db::Money::fromCents(300000));
        addSubject(3, 2, "AUDIT", db::Value());
        addSubject(4, 2, "TAX 100%", db::Money::fromCents(100));
        caller = static_cast<Caller *>(common::windows::show(QStringLiteral("frmCaller")));
        ASSERT_TRUE(caller);
    }
    common::Window *openPicker()
    {
        admissions::openSubjectPicker();
        return picker();
    }
    common::Window *picker() { return common::windows::ifLoaded("frmSearchSub"); }
    ui::Grid *list() { return findControl<ui::Grid>(picker(), "Msh"); }
    QLineEdit *find() { return findControl<QLineEdit>(picker(), "txtFind"); }
    ui::DataCombo *course() { return findControl<ui::DataCombo>(picker(), "DataCboCourse"); }
    QStringList names() { return gridColumn(list(), 2); }
    common::Window *active() const
    {
        QMdiSubWindow *sub = host()->currentSubWindow();
        return sub ? qobject_cast<common::Window *>(sub->widget()) : nullptr;
    }

    Caller *caller = nullptr;
};

TEST_F(Picker, ListsTheCoursesSubjectsByNameAndHandsThePickToTheCaller)
{
    ASSERT_TRUE(openPicker());
    EXPECT_EQ(picker()->windowTitle(), "SearchSubjects");
    EXPECT_EQ(picker()->leftTwips(), 3300);
    EXPECT_EQ(picker()->frame()->width(), common::twips(7860));
    EXPECT_TRUE(course()->isEnabled());
    EXPECT_EQ(course()->text(), "ACCA") << "the first course by name";
    EXPECT_EQ(names(), QStringList({"AUDIT", "FINANCIAL REPORTING", "TAX 100%"}));
    EXPECT_EQ(list()->textMatrix(0, 2), "Subject Name");
    EXPECT_EQ(list()->colWidth(0), 0);
    EXPECT_EQ(list()->colWidth(3), 0);
    EXPECT_EQ(list()->colWidth(4), 0);

    typeText(find(), "i");
    EXPECT_EQ(names(), QStringList({"AUDIT", "FINANCIAL REPORTING"}));
    typeText(find(), "n");
    EXPECT_EQ(names(), QStringList({"FINANCIAL REPORTING"}));
    find()->setText(QStringLiteral("%"));
    EXPECT_EQ(names(), QStringList({"TAX 100%"})) << "a typed wildcard is a plain character";
    find()->setText(QStringLiteral("it's"));
    EXPECT_EQ(list()->rows(), 2) << "no hit: the header and one blank line";
    find()->clear();
    course()->setBoundText(QStringLiteral("1"));
    EXPECT_EQ(names(), QStringList({"TAXATION"}));

    // Enter moves on without picking; Down goes to the list, where Enter picks.
    pressEnter(find());
    EXPECT_TRUE(picker());
    EXPECT_EQ(caller->taken, 0);
    find()->setFocus();
    pressKey(find(), Qt::Key_Down);
    ASSERT_EQ(focusIn(list()), list());
    list()->setRow(1);
    pressEnter(list());
    flushDeferred();
    EXPECT_EQ(picker(), nullptr);
    EXPECT_EQ(active(), caller);
    EXPECT_EQ(caller->taken, 1);
    EXPECT_EQ(caller->subId, "1");
    EXPECT_EQ(caller->subName, "TAXATION");
    EXPECT_EQ(caller->courseName, "CA");
    EXPECT_EQ(caller->durr, "3");
    EXPECT_EQ(caller->amount, db::Money::fromCents(250000));
    EXPECT_EQ(gPickSubId, 0) << "the caller reset the answer";

    // A subject without a fee hands back 0; Exit hands back nothing.
    openPicker();
    doubleClickRow(list(), 1);
    flushDeferred();
    EXPECT_EQ(caller->subName, "AUDIT");
    EXPECT_EQ(caller->amount, db::Money());
    gLookupMode = true;
    openPicker();
    clickButton(picker(), "txtExit");
    flushDeferred();
    EXPECT_EQ(picker(), nullptr);
    EXPECT_EQ(caller->taken, 2);
    EXPECT_FALSE(gLookupMode) << "closing the picker ends lookup mode";
    EXPECT_EQ(menuRightsCalls, 0);
}

TEST_F(Picker, ApplicationModeListsOnlyThatApplicationsInactiveSubjects)
{
    exec(QStringLiteral("insert into tblDetApp (AppID, SubID, InActive) values (5, 1, '1'), (5, 2, null), "
                        "(5, 3, '1'), (6, 4, '1')"));
    gPickAppId = 5;
    ASSERT_TRUE(openPicker());
    EXPECT_FALSE(course()->isEnabled());
    EXPECT_EQ(names(), QStringList({"AUDIT", "TAXATION"})) << "across courses, by name";
    typeText(find(), "tax");
    EXPECT_EQ(names(), QStringList({"TAXATION"}));
    doubleClickRow(list(), 1);
    flushDeferred();
    EXPECT_EQ(caller->subId, "1");
    EXPECT_EQ(caller->courseName, "CA");
    EXPECT_EQ(gPickAppId, 5) << "the picker never changes the application";

    gPickAppId = 0;
    openPicker();
    EXPECT_TRUE(course()->isEnabled());
    EXPECT_EQ(names().size(), 3);
}

TEST_F(Picker, AddSubjectOpensTheSubjectWindowWhoseExitOnlyHides)
{
    ASSERT_TRUE(openPicker());
    clickButton(picker(), "cmdSubject");
    auto *subject = common::windows::ifLoaded("frmSubject");
    ASSERT_TRUE(subject);
    EXPECT_TRUE(gSubjectFormFromPicker);
    EXPECT_EQ(active(), subject);
    EXPECT_EQ(subject->leftTwips(), common::toTwips(common::twips(3500)));
    EXPECT_EQ(subject->topTwips(), common::toTwips(common::twips(1900)));
    typeText(findControl<QLineEdit>(subject, "txtSubName"), "BUSINESS LAW");
    typeText(findControl<QLineEdit>(subject, "txtTotAmt"), "900");
    clickButton(subject, "cmdSave");
    clickButton(subject, "cmdExit");
    EXPECT_EQ(common::windows::ifLoaded("frmSubject"), subject) << "only hidden";
    EXPECT_FALSE(subject->frame()->isVisible());
    EXPECT_EQ(menuRightsCalls, 0);
    EXPECT_EQ(active(), picker());
    EXPECT_EQ(names(), QStringList({"AUDIT", "BUSINESS LAW", "FINANCIAL REPORTING", "TAX 100%"}))
        << "the new subject shows once the picker is active again";

    // With the subject window left open, the pick still goes to the caller.
    clickButton(picker(), "cmdSubject");
    auto *fresh = common::windows::ifLoaded("frmSubject");
    ASSERT_TRUE(fresh);
    picker()->activateWindowNow();
    doubleClickRow(list(), 2);
    flushDeferred();
    EXPECT_EQ(active(), caller);
    EXPECT_EQ(caller->subName, "BUSINESS LAW");
    EXPECT_EQ(caller->amount, db::Money::fromCents(90000));

    // Its unload leaves the menu rights alone while the flag is set.
    fresh->unload();
    EXPECT_EQ(menuRightsCalls, 0);
    gSubjectFormFromPicker = false;
    common::windows::show(QStringLiteral("frmSubject"));
    clickButton(common::windows::ifLoaded("frmSubject"), "cmdExit");
    EXPECT_EQ(common::windows::ifLoaded("frmSubject"), nullptr);
    EXPECT_EQ(menuRightsCalls, 1);
}

} // namespace

namespace {

// The picker never outlives the window that opened it, and hands nothing on.
TEST_F(Picker, ClosesWithTheWindowThatOpenedIt)
{
    ASSERT_TRUE(openPicker());
    caller->unload();
    flushDeferred();
    EXPECT_EQ(picker(), nullptr);
    EXPECT_EQ(gPickSubId, 0);
}

} // namespace
