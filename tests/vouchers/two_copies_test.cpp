// The voucher windows with a second copy of the program on the same server.
#include "vouchers/voucher_rules.h"

#include "vouchers/window_fixture.h"

namespace {

class TwoCopies : public VoucherWindowTest {
protected:
    void SetUp() override
    {
        VoucherWindowTest::SetUp();
        other = otherCopy();
    }
    // The other copy saves a voucher of one line.
    int theySave(const char *kind, std::int64_t debit, std::int64_t credit, const char *amount)
    {
        vouchers::Voucher v;
        v.kind = books::kindNamed(QString::fromLatin1(kind));
        v.date = QDate(2024, 3, 5);
        v.paidReceive = QStringLiteral("THEIRS");
        vouchers::Line l;
        l.debit = debit;
        l.credit = credit;
        l.amount = db::Money::parse(QString::fromLatin1(amount));
        v.lines.push_back(l);
        return vouchers::saveVoucher(*other, v, QStringLiteral("OTHER"), 1);
    }
    void theyDelete(const char *kind, int no)
    {
        vouchers::deleteVoucher(*other, books::kindNamed(QString::fromLatin1(kind)), no);
    }
    // Enter from the bill box until the number box has the focus, then Enter there.
    void enterOnNumber()
    {
        pressEnter(c("txtBill"));
        for (int i = 0; i < 3 && focusIn(w) != c("txtVoucher"); ++i)
            pressEnter(focusIn(w));
        ASSERT_EQ(focusIn(w), c("txtVoucher"));
        pressEnter(c("txtVoucher"));
    }
    std::int64_t masters(const char *kind)
    {
        return count("Select count(*) From MasJV Where VouStatus = ?", {QString::fromLatin1(kind)});
    }

    std::unique_ptr<db::Connection> other;
};

TEST_F(TwoCopies, AVoucherOpenedByItsNumberIsReplacedNotPostedAgain)
{
    setup("CP", 1, cash, "CR", "N");
    open("frmCP");
    EXPECT_EQ(c("txtVoucher")->text(), "1");
    // Meanwhile the other copy saves cash payment 1; Enter here shows it.
    ASSERT_EQ(theySave("CP", rent, cash, "100"), 1);
    pressEnter(c("txtVoucher"));
    EXPECT_EQ(gridLines(), QStringList({"RENT|100.00||||"}));
    EXPECT_FALSE(w->isNewVoucher());
    EXPECT_TRUE(c<QPushButton>("cmdDelete")->isEnabled());

    pickByAnswer("cmdSelectDr", tea, "TEA");
    addLine("5");
    press("cmdSave");
    EXPECT_EQ(masters("CP"), 1);
    EXPECT_EQ(rows("CP", 1).size(), 3); // two lines and the cash row
    EXPECT_EQ(master("CP", 1).section(u'|', 2), "105.00|sa");

    // Opened, then changed by the other copy: the save is refused, not doubled.
    openFromList(1);
    ASSERT_FALSE(w->isNewVoucher());
    theySave("CP", postage, cash, "1"); // their voucher 2, unrelated
    vouchers::Voucher theirs;
    theirs.kind = books::Kind::CP;
    const vouchers::OpenedVoucher o = vouchers::openVoucher(*other, books::Kind::CP, 1);
    theirs.isNew = false;
    theirs.number = 1;
    theirs.date = o.date;
    theirs.lines = {o.lines.front()};
    theirs.stamp = o.stamp;
    vouchers::saveVoucher(*other, theirs, QStringLiteral("OTHER"), 1);
    dialogs().clear();
    press("cmdSave");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("changed by another user"))
        << dialogs().last().text.toStdString();
    EXPECT_EQ(masters("CP"), 2);
    EXPECT_EQ(rows("CP", 1).size(), 2);
}

TEST_F(TwoCopies, ANumberNotFoundKeepsTheLinesTypedAndDeleteStaysOff)
{
    for (const char *name : {"frmBP", "frmBR", "frmCR", "frmJV"}) {
        SCOPED_TRACE(name);
        open(name);
        const QString kind = QString::fromLatin1(name).mid(3);
        const bool bankDebit = kind == u"BR";
        if (kind == u"JV" || kind == u"BP") {
            pickByAnswer("cmdSelectDr", rent, "RENT");
            pickByAnswer("cmdSelectCr", kind == u"BP" ? hbl : tea, kind == u"BP" ? "HBL BANK" : "TEA");
        } else {
            pickByAnswer("cmdSelectDr", bankDebit ? hbl : cash, bankDebit ? "HBL BANK" : "CASH IN HAND");
            pickByAnswer("cmdSelectCr", rent, "RENT");
        }
        addLine("12.50", "KEEP ME");
        const QString number = c("txtVoucher")->text();
        dialogs().clear();
        enterOnNumber();
        EXPECT_EQ(dialogs().texts(), QStringList({"Voucher not found!"}));
        EXPECT_EQ(grid()->rows(), 2);
        EXPECT_EQ(c("txtVoucher")->text(), number);
        EXPECT_EQ(c<QPlainTextEdit>("txtNaration")->toPlainText(), "KEEP ME");
        EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());
        EXPECT_TRUE(w->isNewVoucher());
        press("cmdSave");
        EXPECT_EQ(masters(name + 3), 1);
        w->unload();
        flushDeferred();
    }

    // With nothing typed the window starts afresh, as before.
    open("frmBP");
    typeText(c("txtChecque"), QStringLiteral("GONE"));
    dialogs().clear();
    enterOnNumber();
    EXPECT_EQ(dialogs().texts(), QStringList({"Voucher not found!"}));
    EXPECT_EQ(c("txtChecque")->text(), "");
    EXPECT_EQ(c("txtVoucher")->text(), "1");
}

