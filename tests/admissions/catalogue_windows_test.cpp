#include "admissions/catalogue_fixture.h"
#include "platform/ui/controls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

class Windows : public CatalogueTest {
protected:
    common::Window *open(const char *name)
    {
        w = common::windows::show(QString::fromLatin1(name));
        EXPECT_TRUE(w);
        return w;
    }
    template <class T = QLineEdit> T *ctl(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    ui::Grid *grid() { return ctl<ui::Grid>("Msh"); }
    QTabWidget *tabs() { return ctl<QTabWidget>("SSTab1"); }
    // Double-clicks the line whose key is `key`, as a user picks a row.
    void pick(const QString &key)
    {
        tabs()->setCurrentIndex(1);
        for (int r = 1; r < grid()->rows(); ++r)
            if (grid()->textMatrix(r, 0) == key) {
                doubleClickRow(grid(), r);
                return;
            }
        FAIL() << "no line " << key.toStdString();
    }
    void search(const char *criterion, const char *text)
    {
        tabs()->setCurrentIndex(1);
        ctl<QComboBox>("cmb_s_cri")->setCurrentText(QString::fromLatin1(criterion));
        ctl("txt_s_value")->clear();
        typeText(ctl("txt_s_value"), QString::fromLatin1(text));
    }

    common::Window *w = nullptr;
};

TEST_F(Windows, SessionsAddChangeSearchAndDelete)
{
    open("frmSession");
    EXPECT_EQ(w->windowTitle(), "SESSION");
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(grid()->rows(), 2) << "an empty list is the header and one blank line";
    EXPECT_EQ(grid()->textMatrix(0, 1), "SESSION NAME");

    // Typing upper-cases; Enter moves on to Save, and Enter there saves.
    typeText(ctl("txtSessionName"), "spring 2009");
    pressEnter(ctl("txtSessionName"));
    EXPECT_EQ(focusIn(w), ctl<QPushButton>("cmdSave"));
    pressEnter(ctl<QPushButton>("cmdSave"));
    typeText(ctl("txtSessionName"), "fall 2009");
    clickButton(w, "cmdSave");
    EXPECT_EQ(column(QStringLiteral("select SessionName from tblSession order by SessionId")),
        QStringList({"SPRING 2009", "FALL 2009"}));
    EXPECT_EQ(gridColumn(grid(), 1), QStringList({"FALL 2009", "SPRING 2009"})) << "newest first";
    EXPECT_TRUE(ctl("txtSessionName")->text().isEmpty());

    // Searching by key digits and by name; a miss leaves one blank line.
    search("Session No", "2");
    EXPECT_EQ(gridColumn(grid(), 0), QStringList({"2"}));
    search("Session Name", "ZZ");
    EXPECT_EQ(grid()->rows(), 2);
    doubleClickRow(grid(), 1);
    EXPECT_TRUE(ctl("txtSessionNo")->text().isEmpty()) << "picking the blank line does nothing";
    search("Session Name", "spring");

    // Picking a row edits it; the save rewrites that row.
    pick(QStringLiteral("1"));
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(grid()->textMatrix(0, 0), "Session No");
    EXPECT_EQ(ctl("txtSessionName")->text(), "SPRING 2009");
    EXPECT_EQ(focusIn(w), ctl("txtSessionName"));
    ctl("txtSessionName")->setText(QStringLiteral("SPRING 2010"));
    clickButton(w, "cmdSave");
    EXPECT_EQ(column(QStringLiteral("select SessionName from tblSession order by SessionId")),
        QStringList({"SPRING 2010", "FALL 2009"}));
    EXPECT_EQ(gridColumn(grid(), 0), QStringList({"2", "1"})) << "every row after a save";
    EXPECT_EQ(grid()->textMatrix(0, 0), "SESSION NO");

    // Delete asks first; No keeps the row, Yes removes it.
    clickButton(w, "cmdDelete");
    EXPECT_EQ(dialogs().count(), 0) << "nothing picked, nothing asked";
    pick(QStringLiteral("2"));
    dialogs().answer(common::Answer::No);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(dialogs().last().text, "Are you sure delete this information");
    EXPECT_EQ(dialogs().last().title, "Confirm");
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblSession")).toInt(), 2);
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdDelete");
    EXPECT_EQ(column(QStringLiteral("select SessionId from tblSession")), QStringList {"1"});
    EXPECT_EQ(gridColumn(grid(), 0), QStringList {"1"});
    EXPECT_TRUE(ctl("txtSessionNo")->text().isEmpty());

    // A session an application names stays, and the user is told why.
    exec(QStringLiteral("insert into tblMasApp (AppID, SessionID) values (1, 1)"));
    pick(QStringLiteral("1"));
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdDelete");
    EXPECT_TRUE(dialogs().last().text.contains("cannot be deleted"));
    EXPECT_EQ(column(QStringLiteral("select SessionId from tblSession")), QStringList {"1"});

    clickButton(w, "cmdExit");
    EXPECT_EQ(common::windows::ifLoaded("frmSession"), nullptr);
    EXPECT_EQ(menuRightsCalls, 1);
}

TEST_F(Windows, CoursesKeepTheUnitAndTheLengthAsTyped)
{
    open("frmCourse");
    EXPECT_FALSE(ctl<QPushButton>("cmdDelete")->isEnabled());
    EXPECT_EQ(ctl<QComboBox>("cmbMYear")->currentText(), "Month");
    typeText(ctl("txtCourseName"), "ca foundation");
    typeText(ctl("txtCourseDurr"), "3 years");
    const int messages = dialogs().count();
    clickButton(w, "cmdSave");
    EXPECT_EQ(dialogs().count(), messages) << "a length that is no number is no error";

    typeText(ctl("txtCourseName"), "ca inter");
    typeText(ctl("txtCourseDurr"), "18");
    ctl<QComboBox>("cmbMYear")->setCurrentText(QStringLiteral("Year"));
    clickButton(w, "cmdSave");
    typeText(ctl("txtCourseName"), "acca");
    clickButton(w, "cmdSave");
    EXPECT_EQ(ctl<QComboBox>("cmbMYear")->currentText(), "Year") << "the unit box keeps its value";
    db::Recordset rs;
    rs.open(QStringLiteral("select * from tblCourse order by CourseId"), conn());
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.fields("CourseName").toString(), "CA FOUNDATION");
    EXPECT_EQ(rs.fields("Coursedurration").toString(), "3 YEARS");
    rs.moveNext();
    EXPECT_EQ(rs.fields("Coursedurration").toString(), "18");
    EXPECT_EQ(rs.fields("MonthYear").toString(), "Year");
    rs.moveNext();
    EXPECT_TRUE(rs.fields("Coursedurration").isNull()) << "an empty box stores Null";

