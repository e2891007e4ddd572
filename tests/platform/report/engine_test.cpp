#include "platform/report/report.h"
#include "support/printers.h"

#include <gtest/gtest.h>

#include <limits>

#include <QHash>

using report::ColumnName;
using report::Document;
using report::MemoryRowSet;
using report::Report;

namespace {

db::Value money(const char *text)
{
    return db::Value(db::Money::parse(QString::fromLatin1(text)));
}

// Rows by query text: a definition's <query> names the table it gets.
class Source : public report::DataSource {
public:
    MemoryRowSet &table(const QString &query, std::vector<ColumnName> columns)
    {
        return *m_tables.insert(query, std::make_shared<MemoryRowSet>(std::move(columns))).value();
    }
    std::unique_ptr<report::RowSet> fetch(const QString &sql, const db::Params &params) override
    {
        sqls << sql;
        params_.push_back(params);
        auto it = m_tables.find(sql);
        if (it == m_tables.end())
            throw db::Error(QStringLiteral("no such table: ") + sql);
        return std::make_unique<MemoryRowSet>(*it.value());
    }
    QStringList sqls;
    std::vector<db::Params> params_; // of each fetch

private:
    QHash<QString, std::shared_ptr<MemoryRowSet>> m_tables;
};

std::shared_ptr<Report> make(const QString &xml, std::shared_ptr<Source> source)
{
    auto r = Report::fromText(xml, QStringLiteral("test.rpt"));
    r->setDataSource(std::move(source));
    return r;
}

// Vouchers of two accounts, in no particular order.
std::shared_ptr<Source> ledgerSource()
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("lines",
        {{"Accounts", "AcName"}, {"DetJV", "VouNo"}, {"DetJV", "VouDate"}, {"DetJV", "DrAmt"},
            {"DetJV", "CrAmt"}, {"MasJV", "VouStatus"}});
    t.addRow({"CASH", 3, QDate(2009, 2, 1), money("0.10"), money("0"), "CP"});
    t.addRow({"BANK", 1, QDate(2009, 1, 5), money("1000"), money("0"), "BR"});
    t.addRow({"CASH", 1, QDate(2009, 1, 2), money("0.20"), money("0"), "CP"});
    t.addRow({"BANK", 2, QDate(2009, 1, 9), money("0"), money("250.75"), "BP"});
    t.addRow({"CASH", 2, QDate(2009, 1, 20), money("0"), money("0.05"), "CR"});
    return s;
}

const char *ledgerXml = R"(<report name="ledger">
  <data>
    <query>lines</query>
    <sort by="{DetJV.VouDate}"/>
  </data>
  <runningTotal name="Balance" group="1">{DetJV.DrAmt} - {DetJV.CrAmt}</runningTotal>
  <group by="{Accounts.AcName}">
    <header height="6"><field x="0" width="60">"Account: " &amp; {Accounts.AcName}</field></header>
    <footer height="6">
      <text x="0" width="30">Total</text>
      <summary x="100" width="25" format="##,###0.00">{DetJV.DrAmt}</summary>
      <summary x="125" width="25" format="##,###0.00">{DetJV.CrAmt}</summary>
      <summary x="150" width="20" function="count"/>
    </footer>
  </group>
  <details height="5">
    <field x="0" width="25" format="dd-mm-yyyy">{DetJV.VouDate}</field>
    <field x="25" width="10">{MasJV.VouStatus}</field>
    <field x="100" width="25" format="##,###0.00" blankWhenZero="true">{DetJV.DrAmt}</field>
    <field x="125" width="25" format="##,###0.00" blankWhenZero="true">{DetJV.CrAmt}</field>
    <field x="150" width="30" format="##,###0.00">{#Balance}</field>
  </details>
  <reportFooter height="6">
    <text x="0" width="30">Grand total</text>
    <summary x="100" width="25">{DetJV.DrAmt}</summary>
    <summary x="125" width="25">{DetJV.CrAmt}</summary>
  </reportFooter>
</report>)";

} // namespace

