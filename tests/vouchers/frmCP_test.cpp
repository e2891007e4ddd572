#include "vouchers/window_fixture.h"

#include <tuple>

namespace {

class CashPayment : public VoucherWindowTest {
protected:
    void SetUp() override
    {
        VoucherWindowTest::SetUp();
        setup("CP", 1000, cash, "CR", "Y");
    }
};

TEST_F(CashPayment, EntersSavesReopensChangesAndDeletesAVoucher)
{
    open("frmCP");
    EXPECT_EQ(w->windowTitle(), "Cash Payment Voucher");
    EXPECT_EQ(c("txtVouStatus")->text(), "CP-");
    EXPECT_EQ(c("txtVoucher")->text(), "1000");
    EXPECT_EQ(c("txtCrAc")->text(), "CASH IN HAND");
    EXPECT_FALSE(c("txtCrAc")->isEnabled());
    EXPECT_FALSE(c<QPushButton>("cmdSelectCr")->isEnabled());
    EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());
    EXPECT_EQ(grid()->textMatrix(0, 2), "Debit:");

    pickByList("cmdSelectDr", "rent");
    EXPECT_EQ(c("txtDrAc")->text(), "RENT");
    EXPECT_EQ(tag("txtDrAc"), id(rent));
    addLine("1234.5", "MARCH RENT");
    // The line account goes, the narration stays for the next line.
    EXPECT_EQ(c("txtDrAc")->text(), "");
    EXPECT_EQ(c<QPlainTextEdit>("txtNaration")->toPlainText(), "MARCH RENT");
    pickByAnswer("cmdSelectDr", tea, "TEA");
    addLine("50.51", "TEA", "77");
    pickByAnswer("cmdSelectDr", postage, "POSTAGE");
    addLine("25", "STAMPS");
    EXPECT_EQ(gridLines(),
        QStringList({"RENT|1,234.50||MARCH RENT||", "TEA|50.51||TEA|77|", "POSTAGE|25.00||STAMPS||"}));
    EXPECT_EQ(total(), "Total Amount : 1,310.01");
    EXPECT_EQ(c("txtTotAmount")->text(), "1310.01");

    c("txtPaidTo")->setText(QStringLiteral("LANDLORD"));
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(", ").toStdString();
    const QString k = id(cash);
    EXPECT_EQ(rows("CP", 1000),
        QStringList({
            "1|" + id(rent) + "|" + k + "|1234.50|0.00||MARCH RENT|-|-",
            "2|" + id(tea) + "|" + k + "|50.51|0.00||TEA|77|-",
            "3|" + id(postage) + "|" + k + "|25.00|0.00||STAMPS|-|-",
            "4|" + k + "|-|0.00|1310.01|-|MARCH RENT|-|-",
        }));
    EXPECT_EQ(master("CP", 1000).section(u'|', 1), "LANDLORD|1310.01|sa");
    // An empty window for the next voucher, the cash account kept.
    EXPECT_EQ(c("txtVoucher")->text(), "1001");
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(total(), "Total Amount : 0.00");
    EXPECT_EQ(c("txtPaidTo")->text(), "");
    EXPECT_EQ(c("txtCrAc")->text(), "CASH IN HAND");
    EXPECT_EQ(listRows(),
        QStringList({"1000|" + QDate::currentDate().toString("dd-MM-yyyy") + "|LANDLORD|1310.01|M"}));

    // Opened from the list: the lines only, never the cash row.
    openFromList(1000);
    EXPECT_FALSE(w->isNewVoucher());
    EXPECT_EQ(c("txtVoucher")->text(), "1000");
    EXPECT_EQ(c("txtPaidTo")->text(), "LANDLORD");
    EXPECT_EQ(gridLines().size(), 3);
    EXPECT_EQ(total(), "Total Amount : 1,310.01");
    EXPECT_TRUE(c<QPushButton>("cmdDelete")->isEnabled());

    // Change the second line in place and drop the third.
    doubleClickRow(grid(), 2);
    EXPECT_EQ(c("txtDrAc")->text(), "TEA");
    EXPECT_EQ(c("txtDRCR")->text(), "50.51");
    addLine("60");
    grid()->setRow(3);
    press("acmRemove");
    EXPECT_EQ(gridLines(), QStringList({"RENT|1,234.50||MARCH RENT||", "TEA|60.00||TEA|77|"}));
    press("cmdSave");
    EXPECT_EQ(rows("CP", 1000).size(), 3);
    EXPECT_EQ(rows("CP", 1000).last(), "3|" + k + "|-|0.00|1294.50|-|MARCH RENT|-|-");
    EXPECT_EQ(count("Select count(*) From MasJV Where VouStatus = 'CP'"), 1);

