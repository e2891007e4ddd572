#include "common/printing.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"

#include "support/testengine.h"
#include "vouchers/voucher_rules.h"
#include "vouchers/window_fixture.h"

#include <QRegularExpression>

#include <cstring>

namespace {

class BankPayment : public VoucherWindowTest {
protected:
    void SetUp() override
    {
        VoucherWindowTest::SetUp();
        common::setAppPath(QStringLiteral(ORU_REPORTS_DIR));
        exec("Insert Into Company (Company, comAddr, comActive) Values ('ORU INSTITUTE', 'MAIN ROAD', 'Y'), "
             "('OLD NAME', '', Null)");
    }
    QStringList printed()
    {
        report::CRViewer91 *v = common::viewerControl();
        return v && v->document() ? v->document()->allLines() : QStringList();
    }
};

TEST_F(BankPayment, PairedLinesTheBankFilterSavingReopeningAndPrinting)
{
    setup("BP", 1, hbl, "CR", "N");
    open("frmBP");
    EXPECT_EQ(c("txtVoucher")->text(), "1");
    EXPECT_EQ(c("txtCrAc")->text(), "HBL BANK");
    EXPECT_TRUE(c<QPushButton>("cmdSelectCr")->isEnabled());

    // The bank side lists banks only; activation clears the filter again.
    press("cmdSelectCr");
    EXPECT_EQ(gFindAcFilter, "B");
    auto *pickList = findControl<ui::Grid>(picker(), "mshSearch");
    EXPECT_EQ(pickList->rows(), 3); // header and the two banks
    doubleClickRow(pickList, 1);
    flushDeferred();
    EXPECT_EQ(c("txtCrAc")->text(), "ALLIED BANK");
    EXPECT_EQ(gFindAcFilter, "");
    EXPECT_EQ(gFindAcRowID, 0);

    pickByAnswer("cmdSelectDr", rent, "RENT");
    EXPECT_EQ(c("txtDrAc")->text(), "RENT");
    typeText(c("txtChecque"), QStringLiteral("CHQ-9"));
    addLine("12.35", "MARCH");
    // The bank and the narration stay; debit account, amount and cheque go.
    EXPECT_EQ(c("txtCrAc")->text(), "ALLIED BANK");
    EXPECT_EQ(c("txtDrAc")->text(), "");
    EXPECT_EQ(c("txtChecque")->text(), "");
    pickByList("cmdSelectDr", "tea");
    addLine("1234.5", "TEA", "44");
    EXPECT_EQ(gridLines(),
        QStringList({"RENT|ALLIED BANK|12.35|CHQ-9|MARCH||", "TEA|ALLIED BANK|1,234.50||TEA|44|"}));
    EXPECT_EQ(total(), "Total Amount : 1,246.85");

    c("txtPaidTo")->setText(QStringLiteral("O'HARA"));
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(", ").toStdString();
    const QString a = id(allied);
    EXPECT_EQ(rows("BP", 1),
        QStringList({
            "1|" + id(rent) + "|" + a + "|12.35|0.00|CHQ-9|MARCH|-|-",
            "1|" + a + "|" + id(rent) + "|0.00|12.35|CHQ-9|MARCH|-|-",
            "2|" + id(tea) + "|" + a + "|1234.50|0.00||TEA|44|-",
            "2|" + a + "|" + id(tea) + "|0.00|1234.50||TEA|44|-",
        }));
    EXPECT_EQ(master("BP", 1).section(u'|', 1, 2), "O'HARA|1246.85");
    // Cleared for the next voucher: both account boxes empty.
    EXPECT_EQ(c("txtVoucher")->text(), "2");
    EXPECT_EQ(c("txtCrAc")->text(), "");

    // Reopened: the first line's bank comes back into the credit box.
    openFromList(1);
    EXPECT_EQ(c("txtCrAc")->text(), "ALLIED BANK");
    EXPECT_EQ(tag("txtCrAc"), a);
    EXPECT_EQ(gridLines().size(), 2);
    EXPECT_EQ(c("txtPaidTo")->text(), "O'HARA");

    // The printout shows what is stored for the number shown.
    press("cmdPrint");
    const QStringList lines = printed();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.contains("BANK PAYMENT VOUCHER")) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.contains("Paid To : | O'HARA")) << lines.join("\n").toStdString();
    const QStringList body = lines.filter(QRegularExpression("^[12] \\|"));
    EXPECT_EQ(body,
        QStringList({"1 | 2.1.1 | RENT | MARCH (Chq CHQ-9) | 12.35",
            "1 | 1.1.2 | ALLIED BANK | MARCH (Chq CHQ-9) | 12.35", "2 | 2.1.2 | TEA | TEA | 1,234.50",
            "2 | 1.1.2 | ALLIED BANK | TEA | 1,234.50"}));
    EXPECT_TRUE(lines.contains("Total | 1,246.85 | 1,246.85")) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines.first().startsWith("ORU INSTITUTE"));
}

