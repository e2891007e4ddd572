// The application form driven by its controls' names, as a user drives it.
#include "admissions/admission.h"
#include "admissions/application_window_fixture.h"
#include "admissions/catalogue.h"
#include "admissions/frmOruApplication.h"
#include "common/hooks.h"
#include "common/printing.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/maskededit.h"
#include "shell/frmVeiwer.h"
#include "support/testengine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using common::Answer;

namespace {

TEST_F(ApplicationWindow, NewApplicationIsSavedReopenedAndUpdated)
{
    open();
    EXPECT_EQ(c<QLabel>("lblLogin")->text(), "User Name : sa");
    EXPECT_EQ(c<ui::DataCombo>("cboSession")->text(), "2009-2010") << "the session sorting last";
    EXPECT_EQ(c<QComboBox>("cmbAtoZ")->currentText(), "A");
    EXPECT_EQ(c<QDateEdit>("DtpFix")->date(), QDate::currentDate());
    EXPECT_FALSE(c<QDateEdit>("DTPicker1")->isVisible());

    enterStudent();
    EXPECT_EQ(text("txtStuNm"), "ALI RAZA") << "typed upper case";
    ASSERT_EQ(lines()->rows(), 3);
    EXPECT_EQ(
        gridRow(lines(), 1), QStringList({"1", "ACCA", "AUDIT", "1500", "100", "", "1400", "500", "0"}));
    EXPECT_EQ(gridRow(lines(), 2),
        QStringList({"2", "ACCA", "TAXATION", "1200.5", "", "", "1200.5", "200.25", "1"}));
    EXPECT_EQ(text("txtTotAmount"), "2600.5");
    EXPECT_EQ(text("txtReceive"), "700.25");
    EXPECT_EQ(text("txtBalance"), "1900.25");

    const QDate fix(2009, 8, 5);
    c<QDateEdit>("DtpFix")->setDate(fix);
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(text("txtAppId"), "1");
    const std::int64_t account = scalar("select CusCode from tblMasApp where AppID = 1").toInt();
    const auto *form = qobject_cast<frmOruApplication *>(w);
    EXPECT_EQ(form->studentAccount(), account);
    EXPECT_EQ(rows("select StuName, FatherName, CellNo, NIC, SessionID, SectionAtoZ, FixDate, TotAmt, "
                   "CashReceive, User_Name from tblMasApp"),
        QStringList({"ALI RAZA|KHAN|0300-1234567|12345-1234567-1|2|A|2009-08-05|2600.50|700.25|sa"}));
    EXPECT_EQ(rows("select SubID, NetAmount, RecAmount, InActive from tblDetApp order by SubID"),
        QStringList({"1|1400.00|500.00|<null>", "2|1200.50|200.25|1"}));
    EXPECT_EQ(rows("select AcStatus, AcNodes, AcName, Addr, Contact, OpenBal from Accounts where RowID = ?",
                  {db::Value(static_cast<long long>(account))}),
        QStringList({"DD|1.1.1|ALI RAZA|12 MALL ROAD|042111|2600.50"}));
    EXPECT_EQ(
        rows("select VouNo, VouDate, EntryNo, AcCode, DrAmt, CrAmt, CrAc from DetJV where VouStatus = 'AR' "
             "order by EntryNo"),
        QStringList({QStringLiteral("%1|2009-08-05|1|%2|700.25|0.00|%1").arg(account).arg(cashId),
            QStringLiteral("%1|2009-08-05|2|%1|0.00|700.25|%2").arg(account).arg(cashId)}));
    EXPECT_EQ(list()->textMatrix(1, 4), "ALI RAZA") << "the search list follows the save";

    // Reopened from the search list after "&NEW", it shows what was saved.
    press("cmdCancel");
    EXPECT_EQ(text("txtStuNm"), "");
    EXPECT_EQ(form->studentAccount(), 0) << "a new application names no account yet";
    EXPECT_EQ(lines()->rows(), 1);
    EXPECT_EQ(c<QDateEdit>("DtpFix")->date(), fix) << "the fix date stays";
    doubleClickRow(list(), 1);
    EXPECT_EQ(c<QTabWidget>("SSTab1")->currentIndex(), 0);
    EXPECT_EQ(text("txtAppId"), "1");
    EXPECT_EQ(text("txtStuNm"), "ALI RAZA");
    EXPECT_EQ(text("txtfathNm"), "KHAN");
    EXPECT_EQ(form->studentAccount(), account);
    EXPECT_EQ(c<ui::MaskedEdit>("mskNIC")->text(), "12345-1234567-1");
    EXPECT_EQ(c<ui::DataCombo>("cboSession")->boundText(), "2");
    EXPECT_EQ(c<QDateEdit>("DtpFix")->date(), fix);
    ASSERT_EQ(lines()->rows(), 3);
    EXPECT_EQ(gridRow(lines(), 1), QStringList({"1", "ACCA", "AUDIT", "1500", "100", "", "1400", "500", ""}));
    EXPECT_EQ(text("txtTotAmount"), "2600.5");
    EXPECT_EQ(text("txtBalance"), "1900.25");

    // Changing a line and saving again updates the same rows.
    lines()->setRow(2);
    doubleClickRow(lines(), 2);
    EXPECT_EQ(text("txtEditRow"), "2");
    EXPECT_TRUE(c<QCheckBox>("ChkInactive")->isChecked());
    retype("txtRecAmt", "1000");
    press("cmd_ADD_1");
    EXPECT_EQ(text("txtReceive"), "1500");
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 1);
    EXPECT_EQ(scalar("select count(*) from tblDetApp").toInt(), 2);
    EXPECT_EQ(scalar("select count(*) from Accounts where ParentID = '1.1'").toInt(), 1);
    EXPECT_EQ(rows("select DrAmt, CrAmt from DetJV where VouStatus = 'AR' order by EntryNo"),
        QStringList({"1500.00|0.00", "0.00|1500.00"}));

