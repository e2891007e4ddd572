#include "platform/report/formula.h"
#include "platform/report/report.h"
#include "support/printers.h"

#include <gtest/gtest.h>

#include <QHash>

#include <limits>

using report::Formula;
using report::FormulaError;
using report::Val;

namespace {

// One row of named fields, a parameter and a formula field.
class Row : public report::Scope, public report::Context {
public:
    Row()
    {
        add("MasJV.VouNo", Val(12));
        add("MasJV.VouStatus", Val("CP"));
        add("Company.comActive", Val("Y"));
        add("DetJV.CrAc", Val(5));
        add("DetJV.VouDate", Val(QDate(2009, 6, 15)));
        add("DetJV.CrAmt", Val(db::Money::fromCents(125050)));
        add("rptStudentDetail.inactive", Val());
        add("tblMasApp.StuName", Val("MUHAMMAD ALI"));
        add("tblMasApp.AppId", Val(12));
        add("tbl_Tele_Directory.Row_No", Val(3));
        add("User_Information.Row_No", Val(7));
        add("Note.Text", Val("it's"));
        add("Note.Say", Val("say \"hi\""));
        add("D.Start", Val(QDate(2009, 1, 1)));
        add("D.End", Val(QDate(2009, 12, 31)));
        add("D.Before", Val(QDate(2008, 12, 31)));
        add("D.After", Val(QDate(2010, 1, 1)));
        add("D.Text", Val("2009-06-15"));
    }

    int findField(const QString &table, const QString &field) const override
    {
        return m_index.value((table + u'.' + field).toLower(), -1);
    }
    int findParameter(const QString &name) const override
    {
        return name.compare(QLatin1String("Session"), Qt::CaseInsensitive) == 0 ? 0 : -1;
    }
    int findFormula(const QString &name) const override
    {
        return name.compare(QLatin1String("Dates"), Qt::CaseInsensitive) == 0 ? 0 : -1;
    }
    int findRunningTotal(const QString &) const override { return -1; }

    Val field(int index) const override { return m_values[size_t(index)]; }
    Val parameter(int) const override { return Val(4); }
    Val formula(int) const override { return Val("From : 01-01-2009"); }
    Val runningTotal(int) const override { return {}; }

    Val eval(const QString &text) const
    {
        Formula f = Formula::parse(text);
        f.bind(*this);
        return f.eval(*this);
    }

private:
    void add(const char *name, const Val &v)
    {
        m_index.insert(QString::fromLatin1(name).toLower(), int(m_values.size()));
        m_values.push_back(v);
    }
    QHash<QString, int> m_index;
    std::vector<Val> m_values;
};

struct Condition {
    const char *formula;
    bool expected;
};

} // namespace

