#include "support/testengine.h"
#include "vouchers/fixture.h"
#include "vouchers/voucher_rules.h"

using namespace vouchers;

namespace {

db::Money m(const char *text)
{
    return db::Money::parse(QString::fromLatin1(text));
}

class Rules : public VoucherFixture {
protected:
    Line line(std::int64_t debit, std::int64_t credit, const char *amount, const char *narration = "",
        const char *file = "", const char *bill = "", const char *cheque = "")
    {
        Line l;
        l.debit = debit;
        l.credit = credit;
        l.amount = m(amount);
        l.narration = QString::fromLatin1(narration);
        l.fileNo = QString::fromLatin1(file);
        l.billNo = QString::fromLatin1(bill);
        l.chequeNo = QString::fromLatin1(cheque);
        return l;
    }
    Voucher voucher(const char *kind, std::vector<Line> lines)
    {
        Voucher v;
        v.kind = books::kindNamed(QString::fromLatin1(kind));
        v.date = QDate(2024, 3, 5);
        v.paidReceive = QStringLiteral("ALI & SONS");
        v.lines = std::move(lines);
        return v;
    }
    int save(const Voucher &v, int startNo = 0)
    {
        return saveVoucher(conn(), v, QStringLiteral("CLERK"), startNo);
    }
    Voucher reopened(const char *kind, int no)
    {
        const OpenedVoucher o = openVoucher(conn(), books::kindNamed(QString::fromLatin1(kind)), no);
        EXPECT_TRUE(o.found);
        Voucher v = voucher(kind, o.lines);
        v.isNew = false;
        v.number = no;
        v.date = o.date;
        v.paidReceive = o.paidReceive;
        v.stamp = o.stamp;
        return v;
    }
};

TEST_F(Rules, NumbersStartAtTheStartNumberAndCountPerKind)
{
    EXPECT_EQ(vouchers::nextNumber(conn(), books::Kind::CP, 1000), 1000);
    EXPECT_EQ(save(voucher("CP", {line(rent, cash, "10")}), 1000), 1000);
    EXPECT_EQ(save(voucher("CP", {line(rent, cash, "10")}), 1000), 1001);
    // The start number plays no part once the kind has vouchers, and other kinds count apart.
    EXPECT_EQ(save(voucher("CP", {line(rent, cash, "10")}), 5000), 1002);
    EXPECT_EQ(save(voucher("BP", {line(rent, hbl, "10")}), 0), 0);
    EXPECT_EQ(save(voucher("BP", {line(rent, hbl, "10")}), 0), 1);
    EXPECT_EQ(save(voucher("JV", {line(rent, tea, "10")}), 7), 7);

    // A gap is filled only when it was the highest number.
    deleteVoucher(conn(), books::Kind::CP, 1002);
    EXPECT_EQ(vouchers::nextNumber(conn(), books::Kind::CP, 1000), 1002);
    deleteVoucher(conn(), books::Kind::CP, 1000);
    EXPECT_EQ(vouchers::nextNumber(conn(), books::Kind::CP, 1000), 1002);
    EXPECT_EQ(rows("CP", 1000), QStringList());
    EXPECT_EQ(master("CP", 1000), "");
    EXPECT_NE(master("CP", 1001), "");
}

TEST_F(Rules, PairedVoucherStoresADebitAndACreditRowPerLine)
{
    const int no = save(voucher(
        "BP", {line(rent, hbl, "100", "MARCH", "", "", "CH-1"), line(tea, hbl, "50.5", "TEA", "12", "34")}));
    EXPECT_EQ(master("BP", no), "2024-03-05|ALI & SONS|150.50|CLERK");
    EXPECT_EQ(rows("BP", no),
        QStringList({
            id(1) + "|" + id(rent) + "|" + id(hbl) + "|100.00|0.00|CH-1|MARCH|-|-",
            id(1) + "|" + id(hbl) + "|" + id(rent) + "|0.00|100.00|CH-1|MARCH|-|-",
            id(2) + "|" + id(tea) + "|" + id(hbl) + "|50.50|0.00||TEA|12|34",
            id(2) + "|" + id(hbl) + "|" + id(tea) + "|0.00|50.50||TEA|12|34",
        }));
}

TEST_F(Rules, CashVouchersStoreOneRowPerLineAndOneCashRowWithTheTotal)
{
    const int cp = save(voucher("CP",
        {line(rent, cash, "100", "FIRST"), line(tea, cash, "50.50", "SECOND"),
            line(postage, cash, "25", "THIRD", "7")}));
    const QString c = id(cash);
    EXPECT_EQ(rows("CP", cp),
        QStringList({
            "1|" + id(rent) + "|" + c + "|100.00|0.00||FIRST|-|-",
            "2|" + id(tea) + "|" + c + "|50.50|0.00||SECOND|-|-",
            "3|" + id(postage) + "|" + c + "|25.00|0.00||THIRD|7|-",
            "4|" + c + "|-|0.00|175.50|-|FIRST|-|-",
        }));
    EXPECT_EQ(master("CP", cp).section(u'|', 2, 2), "175.50");

    const int cr = save(voucher("CR", {line(cash, rent, "0.10", "A"), line(cash, tea, "0.20", "B")}));
    EXPECT_EQ(rows("CR", cr),
        QStringList({
            "1|" + id(rent) + "|" + c + "|0.00|0.10||A|-|-",
            "2|" + id(tea) + "|" + c + "|0.00|0.20||B|-|-",
            "3|" + c + "|-|0.30|0.00|-|A|-|-",
        }));

    // Opening gives the lines only, never the cash row.
    const OpenedVoucher o = openVoucher(conn(), books::Kind::CP, cp);
    ASSERT_EQ(o.lines.size(), 3u);
    EXPECT_EQ(o.lines[1].debit, tea);
    EXPECT_EQ(o.lines[1].debitName, "TEA");
    EXPECT_EQ(o.lines[1].amount, m("50.50"));
    EXPECT_EQ(o.lines[2].fileNo, "7");
    const OpenedVoucher r = openVoucher(conn(), books::Kind::CR, cr);
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0].credit, rent);
    EXPECT_EQ(r.lines[0].debit, cash);
}