TEST(Engine, GroupsSortsSumsAndRunningBalance)
{
    auto r = make(QString::fromUtf8(ledgerXml), ledgerSource());
    const Document &doc = r->render();
    ASSERT_EQ(doc.pageCount(), 1);
    EXPECT_EQ(doc.pageLines(0),
        QStringList({
            "Account: BANK",
            "05-01-2009 | BR | 1,000.00 | 1,000.00",
            "09-01-2009 | BP | 250.75 | 749.25",
            "Total | 1,000.00 | 250.75 | 2",
            "Account: CASH",
            "02-01-2009 | CP | 0.20 | 0.20",
            "20-01-2009 | CR | 0.05 | 0.15",
            "01-02-2009 | CP | 0.10 | 0.25",
            "Total | 0.30 | 0.05 | 3",
            "Grand total | 1,000.30 | 250.80",
        }));
}

TEST(Engine, ComputedAmountsAddUpExactly)
{
    // money(...) in a query hands computed amounts over as exact decimal text.
    auto s = std::make_shared<Source>();
    auto &t = s->table("owed", {{"Owed", "Name"}, {"Owed", "Due"}});
    t.addRow({"A", "0.10"});
    t.addRow({"B", "0.20"});
    t.addRow({"C", "1234.05"});
    auto r = make(QStringLiteral(R"(<report name="owed">
  <data><query>owed</query></data>
  <details height="5"><field x="0" width="20">{Owed.Name}</field></details>
  <reportFooter height="6"><summary x="0" width="30" format="##,###0.00">{Owed.Due}</summary></reportFooter>
</report>)"),
        s);
    EXPECT_EQ(r->render().pageLines(0), QStringList({"A", "B", "C", "1,234.35"}));
}

// Sums at the edge of 64 bits: exact up to the limit, an error naming the
// summary's line past it, never a wrapped total.
TEST(Engine, SummariesAndRunningTotalsRefuseToWrap)
{
    // Line 3 holds the running total, line 6 the summary.
    const auto render = [](std::vector<db::Value> values, bool running) {
        auto s = std::make_shared<Source>();
        auto &t = s->table("n", {{"N", "V"}});
        for (const db::Value &v : values)
            t.addRow({v});
        auto r
            = make(QStringLiteral(R"(<report name="n">
  <data><query>n</query></data>
  %1
  <reportFooter height="6">
    <summary x="0" width="50">{N.V}</summary>
  </reportFooter>
</report>)")
                       .arg(running ? QStringLiteral(R"(<runningTotal name="R">{N.V}</runningTotal>
  <details height="5"><field x="0" width="50">{#R}</field></details>)")
                                    : QStringLiteral("<!-- no running total -->\n  <details height=\"5\"/>")),
                s);
        return r->render().allLines().join(u' ');
    };
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const auto cents = [](std::int64_t c) { return db::Value(db::Money::fromCents(c)); };
    EXPECT_EQ(render({db::Value(qint64(max - 1)), db::Value(1LL)}, true),
        QStringLiteral("%1 %2 %2").arg(max - 1).arg(max));
    EXPECT_EQ(render({cents(max - 1), cents(1)}, false), "92,233,720,368,547,758.07");
    const struct {
        const char *what;
        std::vector<db::Value> values;
        bool running;
        const char *says;
    } tooLarge[] = {
        {"two whole numbers of 9e18", {db::Value(9000000000000000000LL), db::Value(9000000000000000000LL)},
            false, "test.rpt, line 6: the summary adds up to more than a number can hold."},
        {"two amounts past the limit", {cents(max / 2 + 1), cents(max / 2 + 1)}, false,
            "test.rpt, line 6: the summary adds up to more than a number can hold."},
        {"a whole number too large for an amount", {cents(1), db::Value(max)}, false,
            "test.rpt, line 6: the summary adds up to more than a number can hold."},
        {"below the lowest amount", {cents(-max), cents(-2)}, false,
            "test.rpt, line 6: the summary adds up to more than a number can hold."},
        {"a running total", {db::Value(max), db::Value(1LL)}, true,
            "test.rpt, line 3: the running total adds up to more than a number can hold."},
    };
    for (const auto &c : tooLarge) {
        try {
            const QString shown = render(c.values, c.running);
            ADD_FAILURE() << c.what << " gave " << shown.toStdString();
        } catch (const report::Error &e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromLatin1(c.says)) << c.what;
        }
    }
}

TEST(Engine, NestedGroupsDescendingWithSums)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table(
        "fees", {{"tblSession", "SessionName"}, {"tblCourse", "CourseName"}, {"tblDetApp", "NetAmt"}});
    t.addRow({"2009", "CA", money("100")});
    t.addRow({"2010", "ACCA", money("10.01")});
    t.addRow({"2009", "ACCA", money("20")});
    t.addRow({"2010", "ACCA", money("0.99")});
    t.addRow({"2009", "CA", money("5.50")});
    auto r = make(R"(<report>
      <data><query>fees</query></data>
      <group by="{tblSession.SessionName}" order="descending">
        <header height="5"><field>{tblSession.SessionName}</field></header>
        <group by="{tblCourse.CourseName}">
          <header height="5"><field x="10">{tblCourse.CourseName}</field></header>
          <footer height="5"><text x="10" width="40">Course total</text><summary x="100" width="30">{tblDetApp.NetAmt}</summary></footer>
        </group>
        <footer height="5"><text width="40">Session total</text><summary x="100" width="30">{tblDetApp.NetAmt}</summary>
          <summary x="140" width="30" scope="report">{tblDetApp.NetAmt}</summary></footer>
      </group>
    </report>)",
        s);
    EXPECT_EQ(r->render().pageLines(0),
        QStringList({
            "2010",
            "ACCA",
            "Course total | 11.00",
            "Session total | 11.00 | 136.50",
            "2009",
            "ACCA",
            "Course total | 20.00",
            "CA",
            "Course total | 105.50",
            "Session total | 125.50 | 136.50",
        }));
}