TEST_F(BankPayment, PrintHandsTheEngineTheKindsFileAndSelection)
{
    open("frmBP");
    pickByAnswer("cmdSelectDr", rent, "RENT");
    pickByAnswer("cmdSelectCr", hbl, "HBL BANK");
    addLine("10");
    press("cmdSave");
    // A bank receipt under the same number must not show.
    exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount) Values (0, 'BR', '2024-01-01', 5)");
    exec("Insert Into DetJV (VouNo, VouStatus, EntryNo, AcCode, DrAmt, CrAmt, Naration) "
         "Values (0, 'BR', 1, ?, 5, 0, 'OTHER KIND')",
        {hbl});
    openFromList(0);
    press("cmdPrint");
    const std::shared_ptr<report::Report> r = common::viewerControl()->reportSource();
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->fileName().endsWith("/rptBP.rpt")) << r->fileName().toStdString();
    EXPECT_EQ(r->recordSelectionFormula(),
        "{MasJV.VouNo}= 0 and {MasJV.VouStatus} = 'BP' and {Company.comActive} = 'Y'");
    EXPECT_FALSE(printed().join("\n").contains("OTHER KIND"));
    EXPECT_EQ(printed().filter(QRegularExpression("^1 \\|")).size(), 2);

    // With no active company the printout is empty.
    exec("Update Company Set comActive = Null");
    press("cmdPrint");
    EXPECT_TRUE(printed().filter(QRegularExpression("^1 \\|")).isEmpty());
}

TEST_F(BankPayment, ALockedBankIsRefilledOnlyByOpeningAVoucher)
{
    setup("BP", 0, hbl, "CR", "Y");
    open("frmBP");
    EXPECT_FALSE(c("txtCrAc")->isEnabled());
    pickByAnswer("cmdSelectDr", rent, "RENT");
    addLine("5");
    press("cmdSave");
    EXPECT_EQ(c("txtCrAc")->text(), "");
    pickByAnswer("cmdSelectDr", tea, "TEA");
    addLine("5");
    EXPECT_EQ(dialogs().texts(), QStringList({"Please Select Credit Account"}));
    openFromList(0);
    EXPECT_EQ(c("txtCrAc")->text(), "HBL BANK");
}

// Counts the statements of the picker's list, of the search list (the
// reading of the kind's numbers it is made of) and of its blocks of rows.
int g_pickerLists = 0, g_searchLists = 0, g_listBlocks = 0;
void countLists(const QString &sql)
{
    if (sql.contains(u"From Accounts Where") && sql.contains(u"AcName Like"))
        ++g_pickerLists;
    if (sql.contains(u"Select VouNo From MasJV Where VouStatus = ?"))
        ++g_searchLists;
    if (sql.contains(u"a.PaidReceive, a.TotalAmount") && sql.contains(u"From MasJV a"))
        ++g_listBlocks;
}

TEST_F(BankPayment, OpeningTheWindowAndThePickerOnEitherSideRunsEachListOnce)
{
    setup("BP", 1, hbl, "CR", "N");
    conn().setStatementObserver(countLists);
    open("frmBP");
    flushDeferred();
    EXPECT_EQ(g_searchLists, 1);
    for (const char *button : {"cmdSelectCr", "cmdSelectDr", "cmdSelectCr"}) {
        SCOPED_TRACE(button);
        g_pickerLists = 0;
        press(button);
        flushDeferred();
        EXPECT_EQ(g_pickerLists, 1);
        auto *pickList = findControl<ui::Grid>(picker(), "mshSearch");
        EXPECT_EQ(pickList->rows() == 3, std::strcmp(button, "cmdSelectCr") == 0); // the two banks
        w->activateWindowNow();
        flushDeferred();
    }
    conn().setStatementObserver({});
}

} // namespace

