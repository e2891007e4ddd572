#include "common/refusal.h"
#include "fees/fixture.h"
#include "support/testengine.h"

using namespace fees;

namespace {

db::Money m(const char *text)
{
    return db::Money::parse(QString::fromLatin1(text));
}

class Rules : public FeeFixture {
protected:
    books::Line line(std::int64_t student, int subId, const char *amount, int session = 1,
        std::int64_t from = 0, const char *narration = "", const char *cheque = "")
    {
        books::Line l;
        l.debit = from ? from : cash;
        l.credit = student;
        l.amount = m(amount);
        l.sessionId = session;
        l.subId = subId;
        l.narration = QString::fromLatin1(narration);
        l.chequeNo = QString::fromLatin1(cheque);
        return l;
    }
    Receipt receipt(std::vector<books::Line> lines, const char *slip = "")
    {
        Receipt r;
        r.date = QDate(2024, 3, 5);
        r.slipNo = QString::fromLatin1(slip);
        r.lines = std::move(lines);
        return r;
    }
    int save(const Receipt &r) { return saveReceipt(conn(), r, QStringLiteral("CLERK")); }
    Receipt reopened(int no)
    {
        const OpenedReceipt o = openReceipt(conn(), no);
        EXPECT_TRUE(o.found);
        Receipt r = receipt(o.lines, "");
        r.isNew = false;
        r.number = no;
        r.date = o.date;
        r.paidReceive = o.paidReceive;
        r.slipNo = o.slipNo;
        r.payment = o.payment;
        r.stamp = o.stamp;
        return r;
    }
    QString figures(std::int64_t account, int appId, int subId)
    {
        const SubjectFigures f = subjectFigures(conn(), account, appId, subId);
        return f.found ? f.received.toString() + u'/' + f.remaining.toString() : QStringLiteral("none");
    }
    void carryForward(std::int64_t account, int subId, const char *amount)
    {
        exec(QStringLiteral(
                 "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, "
                 "SubID, SessionID) Values (1, 'CF', '01/06/2024', 1, ?, ?, 0, ?, ?, 2)"),
            {static_cast<long long>(account), static_cast<long long>(cash), m(amount), subId});
    }
};

TEST_F(Rules, WhatASubjectHasReceivedAndStillOwes)
{
    // Net fee (fee less discount) less what was taken at admission; the
    // admission's receipt pair is that same money and is not counted again.
    EXPECT_EQ(figures(ali, 1, 11), "1000.00/4000.00");
    EXPECT_EQ(figures(ali, 1, 12), "0.00/0.00"); // no net amount recorded
    EXPECT_EQ(figures(sara, 2, 13), "2500.00/0.00");
    EXPECT_EQ(figures(ali, 1, 13), "none"); // not a subject of that admission

    save(receipt({line(ali, 11, "1500"), line(sara, 11, "600.10")}));
    EXPECT_EQ(figures(ali, 1, 11), "2500.00/2500.00");
    carryForward(ali, 11, "500");
    EXPECT_EQ(figures(ali, 1, 11), "3000.00/2000.00");
    // Only that student's and that subject's credits count; debits and other kinds do not.
    EXPECT_EQ(figures(sara, 2, 11), "600.10/5399.90");
    exec("Insert Into DetJV (VouNo, VouStatus, EntryNo, AcCode, DrAmt, CrAmt, SubID) "
         "Values (9, 'BR', 1, ?, ?, ?, 11)",
        {static_cast<long long>(ali), db::Money(), m("100")});
    EXPECT_EQ(figures(ali, 1, 11), "3000.00/2000.00");
    // A receipt may take more than is still owed: the remainder goes below zero.
    save(receipt({line(ali, 11, "2000.01")}));
    EXPECT_EQ(figures(ali, 1, 11), "5000.01/-0.01");
}

TEST_F(Rules, StudentAdmissionAndCarriedSession)
{
    StudentAdmission a = studentAdmission(conn(), ali);
    EXPECT_TRUE(a.found);
    EXPECT_EQ(a.appId, 1);
    EXPECT_EQ(a.sessionId, "1");
    EXPECT_FALSE(studentAdmission(conn(), walkIn).found);

    // The session the subjects were last carried into wins over the admission's.
    schemaStep(
        "Create Table If Not Exists tblDetCarryForw (FormID INTEGER, FormDate DATE, AppID INTEGER, "
        "SubjectID INTEGER, Naration VARCHAR(200), SessionID INTEGER, ForAmt MONEY, PreSessionID INTEGER)");
    exec("Insert Into tblDetCarryForw (FormID, AppID, SubjectID, SessionID) Values (2, 1, 12, 3), (1, 1, 11, "
         "2)");
    a = studentAdmission(conn(), ali);
    EXPECT_EQ(a.sessionId, "3");
    EXPECT_EQ(studentAdmission(conn(), sara).sessionId, "2");

    db::Recordset rs;
    openStudentSubjects(rs, conn(), ali);
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.fields("SubName").toString(), "ACCOUNTING");
    openStudentSubjects(rs, conn(), walkIn);
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST_F(Rules, NumbersCountOverTheKindAndIgnoreTheSetupStartNumber)
{
    setup("RI", 500);
    exec("Insert Into MasJV (VouNo, VouStatus, TotalAmount) Values (40, 'BP', 0)");
    EXPECT_EQ(nextReceiptNo(conn()), 1);
    EXPECT_EQ(save(receipt({line(ali, 11, "10")})), 1);
    EXPECT_EQ(save(receipt({line(ali, 11, "10")})), 2);
    EXPECT_EQ(save(receipt({line(ali, 11, "10")})), 3);
    deleteReceipt(conn(), 3);
    EXPECT_EQ(nextReceiptNo(conn()), 3);
    deleteReceipt(conn(), 1);
    EXPECT_EQ(nextReceiptNo(conn()), 3);
    // A master left without lines keeps its number to itself.
    exec("Insert Into MasJV (VouNo, VouStatus, TotalAmount) Values (7, 'FR', 0)");
    EXPECT_EQ(nextReceiptNo(conn()), 8);
}

TEST_F(Rules, SavingWritesTheMasterAndAPairOfRowsPerLine)
{
    Receipt r = receipt({line(ali, 11, "1500", 1, 0, "MARCH"), line(ali, 12, "700", 0)}, "512");
    EXPECT_EQ(save(r), 1);
    EXPECT_EQ(master(1), "2024-03-05||2200.00|CLERK|512|CASH");
    const QString c = id(cash), s = id(ali);
    EXPECT_EQ(rows(1),
        QStringList({
            "1|" + c + "|" + s + "|1500.00|0.00||MARCH|1|11|2024-03-05",
            "1|" + s + "|" + c + "|0.00|1500.00||MARCH|1|11|2024-03-05",
            "2|" + c + "|" + s + "|700.00|0.00|||-|12|2024-03-05",
            "2|" + s + "|" + c + "|0.00|700.00|||-|12|2024-03-05",
        }));

    // Bank, cheque, no slip number; totals are exact sums of the cents.
    Receipt b = receipt({line(sara, 11, "0.10", 2, hbl, "", "CHQ-1"), line(sara, 13, "0.20", 2, hbl)});
    b.payment = books::Payment::Bank;
    EXPECT_EQ(save(b), 2);
    EXPECT_EQ(master(2), "2024-03-05||0.30|CLERK|-|BANK");
    EXPECT_EQ(
        count("Select count(*) From DetJV Where VouStatus = 'FR' And VouNo = 2 And ChecqNo = 'CHQ-1'"), 2);
}

TEST_F(Rules, ReceiptsThatMayNotBeSavedWriteNothing)
{
    const struct {
        const char *why;
        Receipt r;
        const char *message;
    } cases[] = {
        {"no line", receipt({}), "Please enter less than one entry in detail"},
        {"no subject", receipt({line(ali, 0, "10")}), "please select subject "},
        {"no student", receipt({line(0, 11, "10")}), "Please Select Credit Account"},
        {"same account", receipt({line(cash, 11, "10")}),
            "same account title not allow, please change debit or cedit Account"},
        {"zero amount", receipt({line(ali, 11, "10"), line(ali, 12, "0")}), "please enter Amount"},
        {"slip too long", receipt({line(ali, 11, "10")}, "12345678901"),
            "The slip number may have at most 10 characters."},
    };
    for (const auto &c : cases) {
        try {
            save(c.r);
            ADD_FAILURE() << c.why << ": saved";
        } catch (const common::Refused &e) {
            EXPECT_EQ(e.text(), QString::fromLatin1(c.message)) << c.why;
        }
    }
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'FR'"), 0);
}

TEST_F(Rules, AFailedSaveLeavesNothingHalfWritten)
{
    schemaStep(testengine::failingTrigger(
        "failSecondLine", "before insert", "DetJV", "new.EntryNo = 2", "disk full"));
    EXPECT_THROW(save(receipt({line(ali, 11, "100"), line(ali, 12, "50")})), db::Error);
    EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = 'FR'"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'FR'"), 0);
    EXPECT_EQ(nextReceiptNo(conn()), 1);

    // An edit that fails keeps the stored receipt as it was.
    EXPECT_EQ(save(receipt({line(ali, 11, "100")}, "9")), 1);
    const QString before = master(1);
    const QStringList lines = rows(1);
    Receipt r = reopened(1);
    r.slipNo = QStringLiteral("10");
    r.lines.push_back(line(ali, 12, "50"));
    EXPECT_THROW(save(r), db::Error);
    EXPECT_EQ(master(1), before);
    EXPECT_EQ(rows(1), lines);
}

