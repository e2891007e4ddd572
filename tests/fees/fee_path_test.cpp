// A student's fee money through the real saves, from admission to the fee
// receipt and the carry forward, read back as the fee receipt window and the
// student-wise report show it.
#include "accounts/chart_rules.h"
#include "accounts/picker.h"
#include "admissions/admission_rules.h"
#include "common/globals.h"
#include "fees/carryforward_rules.h"
#include "fees/feereceipt.h"
#include "fees/feereceipt_rules.h"
#include "fees/frmInsRec.h"
#include "platform/ui/controls.h"
#include "reports/reports.h"
#include "shell/admin_rules.h"
#include "support/gui.h"
#include "support/testserver.h"

#include <QLineEdit>

namespace {

using db::Money;

class FeePath : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        reports::registerProcedures();
        accounts::registerPickerWindows();
        fees::registerFeeReceiptWindow();
        exec("insert into tblSession (SessionId, SessionName) values (1, '2009-2010'), (2, '2010-2011')");
        exec("insert into tblCourse (CourseId, CourseName) values (1, 'CA')");
        exec("insert into tblSubject (SubId, CourseId, SubName, TotAmt) values (1, 1, 'AUDIT', ?), "
             "(2, 1, 'TAXATION', ?)",
            {Money::fromCents(600000), Money::fromCents(300000)});
        accounts::addControlAccount(conn(), "ASSETS");
        students = accounts::addChildAccount(conn(), "1", "STUDENTS").rowId;
        accounts::addChildAccount(conn(), "1", "CASH AND BANK");
        cash = accounts::addChildAccount(conn(), "1.2", "CASH IN HAND").rowId;
        exec("insert into VouSetting (VouStatus, VouNo, AcCode) values ('IR', 0, ?), ('CR', 1, ?)",
            {key(students), key(cash)});
    }

    static db::Value key(std::int64_t k) { return db::Value(static_cast<long long>(k)); }

    struct Admitted {
        std::int64_t appId = 0, account = 0;
    };
    // Admits through the admission save; each line is {subject, amount,
    // discount, net, received, inactive}.
    Admitted admit(const char *name, const char *session, const QList<admissions::SubjectLine> &lines)
    {
        admissions::ApplicationEntry e;
        e.stuName = QString::fromLatin1(name);
        e.cellNo = QStringLiteral("0300");
        e.fields = {{"CellNo", "0300"}};
        e.sessionId = QString::fromLatin1(session);
        e.section = QStringLiteral("A");
        e.appDate = e.fixDate = QDate(2009, 8, 3);
        e.lines = lines;
        const auto out = admissions::saveApplication(conn(), admissions::readAdmissionSetup(conn()), e, "sa");
        EXPECT_TRUE(out.ok()) << out.message.toStdString();
        return {out.appId, out.accountKey};
    }
    static admissions::SubjectLine line(const char *subId, const char *amount, const char *discount,
        const char *net, const char *received, const char *inactive = "0")
    {
        return {subId, "CA", "", amount, discount, "", net, received, inactive};
    }

    int receive(std::int64_t account, int subId, int session, const char *amount)
    {
        books::Line l;
        l.debit = cash;
        l.credit = account;
        l.amount = Money::parse(QString::fromLatin1(amount));
        l.sessionId = session;
        l.subId = subId;
        fees::Receipt r;
        r.date = QDate(2009, 9, 1);
        r.lines = {l};
        return fees::saveReceipt(conn(), r, "sa");
    }

    int carryForward(const Admitted &a, int subId, const char *toSession, const char *amount)
    {
        namespace cf = fees::carryforward;
        cf::Line l;
        l.subjectId = subId;
        l.narration = QStringLiteral("CARRIED");
        l.sessionId = QString::fromLatin1(toSession);
        l.amount = QString::fromLatin1(amount);
        cf::Form f;
        f.date = QDate(2010, 2, 1);
        f.appId = std::int32_t(a.appId);
        f.preSessionId = QStringLiteral("1");
        f.crAc = cf::cashReceiptAccount(conn());
        f.lines = {l};
        return cf::saveForm(conn(), f).formId;
    }

    // "received/remaining" as the fee receipt's figures give them.
    QString figures(const Admitted &a, int subId)
    {
        const fees::SubjectFigures f = fees::subjectFigures(conn(), a.account, a.appId, subId);
        return f.found ? f.received.toString() + u'/' + f.remaining.toString() : QStringLiteral("none");
    }

    // The same, read off the fee receipt window after picking the student's
    // account and the subject.
    QString windowFigures(std::int64_t account, const QString &subject)
    {
        auto *w = qobject_cast<fees::frmInsRec *>(common::windows::show(QStringLiteral("frmInsRec")));
        if (!w)
            return QStringLiteral("no window");
        clickButton(w, QStringLiteral("cmdSelectCr"));
        gFindAcRowID = std::int32_t(account);
        gFindAcName = QStringLiteral("STUDENT");
        common::windows::unload(QStringLiteral("frmFindAC"));
        flushDeferred();
        w->activateWindowNow();
        auto *subjects = findControl<ui::DataCombo>(w, QStringLiteral("cboSubject"));
        subjects->setCurrentIndex(subjects->findText(subject));
        const QString shown = findControl<QLineEdit>(w, QStringLiteral("txtReceived"))->text() + u'/'
            + findControl<QLineEdit>(w, QStringLiteral("txtRemaingAmt"))->text();
        common::windows::unload(QStringLiteral("frmInsRec"));
        flushDeferred();
        return shown;
    }

    // The student-wise report's work table for a session:
    // "student|subject|at admission|fees since|received|balance".
    QStringList studentWise(int session)
    {
        conn().execute(QStringLiteral("exec CreatStuWiseDet ?, 0, 0"), {session});
        return rows(QStringLiteral("select StuName, SubName, RecAmount, FeeReceived, Received, Balance "
                                   "from rptStudentDetail order by LineNo"));
    }

    // A query's rows, columns joined by "|".
    QStringList rows(const QString &sql)
    {
        db::Recordset rs;
        rs.open(sql, conn());
        QStringList out;
        for (; !rs.eof(); rs.moveNext()) {
            QStringList cells;
            for (int c = 0; c < rs.fieldCount(); ++c)
                cells << rs.fields(c).toString();
            out << cells.join(u'|');
        }
        return out;
    }

    std::int64_t students = 0, cash = 0;
};