TEST(Engine, PagesRepeatTheirHeaderAndCountPages)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("rows", {{"T", "Grp"}, {"T", "N"}});
    for (int i = 1; i <= 60; ++i)
        t.addRow({i <= 45 ? "A" : "B", i});
    // Body: 297 - 2*10 margins - 10 page header - 10 page footer = 257 mm; 10 mm rows.
    auto r = make(R"(<report margins="10">
      <data><query>rows</query></data>
      <pageHeader height="10"><text>Directory</text><special x="150" width="40" kind="pageNumber"/></pageHeader>
      <group by="{T.Grp}">
        <header height="10" repeat="true"><field>"Group " &amp; {T.Grp}</field></header>
        <footer height="10" newPageAfter="true"><summary function="count"/></footer>
      </group>
      <details height="10"><field x="20" width="20">{T.N}</field></details>
      <pageFooter height="10"><special x="0" width="60" kind="pageNofM"/></pageFooter>
    </report>)",
        s);
    const Document &doc = r->render();
    ASSERT_EQ(doc.pageCount(), 3);
    const QStringList p1 = doc.pageLines(0), p2 = doc.pageLines(1), p3 = doc.pageLines(2);
    // 25 bands fit: the group header and rows 1..24.
    EXPECT_EQ(p1.first(), "Directory | 1");
    EXPECT_EQ(p1[1], "Group A");
    EXPECT_EQ(p1[2], "1");
    EXPECT_EQ(p1[p1.size() - 2], "24");
    EXPECT_EQ(p1.last(), "Page 1 of 3");
    // Group A goes on: its header is repeated under the page header.
    EXPECT_EQ(p2.mid(0, 3), QStringList({"Directory | 2", "Group A", "25"}));
    EXPECT_EQ(p2[p2.size() - 3], "45");
    EXPECT_EQ(p2[p2.size() - 2], "45"); // the count of group A
    EXPECT_EQ(p2.last(), "Page 2 of 3");
    // The footer's new page puts group B on a page of its own.
    EXPECT_EQ(p3.mid(0, 3), QStringList({"Directory | 3", "Group B", "46"}));
    EXPECT_EQ(p3[p3.size() - 2], "15");
    EXPECT_EQ(p3.last(), "Page 3 of 3");
    // The page footer sits at the bottom of every page.
    for (int p = 0; p < doc.pageCount(); ++p)
        EXPECT_DOUBLE_EQ(doc.page(p).texts.back().rect.top(), 277.0);
}

TEST(Engine, GroupHeaderIsNotLeftAloneAtThePageBottom)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("rows", {{"T", "Grp"}, {"T", "N"}});
    for (int i = 1; i <= 27; ++i)
        t.addRow({i <= 25 ? "A" : "B", i});
    // 27 bands of 10 mm fill the 277 mm body: the header of B would be the 27th.
    auto r = make(R"(<report margins="10">
      <data><query>rows</query></data>
      <group by="{T.Grp}"><header height="10"><field>"Group " &amp; {T.Grp}</field></header></group>
      <details height="10"><field x="20" width="20">{T.N}</field></details>
    </report>)",
        s);
    const Document &doc = r->render();
    ASSERT_EQ(doc.pageCount(), 2);
    EXPECT_EQ(doc.pageLines(0).size(), 26);
    EXPECT_EQ(doc.pageLines(0).last(), "25");
    EXPECT_EQ(doc.pageLines(1), QStringList({"Group B", "26", "27"}));
}

