// The books across subsystems: accounts from the chart's rules, vouchers of
// each pattern, and the report procedures reading them back.
#include "accounts/chart_rules.h"
#include "platform/report/report.h"
#include "reports/report_procedures.h"
#include "reports/reports.h"
#include "support/testserver.h"
#include "vouchers/voucher_rules.h"

#include <QRegularExpression>

namespace {

using db::Money;

class Books : public TestServer {
protected:
    std::int64_t account(const QString &parent, const QString &title)
    {
        const auto o = parent.isEmpty() ? accounts::addControlAccount(conn(), title)
                                        : accounts::addChildAccount(conn(), parent, title);
        EXPECT_TRUE(o.ok()) << o.message.toStdString();
        m_nodes[title] = o.acNodes;
        return o.rowId;
    }
    QString nodes(const QString &title) const { return m_nodes.value(title); }
    void post(const QString &kind, QDate date, std::vector<vouchers::Line> lines)
    {
        vouchers::Voucher v;
        v.kind = books::kindNamed(kind);
        v.date = date;
        v.paidReceive = QStringLiteral("TEST");
        v.lines = std::move(lines);
        vouchers::saveVoucher(conn(), v, QStringLiteral("sa"), 1);
    }
    static vouchers::Line line(std::int64_t debit, std::int64_t credit, const char *amount)
    {
        vouchers::Line l;
        l.debit = debit;
        l.credit = credit;
        l.amount = Money::parse(QString::fromLatin1(amount));
        return l;
    }
    Money money(const QString &sql, const db::Params &params = {})
    {
        return Money::parse(scalar(sql, params).toString());
    }

private:
    QHash<QString, QString> m_nodes;
};

TEST_F(Books, VouchersOfEveryPatternBalanceInTheTrialBalanceAndLedgers)
{
    account({}, "ASSETS");
    account(nodes("ASSETS"), "CURRENT ASSETS");
    const auto cash = account(nodes("CURRENT ASSETS"), "CASH IN HAND");
    const auto bank = account(nodes("CURRENT ASSETS"), "CITY BANK");
    account({}, "EXPENSES");
    account(nodes("EXPENSES"), "OFFICE");
    const auto rent = account(nodes("OFFICE"), "RENT");
    const auto tea = account(nodes("OFFICE"), "TEA");

    const QDate d1(2009, 8, 3), d2(2009, 8, 31);
    // Cash payment: one row per line and the cash total row.
    post("CP", d1, {line(rent, cash, "1234.50"), line(tea, cash, "50.00")});
    // Bank payment and journal: paired rows per line.
    post("BP", d2, {line(rent, bank, "100.00")});
    post("JV", d2, {line(tea, rent, "10.05")});
    // Outside the range: must not count.
    post("CP", QDate(2009, 9, 1), {line(rent, cash, "999.99")});

    EXPECT_EQ(money("select money(sum(DrAmt)) from DetJV"), money("select money(sum(CrAmt)) from DetJV"));
    // The totals the journal kept while posting are the postings added up by account and month.
    EXPECT_EQ(rows("select AcCode, YearMonth, money(sum(DrAmt)), money(sum(CrAmt)) from AcMonthBal "
                   "group by AcCode, YearMonth having sum(DrAmt) <> 0 or sum(CrAmt) <> 0 order by 1, 2"),
        rows("select AcCode, year(VouDate) * 100 + month(VouDate), money(coalesce(sum(DrAmt), 0)), "
             "money(coalesce(sum(CrAmt), 0)) from DetJV where VouStatus <> 'CF' "
             "group by AcCode, year(VouDate) * 100 + month(VouDate) order by 1, 2"));

    reports::trialBalance(conn(), d1, d2, false);
    const Money dr = money("select money(sum(DrAmt)) from rptTrialBalance");
    EXPECT_EQ(dr, Money::parse(u"1394.55"));
    EXPECT_EQ(money("select money(sum(CrAmt)) from rptTrialBalance"), dr);
    EXPECT_EQ(money("select money(sum(CloseDr)) from rptTrialBalance"),
        money("select money(sum(CloseCr)) from rptTrialBalance"));

    struct Case {
        std::int64_t account;
        const char *closing; // debit minus credit
    };
    for (const Case &c :
        {Case {cash, "-1284.50"}, Case {bank, "-100.00"}, Case {rent, "1324.45"}, Case {tea, "60.05"}}) {
        reports::acLedger(conn(), c.account, d1, d2);
        EXPECT_EQ(money("select money(Balance) from rptLedger order by LineNo desc limit 1"),
            Money::parse(QString::fromLatin1(c.closing)))
            << c.account;
    }
}

// A book of every voucher pattern: cash vouchers that touch a bank, bank
// vouchers that touch the cash, a journal, a fee receipt, an admission pair
// and a carry forward, over three months and a quiet fourth one.
class EveryPattern : public Books {
protected:
    void SetUp() override
    {
        Books::SetUp();
        reports::registerProcedures();
        exec("Insert Into Company (Company, comActive) Values ('ORU INSTITUTE', 'Y')");
        account({}, "ASSETS");
        account(nodes("ASSETS"), "CURRENT ASSETS");
        cash = account(nodes("CURRENT ASSETS"), "CASH IN HAND");
        hbl = account(nodes("CURRENT ASSETS"), "HBL BANK");
        mcb = account(nodes("CURRENT ASSETS"), "MCB BANK");
        student = account(nodes("CURRENT ASSETS"), "ALI RAZA");
        account({}, "INCOME");
        account(nodes("INCOME"), "FEES");
        fees = account(nodes("FEES"), "FEE INCOME");
        account({}, "EXPENSES");
        account(nodes("EXPENSES"), "OFFICE");
        rent = account(nodes("OFFICE"), "RENT");
        tea = account(nodes("OFFICE"), "TEA");
        exec("Update Accounts Set OpenBal = ? Where RowID = ?", {Money::parse(u"12000.50"), hbl});
        exec("Update Accounts Set OpenBal = ? Where RowID = ?", {Money::parse(u"250.25"), cash});

        // Cash payment: rent, and cash paid into the bank.
        post("CP", {2024, 1, 5}, {line(rent, cash, "100.00"), line(hbl, cash, "1500.00")});
        // Cash receipt: fees, and cash drawn from the other bank.
        post("CR", {2024, 1, 10}, {line(cash, fees, "800.35"), line(cash, mcb, "750.35")});
        post("BP", {2024, 2, 2}, {line(rent, hbl, "200.00"), line(cash, hbl, "50.00")});
        post("BR", {2024, 2, 3}, {line(mcb, fees, "300.00")});
        post("JV", {2024, 2, 20}, {line(tea, rent, "10.05"), line(mcb, hbl, "1000.00")});
        post("CP", {2024, 3, 1}, {line(tea, cash, "12.35")});
        // A fee receipt and an admission pair: paired rows naming each other.
        pair("FR", 1, {2024, 3, 5}, cash, student, "500.00");
        pair("AR", student, {2024, 3, 7}, cash, student, "250.00");
        // A carry forward: a credit-only row naming the cash account. It moves no money.
        exec("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt) "
             "Values (3, 'CF', '2024-03-06', 1, ?, ?, 0, ?)",
            {student, cash, Money::parse(u"400.00")});
    }

