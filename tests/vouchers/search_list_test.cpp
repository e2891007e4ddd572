#include "platform/db/db.h"
#include "vouchers/fixture.h"
#include "vouchers/voucher_rules.h"

#include <tuple>

using namespace vouchers;

namespace {

// Vouchers written straight into the tables, more than a block of marks:
// numbers 1..300 of two kinds, with none, one or two lines, one of the
// lines of some of them being of no amount on the line side.
class SearchList : public VoucherFixture {
protected:
    void SetUp() override
    {
        VoucherFixture::SetUp();
        db::Transaction t(conn());
        for (const char *kind : {"BP", "CR"}) {
            const bool receipt = QByteArray(kind) == "CR";
            for (int no = 1; no <= 300; ++no) {
                exec(QStringLiteral("Insert Into MasJV (VouNo, VouStatus, VouDate, PaidReceive, TotalAmount) "
                                    "Values (?, ?, ?, ?, ?)"),
                    {no, kind, QDate(2024, 1, 1).addDays(no), QStringLiteral("PAYEE %1").arg(no % 17),
                        db::Money::fromCents(no * 100)});
                // Of the same number, BP and CR differ in how many lines they have.
                const int lines = (no + (receipt ? 1 : 0)) % 3;
                for (int e = 1; e <= lines; ++e) {
                    const bool empty = e == 2 && no % 5 == 0; // a second row that is no line
                    const db::Value amount = db::Money::fromCents(empty ? 0 : 100);
                    exec(QStringLiteral(
                             "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, "
                             "CrAmt) Values (?, ?, ?, ?, ?, ?, ?)"),
                        {no, kind, QDate(2024, 1, 1).addDays(no), e, rent, receipt ? db::Money() : amount,
                            receipt ? amount : db::Money()});
                }
            }
        }
        t.commit();
    }

    static QStringList cells(db::Recordset &rs)
    {
        QStringList out;
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList row;
            for (int c = 0; c < rs.fieldCount(); ++c)
                row << rs.at(r, c).toString();
            out << row.join(u'|');
        }
        return out;
    }
};

} // namespace

TEST_F(SearchList, ListsWhatTheSearchListsForEveryTypedText)
{
    const QStringList texts = {QString(), "1", "12", "300", "0", "%", "_", "\\", "1%", "1_", "%1", "a", "A1",
        "-", " 1", "１", "'", "999"};
    for (const char *kind : {"BP", "CR"}) {
        for (const QString &text : texts) {
            SCOPED_TRACE(std::string(kind) + " [" + text.toStdString() + "]");
            db::Recordset searched;
            ASSERT_TRUE(searchVouchers(searched, conn(), kind, "Voucher #", text, {}));
            const QStringList expected = cells(searched);

            // The numbers a LIKE contains-search of the typed text finds.
            db::Recordset like;
            like.open(QStringLiteral("Select VouNo From MasJV Where VouStatus = ? And cast(VouNo as text) "
                                     "Like ? ESCAPE '\\' Order By VouNo desc"),
                conn(), {kind, db::likeContains(text)});
            QStringList numbers;
            for (int r = 0; r < like.recordCount(); ++r)
                numbers << like.at(r, 0).toString();

            VoucherList list(conn(), kind);
            ASSERT_TRUE(list.open("Voucher #", text, {}));
            ASSERT_EQ(list.size(), expected.size());
            QStringList got(expected.size()), gotNumbers;
            // Read from the last row up, so that each block of marks is read on its own.
            for (int r = list.size() - 1; r >= 0; --r) {
                QStringList row;
                for (int c = 0; c < VoucherList::kColumns; ++c)
                    row << list.text(r, c);
                got[r] = row.join(u'|');
            }
            for (const QString &row : expected)
                gotNumbers << row.section(u'|', 0, 0);
            EXPECT_EQ(got, expected);
            EXPECT_EQ(gotNumbers, numbers);
            EXPECT_EQ(list.columnName(1), "VouDate");
            EXPECT_EQ(list.columnName(VoucherList::kMultiColumn), "Multi");
        }
    }
}

TEST_F(SearchList, OtherCriteriaAndMarksOfTheWholeList)
{
    VoucherList list(conn(), "BP");
    ASSERT_TRUE(list.open("Voucher #", "", {}));
    ASSERT_EQ(list.size(), 300);
    // Two lines: numbers 2, 5 (its second row of no amount: one line), 8, ...
    EXPECT_EQ(list.value(0, 0).toInt(), 300);
    EXPECT_TRUE(list.isMulti(300 - 299)) << "299 has two lines";
    EXPECT_FALSE(list.isMulti(300 - 5)) << "5: a second row of no amount is no line";
    EXPECT_TRUE(list.isMulti(300 - 2));
    EXPECT_FALSE(list.isMulti(300 - 3)) << "3 has no line";
    EXPECT_TRUE(list.value(300 - 1, VoucherList::kMultiColumn).isNull());

    for (const auto &[criterion, text, date] :
        {std::tuple<const char *, const char *, QDate>("Date", "", QDate(2024, 1, 1).addDays(42)),
            {"Paid To", "payee 1", {}}, {"Paid To", "%", {}}, {"Date", "", QDate(1990, 1, 1)}}) {
        SCOPED_TRACE(std::string(criterion) + " " + text);
        db::Recordset searched;
        ASSERT_TRUE(searchVouchers(searched, conn(), "BP", criterion, text, date));
        ASSERT_TRUE(list.open(criterion, text, date));
        QStringList got;
        for (int r = 0; r < list.size(); ++r) {
            QStringList row;
            for (int c = 0; c < VoucherList::kColumns; ++c)
                row << list.text(r, c);
            got << row.join(u'|');
        }
        EXPECT_EQ(got, cells(searched));
    }
    EXPECT_FALSE(list.open("Something", "", {}));
}

