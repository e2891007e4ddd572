// The fee receipt window with a second copy of the program on the same server.
#include "fees/feereceipt_rules.h"

#include "fees/window_fixture.h"

namespace {

class FeeTwoCopies : public FeeWindowTest {
protected:
    void SetUp() override
    {
        FeeWindowTest::SetUp();
        other = otherCopy();
    }
    int theySave(std::int64_t student, std::int64_t subject, const char *amount)
    {
        fees::Receipt r;
        r.date = QDate(2024, 3, 5);
        books::Line l;
        l.debit = cash;
        l.credit = student;
        l.subId = subject;
        l.amount = db::Money::parse(QString::fromLatin1(amount));
        r.lines.push_back(l);
        return fees::saveReceipt(*other, r, QStringLiteral("OTHER"));
    }
    // A window that comes to the front over this one and goes again.
    void coverAndUncover()
    {
        press("cmdSelectCr");
        common::windows::unload(QStringLiteral("frmFindAC"));
        flushDeferred();
        w->activateWindowNow();
    }

    std::unique_ptr<db::Connection> other;
};

TEST_F(FeeTwoCopies, AReceiptOpenedByItsNumberIsReplacedAndUnsavedLinesSurviveANumberNotFound)
{
    open();
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    addLine("100");
    // The proposed number is not saved yet: the line typed stays.
    pressEnter(c("txtVoucher"));
    EXPECT_EQ(dialogs().texts(), QStringList({"Voucher not found!"}));
    EXPECT_EQ(grid()->rows(), 2);
    EXPECT_TRUE(w->isNewVoucher());

    // Another copy saves receipt 1 meanwhile; Enter opens it and Save replaces it.
    ASSERT_EQ(theySave(sara, 13, "250"), 1);
    pressEnter(c("txtVoucher"));
    EXPECT_FALSE(w->isNewVoucher());
    EXPECT_EQ(gridLines(), QStringList({"CASH IN HAND|SARA KHAN|250.00|||" + id(sara) + "||13"}));
    EXPECT_TRUE(c<QPushButton>("cmdDelete")->isEnabled());
    press("cmdSave");
    EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = 'FR'"), 1);
    EXPECT_EQ(rows(1).size(), 2);
    EXPECT_EQ(c("txtVoucher")->text(), "2");
}

TEST_F(FeeTwoCopies, TheSubjectListIsReadAgainOnActivation)
{
    open();
    pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
    chooseSubject("TAXATION");
    ASSERT_EQ(subjects()->count(), 2);

    // Elsewhere a subject is renamed and one added to her admission.
    other->execute("Update tblSubject Set SubName = 'TAX LAW' Where SubId = 13");
    other->execute(
        "Insert Into tblDetApp (AppID, SubID, NetAmount) Values (2, 12, ?)", {db::Money::parse(u"4000")});
    coverAndUncover();
    EXPECT_EQ(subjects()->count(), 3);
    EXPECT_EQ(subjects()->text(), "TAX LAW"); // the subject chosen stays chosen
    EXPECT_EQ(figures(), "2,500.00/0.00");
    chooseSubject("AUDIT");
    EXPECT_EQ(figures(), "0.00/4,000.00");

    // After a line is added the list is empty and stays so.
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    addLine("10");
    coverAndUncover();
    EXPECT_EQ(subjects()->count(), 0);
}

TEST_F(FeeTwoCopies, SessionsAndFiguresAreReadAgainOnActivationAndALineNeedsASession)
{
    open();
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    // Elsewhere a session is opened and Ali is moved into it.
    other->execute("Insert Into tblSession (SessionId, SessionName) Values (4, 'WINTER 2025')");
    other->execute("Update tblMasApp Set SessionID = 4 Where AppID = 1");
    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    EXPECT_EQ(sessions()->text(), "WINTER 2025");
    EXPECT_EQ(sessions()->boundText(), "4");
    EXPECT_EQ(figures(), "1,000.00/4,000.00");

    // Another copy takes a fee for the same subject: the figures follow.
    theySave(ali, 11, "300");
    coverAndUncover();
    EXPECT_EQ(figures(), "1,300.00/3,700.00");
    EXPECT_EQ(sessions()->text(), "WINTER 2025"); // the session chosen stays chosen

    // A line without a session is refused.
    sessions()->setBoundText({});
    c("txtDRCR")->clear();
    typeText(c("txtDRCR"), QStringLiteral("10"));
    dialogs().clear();
    press("cmdAdd");
    EXPECT_EQ(dialogs().texts(), QStringList({"please select session "}));
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(grid()->rows(), 1);
    sessions()->setBoundText(QStringLiteral("4"));
    press("cmdAdd");
    EXPECT_EQ(gridLines(), QStringList({"CASH IN HAND|ALI RAZA|10.00|||" + id(ali) + "|4|11"}));
    press("cmdSave");
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'FR' And SessionID = 4"), 2);
}

} // namespace
