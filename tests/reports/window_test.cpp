#include "reports/frmRPTAccounts.h"
#include "reports/window_fixture.h"

#include <QComboBox>

namespace {

const QStringList inputs {"LblFrom", "DTPicker1", "LblTo", "DTPicker2", "lblAC", "txtAcName", "cmdFindAC",
    "Label23", "cboSession", "LblCourseName", "DtaCourse", "LblSubname", "DtaSubject"};
const QStringList frames {"frmCashBook", "frmBankBook", "frmSimpleLedger", "frmDetailLedger",
    "frmSubTBSimple", "frmControlTB", "frmSubTBWOB", "frmFeeDetail", "frmStuFeeDetail",
    "frmInActiveStuFeeDetail"};

TEST_F(ReportWindowTest, EachReportItemShowsItsFrameAndOnlyTheInputsItNeeds)
{
    const QStringList dateRow {"LblFrom", "DTPicker1", "LblTo", "DTPicker2"};
    const QStringList accountRow {"lblAC", "txtAcName", "cmdFindAC"};
    const QStringList sessionRow {"Label23", "cboSession"};
    const QStringList courseRows {"LblCourseName", "DtaCourse", "LblSubname", "DtaSubject"};
    struct Case {
        const char *item, *caption, *frame, *label;
        QStringList shownInputs;
    };
    const Case cases[] = {
        {"mnuCashBook", "CASH BOOK", "frmCashBook", "LblCashBook", dateRow},
        {"mnuBankBook", "BANK BOOK", "frmBankBook", "LblBankBook", dateRow + accountRow},
        {"mnuSimpleLedger", "SIMPLE LEDGER", "frmSimpleLedger", "LblSimpleLedger", dateRow + accountRow},
        {"mnuDetLedger", "DETAIL LEDGER", "frmDetailLedger", "LblDetLedger", dateRow + accountRow},
        {"mnuSubTBSimple", "SUBSIDIARY TRIAL BALANCE SIMPLE", "frmSubTBSimple", "LblSubTrialBalSim", dateRow},
        {"mnuControlTB", "CONTROL TRIAL BALANCE", "frmControlTB", "LblConTrialBal", dateRow},
        {"mnuSubTBWOB", "SUBSIDIARY TRIAL BALANCE (WITH OPENING)", "frmSubTBWOB", "LblSubTrialBalWithOpen",
            dateRow},
        {"mnuFee", "SESSION WISE OUTSTANDING", "frmFeeDetail", "LblSessionWiseOut", sessionRow},
        {"mnuStuFeeDet", "ACTIVE STUDENT WISE DETAIL", "frmStuFeeDetail", "LblStuFeeDet",
            sessionRow + courseRows},
        {"mnuInctiveStuWiseRPT", "INACTIVE STUDENT WISE DETAIL", "frmInActiveStuFeeDetail", "Label1",
            sessionRow + courseRows},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.item);
        menu(k.item);
        EXPECT_EQ(w->windowTitle(), "Accounts Report");
        EXPECT_EQ(c<QLabel>("LblMain")->text(), k.caption);
        EXPECT_EQ(c<QLabel>(k.label)->text(), k.caption);
        for (const QString &f : frames)
            EXPECT_EQ(c(f.toLatin1().constData())->isVisible(), f == QLatin1String(k.frame))
                << f.toStdString();
        for (const QString &i : inputs)
            EXPECT_EQ(c(i.toLatin1().constData())->isVisible(), k.shownInputs.contains(i)) << i.toStdString();
        // The frame and its run button lie inside the window, not cut off.
        QWidget *button = c<QGroupBox>(k.frame)->findChildren<QPushButton *>().value(0);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(w->rect().contains(QRect(button->mapTo(w, QPoint()), button->size())));
    }
}