TEST_F(FeePath, AdmissionReceiptAndCarryForwardAddUpAlikeInTheFeeWindowAndTheReport)
{
    // Net 5,000 with 1,000 received at admission; a second subject owes all.
    const Admitted ali = admit(
        "ALI RAZA", "1", {line("1", "6000", "1000", "5000", "1000", "1"), line("2", "3000", "", "3000", "")});
    EXPECT_EQ(figures(ali, 1), "1000.00/4000.00");
    receive(ali.account, 1, 1, "1500");
    EXPECT_EQ(figures(ali, 1), "2500.00/2500.00");
    carryForward(ali, 1, "2", "500");

    EXPECT_EQ(figures(ali, 1), "3000.00/2000.00");
    EXPECT_EQ(figures(ali, 2), "0.00/3000.00");
    EXPECT_EQ(windowFigures(ali.account, "AUDIT"), "3,000.00/2,000.00");
    EXPECT_EQ(studentWise(1),
        QStringList(
            {"ALI RAZA|AUDIT|1000.00|2000.00|3000.00|2000.00", "ALI RAZA|TAXATION|0.00|0.00|0.00|3000.00"}));
}

TEST_F(FeePath, AStudentAdmittedTwiceKeepsEachAdmissionsMoneyApart)
{
    // A new year's students are opened under a head of their own, so the
    // same name is admitted again with an account of its own.
    const Admitted first = admit("SARA KHAN", "1", {line("1", "6000", "", "6000", "1000")});
    const std::int64_t nextYear = accounts::addChildAccount(conn(), "1", "STUDENTS 2010").rowId;
    exec("update VouSetting set AcCode = ? where VouStatus = 'IR'", {key(nextYear)});
    const Admitted second = admit(
        "SARA KHAN", "2", {line("1", "6000", "500", "5500", "2000"), line("2", "3000", "", "3000", "")});
    ASSERT_NE(first.account, second.account);

    receive(first.account, 1, 1, "700");
    receive(second.account, 1, 2, "1500");
    receive(second.account, 2, 2, "3000");

    EXPECT_EQ(figures(first, 1), "1700.00/4300.00");
    EXPECT_EQ(figures(second, 1), "3500.00/2000.00");
    EXPECT_EQ(figures(second, 2), "3000.00/0.00");
    EXPECT_EQ(windowFigures(first.account, "AUDIT"), "1,700.00/4,300.00");
    EXPECT_EQ(windowFigures(second.account, "AUDIT"), "3,500.00/2,000.00");
    EXPECT_EQ(studentWise(1), QStringList({"SARA KHAN|AUDIT|1000.00|700.00|1700.00|4300.00"}));
    EXPECT_EQ(studentWise(2),
        QStringList({"SARA KHAN|AUDIT|2000.00|1500.00|3500.00|2000.00",
            "SARA KHAN|TAXATION|0.00|3000.00|3000.00|0.00"}));
}

TEST_F(FeePath, DataRemovalOfTheFormsTakesTheirCarriedAmountsAndAFormNumberNeverMeetsOldRows)
{
    const Admitted ali = admit("ALI RAZA", "1", {line("1", "6000", "1000", "5000", "1000", "1")});
    const Admitted sara = admit("SARA KHAN", "1", {line("1", "6000", "", "6000", "", "1")});
    receive(ali.account, 1, 1, "100");
    EXPECT_EQ(carryForward(ali, 1, "2", "500"), 1);
    EXPECT_EQ(figures(ali, 1), "1600.00/3400.00");
    // "Carry Forward Entry" of the data removal: the forms and what they credited.
    shell::admin::removeTables(
        conn(), {QStringLiteral("tblMasCarryForw"), QStringLiteral("tblDetCarryForw")});
    EXPECT_EQ(count("select count(*) from DetJV where VouStatus = 'CF'"), 0);
    EXPECT_EQ(figures(ali, 1), "1100.00/3900.00") << "the fee receipt and the admission stay";
    // Carried again, the subject counts once.
    EXPECT_EQ(carryForward(ali, 1, "2", "500"), 1);
    EXPECT_EQ(figures(ali, 1), "1600.00/3400.00");

    // 'CF' rows an earlier build left without their form are never taken over.
    exec("delete from tblDetCarryForw");
    exec("delete from tblMasCarryForw");
    EXPECT_EQ(fees::carryforward::nextFormNumber(conn()), 2);
    EXPECT_EQ(carryForward(sara, 1, "2", "800"), 2);
    EXPECT_EQ(figures(ali, 1), "1600.00/3400.00") << "Ali's carried amount survives Sara's form";
    EXPECT_EQ(figures(sara, 1), "800.00/5200.00");
    EXPECT_EQ(rows("select VouNo, AcCode, CrAmt from DetJV where VouStatus = 'CF' order by VouNo"),
        QStringList({"1|" + QString::number(ali.account) + "|500.00",
            "2|" + QString::number(sara.account) + "|800.00"}));
}

} // namespace
