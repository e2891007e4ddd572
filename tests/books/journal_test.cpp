#include "books/journal.h"
#include "support/testengine.h"
#include "support/testserver.h"

#include <QStringList>

using namespace books;

namespace {

db::Money m(const char *text)
{
    return db::Money::parse(QString::fromLatin1(text));
}

// Account keys: subsidiary accounts the fixture opens under these keys.
constexpr std::int64_t kCash = 10, kBank = 11, kRent = 20, kTea = 21, kStudent = 30;

Line line(std::int64_t debit, std::int64_t credit, const char *amount, const char *narration = "")
{
    Line l;
    l.debit = debit;
    l.credit = credit;
    l.amount = m(amount);
    l.narration = QString::fromLatin1(narration);
    return l;
}

Entry entry(const char *kind, std::vector<Line> lines, std::int64_t number = 0)
{
    Entry e;
    e.kind = kindNamed(QString::fromLatin1(kind));
    e.number = number;
    e.date = QDate(2024, 3, 5);
    e.paidReceive = QStringLiteral("ALI & SONS");
    e.login = QStringLiteral("CLERK");
    e.lines = std::move(lines);
    return e;
}

class Journal : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        if (IsSkipped())
            return;
        for (const std::int64_t k : {kCash, kBank, kRent, kTea, kStudent})
            exec("Insert Into Accounts (RowID, AcNodes, AcName, AcStatus) Values (?, ?, ?, 'DD')",
                {db::Value(static_cast<long long>(k)), QStringLiteral("1.1.%1").arg(k),
                    QStringLiteral("ACCOUNT %1").arg(k)});
    }
    // Stores the entry as its caller would: numbered kinds by post, the others
    // under their own number.
    std::int64_t write(const Entry &e, std::int64_t startNo = 0)
    {
        if (isNumbered(e.kind))
            return post(conn(), e, startNo);
        replace(conn(), e, {});
        return e.number;
    }
    // "EntryNo|AcCode|CrAc|DrAmt|CrAmt|ChecqNo|Naration|FileNo|BillNo|SessionID|SubID", "-" for Null.
    QStringList rows(Kind kind, std::int64_t no)
    {
        return TestServer::rows(
            QStringLiteral("Select EntryNo, AcCode, CrAc, DrAmt, CrAmt, ChecqNo, Naration, FileNo, BillNo, "
                           "SessionID, SubID From DetJV Where VouStatus = ? And VouNo = ? "
                           "Order By EntryNo, rowid"),
            {kindCode(kind), no});
    }
};

