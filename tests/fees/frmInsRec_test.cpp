#include "fees/window_fixture.h"

namespace {

class FeeReceipt : public FeeWindowTest { };

TEST_F(FeeReceipt, StudentSubjectsFiguresLinesAndSave)
{
    setup("RI", 500, cash, "DR", "N");
    open();
    EXPECT_EQ(w->windowTitle(), "Fee Receive Voucher");
    EXPECT_EQ(c<QLabel>("lblfrmTitle")->text(), "Fee Receive Voucher");
    EXPECT_EQ(c("txtVouStatus")->text(), "FR-");
    EXPECT_EQ(c("txtVoucher")->text(), "1"); // the setup's start number plays no part
    EXPECT_EQ(c("txtDrAc")->text(), "CASH IN HAND");
    EXPECT_TRUE(c<QRadioButton>("OptCash")->isChecked());
    EXPECT_FALSE(c("txtChecque")->isVisible());
    EXPECT_FALSE(c("txtPaidTo")->isVisible());
    EXPECT_EQ(sessions()->text(), "SPRING 2024"); // the name that sorts last
    EXPECT_EQ(grid()->cols(), 13);
    EXPECT_EQ(grid()->textMatrix(0, 12), "Subject ID:");

    // Picking the student finds the admission's session and subjects and
    // shows the first subject's figures.
    pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
    EXPECT_EQ(c("txtCrAc")->text(), "SARA KHAN");
    EXPECT_EQ(gFindAcRowID, 0);
    EXPECT_EQ(sessions()->text(), "AUTUMN 2024");
    EXPECT_EQ(subjects()->count(), 2);
    EXPECT_EQ(subjects()->text(), "ACCOUNTING");
    EXPECT_EQ(figures(), "0.00/6,000.00");
    chooseSubject("TAXATION");
    EXPECT_EQ(figures(), "2,500.00/0.00");
    chooseSubject("ACCOUNTING");
    addLine("1500", "march");
    // The line side empties; the cash account, slip and date stay.
    EXPECT_EQ(c("txtCrAc")->text(), "");
    EXPECT_EQ(subjects()->count(), 0);
    EXPECT_EQ(sessions()->text(), "");
    EXPECT_EQ(c("txtDrAc")->text(), "CASH IN HAND");

    pickByList("cmdSelectCr", "ali");
    EXPECT_EQ(sessions()->text(), "SPRING 2024");
    EXPECT_EQ(figures(), "1,000.00/4,000.00");
    chooseSubject("AUDIT");
    EXPECT_EQ(figures(), "0.00/0.00");
    addLine("700.5");
    EXPECT_EQ(gridLines(),
        QStringList({"CASH IN HAND|SARA KHAN|1,500.00||MARCH|" + id(sara) + "|2|11",
            "CASH IN HAND|ALI RAZA|700.50|||" + id(ali) + "|1|12"}));
    EXPECT_EQ(total(), "Total Amount : 2,200.50");

    typeText(c("txtSlipNo"), QStringLiteral("b 512"));
    EXPECT_EQ(c("txtSlipNo")->text(), "B512");
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(", ").toStdString();
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    EXPECT_EQ(master(1), today + "||2200.50|sa|B512|CASH");
    const QString k = id(cash);
    EXPECT_EQ(rows(1),
        QStringList({
            "1|" + k + "|" + id(sara) + "|1500.00|0.00||MARCH|2|11|" + today,
            "1|" + id(sara) + "|" + k + "|0.00|1500.00||MARCH|2|11|" + today,
            "2|" + k + "|" + id(ali) + "|700.50|0.00|||1|12|" + today,
            "2|" + id(ali) + "|" + k + "|0.00|700.50|||1|12|" + today,
        }));
    // Cleared for the next receipt; the cash account and slip number stay.
    EXPECT_EQ(c("txtVoucher")->text(), "2");
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(c("txtDrAc")->text(), "CASH IN HAND");
    EXPECT_EQ(c("txtSlipNo")->text(), "B512");

    // The saved receipt now counts as received.
    pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
    EXPECT_EQ(figures(), "1,500.00/4,500.00");

    w->unload();
    flushDeferred();
    EXPECT_EQ(menuRights, 1);
}

TEST_F(FeeReceipt, RefusedLines)
{
    open();
    const auto refused = [this](const char *expected) {
        press("cmdAdd");
        EXPECT_EQ(dialogs().last().text, QString::fromLatin1(expected));
        EXPECT_EQ(dialogs().last().icon, common::Icon::Information);
        EXPECT_EQ(grid()->rows(), 1);
    };
    refused("please select subject ");
    // A student without an admission has no subjects to receive.
    pickByAnswer("cmdSelectCr", walkIn, "WALK IN");
    refused("please select subject ");
    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    typeText(c("txtDRCR"), QStringLiteral("10"));
    refused("Please Select Debit Account");
    pickByAnswer("cmdSelectDr", ali, "ALI RAZA");
    refused("same account title not allow, please change debit or cedit Account");
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    c("txtDRCR")->clear();
    typeText(c("txtDRCR"), QStringLiteral("1..2a "));
    EXPECT_EQ(c("txtDRCR")->text(), "1.2");
    c("txtDRCR")->setText(QStringLiteral("."));
    refused("please enter Amount");
    EXPECT_EQ(c("txtDRCR")->text(), "");
    // More than the subject still owes is taken.
    addLine("4000.01");
    EXPECT_EQ(grid()->rows(), 2);
    press("cmdSave");
    EXPECT_EQ(master(1).section(u'|', 2, 2), "4000.01");

    press("cmdSave");
    EXPECT_EQ(dialogs().last().text, "Please enter less than one entry in detail");
}

TEST_F(FeeReceipt, BankThroughThePickerThenOpenEditPrintAndDelete)
{
    open();
    click(c<QRadioButton>("OptBank"));
    EXPECT_TRUE(c("txtChecque")->isVisible());
    EXPECT_TRUE(c<QLabel>("lblChq")->isVisible());
    press("cmdSelectDr");
    EXPECT_EQ(gFindAcFilter, "B");
    auto *pickList = findControl<ui::Grid>(picker(), "mshSearch");
    EXPECT_EQ(pickList->rows(), 3); // header and the two banks
    doubleClickRow(pickList, 2);
    flushDeferred();
    EXPECT_EQ(c("txtDrAc")->text(), "HBL BANK");
    EXPECT_EQ(gFindAcFilter, "");

    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    typeText(c("txtChecque"), QStringLiteral("CHQ-7"));
    addLine("1000");
    pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
    chooseSubject("TAXATION");
    addLine("250.25", "late");
    press("cmdSave");
    ASSERT_EQ(master(1).section(u'|', 2), "1250.25|sa|-|BANK");
    EXPECT_EQ(count("Select count(*) From DetJV Where VouStatus = 'FR' And ChecqNo = 'CHQ-7'"), 2);
    EXPECT_TRUE(c<QRadioButton>("OptCash")->isChecked());
    EXPECT_EQ(listRows().front(), "1|" + QDate::currentDate().toString("dd-MM-yyyy") + "|||1250.25|M|BANK");

    // Opened from the list: the receipt's bank, lines and mode come back; no figures.
    openFromList(1);
    EXPECT_FALSE(w->isNewVoucher());
    EXPECT_EQ(c("txtDrAc")->text(), "HBL BANK");
    EXPECT_TRUE(c<QRadioButton>("OptBank")->isChecked());
    EXPECT_EQ(c("txtChecque")->text(), "");
    EXPECT_EQ(gridLines(),
        QStringList({"HBL BANK|ALI RAZA|1,000.00|CHQ-7||" + id(ali) + "|1|11",
            "HBL BANK|SARA KHAN|250.25||LATE|" + id(sara) + "|2|13"}));
    EXPECT_TRUE(c<QPushButton>("cmdDelete")->isEnabled());

    // The slip prints the receipt's student lines.
    press("cmdPrint");
    const QStringList slip = printed();
    const QString text = slip.join(u'\n');
    EXPECT_TRUE(text.contains("FR-1")) << text.toStdString();
    EXPECT_TRUE(text.contains("HBL BANK"));
    EXPECT_TRUE(slip.filter("ALI RAZA | ACCOUNTING | SPRING 2024 | Chq CHQ-7 | 1,000.00").size() == 1)
        << text.toStdString();
    EXPECT_EQ(slip.filter("SARA KHAN").size(), 1);
    EXPECT_EQ(slip.filter("Total | 1,250.25").size(), 1) << text.toStdString();

    // Taking a line back shows its subject; changing it rewrites the lines.
    clickRow(grid(), 2);
    doubleClickRow(grid(), 2);
    EXPECT_EQ(c("txtCrAc")->text(), "SARA KHAN");
    EXPECT_EQ(subjects()->text(), "TAXATION");
    EXPECT_EQ(c("txtDRCR")->text(), "250.25");
    c("txtDRCR")->setText(QStringLiteral("300"));
    press("cmdAdd");
    EXPECT_EQ(grid()->rows(), 3);
    clickRow(grid(), 1);
    press("acmRemove");
    press("cmdSave");
    EXPECT_EQ(master(1).section(u'|', 2), "300.00|sa|-|BANK");
    EXPECT_EQ(rows(1).size(), 2);
    EXPECT_EQ(rows(1).front().section(u'|', 3, 3), "300.00");

    // Deleting asks first; No keeps it.
    openFromList(1);
    dialogs().answer(common::Answer::No);
    press("cmdDelete");
    EXPECT_EQ(rows(1).size(), 2);
    dialogs().answer(common::Answer::Yes);
    press("cmdDelete");
    EXPECT_EQ(dialogs().last().text, "are you sure Delete this Voucher ");
    EXPECT_EQ(master(1), "");
    EXPECT_TRUE(rows(1).isEmpty());
    EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());
}