    // A second student under the same name is refused.
    press("cmdCancel");
    enterStudent("ALIRAZA");
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList({"this Student is already exitis!"}));
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(focusIn(w), c("txtStuNm"));
    EXPECT_EQ(text("txtAppId"), "");
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 1);
}

TEST_F(ApplicationWindow, LineEntryRules)
{
    open();
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"Please select Subject Name "}));

    // A subject without a fee cannot be added.
    dialogs().clear();
    pick("LAW");
    EXPECT_EQ(text("txt_rate"), "0");
    EXPECT_EQ(focusIn(w), c("txtDiscount"));
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"please enter Amount "}));
    EXPECT_EQ(lines()->rows(), 1);

    // Discount: digits and one point; above the amount it is emptied.
    dialogs().clear();
    pick("AUDIT");
    typeText(c("txtDiscount"), "1a 2..5");
    EXPECT_EQ(text("txtDiscount"), "12.5");
    // The letter and the second point are refused aloud.
    QCoreApplication::processEvents();
    const QString refused = QStringLiteral(
        "Please enter an amount of at most 999999999999.99 (digits, one point, at most two decimals).");
    EXPECT_EQ(dialogs().texts(), QStringList({refused, refused}));
    dialogs().clear();
    EXPECT_EQ(text("txtNetAmt"), "1487.5");
    retype("txtDiscount", "2000");
    EXPECT_EQ(text("txtDiscount"), "");
    EXPECT_EQ(text("txtNetAmt"), "1500");
    typeText(c("txtDiscount"), "500");
    pressEnter(c("txtDiscount"));
    EXPECT_EQ(focusIn(w), c("txtNarration"));
    typeText(c("txtNarration"), "first");
    EXPECT_EQ(text("txtNarration"), "FIRST");
    pressEnter(c("txtNarration"));
    EXPECT_EQ(focusIn(w), c("txtRecAmt"));
    // Received: above the net amount it is emptied, equal to it stays.
    typeText(c("txtRecAmt"), "1001");
    EXPECT_EQ(text("txtRecAmt"), "");
    typeText(c("txtRecAmt"), "1000");
    EXPECT_EQ(text("txtRecAmt"), "1000");
    pressEnter(c("txtRecAmt"));
    EXPECT_EQ(focusIn(w), c<QPushButton>("cmd_ADD_1"));
    press("cmd_ADD_1");
    EXPECT_EQ(text("txtReceive"), "1000");
    EXPECT_EQ(text("txtSubId"), "");

    // The same subject again is refused; a second one is added.
    pick("AUDIT");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"This Subject Name is already exitis in detail"}));
    EXPECT_EQ(lines()->rows(), 2);
    addLine("TAXATION", "", "");
    ASSERT_EQ(lines()->rows(), 3);
    EXPECT_EQ(text("txtTotAmount"), "2200.5");

    // "&Delete" removes the highlighted line, then the last one.
    lines()->setRow(1);
    press("cmd_Delete_2");
    ASSERT_EQ(lines()->rows(), 2);
    EXPECT_EQ(lines()->textMatrix(1, 2), "TAXATION");
    EXPECT_EQ(text("txtTotAmount"), "1200.5");
    press("cmd_Delete_2");
    EXPECT_EQ(lines()->rows(), 1);
    EXPECT_EQ(text("txtTotAmount"), "0");

    // Saving checks in order.
    dialogs().clear();
    press("cmdSave");
    typeText(c("txtStuNm"), "sara");
    press("cmdSave");
    typeText(c("txtCellNo"), "0300");
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"Please enter Student Name", "Please enter Cell No", "Please enter subject in detail"}));
    EXPECT_EQ(focusIn(w), c<QPushButton>("cmdFindsubject"));

    // Saved with the identity number left empty: Null, not the mask's picture.
    dialogs().clear();
    addLine("AUDIT", "", "");
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(rows("select StuName, NIC, RegFee, CashReceive from tblMasApp"),
        QStringList({"SARA|<null>|<null>|0.00"}));
    EXPECT_EQ(scalar("select count(*) from DetJV").toInt(), 0) << "nothing received, no receipt";
}

