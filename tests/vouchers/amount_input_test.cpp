// What the voucher window's boxes take when typed or pasted, checked in the
// stored rows.
#include "common/input.h"
#include "vouchers/window_fixture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>

namespace {

class BoxInput : public VoucherWindowTest {
protected:
    // A paste as the user makes it: the clipboard, then Ctrl+V in the box.
    void paste(QWidget *box, const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        box->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCoreApplication::processEvents(); // a refusal is told once the box is back
    }
    void type(QWidget *box, const QString &text)
    {
        typeText(box, text);
        QCoreApplication::processEvents();
    }
};

const QString kRefused = common::input::amountRefusal();
const QString kControls
    = QStringLiteral("The text held control characters, which cannot be stored; they were left out.");

TEST_F(BoxInput, TheAmountBoxTakesEveryStoredAmountAndRefusesTheRestAloud)
{
    setup("JV", 1, {}, {}, "N");
    open("frmJV");
    const struct {
        bool pasted;
        QString input;
        const char *shown; // in the box afterwards
        bool refused; // with the message
        const char *stored; // DrAmt saved from the box, nullptr: not saved
    } cases[] = {
        {false, "999999999999.99", "999999999999.99", false, "999999999999.99"},
        {true, "999999999999.99", "999999999999.99", false, "999999999999.99"},
        {false, "12.5", "12.5", false, "12.50"},
        {false, "1234567890123", "123456789012", true, nullptr}, // the 13th digit
        {false, "0.005", "0.00", true, nullptr}, // a third decimal is not rounded
        {false, "1.2.", "1.2", true, nullptr},
        {false, "1e", "1", true, nullptr},
        {true, "99999999999999.99", "", true, nullptr},
        {true, "1e309", "", true, nullptr},
        {true, "1.2.3", "", true, nullptr},
        {true, "1,234.50", "", true, nullptr},
        {true, "0.005", "", true, nullptr},
        {true, "-5", "", true, nullptr},
        {true, QStringLiteral("12") + QChar(0) + "5", "", true, nullptr},
    };
    int voucher = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE((c.pasted ? "pasted " : "typed ") + c.input.toStdString());
        dialogs().clear();
        this->c("txtDRCR")->clear();
        if (c.pasted)
            paste(this->c("txtDRCR"), c.input);
        else
            type(this->c("txtDRCR"), c.input);
        EXPECT_EQ(this->c("txtDRCR")->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(dialogs().texts(), c.refused ? QStringList({kRefused}) : QStringList());
        if (!c.stored)
            continue;
        pickByAnswer("cmdSelectDr", rent, "RENT");
        pickByAnswer("cmdSelectCr", tea, "TEA");
        press("cmdAdd");
        press("cmdSave");
        EXPECT_EQ(rows("JV", voucher).value(0).section(u'|', 3, 3), QString::fromLatin1(c.stored));
        EXPECT_EQ(master("JV", voucher).section(u'|', 2, 2), QString::fromLatin1(c.stored));
        ++voucher;
    }
    EXPECT_EQ(count("select count(*) from MasJV"), 3);

    // The largest amount opened again is shown whole, in the total and the box.
    openFromList(1);
    EXPECT_EQ(total(), "Total Amount : 999,999,999,999.99");
    doubleClickRow(grid(), 1);
    EXPECT_EQ(c("txtDRCR")->text(), "999999999999.99");
}

// Two stored lines of 47,000,000,000,000,000.00 (written by no window) add
// up past what an amount holds: the total says so and Save refuses, rather
// than a wrapped negative total.
TEST_F(BoxInput, ATotalPastWhatAnAmountHoldsIsShownAsTooLargeAndNotSaved)
{
    setup("JV", 1, {}, {}, "N");
    const db::Value huge(db::Money::fromCents(4700000000000000000));
    exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount) Values (1, 'JV', '2024-01-01', 0)");
    // Straight into the table, as no posting could: the journal's kept
    // totals would refuse these sums.
    for (int entry : {1, 2})
        conn().execute(
            "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt) "
            "Values (1, 'JV', '2024-01-01', ?, ?, ?, ?, 0), (1, 'JV', '2024-01-01', ?, ?, ?, 0, ?)",
            {entry, rent, tea, huge, entry, tea, rent, huge});
    const QStringList before = rows("JV", 1);
    open("frmJV");
    openFromList(1);
    EXPECT_EQ(total(), "Total Amount : too large");
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"The total of this voucher is too large for an amount; it was not saved."}));
    EXPECT_EQ(rows("JV", 1), before);
}

TEST_F(BoxInput, ControlCharactersNeverReachAStoredText)
{
    setup("BP", 1);
    open("frmBP");
    dialogs().clear();
    paste(c("txtPaidTo"), QStringLiteral("ALI") + QChar(0) + QStringLiteral("\tKHAN\x01"));
    EXPECT_EQ(c("txtPaidTo")->text(), "ALIKHAN");
    EXPECT_EQ(dialogs().texts(), QStringList({kControls}));
    dialogs().clear();
    paste(c<QPlainTextEdit>("txtNaration"), QStringLiteral("MARCH") + QChar(0) + QStringLiteral("\nRENT"));
    EXPECT_EQ(c<QPlainTextEdit>("txtNaration")->toPlainText(), "MARCH\nRENT");
    EXPECT_EQ(dialogs().texts(), QStringList({kControls}));
    pickByAnswer("cmdSelectDr", rent, "RENT");
    pickByAnswer("cmdSelectCr", hbl, "HBL BANK");
    type(c("txtDRCR"), "10");
    press("cmdAdd");
    press("cmdSave");
    EXPECT_EQ(master("BP", 1).section(u'|', 1, 1), "ALIKHAN");
    EXPECT_EQ(rows("BP", 1).value(0).section(u'|', 6, 6), "MARCH\nRENT");
}

} // namespace