TEST_F(FeeReceipt, AfterABankReceiptTheCashModeTakesTheSetupsCashAccountAgain)
{
    for (const bool preset : {true, false}) {
        SCOPED_TRACE(preset ? "with a preset cash account" : "without one");
        exec("Delete From VouSetting");
        if (preset)
            setup("RI", 0, cash, "DR", "N");
        open();
        click(c<QRadioButton>("OptBank"));
        pickByAnswer("cmdSelectDr", hbl, "HBL BANK");
        pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
        addLine("100");
        press("cmdSave");
        EXPECT_TRUE(c<QRadioButton>("OptCash")->isChecked());
        EXPECT_EQ(c("txtDrAc")->text(), preset ? "CASH IN HAND" : "");
        EXPECT_EQ(tag("txtDrAc"), preset ? id(cash) : "");

        // The next cash receipt posts to cash, never to the bank of the last one.
        if (!preset)
            pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
        pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
        addLine("50");
        press("cmdSave");
        EXPECT_EQ(master(2).section(u'|', 5), "CASH");
        EXPECT_EQ(rows(2).front().section(u'|', 1, 1), id(cash));

        // A cash receipt keeps the cash account chosen for it.
        const std::int64_t till = addAccount(preset ? "1.2.2" : "1.2.3", preset ? "TILL" : "TILL 2", "DD");
        pickByAnswer("cmdSelectDr", till, "TILL");
        pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
        addLine("5");
        press("cmdSave");
        EXPECT_EQ(tag("txtDrAc"), id(till));
        w->unload();
        flushDeferred();
        exec("Delete From DetJV Where VouStatus = 'FR'");
        exec("Delete From MasJV Where VouStatus = 'FR'");
    }
}