// The cash account of the voucher goes on every line's cash side, whatever
// the lines held; paired kinds keep their lines.
TEST_F(Rules, TheCashLineRuleNamesTheVouchersCashAccountOnEveryLine)
{
    const struct {
        const char *kind;
        const char *lines; // "debit/credit" per line after the rule, by account
    } cases[] = {
        {"CP", "RENT/CASH TEA/CASH"},
        {"CR", "CASH/RENT CASH/TEA"},
        {"BP", "RENT/HBL TEA/0"},
        {"JV", "RENT/HBL TEA/0"},
    };
    const QHash<std::int64_t, QString> names = {{rent, "RENT"}, {tea, "TEA"}, {cash, "CASH"}, {hbl, "HBL"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        const bool receipt = QByteArray(c.kind) == "CR";
        Voucher v = receipt ? voucher(c.kind, {line(hbl, rent, "1"), line(0, tea, "2")})
                            : voucher(c.kind, {line(rent, hbl, "1"), line(tea, 0, "2")});
        v.cashAccount = cash;
        v.cashName = QStringLiteral("CASH IN HAND");
        vouchers::nameCashAccount(v);
        QStringList shown;
        for (const books::Line &l : v.lines)
            shown << names.value(l.debit, "0") + "/" + names.value(l.credit, "0");
        EXPECT_EQ(shown.join(u' '), QString::fromLatin1(c.lines));
        if (isCashKind(v.kind)) {
            for (const books::Line &l : v.lines)
                EXPECT_EQ(receipt ? l.debitName : l.creditName, "CASH IN HAND");
        }
    }
}

TEST_F(Rules, ReopenGivesTheSameLinesAndEditRewritesThemWithoutDuplicating)
{
    for (const char *kind : {"BP", "BR", "JV", "CP", "CR"}) {
        SCOPED_TRACE(kind);
        const bool receipt = QByteArray(kind) == "BR" || QByteArray(kind) == "CR";
        const std::int64_t fixed = QByteArray(kind) == "BP" || QByteArray(kind) == "BR" ? hbl : cash;
        const auto mk = [&](std::int64_t other, const char *amount, const char *nar) {
            return receipt ? line(fixed, other, amount, nar, "1", "2", "Q")
                           : line(other, fixed, amount, nar, "1", "2", "Q");
        };
        const int no = save(voucher(kind, {mk(rent, "100", "A"), mk(tea, "1234.5", "B")}));
        Voucher v = reopened(kind, no);
        ASSERT_EQ(v.lines.size(), 2u);
        EXPECT_EQ(v.lines[0].amount, m("100"));
        EXPECT_EQ(v.lines[1].amount, m("1234.50"));
        EXPECT_EQ(receipt ? v.lines[1].credit : v.lines[1].debit, tea);
        EXPECT_EQ(receipt ? v.lines[1].debit : v.lines[1].credit, fixed);
        EXPECT_EQ(v.lines[1].narration, "B");
        EXPECT_EQ(v.lines[1].billNo, "2");
        const QStringList before = rows(kind, no);

        // Saving what was opened stores the same rows.
        EXPECT_EQ(save(v), no);
        EXPECT_EQ(rows(kind, no), before);

        // A removed line and a changed one: the rows are exactly the new lines.
        v = reopened(kind, no);
        v.lines.erase(v.lines.begin());
        v.lines[0].amount = m("20");
        v.paidReceive = QStringLiteral("CHANGED");
        EXPECT_EQ(save(v), no);
        const OpenedVoucher again = openVoucher(conn(), books::kindNamed(QString::fromLatin1(kind)), no);
        ASSERT_EQ(again.lines.size(), 1u);
        EXPECT_EQ(again.lines[0].amount, m("20"));
        EXPECT_EQ(again.paidReceive, "CHANGED");
        EXPECT_EQ(rows(kind, no).size(), 2);
        EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = ?", {kind}), 1);
        EXPECT_EQ(master(kind, no).section(u'|', 2, 2), "20.00");
    }
}

TEST_F(Rules, AVoucherThatIsIncompleteOrDoesNotBalanceIsNeverSaved)
{
    const struct {
        const char *kind;
        std::vector<Line> lines;
        const char *message;
    } cases[] = {
        {"BP", {}, "Please enter less than one entry in detail"},
        {"BP", {line(0, hbl, "5")}, "Please Select Debit Account"},
        {"CP", {line(rent, 0, "5")}, "Please Select Credit Account"},
        {"JV", {line(rent, rent, "5")}, "same account title not allow, please change debit or cedit Account"},
        {"JV", {line(rent, tea, "0")}, "please enter Amount"},
        {"BR", {line(hbl, rent, "-5")}, "please enter Amount"},
        {"CP", {line(rent, cash, "5"), line(tea, hbl, "5")},
            "The lines of a cash voucher must all name the same cash account."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        try {
            save(voucher(c.kind, c.lines));
            ADD_FAILURE() << "saved";
        } catch (const Refused &e) {
            EXPECT_EQ(e.text(), QString::fromLatin1(c.message));
        }
    }
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);

    // Rows changed on the way in are refused.
    schemaStep(testengine::skewingCredits());
    EXPECT_THROW(save(voucher("JV", {line(rent, tea, "5")})), Refused);
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
}

TEST_F(Rules, AFailureHalfwayLeavesNothingHalfWritten)
{
    schemaStep(
        testengine::failingTrigger("fail", "after insert", "DetJV", "new.EntryNo = 2", "injected failure"));
    // A new voucher: no master without lines, and its number is still free.
    EXPECT_THROW(save(voucher("CP", {line(rent, cash, "1"), line(tea, cash, "2")}), 100), db::Error);
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
    EXPECT_EQ(vouchers::nextNumber(conn(), books::Kind::CP, 100), 100);

    // An edited voucher keeps its old master and lines.
    const int no = save(voucher("BP", {line(rent, hbl, "7")}));
    const QString masterBefore = master("BP", no);
    const QStringList before = rows("BP", no);
    Voucher v = reopened("BP", no);
    v.paidReceive = QStringLiteral("NEW NAME");
    v.lines.push_back(line(tea, hbl, "8"));
    EXPECT_THROW(save(v), db::Error);
    EXPECT_EQ(master("BP", no), masterBefore);
    EXPECT_EQ(rows("BP", no), before);

    // Once the fault is gone the same save goes through.
    schemaStep(testengine::dropTrigger("fail", "DetJV"));
    EXPECT_EQ(save(v), no);
    EXPECT_EQ(rows("BP", no).size(), 4);
}

TEST_F(Rules, AVoucherChangedOrDeletedMeanwhileIsReportedNotOverwritten)
{
    const int no = save(voucher("JV", {line(rent, tea, "10")}));
    Voucher mine = reopened("JV", no);
    Voucher theirs = reopened("JV", no);
    theirs.lines[0].amount = m("11");
    save(theirs);

    mine.lines[0].amount = m("12");
    EXPECT_THROW(save(mine), Refused);
    EXPECT_THROW(deleteVoucher(conn(), books::Kind::JV, no, mine.stamp), Refused);
    EXPECT_EQ(openVoucher(conn(), books::Kind::JV, no).lines[0].amount, m("11"));

    // Opened again, it saves; a voucher deleted meanwhile is not brought back.
    mine = reopened("JV", no);
    mine.lines[0].amount = m("12");
    EXPECT_EQ(save(mine), no);
    mine = reopened("JV", no);
    deleteVoucher(conn(), books::Kind::JV, no, reopened("JV", no).stamp);
    try {
        save(mine);
        ADD_FAILURE() << "saved";
    } catch (const Refused &e) {
        EXPECT_TRUE(e.text().contains("deleted")) << e.text().toStdString();
    }
    EXPECT_EQ(master("JV", no), "");
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
}

TEST_F(Rules, DeleteRemovesOnlyThatKindAndNumber)
{
    const int bp = save(voucher("BP", {line(rent, hbl, "10")}));
    const int br = save(voucher("BR", {line(hbl, rent, "10")}));
    ASSERT_EQ(bp, br);
    deleteVoucher(conn(), books::Kind::BR, br, reopened("BR", br).stamp);
    EXPECT_EQ(master("BR", br), "");
    EXPECT_EQ(rows("BR", br), QStringList());
    EXPECT_EQ(rows("BP", bp).size(), 2);
}

TEST_F(Rules, SearchFiltersByNumberDateAndPayeeWithTypedTextBound)
{
    for (int i = 0; i < 3; ++i)
        save(voucher("CP", {line(rent, cash, "10")}), 11);
    Voucher two = voucher("CP", {line(rent, cash, "1"), line(tea, cash, "2")});
    two.paidReceive = QStringLiteral("O'BRIEN 100%");
    two.date = QDate(2024, 12, 25);
    const int multi = save(two, 11); // 14
    save(voucher("BP", {line(rent, hbl, "10")}), 112);

    db::Recordset rs;
    const auto numbers = [&](const char *criterion, const QString &text, QDate date = {}) {
        EXPECT_TRUE(searchVouchers(rs, conn(), "CP", QString::fromLatin1(criterion), text, date));
        QStringList out;
        for (; !rs.eof(); rs.moveNext())
            out << rs.fields("VouNo").toString();
        return out;
    };
    EXPECT_EQ(numbers("Voucher #", ""), QStringList({"14", "13", "12", "11"}));
    EXPECT_EQ(numbers("Voucher #", "1"), QStringList({"14", "13", "12", "11"}));
    EXPECT_EQ(numbers("Voucher #", "3"), QStringList({"13"}));
    EXPECT_EQ(numbers("Paid To", "o'brien"), QStringList({"14"}));
    EXPECT_EQ(numbers("Paid To", "100%"), QStringList({"14"}));
    EXPECT_EQ(numbers("Paid To", "%"), QStringList({"14"}));
    EXPECT_EQ(numbers("Date", "", QDate(2024, 12, 25)), QStringList({"14"}));
    EXPECT_EQ(numbers("Date", "", QDate(2024, 1, 1)), QStringList());

    searchVouchers(rs, conn(), "CP", "Voucher #", QString::number(multi), {});
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.fields("VouDate").toString(), "25-12-2024");
    EXPECT_EQ(rs.fields("Multi").toString(), "M");
    EXPECT_EQ(rs.fields("TotalAmount").toMoney(), m("3"));
    searchVouchers(rs, conn(), "CP", "Voucher #", "13", {});
    EXPECT_TRUE(rs.fields("Multi").isNull());
    // The whole list counts lines its own way; it shows what a search
    // matching every voucher shows, line counts included.
    const auto rows = [&](const QString &text) {
        searchVouchers(rs, conn(), "CP", "Voucher #", text, {});
        QStringList out;
        for (; !rs.eof(); rs.moveNext())
            out << QStringList({rs.fields("VouNo").toString(), rs.fields("VouDate").toString(),
                                   rs.fields("PaidReceive").toString(), rs.fields("TotalAmount").toString(),
                                   rs.fields("Multi").toString()})
                       .join(u'|');
        return out;
    };
    EXPECT_EQ(rows(""), rows("1"));
    EXPECT_EQ(rows("").filter("|M").size(), 1);
    EXPECT_FALSE(searchVouchers(rs, conn(), "CP", "Something", "", {}));
}

TEST_F(Rules, PrintJobNamesTheKindsFileAndSelection)
{
    const common::PrintJob job = printJob(books::Kind::CR, 42, "CLERK", "pw");
    EXPECT_EQ(job.reportFile, "\\rptCR.rpt");
    EXPECT_EQ(job.user, "CLERK");
    EXPECT_EQ(job.password, "pw");
    EXPECT_EQ(job.selection.value_or(""),
        "{MasJV.VouNo}= 42 and {MasJV.VouStatus} = 'CR' and {Company.comActive} = 'Y'");
}

} // namespace