TEST_F(ApplicationWindow, ALineNeverReceivesMoreThanItsNetAmount)
{
    open();
    // Received typed up to the fee, then a discount: the net falls below it.
    pick("TAXATION");
    typeText(c("txtRecAmt"), "1200.5");
    typeText(c("txtDiscount"), "200");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"Received Amount is greater than Net Amount"}));
    EXPECT_EQ(focusIn(w), c("txtRecAmt"));
    EXPECT_EQ(lines()->rows(), 1);
    retype("txtRecAmt", "1000.5");
    press("cmd_ADD_1");
    ASSERT_EQ(lines()->rows(), 2);
    EXPECT_EQ(gridRow(lines(), 1).mid(3, 5), QStringList({"1200.5", "200", "", "1000.5", "1000.5"}));

    // A pick while a line is being changed keeps the discount in the net.
    doubleClickRow(lines(), 1);
    ASSERT_EQ(text("txtEditRow"), "1");
    pick("AUDIT");
    EXPECT_EQ(text("txtDiscount"), "200");
    EXPECT_EQ(text("txtNetAmt"), "1300");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().count(), 1) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(gridRow(lines(), 1).mid(2, 6), QStringList({"AUDIT", "1500", "200", "", "1300", "1000.5"}));
    EXPECT_EQ(text("txtTotAmount"), "1300");

    // A changed line may keep its own subject, not take another line's.
    dialogs().clear();
    addLine("TAXATION", "", "");
    ASSERT_EQ(lines()->rows(), 3);
    doubleClickRow(lines(), 2);
    pick("AUDIT");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().texts(), QStringList({"This Subject Name is already exitis in detail"}));
    EXPECT_EQ(lines()->textMatrix(2, 2), "TAXATION");
    dialogs().clear();
    doubleClickRow(lines(), 1);
    pick("AUDIT");
    retype("txtRecAmt", "1300");
    press("cmd_ADD_1");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(lines()->textMatrix(1, 7), "1300");
    EXPECT_EQ(lines()->rows(), 3);
}

