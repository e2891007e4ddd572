#include "admissions/admission.h"
#include "fees/carryforward_window_fixture.h"
#include "fees/frmCarryForward.h"

namespace {

using common::Answer;

class CarryForward : public CarryForwardWindowTest { };

TEST_F(CarryForward, PicksStudentAndSubjectsSavesAndRewritesTheForm)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(w->windowTitle(), "Carry Forward");
    EXPECT_EQ(c<QLabel>("lblTitle")->text(), "CARRY FORWARD");
    EXPECT_EQ(w->leftTwips(), 1500);
    EXPECT_EQ(c("txtFormID")->text(), "1");
    EXPECT_EQ(c<ui::DataCombo>("cboSession")->text(), "JUL-2023") << "the last session by name";
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(grid()->textMatrix(0, 5), "Forward Amt.");
    EXPECT_EQ(grid()->colWidth(0), 0);

    // Without a student neither the subject picker nor a save goes ahead.
    press("cmdFindsubject");
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList({"please select Student", "please select Student"}));
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(subPicker(), nullptr);
    EXPECT_EQ(focusIn(w), c<QPushButton>("cmdFindApplication"));
    dialogs().clear();

    pickApplication("raza");
    EXPECT_EQ(appPicker(), nullptr);
    EXPECT_EQ(active(), w);
    EXPECT_EQ(gPickAppId, 5);
    EXPECT_EQ(c("txtStudent")->text(), "5");
    EXPECT_EQ(c("txtStuNm")->text(), "ALI RAZA");
    EXPECT_EQ(qobject_cast<fees::frmCarryForward *>(w)->studentAccount(), student);
    EXPECT_EQ(c("txtfathNm")->text(), "RAZA KHAN");
    EXPECT_EQ(c("txtCellNo")->text(), "0300-1234567");
    EXPECT_EQ(c<ui::MaskedEdit>("mskNIC")->text(), "35202-1234567-1");
    EXPECT_EQ(c<ui::DatePicker>("dtpStudent")->date(), QDate(2023, 1, 15));
    EXPECT_EQ(c<ui::DataCombo>("cboMasSession")->text(), "JAN-2023");

    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList({"please enter at least one subject in detail"}));
    dialogs().clear();

    // The subject picker lists only this admission's inactive subjects.
    press("cmdFindsubject");
    ASSERT_TRUE(subPicker());
    EXPECT_EQ(subPicker()->leftTwips(), 3300);
    auto *subjects = findControl<ui::Grid>(subPicker(), "Msh");
    ASSERT_EQ(subjects->rows(), 3);
    EXPECT_EQ(subjects->textMatrix(1, 2), "AUDIT");
    EXPECT_EQ(subjects->textMatrix(2, 2), "TAXATION");
    subPicker()->unload();
    flushDeferred();
    pickSubject("tax");
    EXPECT_EQ(c("txtSubName")->text(), "TAXATION");
    EXPECT_EQ(c("txtCourse")->text(), "CA");
    EXPECT_EQ(c("txtSubId")->text(), "10");
    EXPECT_EQ(gPickSubId, 0);
    EXPECT_EQ(gPickSubName, "");
    EXPECT_EQ(focusIn(w), c("txtNarration"));
    w->findChild<ui::DatePicker *>("dtpForm")->setDate(QDate(2023, 8, 3));
    addLine("2500", "CARRIED A", "JUL-2023", Answer::Yes);
    EXPECT_EQ(dialogs().last().text, "Add more subject in detail");
    EXPECT_EQ(dialogs().last().icon, common::Icon::Question);
    EXPECT_EQ(focusIn(w), c<QPushButton>("cmdFindsubject"));
    EXPECT_EQ(c("txtSubName")->text(), "");

    answerSubject(11, "AUDIT");
    addLine("0");
    EXPECT_EQ(
        gridLines(), QStringList({"10|CA|TAXATION|CARRIED A|JUL-2023|2500|2", "11|CA|AUDIT||JUL-2023|0|2"}));

    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 2) << dialogs().texts().join(", ").toStdString();
    EXPECT_EQ(master(1), "2023-08-03|5");
    EXPECT_EQ(lines(1), QStringList({"10|CARRIED A|2|2500.00|1|2023-08-03|5", "11|-|2|-|1|2023-08-03|5"}));
    const QString posted = id(student) + "|" + id(cash) + "|0.00|";
    EXPECT_EQ(cfRows(1), QStringList({"1|10|2|" + posted + "2500.00|CARRIED A|2023-08-03"}));
    EXPECT_EQ(c("txtFormID")->text(), "1") << "the form stays on screen";
    EXPECT_EQ(listRows(), QStringList({"1|03-08-2023|5|ALI RAZA"}));

    // Changing a line and saving again rewrites the same form.
    doubleClickRow(grid(), 1);
    EXPECT_EQ(c("txtEditRow")->text(), "1");
    EXPECT_EQ(c("txtForAmt")->text(), "2500");
    EXPECT_EQ(c<ui::DataCombo>("cboSession")->text(), "JUL-2023");
    addLine("3000", "CARRIED A");
    press("cmdSave");
    EXPECT_EQ(count("select count(*) from tblMasCarryForw"), 1);
    EXPECT_EQ(lines(1).size(), 2);
    EXPECT_EQ(cfRows(1), QStringList({"1|10|2|" + posted + "3000.00|CARRIED A|2023-08-03"}));

    press("cmdExit");
    flushDeferred();
    EXPECT_EQ(common::windows::ifLoaded("frmCarryForward"), nullptr);
    EXPECT_EQ(gPickAppId, 0);
    EXPECT_EQ(menuRights, 1);
}