TEST(Formula, ConditionsGiveTheExpectedTruth)
{
    const Condition cases[] = {
        // as the print handlers build them
        {"{MasJV.VouNo}= 12 and {MasJV.VouStatus} = 'CP' and {Company.comActive} = 'Y'", true},
        {"{MasJV.VouNo}= 13 and {MasJV.VouStatus} = 'CP' and {Company.comActive} = 'Y'", false},
        {"{Company.comActive}='Y' and {DetJV.CrAc} = 5 and {DetJV.VouDate} in #2009-01-01# to #2009-12-31#",
            true},
        {"{Company.comActive}='Y' and {DetJV.CrAc} = 5 and {DetJV.VouDate} in #2009-07-01# to #2009-12-31#",
            false},
        {"IsNull({rptStudentDetail.inactive})", true},
        {"{rptStudentDetail.inactive} = '1'", false},
        {"{tbl_Tele_Directory.row_no} = 3", true},
        {"{User_Information.Row_No} = 7", true},
        {"{tblMasApp.AppId} =  12", true},
        {"{tblMasApp.StuName} like '*ALI*'", true},
        {"{MasJV.VouNo}= 12 and {MasJV.VouStatus} = 'FR' and {DetJv.CrAmt} > 0", false},
        {"{DetJV.CrAc} = 5 and {DetJV.VouDate} < #2009-06-16#", true},
        // inclusive ranges, both ends
        {"{D.Start} in #2009-01-01# to #2009-12-31#", true},
        {"{D.End} in #2009-01-01# to #2009-12-31#", true},
        {"{D.Before} in #2009-01-01# to #2009-12-31#", false},
        {"{D.After} in #2009-01-01# to #2009-12-31#", false},
        {"{MasJV.VouNo} in 12 to 12", true},
        {"{D.Text} in #2009-06-15# to #2009-06-15#", true}, // a date held as text
        // Null: every comparison is false
        {"{rptStudentDetail.inactive} = '1'", false},
        {"{rptStudentDetail.inactive} <> '1'", false},
        {"{rptStudentDetail.inactive} < 5", false},
        {"{rptStudentDetail.inactive} in 1 to 5", false},
        {"{rptStudentDetail.inactive} like '*'", false},
        {"not ({rptStudentDetail.inactive} = '1')", true},
        {"not IsNull({MasJV.VouNo})", true},
        // names and values without regard to case
        {"{masjv.vouno} = 12 and {MASJV.VOUSTATUS} = 'cp'", true},
        {"{tblMasApp.StuName} = 'muhammad ali'", true},
        {"{tblMasApp.StuName} like 'muhammad*'", true},
        {"{tblMasApp.StuName} < 'n'", true},
        // quotes
        {"{Note.Text} = 'it''s'", true},
        {"{Note.Text} = \"it's\"", true},
        {"{Note.Say} = \"say \"\"hi\"\"\"", true},
        {"{Note.Say} = 'say \"hi\"'", true},
        // like: * any run, ? one character, whole text
        {"{tblMasApp.StuName} like 'MUHAMMAD ?LI'", true},
        {"{tblMasApp.StuName} like 'M?AMMAD*'", false},
        {"{tblMasApp.StuName} like 'ALI'", false},
        {"{tblMasApp.StuName} like '**ALI'", true},
        {"{tblMasApp.StuName} like '*'", true},
        // precedence: not over and over or
        {"true or false and false", true},
        {"(true or false) and false", false},
        {"not false and false", false},
        {"not {MasJV.VouNo} = 13", true},
        {"{MasJV.VouNo} = 12 or {MasJV.VouNo} = 13 and false", true},
        {"not ({MasJV.VouNo} = 12 or false)", false},
        // numbers: amounts exact, whole numbers meet amounts
        {"{DetJV.CrAmt} = 1250.5", true},
        {"{DetJV.CrAmt} = 1250.50", true},
        {"{DetJV.CrAmt} > 1250.499", true},
        {"{DetJV.CrAmt} > 1250", true},
        {"{MasJV.VouNo} = 12.00", true},
        {"{MasJV.VouNo} = '12'", true},
        // parameters, formula fields, arithmetic
        {"{?Session} = 4", true},
        {"{@Dates} like 'From*'", true},
        {"{DetJV.CrAmt} + 49.50 = 1300", true},
        {"{MasJV.VouNo} * 2 - 4 = 20", true},
        {"if {MasJV.VouNo} > 10 then {Company.comActive} = 'Y' else false", true},
        // spacing
        {"  {MasJV.VouNo}=12and{MasJV.VouStatus}='CP'  ", true},
        {"{MasJV.VouNo}\t=\n12", true},
    };
    const Row row;
    for (const Condition &c : cases) {
        SCOPED_TRACE(c.formula);
        const Val v = row.eval(QString::fromUtf8(c.formula));
        ASSERT_EQ(v.kind(), Val::Bool);
        EXPECT_EQ(v.toBool(), c.expected);
    }
}

TEST(Formula, ValuesAndTheirTexts)
{
    const struct {
        const char *formula;
        const char *text;
    } cases[] = {
        {"{DetJV.CrAmt}", "1,250.50"},
        {"ToText({DetJV.CrAmt}, '###0.00')", "1250.50"},
        {"ToText({DetJV.VouDate}, 'dd/mm/yyyy')", "15/06/2009"},
        {"'No. ' & {MasJV.VouNo} & ' of ' & {MasJV.VouStatus}", "No. 12 of CP"},
        {"{DetJV.CrAmt} - 0.51", "1,249.99"},
        {"{DetJV.CrAmt} * 3", "3,751.50"},
        {"-{DetJV.CrAmt}", "-1,250.50"},
        {"{DetJV.VouDate} + 17", "02-07-2009"},
        {"if IsNull({rptStudentDetail.inactive}) then 'Active' else 'Inactive'", "Active"},
        {"UpperCase('ab') & LowerCase('CD') & Trim('  e  ')", "ABcde"},
        {"{rptStudentDetail.inactive} + 1", ""},
        {"\"From :  \" & {@Dates}", "From :  From : 01-01-2009"},
    };
    const Row row;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.formula);
        EXPECT_EQ(report::formatVal(row.eval(QString::fromUtf8(c.formula)), {}), QString::fromUtf8(c.text));
    }
}

