#include "reports/window_fixture.h"

#include <QCoreApplication>

namespace {

class Printouts : public ReportWindowTest {
protected:
    void SetUp() override
    {
        ReportWindowTest::SetUp();
        postVouchers();
    }
    QStringList figures(const char *needle) { return shownLines().filter(QString::fromLatin1(needle)); }
};

TEST_F(Printouts, LedgersShowTheRunningBalanceAndTheGuardStopsWithoutAnAccount)
{
    menu("mnuDetLedger");
    dates(QDate(2024, 3, 1), QDate(2024, 4, 30));
    press("cmdDetLedger");
    EXPECT_EQ(dialogs().texts(), QStringList {"please select Account"});
    EXPECT_EQ(shown(), nullptr);

    pickAccount(rent, "RENT");
    press("cmdDetLedger");
    ASSERT_EQ(shownReport(), "rptAcLedger");
    const QStringList lines = shownLines();
    EXPECT_TRUE(lines.contains("From :  01/03/2024  To :  30/04/2024")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Account : | 3.1.1 | RENT"));
    EXPECT_TRUE(lines.contains("01-03-2024 | Opening Balance | 100.00")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("05-03-2024 | CP-2 | CASH IN HAND | MARCH RENT | 300.00 | 400.00"));
    EXPECT_TRUE(lines.contains("01-04-2024 | JV-1 | TEA | RECLASS | 40.00 | 360.05"));
    EXPECT_TRUE(lines.contains("Total | 300.05 | 40.00"));
    EXPECT_TRUE(lines.contains("Closing Balance | 360.05"));
}

TEST_F(Printouts, CashBookNeedsItsSetupAccountAndListsTheBookFromItsSide)
{
    menu("mnuCashBook");
    dates(QDate(2024, 3, 5), QDate(2024, 3, 10));
    press("cmdCashBook");
    EXPECT_EQ(dialogs().texts(), QStringList {"Cash Book Account not found!"});
    EXPECT_EQ(shown(), nullptr);

    exec("Insert Into VouSetting (VouStatus, VouNo, AcCode, AcStatus, Fix) Values ('CP', 1, ?, 'CR', 'Y')",
        {cash});
    press("cmdCashBook");
    ASSERT_EQ(shownReport(), "rptAcLedger3") << dialogs().texts().join('\n').toStdString();
    const QStringList lines = shownLines();
    EXPECT_TRUE(lines.contains("Account : | 1.2.1 | CASH IN HAND")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Balance brought forward : | 150.50"));
    EXPECT_TRUE(lines.contains("05-03-2024 | CP-2 | RENT | MARCH RENT | 300.00 | -149.50"));
    EXPECT_TRUE(lines.contains("05-03-2024 | CP-2 | TEA | TEA | 12.35 | -161.85"));
    EXPECT_TRUE(lines.contains("10-03-2024 | CR-1 | FEE INCOME | FEES | 500.10 | 338.25"));
    EXPECT_TRUE(lines.contains("Total | 500.10 | 312.35"));
    EXPECT_TRUE(lines.contains("Closing Balance | 338.25"));
    EXPECT_TRUE(figures("FEB RENT").isEmpty()) << "before the range";
}

TEST_F(Printouts, TrialBalancesAgreeAndSayWhenTheyDoNot)
{
    menu("mnuSubTBWOB");
    dates(QDate(2024, 3, 1), QDate(2024, 3, 31));
    press("cmdTrialOpening");
    ASSERT_EQ(shownReport(), "rptTrialBalance3");
    EXPECT_TRUE(shownLines().contains("From :  01/03/2024   To :  31/03/2024"));
    EXPECT_TRUE(shownLines().contains("Total | 1,250.50 | 1,250.50 | 812.50 | 812.50 | 1,750.60 | 1,750.60"))
        << shownLines().join('\n').toStdString();
    EXPECT_TRUE(figures("differ").isEmpty());

    menu("mnuSubTBSimple");
    dates(QDate(2024, 3, 1), QDate(2024, 3, 31));
    press("cmdTrialBal");
    ASSERT_EQ(shownReport(), "rptTrialBalance");
    EXPECT_TRUE(shownLines().contains("1.2.1 | CASH IN HAND | 500.10 | 312.35 | 187.75"));
    EXPECT_TRUE(shownLines().contains("Total | 812.50 | 812.50 | 500.15 | 500.15"));

    // A one-sided posting: shown, and the difference said.
    exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, CrAmt) "
         "Values (9, 'AR', '2024-03-15', 1, ?, 0, ?)",
        {rent, money("75.25")});
    menu("mnuControlTB");
    dates(QDate(2024, 3, 1), QDate(2024, 3, 31));
    press("cmdTrialControl");
    ASSERT_EQ(shownReport(), "rptTrialBalance2") << dialogs().texts().join('\n').toStdString();
    const QStringList lines = shownLines();
    // A control's balance is the net of its accounts' (cash 187.75 Dr, bank 0.05 Cr).
    EXPECT_TRUE(lines.contains("1 | ASSETS | 500.10 | 312.40 | 187.70 | 0.00"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("3 | EXPENSES | 312.40 | 75.25 | 237.15 | 0.00"));
    EXPECT_TRUE(lines.contains("Total | 812.50 | 887.75 | 424.85 | 500.10"));
    EXPECT_TRUE(lines.contains("Debit and credit balances differ by -75.25"));

    exec("Update Company Set comActive = Null");
    press("cmdTrialControl");
    EXPECT_TRUE(shownLines().filter("ASSETS").isEmpty()) << "no active company, nothing selected";
}

class StudentPrintouts : public ReportWindowTest {
protected:
    void SetUp() override
    {
        ReportWindowTest::SetUp();
        exec("Insert Into tblSession (SessionId, SessionName) Values (4, '2024 SPRING')");
        exec("Insert Into tblCourse (CourseId, CourseName) Values (7, 'CA')");
        exec("Insert Into tblSubject (SubId, CourseId, SubName) Values (71, 7, 'AUDIT'), (72, 7, 'TAX')");
        const std::int64_t ali = addAccount("1.3.1", "ALI", "DD");
        exec("Insert Into tblMasApp (AppID, RegNo, StuName, SessionID, CusCode) Values (1, 'R-1', 'ALI', 4, "
             "?)",
            {ali});
        exec("Insert Into tblDetApp (AppID, SubID, NetAmount, RecAmount, InActive) Values (1, 71, ?, ?, "
             "Null), "
             "(1, 72, ?, 0, '1')",
            {money("5000"), money("1000"), money("3000")});
        exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, CrAmt, SubID) "
             "Values (1, 'FR', '2024-03-01', 1, ?, 0, ?, 71)",
            {ali, money("1500.50")});
    }
};

