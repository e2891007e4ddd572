#include "books/journal.h"
#include "reports/fixture.h"
#include "support/testengine.h"

namespace {

class Procedures : public ReportsFixture {
protected:
    QStringList ledger()
    {
        return rows(
            QStringLiteral("Select LineNo, VouDate, VouStatus, VouNo, EntryNo, OppName, Naration, DrAmt, "
                           "CrAmt, Balance From rptLedger Order By LineNo"));
    }
    QStringList trial()
    {
        return rows(
            QStringLiteral("Select AcName, ControlName, SubName, OpenDr, OpenCr, DrAmt, CrAmt, CloseDr, "
                           "CloseCr From rptTrialBalance Order By AcNodes"));
    }
    // "open Dr|open Cr|Dr|Cr|close Dr|close Cr" summed over the whole table.
    QString trialTotals()
    {
        return rows(QStringLiteral("Select money(sum(OpenDr)), money(sum(OpenCr)), money(sum(DrAmt)), "
                                   "money(sum(CrAmt)), money(sum(CloseDr)), money(sum(CloseCr)) "
                                   "From rptTrialBalance"))
            .value(0);
    }
};

TEST_F(Procedures, SimpleLedgerRunsFromTheOpeningBalanceThroughTheInclusiveRange)
{
    postVouchers();
    // Bound arguments, as the report window sends them.
    gConn->execute(QStringLiteral("exec AcLedger ?,?,?"), {cash, "2024-03-05", "2024-03-31"});
    EXPECT_EQ(ledger(),
        (QStringList {"0|2024-03-05|-|-|-|-|Opening Balance|0.00|0.00|150.50",
            "1|2024-03-05|CP|2|-|(several accounts)||0.00|312.35|-161.85",
            "2|2024-03-10|CR|1|-|FEE INCOME||500.10|0.00|338.25"}));
    // A cash voucher's total row names no opposite account: it is told by
    // the voucher's other rows, per posting too.
    gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,2,2024,10,3,2024"), {cash});
    EXPECT_EQ(rows("Select VouStatus, VouNo, OppAc, OppName From rptLedger Where LineNo > 0 Order By LineNo"),
        (QStringList {QStringLiteral("CP|1|%1|RENT").arg(rent), "CP|2|-|(several accounts)",
            QStringLiteral("CR|1|%1|FEE INCOME").arg(fees)}));

    // The literal form, and a voucher posting to the account twice makes one line.
    exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, Naration) "
         "Values (2, 'JV', '2024-03-31', 1, ?, ?, ?, 0, 'SPLIT'), (2, 'JV', '2024-03-31', 1, ?, ?, 0, ?, "
         "'SPLIT'), "
         "(2, 'JV', '2024-03-31', 2, ?, ?, ?, 0, 'SPLIT'), (2, 'JV', '2024-03-31', 2, ?, ?, 0, ?, 'SPLIT')",
        {tea, rent, money("1.00"), rent, tea, money("1.00"), tea, hbl, money("2.00"), hbl, tea,
            money("2.00")});
    gConn->execute(QStringLiteral("exec AcLedger %1,'2024-03-01','2024-03-31'").arg(tea));
    EXPECT_EQ(ledger(),
        (QStringList {"0|2024-03-01|-|-|-|-|Opening Balance|0.00|0.00|0.00",
            "1|2024-03-05|CP|2|-|CASH IN HAND|TEA|12.35|0.00|12.35",
            "2|2024-03-31|JV|2|-|(several accounts)|SPLIT|3.00|0.00|15.35"}));

    // The voucher's line takes the first narration and cheque number that are not empty.
    exec(
        "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, ChecqNo, "
        "Naration) "
        "Values (3, 'JV', '2024-03-31', 2, ?, ?, ?, 0, '', 'SECOND'), (3, 'JV', '2024-03-31', 1, ?, ?, ?, 0, "
        "'C-1', ''), (3, 'JV', '2024-03-31', 3, ?, ?, ?, 0, 'C-3', 'THIRD')",
        {tea, rent, money("1.00"), tea, rent, money("1.00"), tea, rent, money("1.00")});
    gConn->execute(QStringLiteral("exec AcLedger %1,'2024-03-01','2024-03-31'").arg(tea));
    EXPECT_EQ(rows("Select OppName, ChecqNo, Naration, DrAmt, Balance From rptLedger Where VouNo = 3"),
        QStringList {"RENT|C-1|SECOND|3.00|18.35"});
}