TEST_F(ReportWindowTest, ListsAreFilledAtLoadAndTheCourseDecidesTheSubjects)
{
    exec("Insert Into tblSession (SessionId, SessionName) Values (3, 'OLD'), (9, 'NEWEST'), (4, 'MIDDLE')");
    exec("Insert Into tblCourse (CourseId, CourseName) Values (7, 'CA'), (8, 'ACCA')");
    exec("Insert Into tblSubject (SubId, CourseId, SubName) Values (71, 7, 'TAX'), (72, 7, 'AUDIT'), (81, 8, "
         "'F1')");
    menu("mnuStuFeeDet");
    auto *session = c<ui::DataCombo>("cboSession");
    EXPECT_EQ(session->boundText(), "9");
    EXPECT_EQ(session->text(), "NEWEST");
    auto *course = c<ui::DataCombo>("DtaCourse");
    auto *subject = c<ui::DataCombo>("DtaSubject");
    EXPECT_EQ(course->count(), 2);
    EXPECT_EQ(subject->count(), 0);
    course->setBoundText(QStringLiteral("7"));
    ASSERT_EQ(subject->count(), 2);
    EXPECT_EQ(subject->itemText(0), "AUDIT");
    subject->setBoundText(QStringLiteral("71"));
    course->setEditText(QString());
    EXPECT_EQ(subject->count(), 0) << "clearing the course empties the subjects";
}

TEST_F(ReportWindowTest, AnEmptySessionTableChoosesNoSession)
{
    menu("mnuFee");
    EXPECT_EQ(c<ui::DataCombo>("cboSession")->boundText(), "");
    press("cmdFeeDetail");
    EXPECT_EQ(dialogs().texts(), QStringList {"Please select Session"});
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(ReportWindowTest, AccountComesFromThePickerOnActivation)
{
    menu("mnuSimpleLedger");
    gFindAcFilter = QStringLiteral("SUB"); // left behind by the voucher setup
    press("cmdFindAC");
    EXPECT_EQ(gFindAcFilter, "") << "the picker lists every subsidiary account";
    common::windows::unload(QStringLiteral("frmFindAC"));
    flushDeferred();
    w->activateWindowNow();
    EXPECT_EQ(c<QLineEdit>("txtAcName")->text(), "") << "no pick, nothing changes";

    pickAccount(rent, "RENT");
    EXPECT_EQ(c<QLineEdit>("txtAcName")->text(), "RENT");
    EXPECT_EQ(qobject_cast<reports::frmRPTAccounts *>(w)->pickedAccount(), rent);
    EXPECT_EQ(gFindAcRowID, 0);
    EXPECT_EQ(gFindAcName, "");
}

} // namespace

namespace {

TEST_F(ReportWindowTest, TheWindowKeepsItsValuesBetweenReportItems)
{
    exec("Insert Into tblSession (SessionId, SessionName) Values (3, 'OLD'), (9, 'NEWEST')");
    menu("mnuBankBook");
    common::Window *first = w;
    pickAccount(hbl, "HBL BANK");
    dates(QDate(2024, 3, 1), QDate(2024, 3, 31));
    c<ui::DataCombo>("cboSession")->setBoundText("3");
    // The home panel stays hidden: no window closed, so no menu rights are applied.
    QWidget *panel = common::windows::get(QStringLiteral("MDIForm1"))->findChild<QWidget *>("Picture1");
    ASSERT_NE(panel, nullptr);

    menu("mnuFee");
    menu("mnuSubTBSimple");
    menu("mnuSimpleLedger");
    EXPECT_EQ(w, first) << "the window was made anew";
    EXPECT_EQ(c<QLineEdit>("txtAcName")->text(), "HBL BANK");
    EXPECT_EQ(qobject_cast<reports::frmRPTAccounts *>(w)->pickedAccount(), hbl);
    EXPECT_EQ(c<ui::DatePicker>("DTPicker1")->date(), QDate(2024, 3, 1));
    EXPECT_EQ(c<ui::DatePicker>("DTPicker2")->date(), QDate(2024, 3, 31));
    EXPECT_EQ(c<ui::DataCombo>("cboSession")->boundText(), "3");
    EXPECT_FALSE(panel->isVisible());
    // The account row comes back after the trial balance hid it, the earlier frames are gone.
    EXPECT_TRUE(c("cmdFindAC")->isVisible());
    EXPECT_TRUE(c("DTPicker1")->isVisible());
    EXPECT_FALSE(c("cboSession")->isVisible());
    for (const char *f : {"frmBankBook", "frmFeeDetail", "frmSubTBSimple"})
        EXPECT_FALSE(c(f)->isVisible()) << f;
    EXPECT_TRUE(c("frmSimpleLedger")->isVisible());

    postVouchers();
    press("cmdLedger");
    EXPECT_EQ(shownReport(), "rptAcLedger") << dialogs().texts().join('\n').toStdString();
}

} // namespace