TEST(Engine, SelectionsParametersFormulasAndSubreports)
{
    auto s = std::make_shared<Source>();
    auto &m
        = s->table("select * from DetJV where SessionID = ?", {{"DetJV", "VouNo"}, {"DetJV", "VouStatus"}});
    m.addRow({1, "CP"});
    m.addRow({2, "CR"});
    m.addRow({3, "CP"});
    auto &sub = s->table("accounts", {{"Accounts", "RowID"}, {"Accounts", "AcName"}});
    sub.addRow({5, "CASH IN HAND"});
    sub.addRow({6, "HBL"});
    const QString xml = R"(<report name="rptTest">
      <data>
        <query>select * from DetJV where SessionID = {?Session}</query>
        <selection>{DetJV.VouStatus} = 'CP' and {DetJV.VouNo} >= {?From}</selection>
      </data>
      <parameter name="Session" type="integer"/>
      <parameter name="From" type="integer" default="0"/>
      <formula name="Dates">"no dates"</formula>
      <reportHeader height="5">
        <field>{@Dates}</field>
        <subreport name="rptSubAc" x="10">
          <data><query>accounts</query><selection>{Accounts.RowID} = 5</selection></data>
          <details height="5"><field>{Accounts.AcName}</field></details>
        </subreport>
      </reportHeader>
      <details height="5"><field>{DetJV.VouStatus} &amp; {DetJV.VouNo}</field></details>
    </report>)";

    auto r = make(xml, s);
    EXPECT_THROW(r->render(), report::Error) << "parameter 1 has no value and no default";
    r->setParameterValue(1, 7);
    EXPECT_EQ(r->render().allLines(), QStringList({"no dates", "CASH IN HAND", "CP1", "CP3"}));
    EXPECT_EQ(s->sqls.first(), "select * from DetJV where SessionID = ?");
    ASSERT_EQ(s->params_.front().size(), 1u);
    EXPECT_EQ(s->params_.front()[0].toInt(), 7);
    // The subreport shifts right by its x.
    EXPECT_DOUBLE_EQ(r->document()->page(0).texts[1].rect.left(), 20.0);

    r->setParameterValue(2, "2");
    r->setRecordSelectionFormula("{DetJV.VouNo} >= {?From}");
    r->setFormula("dates", "\"From :  01-01-2009\"");
    r->openSubreport("RPTSUBAC").setRecordSelectionFormula("{Accounts.RowID} = 6");
    EXPECT_EQ(r->render().allLines(), QStringList({"From :  01-01-2009", "HBL", "CR2", "CP3"}));

    r->setRecordSelectionFormula("");
    EXPECT_EQ(r->render().allLines().mid(2), QStringList({"CP1", "CR2", "CP3"}));
}

TEST(Engine, ARenderStartedDuringAnotherKeepsEachItsOwnRowsAndValues)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("rows", {{"T", "Grp"}, {"T", "N"}});
    for (int i = 1; i <= 60; ++i)
        t.addRow({i <= 40 ? "A" : "B", i});
    auto r = make(R"(<report margins="10">
      <data><query>rows</query><selection>{T.N} >= {?From}</selection></data>
      <parameter name="From" type="integer"/>
      <formula name="Title">"From " &amp; ToText({?From}, 0)</formula>
      <runningTotal name="Run" group="1">{T.N}</runningTotal>
      <pageHeader height="10"><field>{@Title}</field><special x="150" width="40" kind="pageNofM"/></pageHeader>
      <reportHeader height="10"><field>{#Late}</field>
        <subreport name="Sub"><data><query>rows</query><selection>{T.N} > 55</selection></data>
          <details height="10"><field>{T.N}</field></details>
          <shared name="Late" function="count">{T.N}</shared>
        </subreport>
      </reportHeader>
      <group by="{T.Grp}">
        <header height="10"><field>"Group " &amp; {T.Grp}</field></header>
        <footer height="10"><summary function="count"/></footer>
      </group>
      <details height="10"><field>{T.N}</field><field x="50" width="30">{#Run}</field></details>
    </report>)",
        s);
    auto pagesOf = [](const Document &doc) {
        std::vector<QStringList> out;
        for (int p = 0; p < doc.pageCount(); ++p)
            out.push_back(doc.pageLines(p));
        return out;
    };
    r->setParameterValue(1, 30);
    const std::vector<QStringList> from30 = pagesOf(r->render());
    r->setParameterValue(1, 1);
    const std::vector<QStringList> from1 = pagesOf(r->render());
    ASSERT_GE(from1.size(), 3u);
    EXPECT_EQ(from1[0].mid(0, 5), QStringList({"5", "56", "57", "58", "59"}));
    EXPECT_EQ(from30[0][6], "From 30 | Page 1 of 2");

    // The viewer lets events through between pages, so the same report may
    // be rendered again, with other values, before the first render ends.
    std::vector<QStringList> inner;
    const Document &outer = r->render([&](const std::shared_ptr<const Document> &, double) {
        if (inner.empty()) {
            r->setParameterValue(1, 30);
            inner = pagesOf(r->render());
        }
        return true;
    });
    EXPECT_EQ(pagesOf(outer), from1);
    EXPECT_EQ(inner, from30);
    EXPECT_EQ(pagesOf(r->render()), from30);
}