TEST_F(Procedures, AVoucherLineTakesTheNarrationOfItsFirstPostingByEntryThenRow)
{
    struct Posting {
        db::Value entry;
        const char *narration;
    };
    const struct {
        int vouNo;
        std::vector<Posting> postings; // in the order they are written
        const char *first;
    } cases[] = {
        {11, {{10, "TENTH"}, {9, "NINTH"}}, "NINTH"},
        {12, {{1, "FIRST"}, {db::Value(), "NO ENTRY"}}, "NO ENTRY"},
        {13, {{2, "WRITTEN FIRST"}, {2, "WRITTEN SECOND"}, {1, ""}}, "WRITTEN FIRST"},
        {14, {{-1, "BELOW ZERO"}, {0, "ZERO"}}, "BELOW ZERO"},
    };
    for (const auto &c : cases)
        for (const Posting &p : c.postings)
            exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, "
                 "Naration) "
                 "Values (?, 'JV', '2024-03-31', ?, ?, ?, ?, 0, ?)",
                {c.vouNo, p.entry, tea, rent, money("1.00"), p.narration});
    gConn->execute(QStringLiteral("exec AcLedger ?,?,?"), {tea, "2024-03-01", "2024-03-31"});
    for (const auto &c : cases)
        EXPECT_EQ(rows("Select Naration From rptLedger Where VouNo = ?", {c.vouNo}),
            QStringList {QString::fromLatin1(c.first)})
            << c.vouNo;
}

TEST_F(Procedures, DetailLedgerListsEveryPostingWithItsOppositeAccount)
{
    postVouchers();
    // Day, month and year as plain numbers, both ends included.
    gConn->execute(QStringLiteral("exec DetailAcLedger %1,5,3,2024,1,4,2024").arg(rent));
    EXPECT_EQ(ledger(),
        (QStringList {"0|2024-03-05|-|-|-|-|Opening Balance|0.00|0.00|100.00",
            "1|2024-03-05|CP|2|1|CASH IN HAND|MARCH RENT|300.00|0.00|400.00",
            "2|2024-03-31|BP|1|1|HBL BANK|BANK CHARGES|0.05|0.00|400.05",
            "3|2024-04-01|JV|1|1|TEA|RECLASS|0.00|40.00|360.05"}));
}

TEST_F(Procedures, ARunReplacesThePreviousOneWholeAndAFailedRunLeavesItAsItWas)
{
    postVouchers();
    gConn->execute(QStringLiteral("exec AcLedger ?,?,?"), {rent, "2024-01-01", "2024-12-31"});
    const QStringList rentLedger = ledger();
    ASSERT_EQ(rentLedger.size(), 5);

    struct Case {
        const char *call;
        db::Params args;
        const char *error;
    };
    const Case bad[] = {
        {"exec AcLedger ?,?,?", {cash, "2024-03-01", "31.02.2024x"}, "is not a date"},
        {"exec AcLedger ?,?", {cash, "2024-03-01"}, "expects 3 argument(s)"},
        {"exec AcLedger ?,?,?", {"", "2024-03-01", "2024-03-31"}, "is not a whole number"},
        {"exec DetailAcLedger ?,31,2,2024,1,3,2024", {cash}, "is not a date"},
        {"exec TrialBalance3 ?,?", {"2024-13-01", "2024-03-31"}, "is not a date"},
        {"exec CreatStuWiseDet ?,0,0", {db::Value()}, "is not a whole number"},
    };
    for (const Case &c : bad) {
        try {
            gConn->execute(QString::fromLatin1(c.call), c.args);
            ADD_FAILURE() << c.call << " did not fail";
        } catch (const db::Error &e) {
            EXPECT_TRUE(e.text().contains(QLatin1String(c.error))) << e.text().toStdString();
        }
        EXPECT_EQ(ledger(), rentLedger) << c.call;
    }

    gConn->execute(QStringLiteral("exec AcLedger ?,?,?"), {hbl, "2024-03-01", "2024-03-31"});
    EXPECT_EQ(ledger(),
        (QStringList {"0|2024-03-01|-|-|-|-|Opening Balance|0.00|0.00|1000.00",
            "1|2024-03-31|BP|1|-|RENT|BANK CHARGES|0.00|0.05|999.95"}));
}