TEST(Formula, ErrorsNameThePositionAndTheToken)
{
    const struct {
        const char *formula;
        const char *message;
    } cases[] = {
        {"{MasJV.VouNo}= ", "Error in formula at position 16 (end of formula): a value is expected."},
        {"{MasJV.VouNo}= 12 and", "Error in formula at position 22 (end of formula): a value is expected."},
        {"{MasJV.VouNo} == 12", "Error in formula at position 16 ('='): a value is expected."},
        {"{MasJV.Foo} = 1", "Error in formula at position 1 ('{MasJV.Foo}'): this field is not known."},
        {"{Company.comActive}='Y' and {Nope.VouNo} = 1",
            "Error in formula at position 29 ('{Nope.VouNo}'): this field is not known."},
        {"{MasJV} = 1", "Error in formula at position 1 ('{MasJV}'): a field is written {Table.Field}."},
        {"{MasJV.VouNo = 1",
            "Error in formula at position 1 ('{MasJV.VouNo = 1'): the field name is not closed."},
        {"{MasJV.VouStatus} = 'CP", "Error in formula at position 21 (''CP'): the text is not closed."},
        {"{MasJV.VouStatus} = \"CP\"\"",
            "Error in formula at position 21 ('\"CP\"\"'): the text is not closed."},
        {"{DetJV.VouDate} in #2009-01-01# #2009-12-31#",
            "Error in formula at position 33 ('#2009-12-31#'): 'to' is expected."},
        {"{DetJV.VouDate} = #2009-13-01#",
            "Error in formula at position 19 ('#2009-13-01#'): this is not a date."},
        {"{DetJV.VouDate} = #2009-01-01",
            "Error in formula at position 19 ('#2009-01-01'): the date is not closed."},
        {"({MasJV.VouNo} = 1", "Error in formula at position 19 (end of formula): ')' is expected."},
        {"{MasJV.VouNo} = 1 )",
            "Error in formula at position 19 (')'): an operator or the end of the formula is expected."},
        {"{MasJV.VouNo} = 1; delete from MasJV",
            "Error in formula at position 18 (';'): this character is not allowed."},
        {"{MasJV.VouNo} = 1 xor 2",
            "Error in formula at position 19 ('xor'): an operator or the end of the formula is expected."},
        {"frobnicate({MasJV.VouNo})",
            "Error in formula at position 1 ('frobnicate'): this word is not known."},
        {"IsNull('x')", "Error in formula at position 8 (''x''): IsNull takes a field."},
        {"IsNull({MasJV.VouNo}, 1)", "Error in formula at position 21 (','): IsNull takes one value."},
        {"{?Batch} = 1", "Error in formula at position 1 ('{?Batch}'): this parameter field is not known."},
        {"{@Course} = 'x'", "Error in formula at position 1 ('{@Course}'): this formula field is not known."},
        {"{MasJV.VouNo} / ({MasJV.VouNo} - 12) > 1",
            "Error in formula at position 15 ('/'): division by zero."},
        {"{MasJV.VouStatus} * 2 = 1",
            "Error in formula at position 19 ('*'): these values cannot be used with '*'."},
    };
    const Row row;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.formula);
        try {
            row.eval(QString::fromUtf8(c.formula));
            ADD_FAILURE() << "no error";
        } catch (const FormulaError &e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(c.message));
        }
    }
}

TEST(Formula, TellsConditionsFromValues)
{
    EXPECT_TRUE(Formula::parse("{A.B} = 1").canBeCondition());
    EXPECT_TRUE(Formula::parse("").canBeCondition());
    EXPECT_TRUE(Formula::parse("IsNull({A.B}) or {A.C} like 'x'").canBeCondition());
    EXPECT_FALSE(Formula::parse("{A.B} + 1").canBeCondition());
    EXPECT_FALSE(Formula::parse("'Y'").canBeCondition());
    EXPECT_TRUE(Formula::parse("   ").isEmpty());
}