namespace {

TEST_F(BankPayment, PrintingANumberNotSavedSaysSoInsteadOfAnEmptyPage)
{
    open("frmBP");
    // The proposed number of a fresh window is not saved yet.
    press("cmdPrint");
    EXPECT_EQ(dialogs().texts(), QStringList {"Voucher not found!"});
    EXPECT_TRUE(printed().isEmpty());

    // Saved, it prints; a voucher of another kind under the number does not count.
    dialogs().clear();
    exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount) Values (1, 'BR', '2024-01-01', 5)");
    c("txtVoucher")->setText(QStringLiteral("1"));
    press("cmdPrint");
    EXPECT_EQ(dialogs().texts(), QStringList {"Voucher not found!"});
    pickByAnswer("cmdSelectDr", rent, "RENT");
    pickByAnswer("cmdSelectCr", hbl, "HBL BANK");
    addLine("10");
    press("cmdSave");
    dialogs().clear();
    openFromList(0);
    press("cmdPrint");
    EXPECT_TRUE(dialogs().texts().isEmpty()) << dialogs().texts().join('\n').toStdString();
    EXPECT_TRUE(printed().contains("BANK PAYMENT VOUCHER"));
}

} // namespace

namespace {

TEST_F(BankPayment, ALongListShowsEveryVoucherWithItsMarkAndOpensARowFarDown)
{
    // Voucher 1 of two lines, then masters of no line up to 200: voucher 1
    // is the last line of the list, past the marks read when it opens.
    vouchers::Voucher two;
    two.kind = books::Kind::BP;
    two.date = QDate(2024, 3, 5);
    for (const auto &[debit, amount] : {std::pair(rent, 10), std::pair(tea, 5)}) {
        books::Line l;
        l.debit = debit;
        l.credit = hbl;
        l.amount = db::Money::fromCents(amount * 100);
        two.lines.push_back(l);
    }
    ASSERT_EQ(vouchers::saveVoucher(conn(), two, QStringLiteral("CLERK"), 1), 1);
    {
        db::Transaction t(conn());
        for (int no = 2; no <= 200; ++no)
            exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount) Values (?, 'BP', '2024-01-01', "
                 "7)",
                {no});
        t.commit();
    }
    conn().setStatementObserver(countLists);
    g_searchLists = 0;
    g_listBlocks = 0;
    open("frmBP");
    EXPECT_EQ(g_searchLists, 1);
    EXPECT_EQ(g_listBlocks, 1) << "the rows shown first";
    conn().setStatementObserver({});
    ASSERT_EQ(list()->rows(), 201);
    EXPECT_EQ(list()->textMatrix(0, 4), "Multi");
    EXPECT_EQ(list()->textMatrix(1, 0), "200");
    EXPECT_EQ(list()->textMatrix(1, 4), "");
    EXPECT_EQ(list()->textMatrix(200, 0), "1");
    EXPECT_EQ(list()->textMatrix(200, 3), "15.00");
    EXPECT_EQ(list()->textMatrix(200, 4), "M");

    openFromList(1);
    EXPECT_EQ(c("txtVoucher")->text(), "1");
    EXPECT_EQ(grid()->rows(), 3);
    EXPECT_EQ(grid()->textMatrix(2, 1), "TEA");

    // A search lists as before; a text of no number lists the blank line.
    c("txtSearch")->setText(QStringLiteral("10"));
    EXPECT_EQ(::gridLines(list(), {0}),
        QStringList({"110", "109", "108", "107", "106", "105", "104", "103", "102", "101", "100", "10"}));
    c("txtSearch")->setText(QStringLiteral("1%"));
    EXPECT_EQ(list()->rows(), 2);
    EXPECT_EQ(list()->textMatrix(1, 0), "");
}

} // namespace