TEST_F(Procedures, TrialBalanceOfBalancedVouchersAgrees)
{
    postVouchers();
    gConn->execute(QStringLiteral("exec TrialBalance '2024-03-01','2024-03-31'"));
    EXPECT_EQ(trial(),
        (QStringList {"HBL BANK|ASSETS|BANKS|0.00|0.00|0.00|0.05|0.00|0.05",
            "CASH IN HAND|ASSETS|CASH|0.00|0.00|500.10|312.35|187.75|0.00",
            "FEE INCOME|INCOME|FEES|0.00|0.00|0.00|500.10|0.00|500.10",
            "RENT|EXPENSES|OFFICE|0.00|0.00|300.05|0.00|300.05|0.00",
            "TEA|EXPENSES|OFFICE|0.00|0.00|12.35|0.00|12.35|0.00"}));
    EXPECT_EQ(trialTotals(), "0.00|0.00|812.50|812.50|500.15|500.15");

    gConn->execute(QStringLiteral("exec TrialBalance3 ?,?"), {"2024-03-01", "2024-03-31"});
    EXPECT_EQ(trial(),
        (QStringList {"HBL BANK|ASSETS|BANKS|1000.00|0.00|0.00|0.05|999.95|0.00",
            "CASH IN HAND|ASSETS|CASH|150.50|0.00|500.10|312.35|338.25|0.00",
            "FEE INCOME|INCOME|FEES|0.00|1250.50|0.00|500.10|0.00|1750.60",
            "RENT|EXPENSES|OFFICE|100.00|0.00|300.05|0.00|400.05|0.00",
            "TEA|EXPENSES|OFFICE|0.00|0.00|12.35|0.00|12.35|0.00"}));
    EXPECT_EQ(trialTotals(), "1250.50|1250.50|812.50|812.50|1750.60|1750.60");
}

TEST_F(Procedures, TrialBalanceKeepsPostingsItCannotPlaceSoTheTotalsStayTrue)
{
    postVouchers();
    // A one-sided posting to an account that has left the chart.
    exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, CrAmt) "
         "Values (9, 'AR', '2024-03-15', 1, 999, 0, ?)",
        {money("75.25")});
    gConn->execute(QStringLiteral("exec TrialBalance ?,?"), {"2024-03-01", "2024-03-31"});
    EXPECT_EQ(trialTotals(), "0.00|0.00|812.50|887.75|500.15|575.40");
    EXPECT_EQ(rows(QStringLiteral("Select AcCode, AcName, CrAmt From rptTrialBalance Where AcCode = 999")),
        QStringList {"999|(account 999, not in the chart of accounts)|75.25"});
}