    void pair(const char *kind, std::int64_t no, QDate date, std::int64_t debit, std::int64_t credit,
        const char *amount)
    {
        const Money m = Money::parse(QString::fromLatin1(amount));
        const QString insert = QStringLiteral(
            "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt) "
            "Values (?, ?, ?, 1, ?, ?, ?, ?)");
        exec(insert, {no, kind, date, debit, credit, m, Money()});
        exec(insert, {no, kind, date, credit, debit, Money(), m});
    }

    // The book as the report window prints it.
    QStringList book(std::int64_t account, QDate from, QDate to)
    {
        auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/rptAcLedger3.rpt"));
        rpt->setDataSource(std::make_shared<report::ConnectionSource>(
            std::shared_ptr<db::Connection>(&conn(), [](db::Connection *) {})));
        const QString a = QString::number(account);
        const QString f = from.toString(Qt::ISODate), t = to.toString(Qt::ISODate);
        rpt->setRecordSelectionFormula("{Company.comActive}='Y' and {DetJV.CrAc} = " + a
            + " and {DetJV.VouDate} in #" + f + "# to #" + t + "#");
        rpt->openSubreport("rptSubAc").setRecordSelectionFormula("{Accounts.RowID} = " + a);
        rpt->openSubreport("rptSubOpening")
            .setRecordSelectionFormula("{DetJV.AcCode} = " + a + " and {DetJV.VouDate} < #" + f + "#");
        rpt->openSubreport("rptSubAcOpen").setRecordSelectionFormula("{Accounts.RowID}  = " + a);
        return rpt->render().allLines();
    }
    static Money figure(const QStringList &lines, const QString &caption)
    {
        const QStringList found = lines.filter(QRegularExpression("^" + caption + " \\| "));
        EXPECT_EQ(found.size(), 1) << caption.toStdString() << "\n" << lines.join('\n').toStdString();
        return found.isEmpty() ? Money() : Money::parse(found.first().section(" | ", -1));
    }