TEST(Engine, ReportHeaderComesBeforeThePageHeaderOrOnATitlePage)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("t", {{"T", "A"}});
    t.addRow({"row"});
    const QString xml = R"(<report><data><query>t</query></data>
      <reportHeader height="5"%1><text>Title</text>
        <subreport name="Sub"><data><query>t</query></data><details height="5"><text>sub</text></details></subreport>
      </reportHeader>
      <pageHeader height="5"><text>Heading</text></pageHeader>
      <details height="5"><field>{T.A}</field></details>
      <pageFooter height="5"><special kind="pageNofM"/></pageFooter></report>)";
    auto r = make(xml.arg(""), s);
    EXPECT_EQ(r->render().allLines(), QStringList({"Title", "sub", "Heading", "row", "Page 1 of 1"}));
    r = make(xml.arg(" newPageAfter=\"true\""), s);
    const Document &doc = r->render();
    ASSERT_EQ(doc.pageCount(), 2);
    EXPECT_EQ(doc.pageLines(0), QStringList({"Title", "sub", "Page 1 of 2"}));
    EXPECT_EQ(doc.pageLines(1), QStringList({"Heading", "row", "Page 2 of 2"}));
}

TEST(Engine, EmptyResultStillHasOnePage)
{
    auto s = std::make_shared<Source>();
    s->table("none", {{"T", "A"}});
    auto r = make(R"(<report><data><query>none</query></data>
      <pageHeader height="5"><text>Title</text></pageHeader>
      <details height="5"><field>{T.A}</field></details>
      <reportFooter height="5"><summary function="count"/></reportFooter>
      <pageFooter height="5"><special kind="pageNofM"/></pageFooter></report>)",
        s);
    EXPECT_EQ(r->render().allLines(), QStringList({"Title", "0", "Page 1 of 1"}));
}

TEST(Engine, SectionsShownOnCondition)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("t", {{"T", "A"}, {"T", "Amt"}});
    t.addRow({"x", money("0")});
    t.addRow({"y", money("2.5")});
    auto r = make(R"(<report><data><query>t</query></data>
      <details height="5" visible="{T.Amt} &lt;&gt; 0"><field>{T.A}</field><field x="50" width="20">{T.Amt}</field></details>
    </report>)",
        s);
    EXPECT_EQ(r->render().allLines(), QStringList({"y | 2.50"}));
}