// An account with only an opening balance shows in the trial balance with
// opening alone; a control's net balance is on each of its accounts' rows,
// counted once, on its first account's.
TEST_F(Procedures, AnOpeningAloneShowsOnlyWithOpeningAndEachControlNetsItsAccounts)
{
    postVouchers();
    addAccount("3.1.3", "PETTY", "DD", nullptr, "40.00");
    gConn->execute(QStringLiteral("exec TrialBalance ?,?"), {"2024-03-01", "2024-03-31"});
    EXPECT_FALSE(trial().join('\n').contains("PETTY"));

    gConn->execute(QStringLiteral("exec TrialBalance3 ?,?"), {"2024-03-01", "2024-03-31"});
    EXPECT_TRUE(trial().contains("PETTY|EXPENSES|OFFICE|40.00|0.00|0.00|0.00|40.00|0.00"));
    EXPECT_EQ(rows(QStringLiteral("Select AcName, ControlDr, ControlCr, ControlFirst From rptTrialBalance "
                                  "Order By AcNodes")),
        (QStringList {"HBL BANK|1338.20|0.00|1", "CASH IN HAND|1338.20|0.00|0", "FEE INCOME|0.00|1750.60|1",
            "RENT|452.40|0.00|1", "TEA|452.40|0.00|0", "PETTY|452.40|0.00|0"}));
}

class StudentDetail : public ReportsFixture {
protected:
    void SetUp() override
    {
        ReportsFixture::SetUp();
        exec("Insert Into tblSession (SessionId, SessionName) Values (4, '2024 SPRING'), (5, '2024 FALL')");
        exec("Insert Into tblCourse (CourseId, CourseName) Values (7, 'CA'), (8, 'ACCA')");
        exec("Insert Into tblSubject (SubId, CourseId, SubName, TotAmt) Values (71, 7, 'AUDIT', 0), "
             "(72, 7, 'TAX', 0), (81, 8, 'F1', 0)");
        ali = addAccount("1.3.1", "ALI", "DD");
        bilal = addAccount("1.3.2", "BILAL", "DD");
        app(1, "ALI", 4, ali,
            {{71, "5000", "1000", nullptr}, {72, "3000", nullptr, "1"}, {81, "2000", "2000", nullptr}});
        app(2, "BILAL", 4, bilal, {{71, "4000", nullptr, nullptr}, {72, nullptr, "100", nullptr}});
        app(3, "ZAFAR", 5, 0, {{71, "4000", "10", nullptr}});
        // What counts as received on a subject: the 'FR' and 'CF' credits to
        // the student's account for it, not the admission receipt's 'AR' pair.
        fee("FR", ali, 71, "1500.00");
        fee("CF", ali, 71, "500.00");
        fee("AR", ali, 71, "1000.00");
        fee("FR", ali, 72, "250.25");
        fee("FR", bilal, 81, "99.00");
    }
    struct Line {
        int sub;
        const char *net, *rec, *inactive;
    };
    void app(int id, const char *name, int session, std::int64_t account, std::vector<Line> lines)
    {
        exec("Insert Into tblMasApp (AppID, RegNo, StuName, SessionID, CusCode) Values (?, ?, ?, ?, ?)",
            {id, QStringLiteral("R-%1").arg(id), name, session, account ? db::Value(account) : db::Value()});
        // Each value built apart: conditional temporaries inside one braced
        // list make GCC's optimiser warn of a QString read uninitialised.
        for (const Line &l : lines) {
            db::Params row {id, l.sub, {}, {}, {}};
            if (l.net)
                row[2] = money(l.net);
            if (l.rec)
                row[3] = money(l.rec);
            if (l.inactive)
                row[4] = l.inactive;
            exec(
                "Insert Into tblDetApp (AppID, SubID, NetAmount, RecAmount, InActive) Values (?, ?, ?, ?, ?)",
                row);
        }
    }
    void fee(const char *kind, std::int64_t account, int sub, const char *amount)
    {
        exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, CrAmt, SessionID, SubID) "
             "Values (1, ?, '2024-03-01', 1, ?, 0, ?, 4, ?)",
            {kind, account, money(amount), sub});
    }
    QStringList detail()
    {
        return rows(
            QStringLiteral("Select SessionName, CourseName, SubName, StuName, NetAmount, RecAmount, "
                           "FeeReceived, Received, Balance, inactive From rptStudentDetail Order By LineNo"));
    }
    std::int64_t ali = 0, bilal = 0;
};

