// The books across subsystems: accounts from the chart's rules, vouchers of
// each pattern, and the report procedures reading them back.
#include "accounts/chart_rules.h"
#include "reports/report_procedures.h"
#include "support/testserver.h"
#include "vouchers/voucher_rules.h"

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
        v.kind = kind;
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

} // namespace
