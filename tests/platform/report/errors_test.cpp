// What the engine says when it refuses a report: every refusal of a
// definition or a formula, read or rendered, begins with the file, the line
// and the field or formula it comes from; every limit takes exactly its
// number and refuses one more.
#include "platform/report/report.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// The same rows for any query; the last query and its values are kept.
class Rows : public report::DataSource {
public:
    std::unique_ptr<report::RowSet> fetch(const QString &sql, const db::Params &params) override
    {
        lastSql = sql;
        lastParams = params;
        auto rows = std::make_unique<report::MemoryRowSet>(
            std::vector<report::ColumnName> {{"T", "A"}, {"T", "Amt"}, {"T", "Name"}});
        rows->addRow({db::Value(1LL),
            db::Value(db::Money::fromCents(std::numeric_limits<std::int64_t>::max())), db::Value("CASH")});
        return rows;
    }
    QString lastSql;
    db::Params lastParams;
};

// A report whose body starts on line 3 of its file.
QString inReport(const QString &sections)
{
    return "<report name=\"t\">\n<data><query>q</query></data>\n" + sections + "\n</report>";
}

// A report whose stored selection stands on line 2 and body on line 3.
QString selecting(
    const QString &selection, const QString &sections = "<details><field>{T.A}</field></details>")
{
    return "<report name=\"t\">\n<data><query>q</query><selection>" + selection + "</selection></data>\n"
        + sections + "\n</report>";
}

QString repeated(const char *unit, int n)
{
    return QString::fromLatin1(unit).repeated(n);
}

// Formula fields F0 ... F(n-1), each using the next, on lines 3 ... n+2.
QString chainOfFields(int n)
{
    QString body;
    for (int i = 0; i < n; ++i)
        body += i + 1 < n ? QStringLiteral("<formula name=\"F%1\">{@F%2}</formula>\n").arg(i).arg(i + 1)
                          : QStringLiteral("<formula name=\"F%1\">1</formula>\n").arg(i);
    return inReport(body + "<details><field>{@F0}</field></details>");
}

QString nestedGroups(int n)
{
    return inReport(repeated("<group by=\"{T.A}\">", n) + repeated("</group>", n));
}

QString nestedSubreports(int n)
{
    return inReport(repeated("<details><subreport name=\"s\"><data><query>q</query></data>", n)
        + repeated("</subreport></details>", n));
}

// Elements `levels` deep inside <report>: the innermost is the <details> at level 1 and what it holds.
QString nestedElements(int levels)
{
    return inReport(
        "<details>" + repeated("<box>", levels - 1) + repeated("</box>", levels - 1) + "</details>");
}

// The text of the refusal, or "" when the report is read and rendered.
QString refusal(const QString &xml)
{
    try {
        auto r = report::Report::fromText(xml, QStringLiteral("test.rpt"));
        r->setDataSource(std::make_shared<Rows>());
        r->render();
        return {};
    } catch (const report::Error &e) {
        return e.text();
    }
}

} // namespace

TEST(ReportErrors, EveryRefusalSaysWhereItStands)
{
    const struct {
        QString xml;
        const char *says;
    } cases[] = {
        // Read from the file.
        {inReport("<details hieght=\"5\"/>"), "test.rpt, line 3: <details> has no attribute 'hieght'."},
        {inReport("<details>\n<field>{T.A} +</field></details>"),
            "test.rpt, line 4, field: Error in formula at position 8 (end of formula): a value is expected."},
        {inReport("<reportFooter><summary>(</summary></reportFooter>"),
            "test.rpt, line 3, summary: Error in formula at position 2 (end of formula): a value is "
            "expected."},
        {inReport("<group by=\"{T.A\"/>"),
            "test.rpt, line 3, group: Error in formula at position 1 ('{T.A'): the field name is not "
            "closed."},
        {"<report>\n<data><query>q</query>\n<sort by=\"1 2\"/></data></report>",
            "test.rpt, line 3, sort: Error in formula at position 3 ('2'): an operator or the end of the "
            "formula is expected."},
        {inReport("<details visible=\"{T.A} = \"/>"),
            "test.rpt, line 3, 'visible' condition: Error in formula at position 8 (end of formula): a value "
            "is expected."},
        {inReport("<runningTotal name=\"R\">1 +</runningTotal>"),
            "test.rpt, line 3, running total 'R': Error in formula at position 4 (end of formula): a value "
            "is expected."},
        {inReport("<formula name=\"F\">'x</formula>"),
            "test.rpt, line 3, formula field 'F': Error in formula at position 1 (''x'): the text is not "
            "closed."},
        {selecting("{T.A} + 1"), "test.rpt, line 2, record selection formula: it must give true or false."},
        {inReport("<reportHeader>\n<subreport name=\"S\"><data><query>q</query>\n<selection>{T.A} ="
                  "</selection></data></subreport></reportHeader>"),
            "test.rpt, line 5, subreport 'S', record selection formula: Error in formula at position 8 (end "
            "of formula): a value is expected."},
        // Bound to the rows.
        {inReport("<details>\n<field>{T.Nope}</field></details>"),
            "test.rpt, line 4, field: Error in formula at position 1 ('{T.Nope}'): this field is not known."},
        {inReport("<reportHeader><subreport name=\"S\"><data><query>q</query></data>\n<shared "
                  "name=\"N\">{T.B}</shared></subreport></reportHeader>"),
            "test.rpt, line 4, shared value 'N': Error in formula at position 1 ('{T.B}'): this field is "
            "not known."},
        {"<report><data><query>select {?Nope}</query></data></report>",
            "test.rpt, line 1: the query names {?Nope}, which is no parameter field of the report."},
        {inReport("<formula name=\"A\">{@B}</formula>\n<formula name=\"B\">{@A}</formula>"),
            "test.rpt, line 3, formula field 'A': it refers to itself through {@B}."},
        // Evaluated while the report is laid out.
        {inReport("<details>\n<field>{T.Amt}*2</field></details>"),
            "test.rpt, line 4, field: Error in formula at position 8 ('*'): the result is too large."},
        {inReport("<formula name=\"Twice\">{T.Amt} * 2</formula>\n<details><field>{@Twice} &amp; ''</field>"
                  "</details>"),
            "test.rpt, line 3, formula field 'Twice': Error in formula at position 9 ('*'): the result is "
            "too "
            "large."},
        {inReport("<details>\n<field>{T.Name} + 1</field></details>"),
            "test.rpt, line 4, field: Error in formula at position 10 ('+'): these values cannot be used "
            "with '+'."},
        {selecting("{T.A} / 0 = 1"),
            "test.rpt, line 2, record selection formula: Error in formula at position 7 ('/'): division by "
            "zero."},
        {inReport("<details visible=\"-{T.Name} = 1\"/>"),
            "test.rpt, line 3, 'visible' condition: Error in formula at position 1 ('-'): a number is "
            "expected after '-'."},
        {inReport("<group by=\"1 / ({T.A} - 1)\"/>"),
            "test.rpt, line 3, group: Error in formula at position 3 ('/'): division by zero."},
        {inReport("<runningTotal name=\"R\">{T.Amt} + {T.Amt}</runningTotal>\n<details><field>{#R}</field>"
                  "</details>"),
            "test.rpt, line 3, running total 'R': Error in formula at position 9 ('+'): the result is too "
            "large."},
        {inReport("<reportFooter>\n<summary>{T.Amt} + {T.Amt}</summary></reportFooter>"),
            "test.rpt, line 4, summary: Error in formula at position 9 ('+'): the result is too large."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.xml.toStdString());
        EXPECT_EQ(refusal(c.xml), QString::fromUtf8(c.says));
    }
}

