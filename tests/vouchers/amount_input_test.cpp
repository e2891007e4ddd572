// What the voucher window's boxes take when typed or pasted, checked in the
// stored rows.
#include "common/input.h"
#include "vouchers/window_fixture.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStyledItemDelegate>
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

// Whatever the amount box holds, "&Add" names the rule of an amount for
// anything that is not one; "please enter Amount" is for an empty box or an
// amount of 0. A refused paste leaves the box empty, and says why at once.
TEST_F(BoxInput, AddTellsTheAmountRuleForEveryRefusedAmount)
{
    setup("JV", 1, {}, {}, "N");
    open("frmJV");
    pickByAnswer("cmdSelectDr", rent, "RENT");
    pickByAnswer("cmdSelectCr", tea, "TEA");
    const QString bare = QStringLiteral("please enter Amount");
    const struct {
        const char *input;
        bool pasted; // else set as code sets it, past the box's own check
        QStringList said; // by the box, then by "&Add"
    } cases[] = {
        {"12,34", true, {kRefused, bare}},
        {"0.00", true, {bare}},
        {"", false, {bare}},
        {"0", false, {bare}},
        {"12,34", false, {kRefused}},
        {"1e3", false, {kRefused}},
        {"1.2.3", false, {kRefused}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.pasted ? "pasted " : "set ") + c.input);
        QLineEdit *amount = this->c("txtDRCR");
        amount->clear();
        QCoreApplication::processEvents();
        dialogs().clear();
        if (c.pasted)
            paste(amount, QString::fromLatin1(c.input));
        else
            amount->setText(QString::fromLatin1(c.input));
        press("cmdAdd");
        EXPECT_EQ(dialogs().texts(), c.said);
        EXPECT_EQ(gridLines(), QStringList());
    }
}

// The entry grid and the search list show the largest amount a line takes
// whole, as the total below does.
TEST_F(BoxInput, TheAmountColumnsShowTheLargestAmountWhole)
{
    for (const char *window : {"frmJV", "frmCP"}) {
        SCOPED_TRACE(window);
        const QString kind = QString::fromLatin1(window + 3);
        setup(window + 3, 1, {}, {}, "N");
        open(window);
        if (kind == "CP")
            pickByAnswer("cmdSelectCr", cash, "CASH IN HAND");
        pickByAnswer("cmdSelectDr", rent, "RENT");
        if (kind == "JV")
            pickByAnswer("cmdSelectCr", tea, "TEA");
        addLine("999999999999.99");
        ASSERT_EQ(grid()->rows(), 2);
        const auto fits = [](ui::Grid *g, int col) {
            QStyleOptionViewItem option;
            option.initFrom(g);
            option.font = g->font();
            const QModelIndex cell = g->model()->index(0, col);
            const int needed = g->itemDelegate()->sizeHint(option, cell).width();
            EXPECT_GE(g->columnWidth(col), needed) << g->textMatrix(1, col).toStdString();
        };
        const int col = kind == "JV" ? 3 : 2;
        EXPECT_EQ(grid()->textMatrix(1, col), "999,999,999,999.99");
        fits(grid(), col);
        EXPECT_EQ(total(), "Total Amount : 999,999,999,999.99");
        press("cmdSave");
        ASSERT_EQ(list()->rows(), 2);
        fits(list(), 3);
        common::windows::unloadAll();
        flushDeferred();
    }
}

// File and bill numbers take digits only: a paste of anything else, or of
// more digits than the column holds, is refused whole and said so.
TEST_F(BoxInput, FileAndBillNumbersTakeDigitsOnlyAndAreNeverCut)
{
    setup("JV", 1, {}, {}, "N");
    open("frmJV");
    const QString refused = common::input::digitsRefusal(10);
    const struct {
        QString input;
        bool pasted;
        const char *shown;
        bool said;
    } cases[] = {
        {QStringLiteral("\U0001F600F\u0665"), true, "", true},
        {QStringLiteral("12345678901234567890"), true, "", true},
        {QStringLiteral("12345678901"), true, "", true}, {QStringLiteral("12 34"), true, "", true},
        {QStringLiteral("1234567890"), true, "1234567890", false},
        {QStringLiteral("4A2-"), false, "42", false}, // typed: other keys are dropped
        {QStringLiteral("12345678901"), false, "1234567890", true}, // the 11th digit
    };
    for (const char *name : {"txtFile", "txtBill"})
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(name) + (c.pasted ? " pasted " : " typed ") + c.input.toStdString());
            QLineEdit *box = this->c(name);
            box->clear();
            dialogs().clear();
            if (c.pasted)
                paste(box, c.input);
            else
                type(box, c.input);
            EXPECT_EQ(box->text(), QString::fromLatin1(c.shown));
            EXPECT_EQ(dialogs().texts(), c.said ? QStringList({refused}) : QStringList());
        }
    // What the boxes keep is what the lines store.
    c("txtFile")->clear();
    c("txtBill")->clear();
    paste(c("txtFile"), QStringLiteral("\U0001F600F\u0665"));
    paste(c("txtBill"), QStringLiteral("0042"));
    pickByAnswer("cmdSelectDr", rent, "RENT");
    pickByAnswer("cmdSelectCr", tea, "TEA");
    addLine("5");
    press("cmdSave");
    const QStringList stored = rows("JV", 1);
    ASSERT_EQ(stored.size(), 2);
    for (const QString &row : stored)
        EXPECT_EQ(row.section(u'|', 7, 8), "-|0042") << row.toStdString();
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