TEST_F(Rules, ReopenEditAndDelete)
{
    EXPECT_EQ(save(receipt({line(ali, 11, "100"), line(sara, 13, "50", 2), line(ali, 12, "25")}, "77")), 1);
    exec("Insert Into MasJV (VouNo, VouStatus, TotalAmount) Values (1, 'BP', ?)", {m("5")});
    exec("Insert Into DetJV (VouNo, VouStatus, EntryNo, AcCode, DrAmt, CrAmt) Values (1, 'BP', 1, ?, ?, ?)",
        {static_cast<long long>(cash), m("5"), db::Money()});

    Receipt r = reopened(1);
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[1].creditName, "SARA KHAN");
    EXPECT_EQ(r.lines[1].debitName, "CASH IN HAND");
    EXPECT_EQ(r.lines[1].subId, 13);
    EXPECT_EQ(r.lines[1].sessionId, 2);
    EXPECT_EQ(r.slipNo, "77");

    // The lines are exactly the edited ones afterwards, numbered 1 to n.
    r.lines.erase(r.lines.begin());
    r.lines[0].amount = m("55.55");
    r.payment = books::Payment::Bank;
    EXPECT_EQ(save(r), 1);
    EXPECT_EQ(master(1), "2024-03-05||80.55|CLERK|77|BANK");
    const QString c = id(cash);
    EXPECT_EQ(rows(1),
        QStringList({
            "1|" + c + "|" + id(sara) + "|55.55|0.00|||2|13|2024-03-05",
            "1|" + id(sara) + "|" + c + "|0.00|55.55|||2|13|2024-03-05",
            "2|" + c + "|" + id(ali) + "|25.00|0.00|||1|12|2024-03-05",
            "2|" + id(ali) + "|" + c + "|0.00|25.00|||1|12|2024-03-05",
        }));

    deleteReceipt(conn(), 1, reopened(1).stamp);
    EXPECT_EQ(master(1), "");
    EXPECT_TRUE(rows(1).isEmpty());
    // The bank payment of the same number stays.
    EXPECT_EQ(master(1, "BP"), "-|-|5.00|-|-|-");
    EXPECT_EQ(rows(1, "BP").size(), 1);
    EXPECT_FALSE(openReceipt(conn(), 1).found);
}