TEST_F(CarryForward, LineEntryRefusesWhatCannotBeCarried)
{
    ASSERT_TRUE(open());
    pickApplication("");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"Please select Subject Name "}));
    EXPECT_EQ(focusIn(w), c("txtSubName"));
    dialogs().clear();

    answerSubject(10, "TAXATION");
    chooseSession("cboSession", "JAN-2023");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"this Subject is already in this session "}));
    EXPECT_EQ(focusIn(w), c<ui::DataCombo>("cboSession"));
    dialogs().clear();

    // The amount box takes digits and one point only.
    typeText(c("txtForAmt"), "1 2a.5.3");
    EXPECT_EQ(c("txtForAmt")->text(), "12.53");
    addLine("12.53");
    answerSubject(10, "TAXATION");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().last().text, "This Subject Name is already exitis in detail");
    dialogs().clear();
    answerSubject(11, "AUDIT");
    addLine("5");
    // A line changed to another line's subject is accepted.
    doubleClickRow(grid(), 2);
    answerSubject(10, "TAXATION");
    addLine("6");
    EXPECT_EQ(dialogs().texts(), QStringList({"Add more subject in detail", "Add more subject in detail"}));
    EXPECT_EQ(gridLines(), QStringList({"10|CA|TAXATION||JUL-2023|12.53|2", "10|CA|TAXATION||JUL-2023|6|2"}));

    // "&Delete" removes the current line, the last one leaves the header.
    clickRow(grid(), 1);
    press("cmd_Delete_2");
    EXPECT_EQ(gridLines(), QStringList({"10|CA|TAXATION||JUL-2023|6|2"}));
    press("cmd_Delete_2");
    EXPECT_EQ(grid()->rows(), 1);
    press("cmd_Delete_2");
    EXPECT_EQ(grid()->rows(), 1);

    // A line taken for editing does not outlive the form: after "&NEW" it is added as new.
    answerSubject(11, "AUDIT");
    addLine("1");
    doubleClickRow(grid(), 1);
    press("cmdCancel");
    EXPECT_EQ(c("txtEditRow")->text(), "");
    EXPECT_EQ(grid()->rows(), 1);
    pickApplication("");
    answerSubject(12, "LAW");
    addLine("2");
    EXPECT_EQ(gridLines(), QStringList({"12|CA|LAW||JUL-2023|2|2"}));
    EXPECT_EQ(count("select count(*) from tblMasCarryForw"), 0);
}

