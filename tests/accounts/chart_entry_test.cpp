// Saving the chart window's entry panel: which rule each kind of entry
// meets, and what a subsidiary account's panel writes.
#include "accounts/chart_entry.h"
#include "accounts/chart_rules.h"
#include "support/testserver.h"

#include <functional>

using namespace accounts;

namespace {

class ChartEntrySave : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        assets = addControlAccount(conn(), "ASSETS").rowId;
        current = addChildAccount(conn(), "1", "CURRENT ASSETS").rowId;
        cash = addChildAccount(conn(), "1.1", "CASH IN HAND").rowId;
        bank = addChildAccount(conn(), "1.1", "BANK").rowId;
    }
    // An entry on the account `rowId` as the panel shows it.
    ChartEntry on(std::int64_t rowId, const QString &title, TitleBox open)
    {
        ChartEntry e;
        e.hasSelection = true;
        e.selected = rowId;
        e.oldTitle = title;
        e.open = open;
        return e;
    }
    std::int64_t accounts() { return scalar("select count(*) from Accounts").toInt(); }
    std::int64_t assets = 0, current = 0, cash = 0, bank = 0;
};

} // namespace

TEST_F(ChartEntrySave, EachEntryMeetsItsRule)
{
    const QString taken = "Account Titel is already exitis, please change Account Title";
    struct Case {
        const char *what;
        std::function<ChartEntry()> entry;
        ChartSaved::Kind kind;
        TitleBox focus;
        QString code;
        int added;
    };
    const Case cases[] = {
        {"a new control account under a title taken once blanks go",
            [&] {
                ChartEntry e = on(0, {}, TitleBox::Control);
                e.newControl = true;
                e.controlTitle = "Cash In  Hand";
                return e;
            },
            ChartSaved::Refused, TitleBox::Control, {}, 0},
        {"a subsidiary account keeping its own title",
            [&] {
                ChartEntry e = on(cash, "CASH IN HAND", TitleBox::Subsidiary);
                e.subsidiaryTitle = "CASH IN HAND";
                return e;
            },
            ChartSaved::Changed, TitleBox::None, "1.1.1", 0},
        {"a subsidiary account renamed to another's title",
            [&] {
                ChartEntry e = on(bank, "BANK", TitleBox::Subsidiary);
                e.subsidiaryTitle = "cash in hand";
                return e;
            },
            ChartSaved::Refused, TitleBox::Subsidiary, {}, 0},
        {"a sub-control title, never checked",
            [&] {
                ChartEntry e = on(current, "CURRENT ASSETS", TitleBox::SubControl);
                e.subControlTitle = "BANK";
                return e;
            },
            ChartSaved::Changed, TitleBox::None, "1.1", 0},
        {"nothing selected", [&] { return ChartEntry {}; }, ChartSaved::Refused, TitleBox::None, {}, 0},
        {"a selected account deleted meanwhile",
            [&] {
                ChartEntry e = on(99999, "GONE", TitleBox::Subsidiary);
                e.subsidiaryTitle = "GONE";
                return e;
            },
            ChartSaved::Gone, TitleBox::None, {}, 0},
        {"a new sub-control account under the control account",
            [&] {
                ChartEntry e = on(assets, "ASSETS", TitleBox::SubControl);
                e.isNew = true;
                e.subControlTitle = "FIXED ASSETS";
                return e;
            },
            ChartSaved::NewChild, TitleBox::None, "1", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::int64_t before = accounts();
        const ChartSaved r = saveChartEntry(conn(), c.entry());
        EXPECT_EQ(r.kind, c.kind) << r.message.toStdString();
        EXPECT_EQ(r.focus, c.focus);
        if (r.kind == ChartSaved::Refused && r.focus != TitleBox::None) {
            EXPECT_EQ(r.message, taken);
        }
        if (r.kind != ChartSaved::Refused) {
            EXPECT_EQ(r.code, c.code);
        }
        EXPECT_EQ(accounts() - before, c.added);
    }
    EXPECT_EQ(
        scalar("select AcName from Accounts where RowID = ?", {static_cast<long long>(current)}).toString(),
        "BANK");
}

TEST_F(ChartEntrySave, ANewSubsidiaryAccountTakesThePanelsColumns)
{
    ChartEntry e = on(current, "CURRENT ASSETS", TitleBox::Subsidiary);
    e.isNew = true;
    e.subsidiaryTitle = "PETTY CASH";
    e.details.fields = {{"Addr", "MALL ROAD"}, {"Contact", ""}};
    e.details.openDate = QDate(2009, 7, 1);
    e.details.openBal = db::Money::fromCents(-1250);
    e.details.ntn = "1234567-8";
    e.details.bStatus = "B";
    const ChartSaved r = saveChartEntry(conn(), e);
    ASSERT_EQ(r.kind, ChartSaved::NewChild) << r.message.toStdString();
    EXPECT_FALSE(r.subControl);

    OpenQuery("select AcNodes, AcStatus, Addr, Contact, openDate, OpenBal, GST, NTN, BStatus from Accounts "
              "where AcName = 'PETTY CASH'");
    ASSERT_EQ(gRs->recordCount(), 1);
    const QStringList expected {"1.1.3", "DD", "MALL ROAD", "", "2009-07-01", "-12.50", "", "1234567-8", "B"};
    for (int c = 0; c < expected.size(); ++c)
        EXPECT_EQ(gRs->fields(c).toString(), expected[c]) << "column " << c;
    EXPECT_TRUE(gRs->fields(3).isNull()) << "an empty box stores Null";
    EXPECT_TRUE(gRs->fields(6).isNull()) << "an incomplete masked number is not written";
}
