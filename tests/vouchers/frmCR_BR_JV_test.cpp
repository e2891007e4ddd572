#include "vouchers/window_fixture.h"

#include <QPalette>

namespace {

class OtherKinds : public VoucherWindowTest { };

TEST_F(OtherKinds, CashReceiptDebitsTheCashAccountWithTheTotal)
{
    setup("CR", 50, cash, "DR", "Y");
    open("frmCR");
    EXPECT_EQ(c("txtVouStatus")->text(), "CR-");
    EXPECT_EQ(c("txtDrAc")->text(), "CASH IN HAND");
    EXPECT_FALSE(c<QPushButton>("cmdSelectDr")->isEnabled());
    EXPECT_EQ(grid()->textMatrix(0, 2), "Credit:");
    addLine("5"); // no line account: the credit side
    EXPECT_EQ(dialogs().texts(), QStringList({"Please Select Credit Account"}));
    pickByAnswer("cmdSelectCr", rent, "RENT");
    addLine("100", "A");
    pickByAnswer("cmdSelectCr", tea, "TEA");
    addLine("0.5", "B");
    EXPECT_EQ(c("txtCrAc")->text(), "");
    press("cmdSave");
    const QString k = id(cash);
    EXPECT_EQ(rows("CR", 50),
        QStringList({"1|" + id(rent) + "|" + k + "|0.00|100.00||A|-|-",
            "2|" + id(tea) + "|" + k + "|0.00|0.50||B|-|-", "3|" + k + "|-|100.50|0.00|-|A|-|-"}));
    EXPECT_EQ(c("txtDrAc")->text(), "CASH IN HAND");
    EXPECT_EQ(c("txtVoucher")->text(), "51");
    openFromList(50);
    EXPECT_EQ(gridLines(), QStringList({"RENT|100.00||A||", "TEA|0.50||B||"}));
    EXPECT_EQ(listRows().first().section(u'|', 4), "M");
}

TEST_F(OtherKinds, BankReceiptDebitsTheBankAndReadsItsLinesBack)
{
    open("frmBR");
    EXPECT_EQ(c("txtVoucher")->text(), "0");
    press("cmdSelectDr");
    EXPECT_EQ(gFindAcFilter, "B");
    pickByList("cmdSelectDr", "hbl");
    EXPECT_EQ(gFindAcFilter, "");
    pickByAnswer("cmdSelectCr", rent, "RENT");
    addLine("300", "FEES");
    EXPECT_EQ(c("txtDrAc")->text(), "HBL BANK");
    EXPECT_EQ(c("txtCrAc")->text(), "");
    c("txtPaidTo")->setText(QStringLiteral("STUDENT"));
    press("cmdSave");
    EXPECT_EQ(rows("BR", 0),
        QStringList({"1|" + id(hbl) + "|" + id(rent) + "|300.00|0.00||FEES|-|-",
            "1|" + id(rent) + "|" + id(hbl) + "|0.00|300.00||FEES|-|-"}));
    EXPECT_EQ(c("txtDrAc")->text(), "");
    typeText(c("txtChecque"), QStringLiteral("TYPED"));
    openFromList(0);
    EXPECT_EQ(c("txtDrAc")->text(), "HBL BANK");
    EXPECT_EQ(c("txtChecque")->text(), ""); // the master's cheque number, never written
    EXPECT_EQ(gridLines(), QStringList({"HBL BANK|RENT|300.00||FEES||"}));
    EXPECT_EQ(listRows().first().section(u'|', 4), "");
}

TEST_F(OtherKinds, JournalKeepsBothAccountsFromLineToLine)
{
    setup("JV", 9, {}, {}, "N");
    open("frmJV");
    EXPECT_EQ(c("txtVoucher")->text(), "9");
    pickByAnswer("cmdSelectDr", rent, "RENT");
    EXPECT_EQ(focusIn(w), c<QPushButton>("cmdSelectCr"));
    pickByAnswer("cmdSelectCr", rent, "RENT");
    addLine("5");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"same account title not allow, please change debit or cedit Account"}));
    EXPECT_EQ(focusIn(w), c<QPushButton>("cmdSelectDr"));
    pickByAnswer("cmdSelectCr", tea, "TEA");
    EXPECT_EQ(c("txtDRCR")->palette().color(QPalette::Base), QColor(255, 255, 0));
    addLine("7", "SHIFT");
    EXPECT_EQ(c("txtDRCR")->palette().color(QPalette::Base), QColor(255, 255, 255));
    addLine("8");
    EXPECT_EQ(c("txtDrAc")->text(), "RENT");
    EXPECT_EQ(c("txtCrAc")->text(), "TEA");
    press("cmdSave");
    EXPECT_EQ(rows("JV", 9).size(), 4);
    EXPECT_EQ(master("JV", 9).section(u'|', 2, 2), "15.00");
    openFromList(9);
    EXPECT_EQ(c("txtDrAc")->text(), "");
    EXPECT_EQ(gridLines(), QStringList({"RENT|TEA|7.00||SHIFT||", "RENT|TEA|8.00||SHIFT||"}));
}

} // namespace