    std::int64_t cash = 0, hbl = 0, mcb = 0, student = 0, fees = 0, rent = 0, tea = 0;
};

TEST_F(EveryPattern, EveryBookMovesAsItsLedgerAndClosesOnTheNextPeriodsOpening)
{
    const QList<std::pair<QDate, QDate>> periods {{{2024, 1, 1}, {2024, 1, 31}},
        {{2024, 2, 1}, {2024, 2, 29}}, {{2024, 3, 1}, {2024, 3, 31}}, {{2024, 4, 1}, {2024, 4, 30}}};
    for (std::int64_t ac : {cash, hbl, mcb, student, fees, rent, tea}) {
        Money previousClosing;
        for (int p = 0; p < periods.size(); ++p) {
            const auto [from, to] = periods[p];
            SCOPED_TRACE(QStringLiteral("account %1 from %2").arg(ac).arg(from.toString()).toStdString());
            const QStringList lines = book(ac, from, to);
            EXPECT_EQ(lines.value(0), "ORU INSTITUTE");

            reports::acLedger(conn(), ac, from, to);
            const Money opening = money("select money(Balance) from rptLedger where LineNo = 0");
            const Money closing = money("select money(Balance) from rptLedger order by LineNo desc limit 1");
            EXPECT_EQ(figure(lines, "Balance brought forward :"), opening);
            EXPECT_EQ(figure(lines, "Closing Balance"), closing);
            if (p > 0) {
                EXPECT_EQ(opening, previousClosing);
            }
            previousClosing = closing;

            // After each voucher the book stands where the ledger does.
            QHash<QString, Money> bookAfter;
            static const QRegularExpression line("^\\d\\d-\\d\\d-\\d{4} \\| ([A-Z]{2}-\\d+) \\|");
            for (const QString &l : lines) {
                const auto m = line.match(l);
                if (m.hasMatch())
                    bookAfter[m.captured(1)] = Money::parse(l.section(" | ", -1));
            }
            db::Recordset rs;
            rs.open("select VouStatus || '-' || VouNo, Balance from rptLedger where LineNo > 0", conn());
            QHash<QString, Money> ledgerAfter;
            for (; !rs.eof(); rs.moveNext())
                ledgerAfter[rs.fields(0).toString()] = rs.fields(1).toMoney();
            for (auto it = ledgerAfter.cbegin(); it != ledgerAfter.cend(); ++it)
                EXPECT_EQ(bookAfter.value(it.key()), it.value()) << it.key().toStdString();
            EXPECT_EQ(bookAfter.size(), ledgerAfter.size()) << lines.join('\n').toStdString();
        }
    }
}

TEST_F(EveryPattern, CashVouchersThatTouchABankShowInItsBookAndCarryForwardMovesNoMoney)
{
    const QStringList hblBook = book(hbl, {2024, 1, 1}, {2024, 1, 31});
    EXPECT_TRUE(hblBook.contains("05-01-2024 | CP-1 | CASH IN HAND | 1,500.00 | 13,500.50"))
        << hblBook.join('\n').toStdString();
    const QStringList mcbBook = book(mcb, {2024, 1, 1}, {2024, 1, 31});
    EXPECT_TRUE(mcbBook.contains("10-01-2024 | CR-1 | CASH IN HAND | 750.35 | -750.35"))
        << mcbBook.join('\n').toStdString();

    const QStringList cashBook = book(cash, {2024, 3, 1}, {2024, 3, 31});
    EXPECT_TRUE(cashBook.filter("CF-").isEmpty()) << cashBook.join('\n').toStdString();
    EXPECT_TRUE(cashBook.contains("01-03-2024 | CP-2 | TEA | 12.35 | 238.60"))
        << cashBook.join('\n').toStdString();
    reports::trialBalance(conn(), {2024, 3, 1}, {2024, 3, 31}, false);
    EXPECT_EQ(money("select money(sum(DrAmt)) from rptTrialBalance"),
        money("select money(sum(CrAmt)) from rptTrialBalance"));
    EXPECT_EQ(money("select money(CrAmt) from rptTrialBalance where AcCode = ?", {student}),
        Money::parse(u"750.00"));
}

TEST_F(EveryPattern, TrialBalanceAndLedgerOpeningsAgreeWithThePostingsForAnyPeriod)
{
    // Periods on month edges and inside months, within one month or one day,
    // across a year's end, and backwards.
    const std::pair<QDate, QDate> periods[]
        = {{{2024, 1, 1}, {2024, 3, 31}}, {{2024, 1, 6}, {2024, 3, 5}}, {{2024, 2, 3}, {2024, 2, 20}},
            {{2024, 2, 1}, {2024, 2, 2}}, {{2023, 12, 15}, {2024, 1, 9}}, {{2024, 3, 6}, {2024, 2, 10}},
            {{2024, 3, 7}, {2024, 3, 7}}, {{2024, 2, 29}, {2024, 4, 1}}, {{2024, 3, 1}, {2024, 1, 31}}};
    const QString notCarried = QStringLiteral(" and ifnull(VouStatus, '') <> 'CF'");
    for (const auto &[from, to] : periods) {
        SCOPED_TRACE(QStringLiteral("%1 to %2")
                         .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate))
                         .toStdString());
        reports::trialBalance(conn(), from, to, true);
        for (std::int64_t ac : {cash, hbl, mcb, student, fees, rent, tea}) {
            SCOPED_TRACE(ac);
            const Money openBal
                = money("select money(ifnull(OpenBal, 0)) from Accounts where RowID = ?", {ac});
            const Money before
                = money("select money(ifnull(sum(DrAmt), 0) - ifnull(sum(CrAmt), 0)) from DetJV "
                        "where AcCode = ? and VouDate < ?"
                        + notCarried,
                    {ac, from});
            const Money beforeTo
                = money("select money(ifnull(sum(DrAmt), 0) - ifnull(sum(CrAmt), 0)) from DetJV "
                        "where AcCode = ? and VouDate < ? and VouDate <= ?"
                        + notCarried,
                    {ac, from, to});
            const QString period = QStringLiteral(" from DetJV where AcCode = ? and VouDate between ? and ?");
            const Money dr
                = money("select money(ifnull(sum(DrAmt), 0))" + period + notCarried, {ac, from, to});
            const Money cr
                = money("select money(ifnull(sum(CrAmt), 0))" + period + notCarried, {ac, from, to});
            // An account without a balance or postings has no line.
            const Money opening = openBal + beforeTo;
            const QStringList line = opening == Money() && dr == Money() && cr == Money()
                ? QStringList()
                : QStringList {
                    QStringLiteral("%1|%2|%3").arg(opening.toString(), dr.toString(), cr.toString())};
            EXPECT_EQ(rows("select money(OpenDr - OpenCr), money(DrAmt), money(CrAmt) from rptTrialBalance "
                           "where AcCode = ?",
                          {ac}),
                line);

            reports::acLedger(conn(), ac, from, to);
            EXPECT_EQ(money("select money(Balance) from rptLedger where LineNo = 0"), openBal + before);
            EXPECT_EQ(figure(book(ac, from, to), "Balance brought forward :"), openBal + before);
        }
    }
}

} // namespace