TEST(Format, NumbersAndDates)
{
    using report::formatVal;
    const auto m = [](std::int64_t cents) { return Val(db::Money::fromCents(cents)); };
    EXPECT_EQ(formatVal(m(123456789), "##,###0.00"), "1,234,567.89");
    EXPECT_EQ(formatVal(m(-123450), "##,###0.00"), "-1,234.50");
    EXPECT_EQ(formatVal(m(0), "##,###0.00"), "0.00");
    EXPECT_EQ(formatVal(m(123450), "###0.00"), "1234.50");
    EXPECT_EQ(formatVal(m(123450), "#,##0"), "1,235"); // half away from zero
    EXPECT_EQ(formatVal(m(-50), "0"), "-1");
    EXPECT_EQ(formatVal(m(-4), "0.0"), "0.0"); // no "-0.0"
    EXPECT_EQ(formatVal(Val(1234567), "##,###0.00"), "1,234,567.00");
    EXPECT_EQ(formatVal(Val(2.0 / 3.0), "0.000"), "0.667");
    EXPECT_EQ(formatVal(Val("1500"), "##,###0.00"), "1,500.00"); // a number held as text
    EXPECT_EQ(formatVal(Val("n/a"), "##,###0.00"), "n/a");
    EXPECT_EQ(formatVal(m(99), "Rs. #,##0.00 only"), "Rs. 0.99 only");
    const Val d(QDate(2009, 8, 3));
    EXPECT_EQ(formatVal(d, "dd-mm-yyyy"), "03-08-2009");
    EXPECT_EQ(formatVal(d, "dd/mm/yyyy"), "03/08/2009");
    EXPECT_EQ(formatVal(d, "dd-mmm-yyyy"), "03-Aug-2009");
    EXPECT_EQ(formatVal(d, "yyyy-mm-dd"), "2009-08-03");
    EXPECT_EQ(formatVal(d, ""), "03-08-2009");
    EXPECT_EQ(formatVal(Val("2009-08-03"), "dd/mm/yyyy"), "03/08/2009");
    EXPECT_EQ(formatVal(Val(), "##,###0.00"), "");
}

TEST(Formula, DeepNestingIsRefusedWithItsPosition)
{
    const auto repeat = [](const char *unit, int n) { return QString::fromLatin1(unit).repeated(n); };
    const struct {
        QString formula;
        int position; // of the token at which nesting passes the limit
    } tooDeep[] = {
        {repeat("(", 5000) + "1" + repeat(")", 5000), 202},
        {repeat("(", 201) + "1" + repeat(")", 201), 202},
        {repeat("not ", 5000) + "true", 801},
        {repeat("-", 5000) + "1", 201},
        {repeat("ToText(", 3000) + "1" + repeat(")", 3000), 1408},
        {repeat("if true then ", 3000) + "1" + repeat(" else 0", 3000), 2604},
        {"1" + repeat("+1", 5000), 402},
        {"1" + repeat("+1", 201), 402},
        {"true" + repeat(" and true", 5000), 1806},
        {"{MasJV.VouStatus}" + repeat(" & 'x'", 5000), 1219},
    };
    const Row row;
    for (const auto &c : tooDeep) {
        SCOPED_TRACE(c.formula.left(40).toStdString());
        try {
            row.eval(c.formula);
            ADD_FAILURE() << "no error";
        } catch (const FormulaError &e) {
            EXPECT_EQ(e.reason(), "the formula nests more than 200 levels deep");
            EXPECT_EQ(e.position(), c.position);
        }
    }
    // Up to the limit every form still works: 200 levels are read.
    EXPECT_EQ(row.eval(repeat("(", 200) + "{MasJV.VouNo}" + repeat(")", 200)).toInt(), 12);
    EXPECT_EQ(row.eval(repeat("not ", 200) + "true").toString(), "True");
    EXPECT_EQ(row.eval(repeat("not ", 199) + "true").toString(), "False");
    EXPECT_EQ(row.eval(repeat("-", 200) + "1").toInt(), 1);
    EXPECT_EQ(row.eval(repeat("ToText(", 200) + "1" + repeat(")", 200)).toString(), "1");
    EXPECT_EQ(row.eval(repeat("if true then ", 200) + "1" + repeat(" else 0", 200)).toInt(), 1);
    EXPECT_EQ(row.eval("0" + repeat("+1", 200)).toInt(), 200);
}

TEST(Formula, TooDeepInAReportFileIsADefinitionErrorWithFileLineAndPosition)
{
    const QString deep = QString(u'(').repeated(5000) + "{T.A}" + QString(u')').repeated(5000);
    try {
        report::Report::fromText(
            "<report><data><query>q</query></data><details>\n<field>" + deep + "</field></details></report>",
            "deep.rpt");
        ADD_FAILURE() << "no error";
    } catch (const report::Error &e) {
        EXPECT_EQ(e.text(),
            "deep.rpt, line 2, field: Error in formula at position 202 ('('): the formula nests more than "
            "200 levels deep.");
    }
}