TEST_F(Rules, ChangesByAnotherCopyMeanwhileAreReported)
{
    save(receipt({line(ali, 11, "100")}, "1"));
    Receipt r = reopened(1);
    exec("Update MasJV Set SlipNo = '2' Where VouStatus = 'FR' And VouNo = 1");
    EXPECT_THROW(save(r), common::Refused);
    EXPECT_THROW(deleteReceipt(conn(), 1, r.stamp), common::Refused);
    EXPECT_EQ(master(1).section(u'|', 4, 4), "2");

    r = reopened(1);
    exec("Update DetJV Set CrAmt = ? Where VouStatus = 'FR' And VouNo = 1 And CrAmt > 0", {m("90")});
    EXPECT_THROW(save(r), common::Refused);

    r = reopened(1);
    deleteReceipt(conn(), 1);
    try {
        save(r);
        ADD_FAILURE() << "saved a deleted receipt";
    } catch (const common::Refused &e) {
        EXPECT_TRUE(e.text().contains("deleted")) << e.text().toStdString();
    }
    EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = 'FR'"), 0);
}

TEST_F(Rules, SearchList)
{
    save(receipt({line(ali, 11, "100")}, "512"));
    save(receipt({line(ali, 11, "10"), line(sara, 13, "20", 2)}));
    Receipt b = receipt({line(sara, 11, "5", 2, hbl)}, "O'1");
    b.payment = books::Payment::Bank;
    save(b);
    const auto list = [this](const char *criterion, const char *text, QDate date = {}) {
        db::Recordset rs;
        EXPECT_TRUE(
            searchReceipts(rs, conn(), QString::fromLatin1(criterion), QString::fromLatin1(text), date));
        QStringList out;
        for (; !rs.eof(); rs.moveNext()) {
            QStringList cells;
            for (int i = 0; i < rs.fieldCount(); ++i)
                cells << rs.fields(i).toString();
            out << cells.join(u'|');
        }
        return out;
    };
    EXPECT_EQ(list("Voucher #", ""),
        QStringList({"3|05-03-2024|O'1||5.00||BANK", "2|05-03-2024|||30.00|M|CASH",
            "1|05-03-2024|512||100.00||CASH"}));
    EXPECT_EQ(list("Slip No.", "12").size(), 1);
    EXPECT_EQ(list("Slip No.", "O'").size(), 1);
    EXPECT_EQ(list("Slip No.", "%").size(), 0);
    EXPECT_EQ(list("Paid To", "A").size(), 0);
    EXPECT_EQ(list("Date", "", QDate(2024, 3, 5)).size(), 3);
    EXPECT_EQ(list("Date", "", QDate(2024, 3, 6)).size(), 0);
    db::Recordset rs;
    EXPECT_FALSE(searchReceipts(rs, conn(), "Amount", "", {}));

    const common::PrintJob job = slipJob(7, "CLERK", "pw");
    EXPECT_EQ(job.reportFile, "\\rptSlip.rpt");
    EXPECT_EQ(job.selection.value(), "{MasJV.VouNo}= 7 and {MasJV.VouStatus} = 'FR' and {DetJv.CrAmt} > 0");
    EXPECT_EQ(job.user, "CLERK");
    EXPECT_EQ(job.password, "pw");
}

} // namespace