TEST_F(FeeReceipt, TakingALineBackShowsItsOwnStudentsFiguresAndEnterMovesOn)
{
    open();
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    addLine("100");
    pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
    EXPECT_EQ(w->studentAppId(), 2);
    clickRow(grid(), 1);
    doubleClickRow(grid(), 1);
    EXPECT_EQ(c("txtCrAc")->text(), "ALI RAZA");
    EXPECT_EQ(subjects()->text(), "ACCOUNTING");
    EXPECT_EQ(figures(), "1,000.00/4,000.00"); // Ali's admission, not Sara's
    EXPECT_EQ(sessions()->text(), "SPRING 2024");

    typeText(c("txtSlipNo"), QStringLiteral("7"));
    pressEnter(c("txtSlipNo"));
    EXPECT_EQ(focusIn(w)->objectName(), "DTPicker");
    c("txtReceived")->setFocus();
    EXPECT_EQ(focusIn(w)->objectName(), "txtDRCR");
    pressEnter(c("txtDRCR"));
    EXPECT_EQ(focusIn(w)->objectName(), "txtNaration");
}

TEST_F(FeeReceipt, ReceiptChangedElsewhereIsNotOverwritten)
{
    open();
    pickByAnswer("cmdSelectDr", cash, "CASH IN HAND");
    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    addLine("100");
    press("cmdSave");
    openFromList(1);
    exec("Update MasJV Set SlipNo = 'OTHER' Where VouStatus = 'FR'");
    press("cmdSave");
    EXPECT_TRUE(dialogs().last().text.contains("changed by another user"))
        << dialogs().last().text.toStdString();
    EXPECT_EQ(master(1).section(u'|', 4, 4), "OTHER");
    EXPECT_EQ(grid()->rows(), 2); // what was on screen stays

    // Searching by slip number; a quote is only text.
    ui::showTab(c<QTabWidget>("SSTab"), 1);
    c<QComboBox>("cboSearch")->setCurrentText(QStringLiteral("Slip No."));
    EXPECT_EQ(c<QLabel>("lblSearch")->text(), "Slip No.");
    typeText(c("txtSearch"), QStringLiteral("THE"));
    EXPECT_EQ(listRows().size(), 1);
    typeText(c("txtSearch"), QStringLiteral("'"));
    EXPECT_EQ(listRows(), QStringList({"||||||"}));
}

} // namespace

namespace {

TEST_F(FeeReceipt, TheSlipOfANumberNotSavedSaysSo)
{
    open();
    press("cmdPrint");
    EXPECT_EQ(dialogs().texts(), QStringList {"Voucher not found!"});
    EXPECT_TRUE(printed().isEmpty());
}

} // namespace

namespace {

// Exit with the account picker open closes the picker too; the grid shows
// the largest amount a line takes whole.
TEST_F(FeeReceipt, ExitClosesThePickerAndTheAmountColumnFitsTheLargestAmount)
{
    setup("RI", 500, cash, "DR", "N");
    open();
    EXPECT_GE(grid()->colWidth(3), grid()->widthToShow(QStringLiteral("999,999,999,999.99")));
    press("cmdSelectCr");
    ASSERT_NE(picker(), nullptr);
    press("cmdExit");
    flushDeferred();
    EXPECT_EQ(common::windows::ifLoaded("frmInsRec"), nullptr);
    EXPECT_EQ(picker(), nullptr);
}

} // namespace