TEST_F(ApplicationWindow, EnterClicksTheFocusedButton)
{
    open();
    c<QPushButton>("cmdFindsubject")->setFocus();
    QTest::keyClick(c<QPushButton>("cmdFindsubject"), Qt::Key_Return);
    EXPECT_NE(common::windows::ifLoaded("frmSearchSub"), nullptr);
    common::windows::unload("frmSearchSub");
    flushDeferred();

    pick("AUDIT");
    typeText(c("txtRecAmt"), "100");
    pressEnter(c("txtRecAmt"));
    ASSERT_EQ(focusIn(w), c<QPushButton>("cmd_ADD_1"));
    QTest::keyClick(c<QPushButton>("cmd_ADD_1"), Qt::Key_Return);
    EXPECT_EQ(lines()->rows(), 2);
    EXPECT_EQ(text("txtReceive"), "100");
}

TEST_F(ApplicationWindow, TheAddressFitsTheStudentsAccountAndASessionIsNeeded)
{
    open();
    EXPECT_EQ(c("txtMailAdd")->maxLength(), 100) << "the account's Addr column";
    enterStudent();
    typeText(c("txtMailAdd"), QString(150, u'x'));
    EXPECT_EQ(text("txtMailAdd").size(), 100);
    c<ui::DataCombo>("cboSession")->setBoundText("");
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList({"Please select Session Name"}));
    EXPECT_EQ(focusIn(w), c<ui::DataCombo>("cboSession"));
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 0);
    c<ui::DataCombo>("cboSession")->setBoundText("1");
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();
    EXPECT_EQ(rows("select a.Addr = m.MailAdd, length(a.Addr), m.SessionID from tblMasApp m "
                   "join Accounts a on a.RowID = m.CusCode"),
        QStringList({"1|100|1"}));
}

TEST_F(ApplicationWindow, WithoutAnySessionTheSaveSaysToCreateOne)
{
    exec("delete from tblSession");
    open();
    enterStudent();
    press("cmdSave");
    EXPECT_EQ(
        dialogs().texts(), QStringList({"Please create a Session first (Session window), then select it"}));
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 0);
}

TEST_F(ApplicationWindow, DeleteRefusedWhileStudentHasVouchersOtherwiseRemovesAll)
{
    open();
    enterStudent();
    press("cmdSave");
    ASSERT_EQ(text("txtAppId"), "1");
    const db::Value account = scalar("select CusCode from tblMasApp");
    exec("insert into DetJV (VouNo, VouStatus, AcCode, CrAmt) values (1, 'FR', ?, ?)",
        {account, db::Money::fromCents(100)});

    press("cmdDelete");
    EXPECT_EQ(dialogs().texts(), QStringList({"this Account use in vouceher detail"}));
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 1);

    exec("delete from DetJV where VouStatus = 'FR'");
    dialogs().clear();
    dialogs().answer(Answer::No);
    press("cmdDelete");
    EXPECT_EQ(dialogs().texts(), QStringList({"Are you sure Delete this Application"}));
    EXPECT_EQ(dialogs().last().buttons, common::Buttons::YesNo);
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 1);

    dialogs().answer(Answer::Yes);
    press("cmdDelete");
    EXPECT_EQ(scalar("select count(*) from tblMasApp").toInt(), 0);
    EXPECT_EQ(scalar("select count(*) from tblDetApp").toInt(), 0);
    EXPECT_TRUE(scalar("select RowID from Accounts where RowID = ?", {account}).isNull());
    EXPECT_EQ(scalar("select count(*) from DetJV").toInt(), 0);
    EXPECT_EQ(text("txtAppId"), "");
    EXPECT_EQ(lines()->rows(), 1);
    EXPECT_EQ(list()->rows(), 2);
    EXPECT_EQ(list()->textMatrix(1, 0), "") << "an empty list keeps one blank row";
}