TEST(Engine, GrowingTextsKeepEveryCharacterAndMoveWhatFollowsDown)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("t", {{"T", "Note"}, {"T", "Amt"}});
    const QString note = QStringLiteral("PAID FOR THE WHOLE TERM BY CHEQUE ") + QString(40, u'7')
        + QStringLiteral(" AS AGREED");
    t.addRow({note, money("10")});
    t.addRow({"SHORT", money("2")});
    auto r = make(R"(<report><data><query>t</query></data>
      <details height="10">
        <field x="0" width="30" grow="true">{T.Note}</field>
        <field x="30" width="20">{T.Amt}</field>
        <text x="0" y="5" width="50">Signed</text>
        <line x1="0" y1="9" x2="50" y2="9"/>
      </details>
    </report>)",
        s);
    const Document &doc = r->render();
    const QStringList lines = doc.allLines();
    ASSERT_GE(lines.size(), 6) << lines.join('\n').toStdString();
    // The first line of the note stands beside the amount; the rest follow
    // under it, then the text that stood below the note.
    EXPECT_TRUE(lines[0].endsWith(" | 10.00")) << lines.join('\n').toStdString();
    const qsizetype signedAt = lines.indexOf("Signed");
    ASSERT_GT(signedAt, 1) << lines.join('\n').toStdString();
    QString joined;
    for (qsizetype i = 0; i < signedAt; ++i)
        joined += lines[i].section(" | ", 0, 0);
    EXPECT_EQ(joined.remove(u' '), QString(note).remove(u' '));
    EXPECT_EQ(lines.mid(signedAt + 1), QStringList({"SHORT | 2.00", "Signed"}));
    // The line under the grown band moved with it, and the next row starts below it.
    const report::Page page = doc.page(0);
    double signedTop = 0, shortTop = 0;
    for (const report::TextItem &item : page.texts) {
        EXPECT_FALSE(item.wrap);
        if (item.text == "Signed" && signedTop == 0)
            signedTop = item.rect.top();
        if (item.text == "SHORT")
            shortTop = item.rect.top();
    }
    ASSERT_EQ(page.lines.size(), 2u);
    EXPECT_GT(page.lines[0].line.y1(), signedTop);
    EXPECT_GT(shortTop, page.lines[0].line.y1());
}

TEST(Engine, TotalsTooWideForTheirBoxAreDrawnSmaller)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("t", {{"T", "Amt"}});
    t.addRow({money("999999999999.99")});
    t.addRow({money("-2000000349999.89")});
    auto r = make(R"(<report fontSize="9"><data><query>t</query></data>
      <details height="5"><field x="0" width="40" format="##,###0.00" shrinkToFit="true">{T.Amt}</field></details>
      <reportFooter height="5"><summary x="0" width="40" format="##,###0.00" shrinkToFit="true">{T.Amt}</summary></reportFooter>
    </report>)",
        s);
    const Document &doc = r->render();
    EXPECT_EQ(doc.allLines(),
        QStringList({"999,999,999,999.99", "-2,000,000,349,999.89", "-1,000,000,349,999.90"}));
    const auto texts = doc.page(0).texts;
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_DOUBLE_EQ(doc.styles[texts[0].style].pointSize, 9);
    for (size_t i : {1, 2}) {
        const report::TextStyle &style = doc.styles[texts[i].style];
        EXPECT_LT(style.pointSize, 9) << texts[i].text.toStdString();
        EXPECT_GT(style.pointSize, 6) << texts[i].text.toStdString();
    }
}

TEST(Engine, FailuresLeaveTheLastDocument)
{
    auto s = std::make_shared<Source>();
    auto &t = s->table("t", {{"T", "A"}});
    t.addRow({1});
    const QString xml = R"(<report name="rptT"><data><query>t</query></data>
      <parameter name="P" type="integer" default="1"/>
      <formula name="F">"f"</formula>
      <formula name="Loop1">{@Loop2}</formula><formula name="Loop2">{@Loop1}</formula>
      <reportHeader><subreport name="Sub"><data><query>t</query></data></subreport></reportHeader>
      <details height="5"><field>{T.A}</field></details></report>)";
    std::shared_ptr<Report> r;
    const Document *first = nullptr;

    const struct {
        std::function<void()> act;
        const char *message;
    } cases[] = {
        {[&] { r->setRecordSelectionFormula("{T.B} = 1"); },
            "test.rpt, line 1, record selection formula: Error in formula at position 1 ('{T.B}'): this "
            "field is not known."},
        {[&] { r->setRecordSelectionFormula("{T.A} = "); },
            "test.rpt, line 1, record selection formula: Error in formula at position 9 (end of formula): a "
            "value is "
            "expected."},
        {[&] { r->setRecordSelectionFormula("{T.A} + 1"); },
            "test.rpt, line 1, record selection formula: it must give true or false."},
        {[&] { r->setParameterValue(2, 1); }, "The report 'rptT' has no parameter field 2 (it has 1)."},
        {[&] { r->setParameterValue(0, 1); }, "The report 'rptT' has no parameter field 0 (it has 1)."},
        {[&] { r->setParameterValue(1, "abc"); },
            "The parameter field 1 ('P') takes a whole number, not 'abc'."},
        {[&] { r->setParameterValue(1, 4294967296LL); },
            "The parameter field 1 ('P') takes a whole number of 32 bits, not '4294967296'."},
        {[&] { r->setFormula("Course", "\"x\""); }, "The report 'rptT' has no formula field named 'Course'."},
        {[&] { r->setFormula("F", "\"x"); },
            "test.rpt, line 3, formula field 'F': Error in formula at position 1 ('\"x'): the text is not "
            "closed."},
        {[&] { r->setFormula("F", "{T.Nope}"); },
            "test.rpt, line 3, formula field 'F': Error in formula at position 1 ('{T.Nope}'): this field is "
            "not known."},
        {[&] { r->openSubreport("rptSubAcOpen"); },
            "The report 'rptT' has no subreport named 'rptSubAcOpen'."},
        {[&] { r->openSubreport("Sub").setRecordSelectionFormula("{T.Z} = 1"); },
            "test.rpt, line 5, subreport 'Sub', record selection formula: Error in formula at position 1 "
            "('{T.Z}'): this field "
            "is not "
            "known."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        auto fresh = make(xml, s);
        r = fresh;
        r->setFormula("Loop1", "1"); // no cycle, unless a case puts it back
        first = &r->render();
        try {
            c.act();
            r->render();
            ADD_FAILURE() << "no error";
        } catch (const report::Error &e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(c.message));
        }
        EXPECT_EQ(r->document(), first);
        EXPECT_EQ(first->allLines(), QStringList({"1"}));
    }

    auto cyclic = make(xml, s);
    try {
        cyclic->render();
        ADD_FAILURE() << "no error";
    } catch (const report::Error &e) {
        EXPECT_EQ(e.text(), "test.rpt, line 4, formula field 'Loop1': it refers to itself through {@Loop2}.");
    }
    auto unlogged = Report::fromText(xml, "x.rpt");
    EXPECT_THROW(unlogged->render(), report::Error);
}

