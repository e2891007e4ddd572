#include "fees/carryforward_fixture.h"
#include "fees/carryforward_rules.h"
#include "support/testengine.h"

namespace {

using namespace fees::carryforward;

class CarryForwardRules : public CarryForwardFixture {
protected:
    static Line line(
        std::int64_t subject, const char *amount, const char *narration = "", const char *session = "2")
    {
        Line l;
        l.subjectId = subject;
        l.amount = QString::fromLatin1(amount);
        l.narration = QString::fromLatin1(narration);
        l.sessionId = QString::fromLatin1(session);
        return l;
    }
    Form newForm(std::vector<Line> lines, int appId = 5)
    {
        Form f;
        f.date = QDate(2023, 8, 3);
        f.appId = appId;
        f.preSessionId = QStringLiteral("1");
        f.crAc = cashReceiptAccount(conn());
        f.lines = std::move(lines);
        return f;
    }
    // The opened form as the window hands it back for another save.
    Form reopened(int formId)
    {
        const OpenedForm o = openForm(conn(), formId);
        EXPECT_TRUE(o.found);
        Form f = newForm(o.lines, o.appId);
        f.isNew = false;
        f.formId = formId;
        f.date = o.date;
        f.stamp = o.stamp;
        return f;
    }
};

TEST_F(CarryForwardRules, AmountValueIsTheLeadingNumberExactToTheCent)
{
    const struct {
        const char *text;
        std::int64_t cents;
    } cases[] = {{"2500", 250000}, {"12.5", 1250}, {"12.", 1200}, {".5", 50}, {"0.005", 1}, {"", 0}, {".", 0},
        {"abc", 0}, {"12abc", 1200}, {"0.1", 10}, {"1234567.89", 123456789}};
    for (const auto &c : cases)
        EXPECT_EQ(amountValue(QString::fromLatin1(c.text)).cents(), c.cents) << c.text;
}

TEST_F(CarryForwardRules, NumbersFormsFromOneAndRefillsTheHighestAfterADelete)
{
    EXPECT_EQ(nextFormNumber(conn()), 1);
    for (int expected = 1; expected <= 3; ++expected)
        EXPECT_EQ(saveForm(conn(), newForm({line(10, "1")})).formId, expected);
    deleteForm(conn(), 3);
    EXPECT_EQ(nextFormNumber(conn()), 3);
    deleteForm(conn(), 1);
    EXPECT_EQ(nextFormNumber(conn()), 3) << "a gap below the highest is not refilled";

    // The number is taken at the moment of saving, not when it was proposed.
    Form f = newForm({line(11, "5")});
    f.formId = 2;
    EXPECT_EQ(saveForm(conn(), f).formId, 3);
    EXPECT_EQ(master(2), "2023-08-03|5") << "the other form is untouched";
}

TEST_F(CarryForwardRules, SaveWritesMasterLinesAndOneCreditRowPerLineWithAnAmount)
{
    // Rows of other kinds and forms must survive the rewrite.
    exec("insert into DetJV (VouNo, VouStatus, EntryNo, AcCode, CrAmt) values (1, 'FR', 1, ?, 100), "
         "(2, 'CF', 1, ?, 50)",
        {student, student});
    const Saved s = saveForm(conn(),
        newForm({line(10, "2500", "CARRIED A"), line(11, ""), line(12, "12.5", "", "1"), line(13, "0")}));
    EXPECT_EQ(s.formId, 3) << "numbered past the other form's 'CF' rows";
    EXPECT_EQ(master(3), "2023-08-03|5");
    EXPECT_EQ(lines(3),
        QStringList({"10|CARRIED A|2|2500.00|1|2023-08-03|5", "11|-|2|-|1|2023-08-03|5",
            "12|-|1|12.50|1|2023-08-03|5", "13|-|2|-|1|2023-08-03|5"}));
    const QString acc = id(student), cr = id(cash);
    EXPECT_EQ(cfRows(3),
        QStringList({"1|10|2|" + acc + "|" + cr + "|0.00|2500.00|CARRIED A|2023-08-03",
            "3|12|1|" + acc + "|" + cr + "|0.00|12.50||2023-08-03"}));
    EXPECT_EQ(
        count("select count(*) from DetJV where VouStatus = 'CF' and VouNo = 3 and Naration is null"), 0)
        << "an empty narration is stored as empty text";
    EXPECT_EQ(count("select count(*) from MasJV"), 0);
    EXPECT_EQ(count("select count(*) from DetJV where not (VouStatus = 'CF' and VouNo = 3)"), 2);
    EXPECT_EQ(s.stamp, formStamp(conn(), 3));
}

TEST_F(CarryForwardRules, ReopenedAndSavedAgainReplacesLinesAndCreditRows)
{
    saveForm(conn(), newForm({line(10, "2500", "A"), line(11, "0"), line(12, "700")}));
    Form f = reopened(1);
    ASSERT_EQ(f.lines.size(), 3u);
    EXPECT_EQ(f.lines[0].subName, "TAXATION");
    EXPECT_EQ(f.lines[0].course, "CA");
    EXPECT_EQ(f.lines[0].sessionName, "JUL-2023");
    EXPECT_EQ(f.lines[0].amount, "2500.00");
    EXPECT_EQ(f.lines[1].amount, "") << "no amount comes back empty";

    f.lines[0].amount = QStringLiteral("3000");
    f.lines.erase(f.lines.begin() + 2);
    f.date = QDate(2023, 9, 1);
    EXPECT_EQ(saveForm(conn(), f).formId, 1);
    EXPECT_EQ(count("select count(*) from tblMasCarryForw"), 1);
    EXPECT_EQ(lines(1), QStringList({"10|A|2|3000.00|1|2023-09-01|5", "11|-|2|-|1|2023-09-01|5"}));
    EXPECT_EQ(
        cfRows(1), QStringList({"1|10|2|" + id(student) + "|" + id(cash) + "|0.00|3000.00|A|2023-09-01"}));
}

TEST_F(CarryForwardRules, AFailingWriteLeavesNothingHalfWritten)
{
    // Any 'CF' row of 999.00 fails, after the master and the lines are written.
    schemaStep(
        testengine::failingTrigger("failCF", "before insert", "DetJV", "new.CrAmt = 99900", "disk full"));
    EXPECT_THROW(saveForm(conn(), newForm({line(10, "5"), line(11, "999")})), db::Error);
    EXPECT_EQ(count("select count(*) from tblMasCarryForw"), 0);
    EXPECT_EQ(count("select count(*) from tblDetCarryForw"), 0);
    EXPECT_EQ(count("select count(*) from DetJV"), 0);
    EXPECT_EQ(nextFormNumber(conn()), 1);

    // A failing rewrite of a saved form keeps it as it was.
    saveForm(conn(), newForm({line(10, "5", "OLD")}));
    const QString before = formStamp(conn(), 1);
    Form f = reopened(1);
    f.lines[0].narration = QStringLiteral("NEW");
    f.lines.push_back(line(11, "999"));
    EXPECT_THROW(saveForm(conn(), f), db::Error);
    EXPECT_EQ(formStamp(conn(), 1), before);
    schemaStep(testengine::dropTrigger("failCF", "DetJV"));
    EXPECT_NO_THROW(saveForm(conn(), f));
    EXPECT_EQ(cfRows(1).size(), 2);
}

TEST_F(CarryForwardRules, ChangesByAnotherCopyAndMissingRecordsAreRefused)
{
    saveForm(conn(), newForm({line(10, "100")}));
    const QString cfBefore = cfRows(1).join(u';');

    Form changed = reopened(1);
    exec("update tblDetCarryForw set ForAmt = ? where FormID = 1", {db::Money::fromCents(20000)});
    changed.lines[0].amount = QStringLiteral("300");
    EXPECT_THROW(saveForm(conn(), changed), Refused);
    EXPECT_THROW(deleteForm(conn(), 1, changed.stamp), Refused);
    EXPECT_EQ(lines(1).value(0).section(u'|', 3, 3), "200.00");
    EXPECT_EQ(cfRows(1).join(u';'), cfBefore) << "the refused save wrote nothing";

    Form gone = reopened(1);
    deleteForm(conn(), 1, gone.stamp);
    EXPECT_EQ(master(1), "");
    EXPECT_EQ(count("select count(*) from DetJV"), 0);
    EXPECT_EQ(count("select count(*) from tblDetCarryForw"), 0);
    try {
        saveForm(conn(), gone);
        ADD_FAILURE() << "saved a form deleted meanwhile";
    } catch (const Refused &e) {
        EXPECT_TRUE(e.text().contains("deleted by another user")) << e.text().toStdString();
    }
    EXPECT_EQ(count("select count(*) from tblDetCarryForw"), 0) << "no lines without their master";
    EXPECT_THROW(deleteForm(conn(), 1, gone.stamp), Refused);

    // The student must exist, and have an account when an amount is posted.
    EXPECT_THROW(saveForm(conn(), newForm({line(10, "1")}, 77)), Refused);
    addApplication(6, "NO ACCOUNT", db::Value(), 1);
    EXPECT_THROW(saveForm(conn(), newForm({line(10, "1")}, 6)), Refused);
    EXPECT_EQ(count("select count(*) from tblMasCarryForw"), 0);
    EXPECT_EQ(saveForm(conn(), newForm({line(10, "")}, 6)).formId, 1) << "nothing to post: saved";
    EXPECT_TRUE(cfRows(1).isEmpty());
    EXPECT_THROW(saveForm(conn(), newForm({})), Refused);
}

TEST_F(CarryForwardRules, ListStatementsBindWhatIsTyped)
{
    addApplication(6, "O'BRIEN", student, 2, "0321-000", "R-7");
    addApplication(7, db::Value(), student, 2, "0300-999");
    saveForm(conn(), newForm({line(10, "1")}));
    Form other = newForm({line(10, "1")}, 6);
    other.date = QDate(2023, 9, 1);
    saveForm(conn(), other);

    const auto forms = [this](const char *criterion, const char *text, QDate date = {}) {
        const Query q = formListQuery(QString::fromLatin1(criterion), QString::fromLatin1(text), date);
        db::Recordset rs;
        rs.open(q.sql, conn(), q.params);
        QStringList out;
        for (; !rs.eof(); rs.moveNext())
            out << rs.fields(0).toString() + "|" + rs.fields(1).toString() + "|" + rs.fields(3).toString();
        return out;
    };
    EXPECT_EQ(forms("Student Name", ""), QStringList({"2|01-09-2023|O'BRIEN", "1|03-08-2023|ALI RAZA"}));
    EXPECT_EQ(forms("Student Name", "o'b"), QStringList({"2|01-09-2023|O'BRIEN"}));
    EXPECT_EQ(forms("Student Name", "%"), QStringList());
    EXPECT_EQ(forms("Student ID", "5"), QStringList({"1|03-08-2023|ALI RAZA"}));
    EXPECT_EQ(forms("Student ID", "5 or 1=1"), QStringList());
    EXPECT_EQ(forms("Form ID", ""), forms("Student Name", ""));
    EXPECT_EQ(forms("Form ID", "2"), QStringList({"2|01-09-2023|O'BRIEN"}));
    EXPECT_EQ(forms("Form Date", "", QDate(2023, 8, 3)), QStringList({"1|03-08-2023|ALI RAZA"}));
    EXPECT_EQ(forms("Other", "x").size(), 2);

    const auto apps = [this](const char *criterion, const char *text) {
        const Query q = applicationListQuery(QString::fromLatin1(criterion), QString::fromLatin1(text));
        db::Recordset rs;
        rs.open(q.sql, conn(), q.params);
        QStringList out;
        for (; !rs.eof(); rs.moveNext())
            out << rs.fields(0).toString();
        return out;
    };
    EXPECT_EQ(apps("Student Name", ""), QStringList({"6", "5"})) << "no name: not listed";
    EXPECT_EQ(apps("Student Name", "'"), QStringList({"6"}));
    EXPECT_EQ(apps("Application ID", ""), QStringList({"7", "6", "5"}));
    EXPECT_EQ(apps("Application ID", "6"), QStringList({"6"}));
    EXPECT_EQ(apps("Application ID", "x'"), QStringList());
    EXPECT_EQ(apps("Cell No.", "999"), QStringList({"7"}));
    EXPECT_EQ(apps("Reg.#", "r-"), QStringList({"6"}));
    EXPECT_EQ(apps("student name", "ALI"), QStringList({"7", "6", "5"})) << "criteria compare exactly";

    db::Recordset rs;
    const Query q = applicationListQuery(QStringLiteral("Application ID"), QStringLiteral("5"));
    rs.open(q.sql, conn(), q.params);
    EXPECT_EQ(rs.fields(QStringLiteral("FixDt")).toString(), "15-01-2023");
    EXPECT_EQ(rs.fields(QStringLiteral("AppDate")).toString(), "10-01-2023");
    EXPECT_EQ(rs.fields(QStringLiteral("TotAmt")).toString(), "12000.00");
}

} // namespace