TEST(ReportErrors, EachLimitTakesItsNumberAndRefusesOneMore)
{
    const struct {
        QString xml;
        const char *says; // "" when it is read and rendered
    } cases[] = {
        {inReport(
             "<details><field>" + repeated("(", 200) + "{T.A}" + repeated(")", 200) + "</field></details>"),
            ""},
        {inReport(
             "<details><field>" + repeated("(", 201) + "{T.A}" + repeated(")", 201) + "</field></details>"),
            "test.rpt, line 3, field: Error in formula at position 202 ('{T.A}'): the formula nests more "
            "than "
            "200 levels deep."},
        {inReport("<details><field>0" + repeated("+1", 200) + "</field></details>"), ""},
        {inReport("<details><field>0" + repeated("+1", 201) + "</field></details>"),
            "test.rpt, line 3, field: Error in formula at position 402 ('+'): the formula nests more than "
            "200 "
            "levels deep."},
        {chainOfFields(100), ""},
        {chainOfFields(101),
            "test.rpt, line 3, formula field 'F0': it starts a chain of more than 100 formula fields, each "
            "using the next."},
        {nestedGroups(50), ""},
        {nestedGroups(51), "test.rpt, line 3: groups nest more than 50 levels deep."},
        {nestedSubreports(10), ""},
        {nestedSubreports(11), "test.rpt, line 3: subreports nest more than 10 levels deep."},
        // No element of a report holds another 200 deep: read at 200, such a
        // file is refused by what its elements are, and at 201 by its depth.
        {nestedElements(200), "test.rpt, line 3: <box> is not known in <box>."},
        {nestedElements(201), "test.rpt, line 3: elements nest more than 200 levels deep inside <report>."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.xml.left(200).toStdString());
        EXPECT_EQ(refusal(c.xml), QString::fromUtf8(c.says));
    }
}

// {?Name} in a report's query is a bound value wherever SQL reads it as
// code; in a text, a quoted name or a comment it is what it says.
TEST(ReportErrors, ParameterMarkersOnlyOutsideTextsAndNames)
{
    const struct {
        const char *query;
        const char *sent;
        int values;
    } cases[] = {
        {"select * from T where A = {?P} and B = {? P }", "select * from T where A = ? and B = ?", 2},
        {"select '{?P}' as \"T.X\", A from T where A = {?P}",
            "select '{?P}' as \"T.X\", A from T where A = ?", 1},
        {"select \"{?P}\" from T -- {?P}\nwhere A = /* {?Nope} */ {?p}",
            "select \"{?P}\" from T -- {?P}\nwhere A = /* {?Nope} */ ?", 1},
        {"select 'it''s {?P}' from T", "select 'it''s {?P}' from T", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.query);
        auto rows = std::make_shared<Rows>();
        auto r = report::Report::fromText(QStringLiteral("<report><data><query>%1</query></data>"
                                                         "<parameter name=\"P\" type=\"integer\"/></report>")
                                              .arg(QString::fromUtf8(c.query).toHtmlEscaped()),
            QStringLiteral("test.rpt"));
        r->setDataSource(rows);
        r->setParameterValue(1, 7);
        r->render();
        EXPECT_EQ(rows->lastSql, QString::fromUtf8(c.sent));
        ASSERT_EQ(rows->lastParams.size(), size_t(c.values));
        for (const db::Value &v : rows->lastParams)
            EXPECT_EQ(v.toInt(), 7);
    }
}