TEST(Definition, FaultsNameTheFileAndLine)
{
    const struct {
        const char *xml;
        const char *message;
    } cases[] = {
        {"<report>", "bad.rpt, line 1: Premature end of document."},
        {"<page/>", "bad.rpt, line 1: the file must hold one <report> element."},
        {"<report>\n<details/></report>", "bad.rpt, line 1: the report needs <data> with a <query>."},
        {"<report><data><query>q</query></data>\n<detail/></report>",
            "bad.rpt, line 2: <detail> is not known here."},
        {"<report><data><query>q</query></data>\n<details hieght=\"5\"/></report>",
            "bad.rpt, line 2: <details> has no attribute 'hieght'."},
        {"<report><data><query>q</query></data><details>\n<field x=\"a\">{T.A}</field></details></report>",
            "bad.rpt, line 2: 'x' must be a number of millimetres, not 'a'."},
        {"<report><data><query>q</query></data><details>\n<summary "
         "function=\"total\">{T.A}</summary></details></report>",
            "bad.rpt, line 2: 'function' must be one of sum, count, min, max, "
            "average, not 'total'."},
        {"<report><data><query>q</query></data><details>\n<field>{T.A} = </field></details></report>",
            "bad.rpt, line 2, field: Error in formula at position 8 (end of formula): a value is expected."},
        {"<report><data><query>q</query>\n<selection>{T.A} +</selection></data></report>",
            "bad.rpt, line 2, record selection formula: Error in formula at position 8 (end of formula): a "
            "value is "
            "expected."},
        {"<report><data><query>q</query></data><formula name=\"A\">1</formula>\n<formula "
         "name=\"a\">2</formula></report>",
            "bad.rpt, line 2: the formula field 'a' is defined twice."},
        {"<report><data><query>q</query></data><reportHeader><subreport "
         "name=\"S\"><data><query>q</query></data>"
         "\n<pageHeader/></subreport></reportHeader></report>",
            "bad.rpt, line 1: a subreport has no page header or footer."},
        {"<report><data><query>q</query></data>\n<runningTotal name=\"B\" "
         "group=\"2\">1</runningTotal></report>",
            "bad.rpt, line 2: the report has no group 2."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.xml);
        try {
            Report::fromText(QString::fromUtf8(c.xml), "bad.rpt");
            ADD_FAILURE() << "no error";
        } catch (const report::Error &e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(c.message));
        }
    }
    try {
        Report::open("/nonexistent/rptNone.rpt");
        ADD_FAILURE() << "no error";
    } catch (const report::Error &e) {
        EXPECT_EQ(e.text(), "The report file '/nonexistent/rptNone.rpt' was not found.");
    }
}