    pick(QStringLiteral("2"));
    EXPECT_EQ(grid()->textMatrix(0, 0), "Course no");
    EXPECT_EQ(ctl("txtCourseDurr")->text(), "18");
    ctl<QComboBox>("cmbMYear")->setCurrentText(QStringLiteral("Month"));
    clickButton(w, "cmdSave");
    EXPECT_EQ(column(QStringLiteral("select MonthYear from tblCourse order by CourseId")),
        QStringList({"Month", "Month", "Year"}));
}

TEST_F(Windows, SubjectsNeedACourseAndAFeeThatIsAnAmount)
{
    open("frmSubject");
    EXPECT_FALSE(ctl<QPushButton>("cmdDelete")->isEnabled());
    typeText(ctl("txtSubName"), "Audit");
    clickButton(w, "cmdSave");
    EXPECT_EQ(dialogs().last().text, "Please Select Cource");
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblSubject")).toInt(), 0);
    clickButton(w, "cmdExit");
    flushDeferred();

    addCourse(1, "CA");
    addCourse(2, "ACCA");
    open("frmSubject");
    auto *course = ctl<ui::DataCombo>("cboCource");
    EXPECT_EQ(course->text(), "ACCA") << "the first course by name is chosen";
    typeText(ctl("txtSubName"), "Audit");
    typeText(ctl("txtTotAmt"), "15oo");
    clickButton(w, "cmdSave");
    EXPECT_TRUE(dialogs().last().text.contains("Total Amount as a number"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblSubject")).toInt(), 0);

    ctl("txtTotAmt")->setText(QStringLiteral("1500.5"));
    clickButton(w, "cmdSave");
    typeText(ctl("txtSubName"), "Tax");
    clickButton(w, "cmdSave");
    EXPECT_EQ(course->text(), "ACCA") << "the next subject goes under the same course";
    db::Recordset rs;
    rs.open(QStringLiteral("select * from tblSubject order by SubId"), conn());
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.fields("SubName").toString(), "Audit") << "the subject name keeps its case";
    EXPECT_EQ(rs.fields("TotAmt").toMoney(), db::Money::fromCents(150050));
    EXPECT_EQ(rs.fields("CourseId").toInt(), 2);
    rs.moveNext();
    EXPECT_TRUE(rs.fields("TotAmt").isNull());

    EXPECT_EQ(gridColumn(grid(), 2), QStringList({"Tax", "Audit"}));
    EXPECT_EQ(gridColumn(grid(), 1), QStringList({"ACCA", "ACCA"}));
    EXPECT_EQ(grid()->colWidth(4), 0);

    course->setBoundText(QStringLiteral("1"));
    pick(QStringLiteral("1"));
    EXPECT_EQ(course->text(), "ACCA");
    EXPECT_EQ(ctl("txtTotAmt")->text(), "1500.50");
    course->setBoundText(QStringLiteral("1"));
    clickButton(w, "cmdSave");
    EXPECT_EQ(
        column(QStringLiteral("select CourseId from tblSubject order by SubId")), QStringList({"1", "2"}));

    // Picking while lookup mode is on closes the window.
    gLookupMode = true;
    pick(QStringLiteral("2"));
    EXPECT_EQ(common::windows::ifLoaded("frmSubject"), nullptr);
    EXPECT_EQ(menuRightsCalls, 2);
}

} // namespace