TEST_F(StudentPrintouts, ActiveAndInactiveDetailsAndTheSessionOutstanding)
{
    menu("mnuStuFeeDet");
    press("cmdStuFeeDet");
    ASSERT_EQ(shownReport(), "rptActStudentWiseDetail");
    QStringList lines = shownLines();
    EXPECT_TRUE(lines.contains("Session : 2024 SPRING | Printed by : sa")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("R-1 | ALI | 5,000.00 | 2,500.50 | 2,499.50"));
    EXPECT_TRUE(lines.filter("3,000.00").isEmpty()) << "the inactive line is not listed";

    c<ui::DataCombo>("DtaCourse")->setBoundText("7");
    c<ui::DataCombo>("DtaSubject")->setBoundText("72");
    menu("mnuInctiveStuWiseRPT");
    // The window keeps the course and subject between items; the subject is cleared by hand.
    EXPECT_EQ(c<ui::DataCombo>("DtaCourse")->boundText(), "7");
    EXPECT_EQ(c<ui::DataCombo>("DtaSubject")->boundText(), "72");
    c<ui::DataCombo>("DtaSubject")->setEditText(QString());
    press("cmdInActiveStuFeeDet");
    ASSERT_EQ(shownReport(), "rptStudentWiseCourse");
    lines = shownLines();
    EXPECT_TRUE(lines.contains("Course : CA")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("R-1 | ALI | 3,000.00 | 0.00 | 3,000.00"));
    EXPECT_TRUE(lines.filter("5,000.00").isEmpty());

    c<ui::DataCombo>("DtaSubject")->setBoundText("72");
    press("cmdInActiveStuFeeDet");
    ASSERT_EQ(shownReport(), "rptStudentWiseSubject");
    EXPECT_TRUE(shownLines().contains("Subject : TAX"));

    menu("mnuFee");
    press("cmdFeeDetail");
    ASSERT_EQ(shownReport(), "rptFeeDetail") << dialogs().texts().join('\n').toStdString();
    lines = shownLines();
    EXPECT_TRUE(lines.contains("R-1 | ALI | 8,000.00 | 2,500.50 | 5,499.50"))
        << lines.join('\n').toStdString();
}

} // namespace