namespace {

// Rows made as they are fetched, a part at a time; a part let go is gone,
// and reading one of its rows is a fault of the engine.
class GeneratedParts : public report::RowSet {
public:
    GeneratedParts(int rows, int part)
        : m_rows(rows)
        , m_part(part)
    {
        fetchMore();
    }
    const std::vector<ColumnName> &columns() const override { return m_columns; }
    int rowCount() const override { return m_fetched; }
    const db::Value &at(int row, int column) const override
    {
        if (row < m_released) {
            ADD_FAILURE() << "row " << row << " read after it was let go";
            return m_none;
        }
        return m_values[size_t(row - m_released) * 2 + size_t(column)];
    }
    bool fetchMore() override
    {
        if (m_fetched == m_rows)
            return false;
        const int n = std::min(m_part, m_rows - m_fetched);
        for (int i = 0; i < n; ++i) {
            const int number = m_fetched + i + 1;
            m_values.emplace_back(number);
            m_values.emplace_back(db::Money::fromCents(number % 7 == 0 ? 250 : 100));
        }
        m_fetched += n;
        mostHeld = std::max(mostHeld, m_fetched - m_released);
        return true;
    }
    void release(int row) override
    {
        // Whole parts only, as a source read in parts lets them go.
        const int upTo = row / m_part * m_part;
        if (upTo <= m_released)
            return;
        m_values.erase(m_values.begin(), m_values.begin() + size_t(upTo - m_released) * 2);
        m_released = upTo;
    }
    static inline int mostHeld = 0;

private:
    int m_rows, m_part, m_fetched = 0, m_released = 0;
    std::vector<ColumnName> m_columns {{"T", "N"}, {"T", "Amt"}};
    std::vector<db::Value> m_values;
    db::Value m_none;
};

class PartsSource : public report::DataSource {
public:
    std::unique_ptr<report::RowSet> fetch(const QString &, const db::Params &) override
    {
        return std::make_unique<GeneratedParts>(rows, 500);
    }
    int rows = 0;
};

} // namespace

// A report in its rows' order keeps only the part of its rows being laid
// out: running figures, page counts and the footer's totals come from the
// one pass, whatever the selection leaves out.
TEST(Engine, ALongReportInItsRowsOrderLetsTheRowsLaidOutGo)
{
    auto source = std::make_shared<PartsSource>();
    source->rows = 20000;
    auto r = Report::fromText(R"(<report margins="10">
      <data><query>t</query><selection>{T.N} &lt;&gt; 777 and {T.N} &lt;&gt; 15000</selection></data>
      <runningTotal name="Run">{T.Amt}</runningTotal>
      <details height="5">
        <field x="0" width="30">{T.N}</field>
        <field x="30" width="40" format="##,###0.00">{#Run}</field>
      </details>
      <pageFooter height="7"><special x="0" y="1" width="60" kind="pageNofM"/></pageFooter>
      <reportFooter height="6">
        <text x="0" width="30">Total</text>
        <summary x="30" width="40" format="##,###0.00">{T.Amt}</summary>
        <summary x="70" width="20" function="count"/>
        <summary x="90" width="20" function="max">{T.N}</summary>
      </reportFooter>
    </report>)",
        "parts.rpt");
    r->setDataSource(source);
    GeneratedParts::mostHeld = 0;
    const Document &doc = r->render();
    EXPECT_LE(GeneratedParts::mostHeld, 1000) << "two parts at most";
    // 19,998 rows: those of 7, 14, ... add 2.50, the rest 1.00.
    std::int64_t cents = 0;
    for (int n = 1; n <= 20000; ++n)
        if (n != 777 && n != 15000)
            cents += n % 7 == 0 ? 250 : 100;
    const QStringList last = doc.pageLines(doc.pageCount() - 1);
    ASSERT_GE(last.size(), 3);
    const QStringList total = last[last.size() - 2].split(" | ");
    ASSERT_EQ(total.size(), 4) << last.join('\n').toStdString();
    EXPECT_EQ(total[0], "Total");
    EXPECT_EQ(QString(total[1]).remove(u','), db::Money::fromCents(cents).toString());
    EXPECT_EQ(total.mid(2), QStringList({"19998", "20000"}));
    EXPECT_EQ(last[last.size() - 3], "20000 | " + total[1]);
    EXPECT_EQ(last.last(), QStringLiteral("Page %1 of %1").arg(doc.pageCount()));
    EXPECT_LE(doc.pagesHeld(), 4);
}
