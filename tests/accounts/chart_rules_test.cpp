// Numbering, title and delete rules of the chart, against a fresh database.
#include "accounts/chart_rules.h"
#include "support/testserver.h"

#include <thread>

using namespace accounts;

namespace {

class ChartRules : public TestServer {
protected:
    // A control account, returning its key.
    std::int64_t control(const QString &title)
    {
        const Outcome o = addControlAccount(conn(), title);
        EXPECT_TRUE(o.ok()) << o.message.toStdString();
        return o.rowId;
    }
    Outcome child(const QString &parent, const QString &title)
    {
        return addChildAccount(conn(), parent, title);
    }
    QString codeOf(std::int64_t rowId)
    {
        return scalar(
            "select AcNodes from Accounts where RowID = ?", {db::Value(static_cast<long long>(rowId))})
            .toString();
    }
};

TEST_F(ChartRules, FirstAccountsOfAnEmptyChartAreNumberedOneByOneLevel)
{
    EXPECT_EQ(nextTopNumber(conn()), 1);
    const Outcome c = addControlAccount(conn(), "ASSETS", 12);
    ASSERT_TRUE(c.ok());
    const Outcome s = child("1", "CURRENT ASSETS");
    ASSERT_TRUE(s.ok());
    const Outcome d = child(" 1.1 ", "CASH IN HAND");
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(c.acNodes, "1");
    EXPECT_EQ(s.acNodes, "1.1");
    EXPECT_EQ(d.acNodes, "1.1.1");

    OpenQuery("select ParentID, Dcode, AcNodes, AcStatus, OrderStatus from Accounts order by AcNodes");
    const QStringList expected[]
        = {{"1", "0", "1", "HH", "12"}, {"1", "1", "1.1", "HD", ""}, {"1.1", "1", "1.1.1", "DD", ""}};
    ASSERT_EQ(gRs->recordCount(), 3);
    for (const QStringList &row : expected) {
        for (int col = 0; col < 5; ++col)
            EXPECT_EQ(gRs->fields(col).toString(), row[col])
                << "column " << col << " of " << row[2].toStdString();
        gRs->moveNext();
    }
    // The key is the database's: the one handed back is the row's.
    EXPECT_EQ(codeOf(d.rowId), "1.1.1");
}

TEST_F(ChartRules, NextNumberIsTheLargestPlusOne)
{
    struct Case {
        const char *deleted;
        const char *next;
    } cases[] = {{"3", "3"}, {"2", "4"}};
    for (const Case &c : cases) {
        exec("delete from Accounts");
        control("A");
        control("B");
        control("C");
        exec("delete from Accounts where AcNodes = ?", {c.deleted});
        EXPECT_EQ(addControlAccount(conn(), "D").acNodes, c.next) << "after deleting " << c.deleted;
    }
}

TEST_F(ChartRules, DeletedKeysAreNeverHandedOutAgain)
{
    const std::int64_t a = control("A");
    const std::int64_t b = control("B");
    ASSERT_EQ(deleteAccount(conn(), b), "");
    const std::int64_t c = control("C");
    EXPECT_GT(c, b);
    EXPECT_NE(c, a);
}

TEST_F(ChartRules, TenthChildIsOneTenAndSortsBeforeOneTwo)
{
    control("A");
    for (int i = 1; i <= 10; ++i)
        ASSERT_TRUE(child("1", QStringLiteral("SUB %1").arg(i)).ok());
    EXPECT_EQ(scalar("select AcNodes from Accounts where Dcode = 10").toString(), "1.10");
    OpenQuery("select AcNodes from Accounts order by AcNodes");
    QStringList order;
    for (; !gRs->eof(); gRs->moveNext())
        order << gRs->fields(0).toString();
    EXPECT_EQ(order.mid(0, 4), QStringList({"1", "1.1", "1.10", "1.2"}));
}

TEST_F(ChartRules, ChildrenNeedALiveParentOfLevelOneOrTwo)
{
    control("A");
    ASSERT_TRUE(child("1", "B").ok());
    ASSERT_TRUE(child("1.1", "C").ok());
    EXPECT_EQ(child("1.1.1", "D").refusal, Refusal::NoChildrenAllowed);
    EXPECT_EQ(child("7", "D").refusal, Refusal::AccountMissing);
    EXPECT_EQ(child("", "D").refusal, Refusal::AccountMissing);
    EXPECT_EQ(scalar("select count(*) from Accounts").toInt(), 3);
}

TEST_F(ChartRules, AFullParentRefusesAnotherChild)
{
    control("A");
    exec("insert into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus) values ('1', 32767, '1.32767', "
         "'LAST', "
         "'HD')");
    const Outcome o = child("1", "ONE TOO MANY");
    EXPECT_EQ(o.refusal, Refusal::ParentFull);
    EXPECT_TRUE(o.message.contains("32767")) << o.message.toStdString();
    EXPECT_EQ(scalar("select count(*) from Accounts").toInt(), 2);
}

TEST_F(ChartRules, TitlesCompareWithoutBlanksAndCase)
{
    control("CASHINHAND");
    ASSERT_TRUE(child("1", "CURRENT").ok());
    EXPECT_TRUE(titleTaken(conn(), "Cash In Hand"));
    EXPECT_FALSE(titleTaken(conn(), "CASH IN BANK"));

    struct Case {
        const char *level;
        Outcome outcome;
        Refusal expected;
    } cases[] = {
        {"control", addControlAccount(conn(), "CASH IN HAND"), Refusal::TitleTaken},
        {"subsidiary", child("1.1", "cash in  hand"), Refusal::TitleTaken},
        {"sub-control", child("1", "CASH IN HAND"), Refusal::None},
        {"empty", child("1.1", "   "), Refusal::EmptyTitle},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.outcome.refusal, c.expected) << c.level;
        if (c.expected == Refusal::TitleTaken) {
            EXPECT_EQ(c.outcome.message, "Account Titel is already exitis, please change Account Title");
        }
    }
    // The students' head checks names itself: the chart-wide check is left out.
    EXPECT_TRUE(addChildAccount(conn(), "1.1", "CASH IN HAND", {}, TitleCheck::None).ok());
}