TEST_F(CarryForward, SearchOpenAndDeleteForms)
{
    addApplication(6, "O'BRIEN", student, 2);
    exec("insert into tblDetApp (AppID, SubID, InActive) values (6, 12, '1')");
    ASSERT_TRUE(open());
    // "&DELETE" with no student asks nothing.
    press("cmdDelete");
    EXPECT_EQ(dialogs().count(), 0);

    pickApplication("ali");
    answerSubject(10, "TAXATION");
    addLine("100", "ONE");
    answerSubject(11, "AUDIT");
    addLine("");
    press("cmdSave");
    press("cmdCancel");
    EXPECT_EQ(c("txtFormID")->text(), "2");
    EXPECT_EQ(grid()->rows(), 1);
    // "&NEW" keeps the picked student: the next activation shows it again.
    w->activateWindowNow();
    common::windows::show(QStringLiteral("frmFindApp"));
    appPicker()->unload();
    flushDeferred();
    w->activateWindowNow();
    EXPECT_EQ(c("txtStudent")->text(), "5");

    pickApplication("brien");
    EXPECT_EQ(c("txtStuNm")->text(), "O'BRIEN");
    chooseSession("cboMasSession", "JUL-2023");
    answerSubject(12, "LAW");
    addLine("50", "", "JAN-2023");
    press("cmdSave");
    EXPECT_EQ(master(2).section(u'|', 1), "6");

    auto *criteria = c<QComboBox>("cboCriteria");
    EXPECT_EQ(criteria->count(), 4);
    EXPECT_FALSE(c<ui::DatePicker>("DTPicker1")->isVisibleTo(w));
    ui::showTab(c<QTabWidget>("SSTab"), 1);
    typeText(c("txt_s_value"), "o'b");
    EXPECT_EQ(listRows().size(), 1);
    EXPECT_EQ(listRows().value(0).section(u'|', 3), "O'BRIEN");
    criteria->setCurrentText(QStringLiteral("Form ID"));
    c("txt_s_value")->setText(QStringLiteral("x"));
    EXPECT_EQ(list()->rows(), 2) << "no whole number: the empty list";
    EXPECT_EQ(list()->textMatrix(1, 0), "");
    c("txt_s_value")->clear();
    EXPECT_EQ(listRows().size(), 2);
    criteria->setCurrentText(QStringLiteral("Form Date"));
    EXPECT_TRUE(c<ui::DatePicker>("DTPicker1")->isVisibleTo(w));
    c<ui::DatePicker>("DTPicker1")->setDate(QDate(2001, 1, 1));
    EXPECT_EQ(list()->textMatrix(1, 0), "");
    criteria->setCurrentText(QStringLiteral("Student Name"));

    // Opening a form brings its own student and lines, and keeps them.
    openFromList(1);
    EXPECT_EQ(c<QTabWidget>("SSTab")->currentIndex(), 0);
    EXPECT_EQ(c("txtStudent")->text(), "5");
    EXPECT_EQ(c("txtStuNm")->text(), "ALI RAZA");
    EXPECT_EQ(gridLines(), QStringList({"10|CA|TAXATION|ONE|JUL-2023|100.00|2", "11|CA|AUDIT||JUL-2023||2"}));
    EXPECT_EQ(gPickAppId, 5);
    answerSubject(12, "LAW");
    EXPECT_EQ(c("txtStuNm")->text(), "ALI RAZA") << "an activation keeps the opened form's student";

    // Another copy changes the form meanwhile: the save is refused.
    exec("update tblMasCarryForw set FormDate = '2020-01-01' where FormID = 1");
    dialogs().clear();
    press("cmdSave");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("changed by another user"))
        << dialogs().last().text.toStdString();
    EXPECT_EQ(lines(1).size(), 2);

    openFromList(1);
    dialogs().clear();
    dialogs().answer(Answer::Yes);
    press("cmdDelete");
    EXPECT_EQ(dialogs().last().text, "are you sure delete");
    EXPECT_EQ(dialogs().last().icon, common::Icon::Question);
    EXPECT_EQ(master(1), "");
    EXPECT_TRUE(lines(1).isEmpty());
    EXPECT_TRUE(cfRows(1).isEmpty());
    EXPECT_EQ(c("txtStudent")->text(), "");
    EXPECT_EQ(listRows(), QStringList({"2|" + QDate::currentDate().toString("dd-MM-yyyy") + "|6|O'BRIEN"}));
    EXPECT_EQ(cfRows(2).size(), 1);
}