TEST_F(TwoCopies, DeleteNeedsAVoucherReadFromTheDatabase)
{
    const int first = theySave("BP", rent, hbl, "10");
    open("frmBP");
    openFromList(first);
    EXPECT_TRUE(c<QPushButton>("cmdDelete")->isEnabled());

    // The other copy deletes it; Enter on its number finds nothing.
    theyDelete("BP", first);
    dialogs().clear();
    enterOnNumber();
    EXPECT_EQ(dialogs().texts(), QStringList({"Voucher not found!"}));
    EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());

    // A voucher the other copy writes meanwhile under that number is never deleted from here.
    ASSERT_EQ(theySave("BP", tea, hbl, "20"), first);
    press("cmdDelete");
    EXPECT_EQ(masters("BP"), 1);
    // And the window's save does not overwrite it: it opened another voucher.
    dialogs().clear();
    press("cmdSave");
    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_TRUE(dialogs().last().text.contains("another user")) << dialogs().last().text.toStdString();
    EXPECT_EQ(rows("BP", first).front().section(u'|', 1, 1), id(tea));

    // After Cancel nothing read is shown: Delete stays off and asks nothing.
    press("cmdCancel");
    EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());
}

TEST_F(TwoCopies, APickedVoucherThatHasGoneLeavesTheWindowNew)
{
    const int first = theySave("JV", rent, tea, "10");
    open("frmJV");
    ASSERT_EQ(listRows().size(), 1);
    theyDelete("JV", first);
    dialogs().clear();
    openFromList(first);
    EXPECT_EQ(dialogs().texts(), QStringList({"Voucher not found!"}));
    EXPECT_TRUE(w->isNewVoucher());

    // The entry typed next is saved as a new voucher.
    pickByAnswer("cmdSelectDr", postage, "POSTAGE");
    pickByAnswer("cmdSelectCr", rent, "RENT");
    addLine("3");
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(u'/').toStdString();
    EXPECT_EQ(masters("JV"), 1);
}

TEST_F(TwoCopies, AnOpenedVoucherDeletedElsewhereKeepsItsLinesAsANewVoucher)
{
    const int first = theySave("BP", rent, hbl, "10");
    theySave("BP", tea, hbl, "20");
    open("frmBP");
    openFromList(first);
    pickByAnswer("cmdSelectDr", postage, "POSTAGE");
    pickByAnswer("cmdSelectCr", hbl, "HBL BANK");
    addLine("5");
    theyDelete("BP", first);

    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"Voucher 1 has been deleted by another user since it was opened; it was not saved. Its "
                     "lines are kept here as new voucher 3: Save posts them."}));
    EXPECT_EQ(gridLines(), QStringList({"RENT|HBL BANK|10.00||||", "POSTAGE|HBL BANK|5.00||||"}));
    EXPECT_EQ(c("txtVoucher")->text(), "3");
    EXPECT_TRUE(w->isNewVoucher());
    EXPECT_FALSE(c<QPushButton>("cmdDelete")->isEnabled());

    // The next Save posts them under a new number; nothing of the deleted one comes back.
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(u'/').toStdString();
    EXPECT_EQ(masters("BP"), 2);
    EXPECT_EQ(master("BP", first), "");
    EXPECT_EQ(master("BP", 3).section(u'|', 1), "THEIRS|15.00|sa");
    EXPECT_EQ(rows("BP", 3).size(), 4);
}