namespace {

// Keystrokes over one window's kept numbers, while another copy saves and
// deletes: each list is the searched list of that moment, whatever was
// read before, with no blank row for a voucher gone.
class KeptNumbers : public SearchList {
protected:
    QStringList searched(const QString &text)
    {
        db::Recordset rs;
        EXPECT_TRUE(searchVouchers(rs, conn(), "BP", "Voucher #", text, {}));
        return cells(rs);
    }
    static QStringList listed(VoucherList &list)
    {
        QStringList out;
        for (int r = 0; r < list.size(); ++r) {
            QStringList row;
            for (int c = 0; c < VoucherList::kColumns; ++c)
                row << list.text(r, c);
            out << row.join(u'|');
        }
        return out;
    }
    // The other copy posts a bank payment of one line: the next number.
    std::int64_t theySave()
    {
        Voucher v;
        v.kind = books::Kind::BP;
        v.date = QDate(2024, 6, 1);
        v.paidReceive = QStringLiteral("THEIRS");
        Line l;
        l.debit = rent;
        l.credit = hbl;
        l.amount = db::Money::fromCents(1234);
        v.lines.push_back(l);
        return saveVoucher(*other, v, QStringLiteral("OTHER"), 1);
    }
    // The other copy deletes a voucher (the fixture's are written around the journal).
    void theyDelete(std::int64_t no)
    {
        db::Transaction t(*other);
        for (const char *table : {"DetJV", "MasJV"})
            other->execute(
                QStringLiteral("Delete From %1 Where VouStatus = 'BP' And VouNo = ?").arg(table), {no});
        t.commit();
    }

    void SetUp() override
    {
        SearchList::SetUp();
        other = otherCopy();
    }

    std::unique_ptr<db::Connection> other;
};

} // namespace

TEST_F(KeptNumbers, EveryKeystrokeListsWhatTheSearchListsThen)
{
    // Numbers of a sign and of none beside 1..300, which no kind numbers so.
    for (const int no : {0, -12, -3}) {
        exec(QStringLiteral("Insert Into MasJV (VouNo, VouStatus, VouDate, PaidReceive, TotalAmount) "
                            "Values (?, 'BP', '2024-01-01', 'SIGNED', 1)"),
            {no});
    }
    auto numbers = std::make_shared<VoucherNumbers>(conn(), "BP");
    auto type = [&](const QString &text) {
        SCOPED_TRACE("[" + text.toStdString() + "]");
        VoucherList list(conn(), "BP", numbers);
        ASSERT_TRUE(list.open("Voucher #", text, {}));
        EXPECT_EQ(listed(list), searched(text));
    };
    const QStringList texts = {QString(), "1", "12", "123", "30", "300", "0", "-", "-1", "1-", "2", "29", "%",
        "_", "a", " 1", "１", "'", "999", "301", "3012"};
    for (const QString &text : texts)
        type(text);

    // Saved by the other copy after the numbers were read: listed at once,
    // and again after a voucher of ours was deleted and a number reused.
    const std::int64_t theirs = theySave();
    ASSERT_EQ(theirs, 301);
    for (const QString &text : texts)
        type(text);
    theyDelete(theirs);
    type("30"); // 301 found gone in the first block
    ASSERT_EQ(theySave(), 301); // the number again, for another voucher
    for (const QString &text : texts)
        type(text);
}

TEST_F(KeptNumbers, AVoucherDeletedAfterTheListOpenedLeavesItWhenItsBlockIsRead)
{
    auto numbers = std::make_shared<VoucherNumbers>(conn(), "BP");
    VoucherList list(conn(), "BP", numbers);
    ASSERT_TRUE(list.open("Voucher #", "", {}));
    ASSERT_EQ(list.size(), 300);
    EXPECT_TRUE(list.takeDropped().empty());

    // Past the first block (read at once), and a row read already: the one
    // read stays as it was read, the others go as their block is read.
    const QStringList before = searched("");
    theyDelete(300 - 130); // row 130
    theyDelete(300 - 131); // row 131, then 130 once the one before it went
    theyDelete(300 - 5); // row 5, read with the first block
    theyDelete(1); // the last row
    EXPECT_EQ(list.text(129, 0), "171");
    EXPECT_EQ(list.size(), 298);
    EXPECT_EQ(list.takeDropped(), (std::vector<int> {131, 130}));
    EXPECT_EQ(list.text(130, 0), "168");
    EXPECT_EQ(list.text(296, 0), "2");
    EXPECT_EQ(list.size(), 297);
    EXPECT_EQ(list.takeDropped(), std::vector<int> {297});
    EXPECT_EQ(list.text(297, 0), "") << "past the end";
    EXPECT_TRUE(list.value(297, 3).isNull());
    QStringList expected = searched("");
    expected.insert(5, before[5]);
    EXPECT_EQ(listed(list), expected);
    EXPECT_TRUE(list.takeDropped().empty());

    // The next list reads every number again: nothing gone is listed.
    VoucherList next(conn(), "BP", numbers);
    ASSERT_TRUE(next.open("Voucher #", "", {}));
    EXPECT_EQ(listed(next), searched(""));
    EXPECT_TRUE(next.takeDropped().empty());
}
