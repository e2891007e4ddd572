// Two copies of the program posting to one book at the same moment: as two
// connections of one process, and as two processes. Every voucher gets a
// number of its own, no row is lost, and a save over a stale stamp is refused.
#include "books/journal.h"
#include "support/testserver.h"

#include <QCoreApplication>
#include <QProcess>

#include <atomic>
#include <thread>

using namespace books;

namespace {

constexpr std::int64_t kRent = 20, kTea = 21;
constexpr int kPerCopy = 25;
constexpr std::int32_t kStart = 500;

Entry journalVoucher(int copy, int i)
{
    Entry e;
    e.kind = Kind::JV;
    e.date = QDate(2024, 3, 5);
    e.paidReceive = QStringLiteral("COPY %1").arg(copy);
    Line l;
    l.debit = kRent;
    l.credit = kTea;
    l.amount = db::Money::fromCents(100 * copy + i + 1);
    l.narration = QStringLiteral("%1/%2").arg(copy).arg(i);
    e.lines = {l};
    return e;
}

std::unique_ptr<db::Connection> connectTo(const QString &server)
{
    auto c = std::make_unique<db::Connection>();
    c->setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    c->setProperty(QStringLiteral("Password"), TestServer::saPassword());
    c->setProperty(QStringLiteral("Data Source"), server);
    c->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    c->open();
    return c;
}

// What a copy does: post its vouchers one after another as fast as it can.
void postAll(db::Connection &c, int copy)
{
    for (int i = 0; i < kPerCopy; ++i)
        post(c, journalVoucher(copy, i), kStart);
}

class TwoCopies : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        if (IsSkipped())
            return;
        for (const std::int64_t k : {kRent, kTea})
            exec("Insert Into Accounts (RowID, AcNodes, AcName, AcStatus) Values (?, ?, ?, 'DD')",
                {db::Value(static_cast<long long>(k)), QStringLiteral("1.1.%1").arg(k),
                    QStringLiteral("ACCOUNT %1").arg(k)});
    }
    // Each voucher once, under a number of its own, with both of its rows.
    void expectEveryVoucherOnce(int copies)
    {
        const int n = copies * kPerCopy;
        EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = 'JV'"), n);
        EXPECT_EQ(count("Select count(Distinct VouNo) From MasJV Where VouStatus = 'JV'"), n);
        EXPECT_EQ(count("Select min(VouNo) From MasJV Where VouStatus = 'JV'"), kStart);
        EXPECT_EQ(count("Select max(VouNo) From MasJV Where VouStatus = 'JV'"), kStart + n - 1);
        EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'JV'"), 2 * n);
        EXPECT_EQ(count("Select count(Distinct Naration) From DetJV Where VouStatus = 'JV'"), n);
        // A voucher's rows are its own: one narration, under its master's payee.
        EXPECT_EQ(count("Select count(*) From (Select VouNo From DetJV Where VouStatus = 'JV' "
                        "Group By VouNo Having count(Distinct Naration) <> 1 Or count(*) <> 2) As t"),
            0);
        EXPECT_EQ(count("Select count(*) From DetJV d Join MasJV m On m.VouStatus = d.VouStatus "
                        "And m.VouNo = d.VouNo Where d.VouStatus = 'JV' "
                        "And m.PaidReceive <> 'COPY ' || substr(d.Naration, 1, 1)"),
            0);
    }
};

TEST_F(TwoCopies, TwoConnectionsPostingAtOnceTakeDistinctNumbersAndLoseNoRow)
{
    std::atomic<int> ready {0};
    std::string errors[2];
    auto copy = [&](int who) {
        try {
            auto c = connectTo(serverPath());
            ++ready;
            while (ready.load() < 2)
                std::this_thread::yield();
            postAll(*c, who);
        } catch (const std::exception &e) {
            errors[who] = e.what();
        }
    };
    std::thread a(copy, 0), b(copy, 1);
    a.join();
    b.join();
    ASSERT_EQ(errors[0], "");
    ASSERT_EQ(errors[1], "");
    expectEveryVoucherOnce(2);
}

TEST_F(TwoCopies, OfTwoSavesOverTheSameOpenedVoucherOnlyOneGoesThrough)
{
    // Every edit differs from what is stored, so the first save changes the stamp.
    const std::int64_t no = post(conn(), journalVoucher(9, 0), kStart);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        std::atomic<int> ready {0}, saved {0}, refused {0};
        std::string errors[2];
        auto copy = [&](int who) {
            try {
                auto c = connectTo(serverPath());
                const Opened opened = open(*c, Kind::JV, no);
                Entry edit = journalVoucher(who, round);
                edit.number = no;
                ++ready;
                while (ready.load() < 2)
                    std::this_thread::yield();
                try {
                    replace(*c, edit, opened.stamp);
                    ++saved;
                } catch (const Refused &) {
                    ++refused;
                }
            } catch (const std::exception &e) {
                errors[who] = e.what();
            }
        };
        std::thread a(copy, 0), b(copy, 1);
        a.join();
        b.join();
        ASSERT_EQ(errors[0] + errors[1], "");
        EXPECT_EQ(saved.load(), 1);
        EXPECT_EQ(refused.load(), 1);
        EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'JV' And VouNo = ?", {no}), 2);
    }
}

// Run by the test below in a process of its own; skipped otherwise.
TEST(TwoCopiesChild, PostsItsVouchers)
{
    const QString server = qEnvironmentVariable("ORU_TWO_COPIES_SERVER");
    if (server.isEmpty())
        GTEST_SKIP() << "run as a child of TwoCopies.TwoProcessesPostingAtOnce...";
    auto c = connectTo(server);
    postAll(*c, qEnvironmentVariableIntValue("ORU_TWO_COPIES_WHO"));
}

TEST_F(TwoCopies, TwoProcessesPostingAtOnceTakeDistinctNumbersAndLoseNoRow)
{
    QProcess children[2];
    for (int who = 0; who < 2; ++who) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORU_TWO_COPIES_SERVER"), serverPath());
        env.insert(QStringLiteral("ORU_TWO_COPIES_WHO"), QString::number(who));
        children[who].setProcessEnvironment(env);
        children[who].setProcessChannelMode(QProcess::MergedChannels);
        children[who].start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=TwoCopiesChild.PostsItsVouchers")});
    }
    for (QProcess &child : children) {
        ASSERT_TRUE(child.waitForFinished(120000));
        const QByteArray output = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
    }
    expectEveryVoucherOnce(2);
}

} // namespace