TEST_F(StudentDetail, SessionCourseAndSubjectNarrowTheLinesWithWhatIsReceivedAndDue)
{
    gConn->execute(QStringLiteral("exec CreatStuWiseDet 4,0,0 "));
    EXPECT_EQ(detail(),
        (QStringList {"2024 SPRING|ACCA|F1|ALI|2000.00|2000.00|0.00|2000.00|0.00|-",
            "2024 SPRING|CA|AUDIT|ALI|5000.00|1000.00|2000.00|3000.00|2000.00|-",
            "2024 SPRING|CA|AUDIT|BILAL|4000.00|0.00|0.00|0.00|4000.00|-",
            "2024 SPRING|CA|TAX|ALI|3000.00|0.00|250.25|250.25|2749.75|1",
            "2024 SPRING|CA|TAX|BILAL|0.00|100.00|0.00|100.00|0.00|-"}));

    gConn->execute(QStringLiteral("exec CreatStuWiseDet 4, 7, 0"));
    EXPECT_EQ(detail().size(), 4);
    EXPECT_TRUE(detail().filter(QStringLiteral("ACCA")).isEmpty());

    gConn->execute(QStringLiteral("exec CreatStuWiseDet ?, ?, ?"), {"4", "7", "72"});
    EXPECT_EQ(detail(),
        (QStringList {"2024 SPRING|CA|TAX|ALI|3000.00|0.00|250.25|250.25|2749.75|1",
            "2024 SPRING|CA|TAX|BILAL|0.00|100.00|0.00|100.00|0.00|-"}));

    gConn->execute(QStringLiteral("exec CreatStuWiseDet 6,0,0"));
    EXPECT_TRUE(detail().isEmpty());
}

} // namespace

