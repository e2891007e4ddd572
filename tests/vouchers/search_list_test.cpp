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