TEST_F(TwoCopies, AnOpenedVoucherChangedElsewhereKeepsItsLinesAndSaysHowToSeeTheirs)
{
    for (const char *name : {"frmJV", "frmCR"}) {
        SCOPED_TRACE(name);
        const char *kind = name + 3;
        const bool cashReceipt = QLatin1String(kind) == u"CR";
        const int first = cashReceipt ? theySave(kind, cash, rent, "10") : theySave(kind, rent, tea, "10");
        open(name);
        openFromList(first);
        pickByAnswer("cmdSelectDr", cashReceipt ? cash : postage, cashReceipt ? "CASH IN HAND" : "POSTAGE");
        pickByAnswer("cmdSelectCr", cashReceipt ? postage : rent, cashReceipt ? "POSTAGE" : "RENT");
        addLine("3");
        const QStringList mine = gridLines();
        ASSERT_EQ(mine.size(), 2);

        // The other copy changes it meanwhile.
        vouchers::Voucher theirs;
        const vouchers::OpenedVoucher o
            = vouchers::openVoucher(*other, books::kindNamed(QString::fromLatin1(kind)), first);
        theirs.kind = books::kindNamed(QString::fromLatin1(kind));
        theirs.isNew = false;
        theirs.number = first;
        theirs.date = o.date;
        theirs.lines = o.lines;
        theirs.lines.front().amount = db::Money::parse(u"11");
        theirs.stamp = o.stamp;
        vouchers::saveVoucher(*other, theirs, QStringLiteral("OTHER"), 1);

        dialogs().clear();
        press("cmdSave");
        EXPECT_EQ(dialogs().texts(),
            QStringList({QStringLiteral(
                "Voucher %1 has been changed by another user since it was opened; it was not saved. Its "
                "lines "
                "are kept here as new voucher %2: Save posts them as a new voucher, or open voucher %1 again "
                "from the search list to see the other user's version (the lines typed here are then "
                "dropped).")
                             .arg(first)
                             .arg(first + 1)}));
        EXPECT_EQ(gridLines(), mine);
        EXPECT_TRUE(w->isNewVoucher());
        EXPECT_EQ(master(kind, first).section(u'|', 2), "11.00|OTHER");

        // Saved now, the lines are a voucher of their own; theirs stays as they left it.
        press("cmdSave");
        EXPECT_EQ(master(kind, first + 1).section(u'|', 2), "13.00|sa");
        EXPECT_EQ(master(kind, first).section(u'|', 2), "11.00|OTHER");
        // Reopened, the first shows their version.
        openFromList(first);
        EXPECT_EQ(total(), "Total Amount : 11.00");
        EXPECT_FALSE(w->isNewVoucher());
        w->unload();
        flushDeferred();
    }
}

TEST_F(TwoCopies, AnAccountDeletedElsewhereBeforeTheSaveIsNamedAndTheLinesStay)
{
    open("frmJV");
    pickByAnswer("cmdSelectDr", rent, "RENT");
    pickByAnswer("cmdSelectCr", tea, "TEA");
    addLine("4");
    // The chart window of the other copy deletes TEA: unused, so allowed.
    other->execute("Delete From Accounts Where RowID = ?", {db::Value(static_cast<long long>(tea))});
    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(),
        QStringList({"The account \"TEA\" no longer exists; another user may have deleted it. Please select "
                     "the account again; nothing was saved."}));
    EXPECT_EQ(gridLines(), QStringList({"RENT|TEA|4.00||||"}));
    EXPECT_EQ(masters("JV"), 0);
    EXPECT_EQ(count("Select count(*) From DetJV"), 0);
}

TEST_F(TwoCopies, EveryPickerButtonAsksForItsOwnList)
{
    open("frmBP");
    press("cmdSelectCr");
    EXPECT_EQ(gFindAcFilter, "B");
    // Left with the bank filter set, the cash windows still list every account.
    for (const auto &[name, button] : {std::pair {"frmCP", "cmdSelectDr"}, std::pair {"frmCP", "cmdSelectCr"},
             std::pair {"frmCR", "cmdSelectDr"}, std::pair {"frmCR", "cmdSelectCr"}}) {
        SCOPED_TRACE(std::string(name) + " " + button);
        gFindAcFilter = QStringLiteral("B");
        open(name);
        press(button);
        EXPECT_EQ(gFindAcFilter, "");
        EXPECT_EQ(findControl<ui::Grid>(picker(), "mshSearch")->rows(), 7); // header and six accounts
    }
}

} // namespace

TEST_F(TwoCopies, AVoucherTheyDeletedLeavesTheListWhenItsRowIsRead)
{
    {
        db::Transaction t(conn());
        for (int no = 1; no <= 200; ++no)
            exec("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount) Values (?, 'BP', '2024-01-01', "
                 "7)",
                {no});
        t.commit();
    }
    open("frmBP");
    ASSERT_EQ(list()->rows(), 201);
    list()->setRow(180);
    // Line 151 shows voucher 50, past the rows read when the list opened.
    other->execute(QStringLiteral("Delete From MasJV Where VouStatus = 'BP' And VouNo = 50"));
    EXPECT_EQ(list()->textMatrix(151, 0), "49");
    QCoreApplication::processEvents();
    EXPECT_EQ(list()->rows(), 200);
    EXPECT_EQ(list()->row(), 179) << "the current line stays on its voucher";
    QStringList expected;
    for (int no = 200; no >= 1; --no)
        if (no != 50)
            expected << QString::number(no);
    EXPECT_EQ(::gridLines(list(), {0}), expected);
    EXPECT_EQ(list()->textMatrix(199, 3), "0.07");
}