TEST_F(ApplicationWindow, FailureDuringSaveLeavesNothingBehind)
{
    open();
    enterStudent();
    const QStringList before = snapshot();
    schemaStep(testengine::failingTrigger("fail_account", "before insert", "Accounts", "", "disk full"));
    press("cmdSave");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("disk full"));
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(text("txtAppId"), "") << "the window still holds a new application";
    EXPECT_EQ(lines()->rows(), 3);

    schemaStep(testengine::dropTrigger("fail_account", "Accounts"));
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0);
    EXPECT_EQ(text("txtAppId"), "1");
}

TEST_F(ApplicationWindow, SearchAndPrintouts)
{
    open();
    enterStudent();
    press("cmdSave");
    press("cmdCancel");
    enterStudent("sara o'neil");
    press("cmdSave");
    ASSERT_EQ(dialogs().count(), 0) << dialogs().texts().join("; ").toStdString();

    // The application printout, for the application on screen.
    press("cmdPrint");
    report::CRViewer91 *viewer = common::viewerControl();
    ASSERT_NE(viewer, nullptr);
    ASSERT_NE(viewer->reportSource(), nullptr);
    EXPECT_TRUE(viewer->reportSource()->fileName().endsWith("rptApplication.rpt"));
    const QStringList page = viewer->document()->allLines();
    EXPECT_TRUE(page.contains("Student's Name : | SARA O'NEIL")) << page.join("\n").toStdString();
    EXPECT_TRUE(page.contains("ACCA | AUDIT | 1,500.00 | 100.00 | 1,400.00 | 500.00"))
        << page.join("\n").toStdString();
    EXPECT_FALSE(page.join("\n").contains("ALI RAZA"));

    press("cmdCancel");
    dialogs().clear();
    press("cmdPrint");
    EXPECT_EQ(dialogs().texts(), QStringList({"Please select Student"}));

    // The search tab: the list follows the value; its printout the criterion.
    ui::showTab(c<QTabWidget>("SSTab1"), 1);
    EXPECT_EQ(list()->textMatrix(1, 4), "SARA O'NEIL") << "newest first";
    EXPECT_EQ(list()->textMatrix(0, 0), "Application ID");
    typeText(c("txt_s_value"), "o'n");
    ASSERT_EQ(list()->rows(), 2);
    EXPECT_EQ(list()->textMatrix(1, 0), "2");
    clickButton(w, "cmdPrintStuRecord");
    const QString detail = viewer->document()->allLines().join("\n");
    EXPECT_TRUE(viewer->reportSource()->fileName().endsWith("rptAdmissionDetail.rpt"));
    EXPECT_TRUE(detail.contains("SARA O'NEIL")) << detail.toStdString();
    EXPECT_FALSE(detail.contains("ALI RAZA"));

    c<QComboBox>("cmb_s_cri")->setCurrentText("Date");
    EXPECT_TRUE(c<QDateEdit>("DTPicker1")->isVisible());
    c<QDateEdit>("DTPicker1")->setDate(QDate(2001, 1, 1));
    EXPECT_EQ(list()->textMatrix(1, 0), "");
    c<QDateEdit>("DTPicker1")->setDate(QDate::currentDate());
    EXPECT_EQ(list()->rows(), 3);

    ui::showTab(c<QTabWidget>("SSTab1"), 0);
    press("cmdExit");
    flushDeferred();
    EXPECT_EQ(common::windows::ifLoaded("frmOruApplication"), nullptr);
    EXPECT_EQ(menuRights, 1);
}

} // namespace

namespace {

TEST_F(ApplicationWindow, PrintingAnApplicationNoLongerSavedSaysSo)
{
    open();
    enterStudent();
    press("cmdSave");
    ASSERT_EQ(text("txtAppId"), "1");
    // Another copy removes it meanwhile.
    exec("Delete From tblDetApp");
    exec("Delete From tblMasApp");
    dialogs().clear();
    press("cmdPrint");
    EXPECT_EQ(dialogs().texts(), QStringList {"Application not found!"});
    report::CRViewer91 *viewer = common::viewerControl();
    EXPECT_TRUE(!viewer || !viewer->reportSource());
}

} // namespace