TEST_F(CarryForward, EachWindowOpensTheSubjectPickerInItsOwnMode)
{
    admissions::registerAdmissionWindows();
    ASSERT_TRUE(open());
    pickApplication("raza");
    ASSERT_EQ(gPickAppId, 5);
    common::Window *carry = w;

    // While the carry forward holds its student, the admission window still
    // picks from the course.
    common::Window *admission = common::windows::show(QStringLiteral("frmOruApplication"));
    ASSERT_TRUE(admission);
    clickButton(admission, QStringLiteral("cmdFindsubject"));
    ASSERT_TRUE(subPicker());
    EXPECT_TRUE(findControl<ui::DataCombo>(subPicker(), "DataCboCourse")->isEnabled());
    EXPECT_EQ(::gridLines(findControl<ui::Grid>(subPicker(), "Msh"), {2}),
        QStringList({"AUDIT", "LAW", "TAXATION"}));
    subPicker()->unload();
    flushDeferred();

    // And the carry forward's own picker lists its student's inactive subjects.
    carry->activateWindowNow();
    press("cmdFindsubject");
    ASSERT_TRUE(subPicker());
    EXPECT_FALSE(findControl<ui::DataCombo>(subPicker(), "DataCboCourse")->isEnabled());
    EXPECT_EQ(
        ::gridLines(findControl<ui::Grid>(subPicker(), "Msh"), {2}), QStringList({"AUDIT", "TAXATION"}));
    EXPECT_EQ(gPickAppId, 5);
}

TEST_F(CarryForward, ApplicationPickerListsPicksAndIgnoresTheBlankRow)
{
    addApplication(6, db::Value(), student, 1, "0321-555", "REG-9");
    addApplication(7, "ZAINAB", student, 1, "0300-777");
    ASSERT_TRUE(open());
    press("cmdFindApplication");
    common::Window *p = appPicker();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->windowTitle(), "Find Application");
    EXPECT_EQ(p->leftTwips(), common::toTwips(common::twips(2000)));
    EXPECT_LE(p->frame()->geometry().right(), host()->viewport()->width());
    auto *g = findControl<ui::Grid>(p, "Msh");
    auto *criteria = findControl<QComboBox>(p, "cboCriteria");
    auto *text = findControl<QLineEdit>(p, "txt_s_value");
    const auto ids = [g] {
        QStringList out;
        for (int r = 1; r < g->rows(); ++r)
            out << g->textMatrix(r, 0);
        return out;
    };
    EXPECT_EQ(criteria->currentText(), "Student Name");
    EXPECT_EQ(ids(), QStringList({"7", "5"})) << "newest first; no name, not listed";
    EXPECT_EQ(g->textMatrix(0, 0), "Application ID");
    EXPECT_EQ(g->textMatrix(2, 2), "15-01-2023");
    EXPECT_EQ(g->textMatrix(2, 7), "12000.00");
    criteria->setCurrentText(QStringLiteral("Application ID"));
    EXPECT_EQ(ids(), QStringList({"7", "6", "5"}));
    criteria->setEditText(QStringLiteral("Reg.#"));
    typeText(text, "reg");
    EXPECT_EQ(ids(), QStringList({"6"}));
    criteria->setEditText(QStringLiteral("Cell No."));
    text->setText(QStringLiteral("777"));
    EXPECT_EQ(ids(), QStringList({"7"}));
    text->setText(QStringLiteral("it's"));
    EXPECT_EQ(ids(), QStringList({""})) << "no hit: the header and one blank row";
    doubleClickRow(g, 1);
    flushDeferred();
    EXPECT_EQ(appPicker(), p) << "the blank row is no pick";
    EXPECT_EQ(gPickAppId, 0);

    // Enter on a row picks it.
    text->setText(QStringLiteral("0300"));
    g->setRow(1);
    g->setFocus();
    pressEnter(g);
    flushDeferred();
    EXPECT_EQ(appPicker(), nullptr);
    EXPECT_EQ(gPickAppId, 7);
    EXPECT_EQ(c("txtStuNm")->text(), "ZAINAB");

    // The picker closes with the carry-forward window, handing nothing on.
    press("cmdFindApplication");
    ASSERT_TRUE(appPicker());
    w->unload();
    flushDeferred();
    EXPECT_EQ(appPicker(), nullptr);
    EXPECT_EQ(gPickAppId, 0);
}

} // namespace