namespace {

TEST_F(Procedures, WorkTablesBelongToTheConnectionThatFilledThem)
{
    postVouchers();
    db::Connection other;
    other.setProperty("Data Source", serverPath());
    other.setProperty("User ID", "sa");
    other.setProperty("Password", saPassword());
    other.open();
    gConn->execute("exec AcLedger ?,?,?", {rent, "2024-01-01", "2024-12-31"});
    other.execute("exec AcLedger ?,?,?", {hbl, "2024-01-01", "2024-12-31"});
    gConn->execute("exec TrialBalance ?,?", {"2024-03-01", "2024-03-31"});
    EXPECT_EQ(column("Select distinct AcCode From rptLedger"), QStringList {QString::number(rent)});
    EXPECT_EQ(other.scalar("Select count(*) From rptLedger Where AcCode <> ?", {hbl}).toInt(), 0);
    EXPECT_GT(scalar("Select count(*) From rptTrialBalance").toInt(), 0);
    EXPECT_EQ(other.scalar("Select count(*) From rptTrialBalance").toInt(), 0) << "never filled there";
    // No shared table holds them: a connection that never ran a procedure has none.
    db::Connection third;
    third.setProperty("User ID", "sa");
    third.setProperty("Password", saPassword());
    third.setProperty("Data Source", serverPath());
    third.open();
    for (const char *table : {"rptLedger", "rptTrialBalance", "rptStudentDetail"})
        EXPECT_FALSE(third.hasTable(QLatin1String(table))) << table;
}

// The plan of the trial balance's sums: whole months come from the totals
// the journal keeps, and only the part months at a period's ends from the
// postings, found by date; the whole journal is never read.
int g_plans = 0;
QStringList g_plan;
void planOfTheSum(const QString &sql)
{
    if (!sql.contains(u"Group By AcCode") || sql.startsWith(u"explain"))
        return;
    // Read as the statement starts, while its work tables are there; its
    // parameters unbound.
    try {
        db::Recordset plan;
        plan.open(QStringLiteral("explain query plan ") + sql, *gConn, db::Params(size_t(sql.count(u'?'))));
        for (; !plan.eof(); plan.moveNext())
            g_plan << plan.fields(3).toString();
        ++g_plans;
    } catch (const db::Error &e) {
        ADD_FAILURE() << e.text().toStdString();
    }
}

TEST_F(Procedures, TrialBalanceReadsWholeMonthsFromTheKeptTotalsAndOnlyPartMonthsFromThePostings)
{
    ORU_EMBEDDED_ONLY("reads the embedded engine's query plan");
    postVouchers();
    const struct {
        const char *from, *to;
        int partMonths; // read from the postings, opening and period together
    } cases[]
        = {{"2024-03-01", "2024-03-31", 0}, {"2024-03-05", "2024-03-31", 2}, {"2024-02-10", "2024-03-20", 3}};
    for (const auto &c : cases) {
        g_plans = 0;
        g_plan.clear();
        conn().setStatementObserver(planOfTheSum);
        gConn->execute("exec TrialBalance3 ?,?", {c.from, c.to});
        conn().setStatementObserver({});
        ASSERT_EQ(g_plans, 1) << c.from;
        const QStringList postings = g_plan.filter("DetJV");
        EXPECT_EQ(postings.size(), c.partMonths) << c.from << "\n" << g_plan.join('\n').toStdString();
        for (const QString &step : postings)
            EXPECT_TRUE(step.startsWith("SEARCH DetJV USING INDEX")) << c.from << "\n"
                                                                     << g_plan.join('\n').toStdString();
        EXPECT_FALSE(g_plan.filter("AcMonthBal").isEmpty()) << g_plan.join('\n').toStdString();
    }
}

// A ledger longer than its first part: the rest is written when the table
// is next read, numbered and balanced on from the first lines, and in the
// ledger's order whatever another copy saves in between: a voucher dated
// among the first lines stays out (the first page was shown without it),
// one dated after them comes in its place, none twice.
TEST_F(Procedures, ALongLedgersLaterLinesAreWrittenWhenTheTableIsNextRead)
{
    {
        // 1,100 cash payments of 2024, four a day (written in one go, the
        // month totals rebuilt once).
        db::Transaction tx(*gConn);
        const QString insert = QStringLiteral(
            "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, Naration) "
            "Values (?, 'CP', ?, 1, ?, ?, ?, 0, 'PAID'), (?, 'CP', ?, 2, ?, Null, 0, ?, '')");
        for (int no = 1; no <= 1100; ++no) {
            const QDate date = QDate(2024, 1, 1).addDays((no - 1) / 4);
            gConn->execute(
                insert, {no, date, no % 2 ? rent : tea, cash, money("1.25"), no, date, cash, money("1.25")});
        }
        books::rebuildTotals(*gConn);
        tx.commit();
    }
    for (const char *call :
        {"exec DetailAcLedger ?,1,1,2024,31,12,2024", "exec AcLedger ?,'2024-01-01','2024-12-31'"}) {
        SCOPED_TRACE(call);
        exec("Delete From DetJV Where VouNo > 1100");
        gConn->execute(QString::fromLatin1(call), {cash});
        {
            db::Connection::FirstRows asItStands(*gConn);
            EXPECT_EQ(count("Select count(*) From rptLedger"), 1001);
        }
        // Another copy's payments, one dated among the first lines, one after them.
        row("CP", 5000, "2024-01-01", 1, cash, {}, "0", "7.00");
        row("CP", 5001, "2024-12-31", 1, cash, {}, "0", "3.00");
        EXPECT_EQ(count("Select count(*) From rptLedger"), 1102);
        EXPECT_EQ(
            count("Select count(Distinct LineNo) From rptLedger Where LineNo Between 0 And 1101"), 1102);
        EXPECT_EQ(count("Select count(Distinct VouNo) From rptLedger Where LineNo > 0"), 1101);
        EXPECT_EQ(count("Select count(*) From rptLedger Where VouNo = 5000"), 0);
        EXPECT_EQ(count("Select count(*) From (Select LineNo, VouDate, lag(VouDate) Over (Order By LineNo) "
                        "As before From rptLedger) g Where VouDate < before"),
            0);
        EXPECT_EQ(count("Select count(*) From (Select LineNo, Balance - lag(Balance) Over (Order By LineNo) "
                        "- DrAmt + CrAmt As gap From rptLedger) g Where LineNo > 0 And gap <> 0"),
            0);
        EXPECT_EQ(rows("Select money(Balance), VouNo From rptLedger Where LineNo = 1101"),
            QStringList {"-1127.50|5001"});
    }

    // Running a ledger again drops the rest of the one before, unwritten.
    gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2024,31,12,2024"), {cash});
    int restsWritten = 0;
    gConn->setStatementObserver([&](const QString &sql) {
        restsWritten += sql.startsWith(QLatin1String("Insert Into rptLedger ("))
                && sql.contains(QLatin1String("From DetJV d "))
            ? 1
            : 0;
    });
    gConn->execute(QStringLiteral("exec AcLedger ?,'2024-01-01','2024-12-31'"), {cash});
    EXPECT_EQ(restsWritten, 0);
    EXPECT_EQ(count("Select count(*) From rptLedger"), 1103);
    EXPECT_EQ(restsWritten, 1);
    gConn->setStatementObserver({});

    // The rest cannot be written (its balance runs past any amount): the
    // table is emptied and its reader told.
    gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2024,31,12,2024"), {cash});
    row("CR", 6000, "2024-11-30", 1, cash, {}, "50000000000000000.00", "0");
    row("BR", 6000, "2024-12-30", 1, cash, {}, "50000000000000000.00", "0");
    EXPECT_THROW(count("Select count(*) From rptLedger"), db::Error);
    EXPECT_EQ(count("Select count(*) From rptLedger"), 0);
    exec("Delete From DetJV Where VouNo = 6000");
    gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2024,31,12,2024"), {cash});
    EXPECT_EQ(count("Select count(*) From rptLedger"), 1103);
}

TEST_F(Procedures, CarryForwardMovesNoMoneyInLedgersAndTrialBalances)
{
    postVouchers();
    exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt) "
         "Values (3, 'CF', '2024-03-06', 1, ?, ?, 0, ?), (3, 'CF', '2024-02-06', 1, ?, ?, 0, ?)",
        {fees, cash, money("400"), fees, cash, money("9")});
    gConn->execute("exec TrialBalance3 ?,?", {"2024-03-01", "2024-03-31"});
    EXPECT_EQ(trialTotals(), "1250.50|1250.50|812.50|812.50|1750.60|1750.60");
    gConn->execute("exec DetailAcLedger ?,1,3,2024,31,3,2024", {fees});
    EXPECT_TRUE(ledger().filter("|CF|").isEmpty()) << ledger().join('\n').toStdString();
    EXPECT_TRUE(ledger().value(0).endsWith("|-1250.50")) << ledger().join('\n').toStdString();
}

} // namespace

namespace {

TEST_F(Procedures, AProcedureStoppedByItsProgressHandlerChangesNothingAndTheConnectionGoesOn)
{
    postVouchers();
    gConn->execute(QStringLiteral("exec AcLedger ?,'2024-03-01','2024-03-31'"), {cash});
    const QStringList before = ledger();
    // A statement long enough to be asked about, then stopped.
    const QString longRun = QStringLiteral(
        "Insert Into rptLedger (LineNo) Select i + 100 From (With Recursive n(i) As (Select 1 Union All "
        "Select i + 1 From n Where i < 20000000) Select i From n) t Where i < 0");
    int asked = 0;
    gConn->setProgressHandler([&] { return ++asked < 2; });
    EXPECT_THROW(gConn->execute(longRun), db::Error);
    EXPECT_GE(asked, 2);
    gConn->setProgressHandler({});
    EXPECT_EQ(ledger(), before);
    // The connection serves the next statements as before, a procedure included.
    gConn->setProgressHandler([] { return true; });
    gConn->execute(QStringLiteral("exec AcLedger ?,'2024-03-01','2024-03-31'"), {cash});
    gConn->setProgressHandler({});
    EXPECT_EQ(ledger(), before);
}

} // namespace