TEST_F(ChartRules, ARenamedAccountIsCheckedAgainstEveryOtherAccount)
{
    const std::int64_t cash = control("CASH IN HAND");
    control("BANK");
    EXPECT_TRUE(updateAccount(conn(), cash, "CASHIN HAND").ok());
    EXPECT_EQ(updateAccount(conn(), cash, "B A N K").refusal, Refusal::TitleTaken);
    EXPECT_EQ(scalar("select AcName from Accounts where RowID = ?", {db::Value(static_cast<long long>(cash))})
                  .toString(),
        "CASHIN HAND");
    EXPECT_EQ(updateAccount(conn(), 999, "X").refusal, Refusal::AccountMissing);
}

TEST_F(ChartRules, TitlesWithQuotesAreData)
{
    control("O'BRIEN & SONS");
    EXPECT_TRUE(titleTaken(conn(), "O'BRIEN&SONS"));
    EXPECT_FALSE(titleTaken(conn(), "' or 1=1 --"));
}

TEST_F(ChartRules, DeleteRulesInTheirOrder)
{
    control("A"); // 1, has a child
    const auto sub = child("1", "B").rowId; // 1.1, no child
    const auto posted = child("1.1", "C").rowId; // 1.1.1, in a voucher line
    const auto student = child("1.1", "D").rowId; // 1.1.2, a student's account
    const auto setup = child("1.1", "E").rowId; // 1.1.3, only in the voucher setup
    const auto opposite = child("1.1", "F").rowId; // 1.1.4, only as an opposite account
    const db::Value p(static_cast<long long>(posted)), s(static_cast<long long>(student));
    exec("insert into DetJV (VouNo, VouStatus, EntryNo, AcCode, CrAc, DrAmt, CrAmt) values (1, 'JV', 1, ?, "
         "?, 5, 0)",
        {p, db::Value(static_cast<long long>(opposite))});
    exec("insert into tblMasApp (AppID, StuName, CusCode) values (1, 'D', ?)", {s});
    schemaStep("create table if not exists VouSetting (VouStatus VARCHAR(2), AcCode INTEGER)");
    exec("insert into VouSetting (VouStatus, AcCode) values ('CP', ?)",
        {db::Value(static_cast<long long>(setup))});
    const std::int64_t control1 = scalar("select RowID from Accounts where AcNodes = '1'").toInt();

    struct Case {
        std::int64_t rowId;
        const char *message;
    } cases[] = {
        {0, "please select any one account"},
        {control1, "this head not remove "},
        {sub, "this head not remove "},
        {posted, "this Account use in vouceher detail "},
        {student, "this Account use in Application detail "},
        {setup, ""},
        {opposite, ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(deleteRefusal(conn(), c.rowId), c.message) << "account " << c.rowId;
        EXPECT_EQ(deleteAccount(conn(), c.rowId), c.message) << "account " << c.rowId;
    }
    EXPECT_EQ(scalar("select count(*) from Accounts").toInt(), 4);
    // With its children gone the head may go too; "1.1" is not "1.10".
    exec("delete from DetJV");
    exec("delete from tblMasApp");
    EXPECT_EQ(deleteAccount(conn(), posted), "");
    EXPECT_EQ(deleteAccount(conn(), student), "");
    EXPECT_EQ(deleteAccount(conn(), sub), "");
}

TEST_F(ChartRules, TwoCopiesAddingUnderOneParentGetDifferentCodes)
{
    control("A");
    constexpr int perCopy = 40;
    auto addMany = [&](db::Connection &c, const QString &who, QStringList *codes) {
        for (int i = 0; i < perCopy; ++i) {
            try {
                const Outcome o = addChildAccount(c, "1", QStringLiteral("%1 %2").arg(who).arg(i));
                if (o.ok())
                    codes->append(o.acNodes);
            } catch (const db::Error &) {
                // counted as a lost save below
            }
        }
    };
    db::Connection other;
    for (const char *p : {"User ID", "Password", "Data Source", "Initial Catalog"})
        other.setProperty(p, gConn->property(p));
    other.open();

    QStringList mine, theirs;
    std::thread t([&] { addMany(other, "THEIRS", &theirs); });
    addMany(conn(), "MINE", &mine);
    t.join();

    EXPECT_EQ(mine.size(), perCopy);
    EXPECT_EQ(theirs.size(), perCopy);
    QStringList all = mine + theirs;
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 2 * perCopy);
    EXPECT_EQ(scalar("select max(Dcode) from Accounts where ParentID = '1'").toInt(), 2 * perCopy);
}

TEST_F(ChartRules, AcNodesIsUniqueInTheSchema)
{
    control("A");
    EXPECT_THROW(
        exec("insert into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus) values ('1', 0, '1', 'B', "
             "'HH')"),
        db::Error);
}

TEST(ChartValues, OpeningBalanceAsTyped)
{
    struct Case {
        const char *typed;
        bool accepted;
        const char *stored; // "" = Null
    } cases[] = {
        {"", true, ""},
        {"-", true, ""},
        {".", true, ""},
        {"-.", true, ""},
        {"1500", true, "1500.00"},
        {"-12.5", true, "-12.50"},
        {".75", true, "0.75"},
        {"12-", false, ""},
        {"1-2", false, ""},
        {"ABC", false, ""},
        {"-999999999999.99", true, "-999999999999.99"},
        {"1e3", false, ""},
        {"0.005", false, ""},
        {"1000000000000", false, ""},
    };
    for (const Case &c : cases) {
        db::Value v = "untouched";
        EXPECT_EQ(openingBalance(c.typed, &v), c.accepted) << c.typed;
        if (c.accepted) {
            EXPECT_EQ(v.toString(), c.stored) << c.typed;
        }
    }
}

} // namespace