    openFromList(1000);
    dialogs().answer(common::Answer::No);
    press("cmdDelete");
    EXPECT_EQ(rows("CP", 1000).size(), 3);
    EXPECT_EQ(c("txtVoucher")->text(), "1000");
    dialogs().answer(common::Answer::Yes);
    press("cmdDelete");
    EXPECT_EQ(dialogs().last().text, "are you sure Delete this Voucher ");
    EXPECT_EQ(master("CP", 1000), "");
    EXPECT_EQ(rows("CP", 1000), QStringList());
    EXPECT_EQ(c("txtVoucher")->text(), "1000");
    EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());
    EXPECT_EQ(list()->rows(), 2);
    EXPECT_EQ(list()->textMatrix(1, 0), "");

    press("cmdExit");
    flushDeferred();
    EXPECT_EQ(menuRights, 1);
}

TEST_F(CashPayment, WrongInputIsAnsweredAndNothingIsAddedOrSaved)
{
    open("frmCP");
    press("cmdSave");
    addLine("5");
    pickByAnswer("cmdSelectDr", rent, "RENT");
    addLine(".");
    typeText(c("txtDRCR"), QStringLiteral("1..2"));
    EXPECT_EQ(c("txtDRCR")->text(), "1.2");
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    addLine("5");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"Please enter less than one entry in detail", "Please Select Debit Account",
            "please enter Amount", "same account title not allow, please change debit or cedit Account"}));
    EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(count("Select count(*) From MasJV"), 0);

    // Enter on a number that was never saved: not found, and a fresh window.
    dialogs().clear();
    pressEnter(c("txtVoucher"));
    EXPECT_EQ(dialogs().texts(), QStringList({"Voucher not found!"}));
    EXPECT_EQ(c("txtDrAc")->text(), "");
    EXPECT_EQ(c("txtVoucher")->text(), "1000");
}

TEST_F(CashPayment, ASaveOverAVoucherChangedElsewhereIsRefusedAndKeepsTheWindow)
{
    open("frmCP");
    pickByAnswer("cmdSelectDr", rent, "RENT");
    addLine("10");
    press("cmdSave");
    openFromList(1000);
    // Another copy changes it meanwhile.
    exec("Update DetJV Set Naration = 'THEIRS' Where VouStatus = 'CP'");
    addLine("1"); // no line account: refused, nothing changes
    dialogs().clear();
    press("cmdSave");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("changed by another user"))
        << dialogs().last().text.toStdString();
    EXPECT_EQ(gridLines().size(), 1);
    EXPECT_EQ(scalar("Select count(*) From DetJV Where Naration = 'THEIRS'").toInt(), 2);
}

// Keys past 32 bits: the cash account the setup presets and a picked line
// account keep their keys from the draft to the stored rows and back into the
// draft when the voucher is opened.
class FarKeys : public VoucherWindowTest {
protected:
    void SetUp() override
    {
        VoucherWindowTest::SetUp();
        for (const auto &[key, nodes, name] :
            {std::tuple {farCash, "1.2.9", "FAR CASH"}, std::tuple {farRent, "2.1.9", "FAR RENT"}})
            exec("Insert Into Accounts (RowID, AcNodes, AcName, AcStatus) Values (?, ?, ?, 'DD')",
                {db::Value(static_cast<long long>(key)), QString::fromLatin1(nodes),
                    QString::fromLatin1(name)});
        setup("CP", 1, db::Value(static_cast<long long>(farCash)), "CR", "Y");
    }
    const std::int64_t farCash = (std::int64_t(1) << 32) + 9, farRent = (std::int64_t(1) << 31) + 7;
};

TEST_F(FarKeys, ThePresetAndPickedKeysReachTheRowsAndComeBack)
{
    open("frmCP");
    EXPECT_EQ(tag("txtCrAc"), id(farCash));
    pickByAnswer("cmdSelectDr", farRent, "FAR RENT");
    EXPECT_EQ(tag("txtDrAc"), id(farRent));
    addLine("10", "FAR");
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(", ").toStdString();
    EXPECT_EQ(rows("CP", 1),
        QStringList({"1|" + id(farRent) + "|" + id(farCash) + "|10.00|0.00||FAR|-|-",
            "2|" + id(farCash) + "|-|0.00|10.00|-|FAR|-|-"}));

    openFromList(1);
    doubleClickRow(grid(), 1);
    EXPECT_EQ(c("txtDrAc")->text(), "FAR RENT");
    EXPECT_EQ(tag("txtDrAc"), id(farRent));
    EXPECT_EQ(w->draft().lines().front().credit, farCash);
}

} // namespace