namespace {

// Formula fields F0, F1, ... where each uses the next: "{@F1} + 1", ..., "0".
class Chain : public report::Scope, public report::Context {
public:
    explicit Chain(int length, const char *link = "{@F%1} + 1")
    {
        for (int i = 0; i < length; ++i)
            m_formulas.push_back(Formula::parse(i + 1 < length ? QString::fromLatin1(link).arg(i + 1) : "0"));
        for (Formula &f : m_formulas)
            f.bind(*this);
    }
    int findField(const QString &, const QString &) const override { return -1; }
    int findParameter(const QString &) const override { return -1; }
    int findFormula(const QString &name) const override { return name.mid(1).toInt(); }
    int findRunningTotal(const QString &) const override { return -1; }
    Val field(int) const override { return {}; }
    Val parameter(int) const override { return {}; }
    Val formula(int index) const override { return m_formulas[size_t(index)].eval(*this); }
    Val runningTotal(int) const override { return {}; }

private:
    std::vector<Formula> m_formulas;
};

} // namespace

TEST(Formula, FormulaFieldsUsingOneAnotherTooDeeplyAreAnError)
{
    EXPECT_EQ(Chain(300).formula(0).toInt(), 299);
    const Chain deep(3000);
    try {
        deep.formula(0);
        ADD_FAILURE() << "no error";
    } catch (const FormulaError &e) {
        EXPECT_EQ(e.reason(), "the formula and the formula fields it uses nest more than 1000 levels deep");
    }
    // Each field used is a level, and so is each operator: 1000 levels are
    // evaluated, 1001 are not.
    EXPECT_EQ(Chain(1001, "{@F%1}").formula(0).toInt(), 0);
    EXPECT_THROW(Chain(1002, "{@F%1}").formula(0), FormulaError);
    EXPECT_EQ(Chain(501).formula(0).toInt(), 500);
    EXPECT_THROW(Chain(502).formula(0), FormulaError);
    // The count starts afresh after an error.
    EXPECT_EQ(Chain(300).formula(0).toInt(), 299);
}

TEST(Formula, WholeNumbersStayExactToSixtyFourBits)
{
    const struct {
        const char *formula;
        const char *text;
    } values[] = {
        {"ToText(99999999999999999, 0)", "99,999,999,999,999,999"},
        {"ToText(9223372036854775807, 0)", "9,223,372,036,854,775,807"},
        {"ToText(-9223372036854775807 - 1, 0)", "-9,223,372,036,854,775,808"},
        {"ToText(-9223372036854775807 - 1, 2)", "-9,223,372,036,854,775,808.00"},
        {"ToText(9223372036854775806 + 1, '0')", "9223372036854775807"},
        {"-(-9223372036854775807)", "9223372036854775807"},
        {"4611686018427387903 * 2", "9223372036854775806"},
        {"92233720368547758 + 0.07", "92,233,720,368,547,758.07"},
        {"if 99999999999999999 > 999999999999999.99 then 'more' else 'less'", "more"},
        {"if -99999999999999999 < -999999999999999.99 then 'less' else 'more'", "less"},
        {"{DetJV.VouDate} + 9223372036854775807", ""},
        {"{DetJV.VouDate} - (-9223372036854775807 - 1)", ""},
    };
    const Row row;
    for (const auto &c : values) {
        SCOPED_TRACE(c.formula);
        EXPECT_EQ(report::formatVal(row.eval(QString::fromUtf8(c.formula)), {}), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(report::formatVal(Val(std::numeric_limits<std::int64_t>::min()), "##,###0.00"),
        "-9,223,372,036,854,775,808.00");

    const struct {
        const char *formula;
        int position;
    } overflows[] = {
        {"9223372036854775807 + 1", 21},
        {"-9223372036854775807 - 2", 22},
        {"-1 - 9223372036854775807 - 1", 26},
        {"4611686018427387904 * 2", 21},
        {"-(-9223372036854775807 - 1)", 1},
        {"92233720368547758 + 0.08", 19},
        {"92233720368547759 + 0.00", 19},
        {"92233720368547758.07 * 2", 22},
        {"-(-92233720368547758.07 - 0.01)", 1},
    };
    for (const auto &c : overflows) {
        SCOPED_TRACE(c.formula);
        try {
            const Val v = row.eval(QString::fromUtf8(c.formula));
            ADD_FAILURE() << "no error: " << v.toString().toStdString();
        } catch (const FormulaError &e) {
            EXPECT_EQ(e.reason(), "the result is too large");
            EXPECT_EQ(e.position(), c.position);
        }
    }
}