TEST_F(Journal, EveryKindIsStoredInItsRowShape)
{
    Line fee = line(kCash, kStudent, "1500");
    fee.sessionId = 3;
    fee.subId = 7;
    Line feeNoSession = line(kCash, kStudent, "700");
    feeNoSession.subId = 8;
    Line filed = line(kRent, kBank, "100", "RENT");
    filed.fileNo = QStringLiteral("44");
    filed.chequeNo = QStringLiteral("CHQ-1");
    Line carried = line(0, kStudent, "500", "FWD");
    carried.sessionId = 4;
    carried.subId = 7;
    Line notCarried = line(0, kStudent, "0");
    notCarried.subId = 8;
    Line admission = line(kCash, kStudent, "250", "App. Rec Amount (ALI)");
    admission.creditNarration = QStringLiteral("App. Rec Amount ");

    const struct {
        const char *name;
        Entry e;
        QStringList rows;
        const char *total; // the master's TotalAmount; nullptr: no master
    } cases[] = {
        {"paired bank payment", entry("BP", {filed, line(kTea, kBank, "50.5")}),
            {"1|20|11|100.00|0.00|CHQ-1|RENT|44|-|-|-", "1|11|20|0.00|100.00|CHQ-1|RENT|44|-|-|-",
                "2|21|11|50.50|0.00|||-|-|-|-", "2|11|21|0.00|50.50|||-|-|-|-"},
            "150.50"},
        {"paired bank receipt", entry("BR", {line(kBank, kRent, "1000")}),
            {"1|11|20|1000.00|0.00|||-|-|-|-", "1|20|11|0.00|1000.00|||-|-|-|-"}, "1000.00"},
        {"paired journal", entry("JV", {line(kTea, kRent, "10.05")}),
            {"1|21|20|10.05|0.00|||-|-|-|-", "1|20|21|0.00|10.05|||-|-|-|-"}, "10.05"},
        {"cash payment: line rows, then the cash row",
            entry("CP",
                {line(kRent, kCash, "100", "FIRST"), line(kTea, kCash, "50.50"), line(kRent, kCash, "25")}),
            {"1|20|10|100.00|0.00||FIRST|-|-|-|-", "2|21|10|50.50|0.00|||-|-|-|-",
                "3|20|10|25.00|0.00|||-|-|-|-", "4|10|-|0.00|175.50|-|FIRST|-|-|-|-"},
            "175.50"},
        {"cash receipt: the cash row debits the total",
            entry("CR", {line(kCash, kRent, "0.10", "A"), line(kCash, kTea, "0.20")}),
            {"1|20|10|0.00|0.10||A|-|-|-|-", "2|21|10|0.00|0.20|||-|-|-|-", "3|10|-|0.30|0.00|-|A|-|-|-|-"},
            "0.30"},
        {"fee receipt: paired with session and subject", entry("FR", {fee, feeNoSession}),
            {"1|10|30|1500.00|0.00|||-|-|3|7", "1|30|10|0.00|1500.00|||-|-|3|7",
                "2|10|30|700.00|0.00|||-|-|-|8", "2|30|10|0.00|700.00|||-|-|-|8"},
            "2200.00"},
        {"carry forward: credits only, a line without amount keeps its number",
            entry("CF", {carried, notCarried, carried}, 5),
            {"1|30|0|0.00|500.00|-|FWD|-|-|4|7", "3|30|0|0.00|500.00|-|FWD|-|-|4|7"}, nullptr},
        {"admission receipt: cash row 1, student row 2", entry("AR", {admission}, int(kStudent)),
            {"1|10|30|250.00|0.00|-|App. Rec Amount (ALI)|-|-|-|-",
                "2|30|10|0.00|250.00|-|App. Rec Amount |-|-|-|-"},
            nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const int no = write(c.e, 1);
        EXPECT_EQ(rows(c.e.kind, no), c.rows);
        const db::Value total
            = scalar(QStringLiteral("Select TotalAmount From MasJV Where VouStatus = ? And VouNo = ?"),
                {kindCode(c.e.kind), no});
        EXPECT_EQ(total.isNull() ? QString() : total.toString(), QString::fromLatin1(c.total ? c.total : ""));
        // Opening gives back the lines entered (the cash row and lines without amount are none).
        const Opened o = open(conn(), c.e.kind, no);
        ASSERT_TRUE(o.found);
        std::size_t posted = 0;
        for (const Line &l : c.e.lines)
            posted += l.amount > db::Money() ? 1 : 0;
        ASSERT_EQ(o.lines.size(), posted);
        EXPECT_EQ(o.lines.front().debit, c.e.lines.front().debit);
        EXPECT_EQ(o.lines.front().credit, c.e.lines.front().credit);
        EXPECT_EQ(o.lines.front().amount, c.e.lines.front().amount);
    }
    EXPECT_EQ(scalar("Select PaidReceive From MasJV Where VouStatus = 'BP'").toString(), "ALI & SONS");
}

TEST_F(Journal, NumbersPerKindFromTheStartNumberAndAcrossTwoCopies)
{
    EXPECT_EQ(nextNumber(conn(), Kind::CP, 1000), 1000);
    EXPECT_EQ(write(entry("CP", {line(kRent, kCash, "1")}), 1000), 1000);
    EXPECT_EQ(write(entry("CP", {line(kRent, kCash, "1")}), 1000), 1001);
    EXPECT_EQ(nextNumber(conn(), Kind::BP, 0), 0); // no voucher and no start number
    // Fee receipts start at 1 whatever start number is given.
    EXPECT_EQ(write(entry("FR", {line(kCash, kStudent, "1")}), 500), 1);
    // A deleted top number is taken again; a gap below is not filled.
    remove(conn(), Kind::CP, 1001);
    EXPECT_EQ(nextNumber(conn(), Kind::CP, 1000), 1001);
    EXPECT_THROW(nextNumber(conn(), Kind::CF), Refused);

    // Two copies both propose the same number; each save reads it again.
    auto other = otherCopy();
    EXPECT_EQ(nextNumber(conn(), Kind::JV, 1), 1);
    EXPECT_EQ(nextNumber(*other, Kind::JV, 1), 1);
    EXPECT_EQ(post(*other, entry("JV", {line(kTea, kRent, "1")}), 1), 1);
    EXPECT_EQ(post(conn(), entry("JV", {line(kTea, kRent, "2")}), 1), 2);
    EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = 'JV'"), 2);
    EXPECT_EQ(count("Select count(*) From (Select VouNo From MasJV Group By VouStatus, VouNo Having count(*) "
                    "> 1) As t"),
        0);
}

TEST_F(Journal, EntriesThatAreIncompleteOrDoNotBalanceAreNeverWritten)
{
    const struct {
        Entry e;
        const char *message;
    } cases[] = {
        {entry("BP", {}), "Please enter less than one entry in detail"},
        {entry("BP", {line(0, kBank, "5")}), "Please Select Debit Account"},
        {entry("CP", {line(kRent, 0, "5")}), "Please Select Credit Account"},
        {entry("JV", {line(kRent, kRent, "5")}),
            "same account title not allow, please change debit or cedit Account"},
        {entry("BR", {line(kBank, kRent, "-5")}), "please enter Amount"},
        {entry("CP", {line(kRent, kCash, "5"), line(kTea, kBank, "5")}),
            "The lines of a cash voucher must all name the same cash account."},
        {entry("CF", {line(0, 0, "5")}, 3), "Please Select Credit Account"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        try {
            write(c.e);
            ADD_FAILURE() << "written";
        } catch (const Refused &e) {
            EXPECT_EQ(e.text(), QString::fromLatin1(c.message));
        }
    }

    // A stored code of no kind is refused by name.
    try {
        kindNamed(QStringLiteral("XX"));
        ADD_FAILURE() << "a kind";
    } catch (const Refused &e) {
        EXPECT_EQ(e.text(), QStringLiteral("Unknown voucher kind 'XX'."));
    }

    // Rows that do not balance are refused, whether built wrong or changed on the way in.
    std::vector<Posting> unbalanced = postings(entry("BP", {line(kRent, kBank, "5")}));
    unbalanced[1].crAmt = m("4.99");
    EXPECT_THROW(checkBalanced(Kind::BP, unbalanced), Refused);
    EXPECT_NO_THROW(checkBalanced(Kind::CF, postings(entry("CF", {line(0, kStudent, "5")}))));
    schemaStep(testengine::skewingCredits());
    EXPECT_THROW(write(entry("JV", {line(kRent, kTea, "5")})), Refused);
    EXPECT_THROW(write(entry("CF", {line(0, kStudent, "5")}, 2)), Refused);
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
}

TEST_F(Journal, TotalsPastWhatAnAmountHoldsAreRefusedNotWrapped)
{
    const auto huge = [](std::int64_t debit, std::int64_t credit) {
        Line l = line(debit, credit, "0");
        l.amount = db::Money::fromCents(4700000000000000000); // 47,000,000,000,000,000.00
        return l;
    };
    for (const char *kind : {"JV", "CP", "BR"}) {
        SCOPED_TRACE(kind);
        const Entry e = std::string(kind) == "CP" ? entry(kind, {huge(kRent, kCash), huge(kTea, kCash)})
                                                  : entry(kind, {huge(kBank, kRent), huge(kTea, kStudent)});
        try {
            write(e);
            ADD_FAILURE() << "written";
        } catch (const Refused &r) {
            EXPECT_EQ(r.text(), "The total of this voucher is too large for an amount; it was not saved.");
        }
    }
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
}

TEST_F(Journal, TheStampRefusesWhatAnotherCopyChangedOrDeleted)
{
    auto other = otherCopy();
    const int no = write(entry("BP", {line(kRent, kBank, "10")}));
    const Opened mine = open(conn(), Kind::BP, no);
    ASSERT_FALSE(mine.stamp.isEmpty());
    EXPECT_EQ(mine.stamp, stamp(*other, Kind::BP, no));

    // Another copy changes it: this copy may neither save nor delete what it opened.
    Entry theirs = entry("BP", {line(kRent, kBank, "11")}, no);
    replace(*other, theirs, open(*other, Kind::BP, no).stamp);
    Entry edit = entry("BP", {line(kRent, kBank, "12")}, no);
    try {
        replace(conn(), edit, mine.stamp);
        ADD_FAILURE() << "replaced";
    } catch (const Refused &e) {
        EXPECT_TRUE(e.text().contains("changed")) << e.text().toStdString();
    }
    EXPECT_THROW(remove(conn(), Kind::BP, no, mine.stamp), Refused);
    EXPECT_THROW(replace(conn(), edit, {}), Refused); // an entry with a master needs its stamp
    EXPECT_EQ(open(conn(), Kind::BP, no).lines.front().amount, m("11"));

    // Opened again it saves; deleted meanwhile it is not brought back.
    const QString fresh = open(conn(), Kind::BP, no).stamp;
    replace(conn(), edit, fresh);
    const QString afterEdit = open(conn(), Kind::BP, no).stamp;
    remove(*other, Kind::BP, no, stamp(*other, Kind::BP, no));
    try {
        replace(conn(), edit, afterEdit);
        ADD_FAILURE() << "replaced";
    } catch (const Refused &e) {
        EXPECT_TRUE(e.text().contains("deleted")) << e.text().toStdString();
    }
    EXPECT_THROW(remove(conn(), Kind::BP, no, afterEdit), Refused);
    EXPECT_EQ(stamp(conn(), Kind::BP, no), "");
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);

    // An entry numbered by a key past 32 bits keeps its number, and its lines their keys.
    const std::int64_t far = (std::int64_t(1) << 32) + 30;
    exec("Insert Into Accounts (RowID, AcNodes, AcName, AcStatus) Values (?, '1.1.far', 'FAR', 'DD')",
        {db::Value(static_cast<long long>(far))});
    write(entry("AR", {line(kCash, far, "5")}, far));
    EXPECT_EQ(rows(Kind::AR, far),
        QStringList({QStringLiteral("1|10|%1|5.00|0.00|-||-|-|-|-").arg(far),
            QStringLiteral("2|%1|10|0.00|5.00|-||-|-|-|-").arg(far)}));
    EXPECT_EQ(open(conn(), Kind::AR, far).lines.front().credit, far);
    remove(conn(), Kind::AR, far);
    EXPECT_EQ(stamp(conn(), Kind::AR, far), "");

    // Kinds without a master: an empty stamp skips the check, no lines removes the rows.
    write(entry("AR", {line(kCash, kStudent, "5")}, 30));
    EXPECT_FALSE(stamp(conn(), Kind::AR, 30).isEmpty());
    replace(conn(), entry("AR", {}, 30), {});
    EXPECT_EQ(stamp(conn(), Kind::AR, 30), "");
    EXPECT_FALSE(open(conn(), Kind::AR, 30).found);
}

TEST_F(Journal, EveryRowPostsToASubsidiaryAccountThatExists)
{
    const std::int64_t head = 40, gone = 41;
    exec("Insert Into Accounts (RowID, AcNodes, AcName, AcStatus) Values (?, '2', 'EXPENSES', 'HH')",
        {db::Value(static_cast<long long>(head))});
    Line named = line(gone, kBank, "5");
    named.debitName = QStringLiteral("OLD RENT");
    const struct {
        const char *what;
        Entry e;
        const char *message;
    } cases[] = {
        {"a key no account has", entry("BP", {line(gone, kBank, "5")}),
            "The account 41 no longer exists; another user may have deleted it. Please select the account "
            "again; nothing was saved."},
        {"the title the window showed", entry("JV", {line(kRent, kTea, "1"), named}),
            "The account \"OLD RENT\" no longer exists; another user may have deleted it. Please select the "
            "account again; nothing was saved."},
        {"a control account", entry("CP", {line(head, kCash, "5")}),
            "The account \"EXPENSES\" is not a subsidiary account and cannot be posted to. Please select a "
            "subsidiary account; nothing was saved."},
        {"the cash row's account", entry("CR", {line(gone, kRent, "5")}),
            "The account 41 no longer exists; another user may have deleted it. Please select the account "
            "again; nothing was saved."},
        {"a carried credit", entry("CF", {line(0, head, "5")}, 2),
            "The account \"EXPENSES\" is not a subsidiary account and cannot be posted to. Please select a "
            "subsidiary account; nothing was saved."},
        {"the admission pair", entry("AR", {line(kCash, gone, "5")}, 41),
            "The account 41 no longer exists; another user may have deleted it. Please select the account "
            "again; nothing was saved."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        try {
            write(c.e);
            ADD_FAILURE() << "written";
        } catch (const Refused &e) {
            EXPECT_EQ(e.text(), QString::fromLatin1(c.message));
        }
    }
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);

    // An account deleted by another copy after the voucher was opened: the
    // save is refused and the stored voucher stays as it was.
    const int no = write(entry("BP", {line(kRent, kBank, "10")}));
    const QString opened = open(conn(), Kind::BP, no).stamp;
    auto other = otherCopy();
    other->execute("Delete From Accounts Where RowID = ?", {db::Value(static_cast<long long>(kTea))});
    EXPECT_THROW(replace(conn(), entry("BP", {line(kTea, kBank, "10")}, no), opened), Refused);
    EXPECT_EQ(stamp(conn(), Kind::BP, no), opened);
    // A lower-case level code is the same level.
    exec("Update Accounts Set AcStatus = 'dd' Where RowID = ?", {db::Value(static_cast<long long>(kRent))});
    EXPECT_NO_THROW(replace(conn(), entry("BP", {line(kRent, kBank, "12")}, no), opened));
}

TEST_F(Journal, AKindAndNumberAreStoredOnceAndAnUpgradeOverTwiceStoredOnesNamesThem)
{
    ASSERT_EQ(write(entry("JV", {line(kRent, kTea, "1")}), 0), 0);
    EXPECT_THROW(exec("Insert Into MasJV (VouNo, VouStatus) Values (0, 'JV')"), db::Error);
    EXPECT_THROW(exec("Insert Into MasJV (VouNo, VouStatus) Values (0, 'jv')"), db::Error);
    exec("Insert Into MasJV (VouNo, VouStatus) Values (0, 'BP')"); // another kind, the same number

    // A database of the step before the unique index (the later steps not
    // yet made either): the plain index, and a voucher stored twice.
    const int latest = db::databaseVersion(conn());
    const int before = 10;
    schemaStep("Drop Table AcMonthBal");
    schemaStep("Drop Index ux_MasJV_Voucher");
    schemaStep("Create Index ix_MasJV_Voucher On MasJV (VouStatus, VouNo)");
    exec("Insert Into MasJV (VouNo, VouStatus) Values (0, 'JV'), (7, 'CP'), (7, 'CP'), (7, 'CP')");
    schemaStep(testengine::onPostgres() ? QStringLiteral("Update oru_schema Set version = %1").arg(before)
                                        : QStringLiteral("PRAGMA user_version = %1").arg(before));
    // The embedded server upgrades when opened; a networked one only by its
    // administrator.
    const auto upgradeAndOpen = [&] {
        if (testengine::onPostgres())
            db::server::upgrade(serverPath());
        return otherCopy();
    };
    try {
        upgradeAndOpen();
        ADD_FAILURE() << "upgraded";
    } catch (const db::Error &e) {
        EXPECT_EQ(e.text(),
            QStringLiteral("The database cannot be upgraded: schema file 011_voucher_numbers.sql cannot take "
                           "rows it holds. Nothing was changed; correct these rows, then open the database "
                           "again.\nVoucher CP-7 is stored 3 times in MasJV.\n"
                           "Voucher JV-0 is stored 2 times in MasJV."));
    }
    EXPECT_EQ(db::databaseVersion(conn()), before);
    EXPECT_EQ(count("Select count(*) From MasJV"), 6);

    // Put right, the next opening upgrades it.
    exec("Delete From MasJV Where VouStatus = 'CP' Or (VouStatus = 'JV' And PaidReceive Is Null)");
    auto other = upgradeAndOpen();
    EXPECT_EQ(db::databaseVersion(*other), latest);
    EXPECT_THROW(exec("Insert Into MasJV (VouNo, VouStatus) Values (0, 'JV')"), db::Error);
}

TEST_F(Journal, AFailureMidWriteLeavesNothingHalfWritten)
{
    schemaStep(
        testengine::failingTrigger("fail", "after insert", "DetJV", "new.EntryNo = 2", "injected failure"));
    // A new entry: no master without rows, and its number is still free.
    EXPECT_THROW(
        post(conn(), entry("CP", {line(kRent, kCash, "1"), line(kTea, kCash, "2")}), 100), db::Error);
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
    EXPECT_EQ(nextNumber(conn(), Kind::CP, 100), 100);

    // A replaced entry keeps its old master and rows, also inside a caller's transaction.
    const int no = write(entry("BP", {line(kRent, kBank, "7")}));
    const QString before = stamp(conn(), Kind::BP, no);
    Entry edit = entry("BP", {line(kRent, kBank, "7"), line(kTea, kBank, "8")}, no);
    edit.paidReceive = QStringLiteral("NEW NAME");
    EXPECT_THROW(replace(conn(), edit, before), db::Error);
    EXPECT_EQ(stamp(conn(), Kind::BP, no), before);
    EXPECT_THROW(
        {
            db::Transaction tx(conn());
            exec("Insert Into MasJV (VouNo, VouStatus) Values (99, 'JV')");
            replace(conn(), entry("CF", {line(0, kStudent, "1"), line(0, kStudent, "2")}, 4), {});
            tx.commit();
        },
        db::Error);
    EXPECT_EQ(count("Select count(*) From MasJV Where VouNo = 99"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'CF'"), 0);

    // Once the fault is gone the same replace goes through.
    schemaStep(testengine::onPostgres() ? "Drop Trigger fail On DetJV" : "Drop Trigger fail");
    replace(conn(), edit, before);
    EXPECT_EQ(rows(Kind::BP, no).size(), 4);
}

} // namespace

TEST(JournalKinds, CodesAreTheStoredTextsExactly)
{
    // Every kind goes to a code of its own and back to itself; so does every payment.
    QStringList seen;
    for (const Kind kind : kKinds) {
        const QString code = kindCode(kind);
        EXPECT_FALSE(code.isEmpty());
        EXPECT_FALSE(seen.contains(code)) << code.toStdString();
        seen << code;
        Kind back;
        ASSERT_TRUE(kindOf(code, &back)) << code.toStdString();
        EXPECT_EQ(back, kind) << code.toStdString();
        EXPECT_EQ(kindNamed(code), kind);
    }
    for (const Payment p : {Payment::None, Payment::Cash, Payment::Bank})
        EXPECT_EQ(paymentOf(paymentCode(p)), p);
    EXPECT_EQ(paymentCode(Payment::None), QString()); // stored as Null
    EXPECT_EQ(paymentOf(QStringLiteral("cash")), Payment::Cash);

    const char *codes[] = {"CP", "CR", "BP", "BR", "JV", "FR", "CF", "AR"};
    for (const char *code : codes) {
        Kind k;
        ASSERT_TRUE(kindOf(QString::fromLatin1(code), &k)) << code;
        EXPECT_EQ(kindCode(k), QString::fromLatin1(code));
    }
    Kind k;
    for (const char *other : {"cp", "CP ", "", "DR", "XX"})
        EXPECT_FALSE(kindOf(QString::fromLatin1(other), &k)) << other;
}
