// Keys and clicks of the voucher windows that every kind shares.
#include "vouchers/voucher_rules.h"
#include "vouchers/window_fixture.h"

#include <QComboBox>
#include <QTest>

namespace {

using VoucherKeys = VoucherWindowTest;

TEST_F(VoucherKeys, EnterOnAFocusedButtonClicksItInEveryVoucherWindow)
{
    // The Enter chain from the field before the debit button reaches it, and
    // Enter there opens the picker.
    for (const auto &[name, before] : {std::pair {"frmBP", "txtChecque"}, std::pair {"frmBR", "txtChecque"},
             std::pair {"frmCP", "txtChecque"}, std::pair {"frmCR", "txtChecque"},
             std::pair {"frmJV", "txtPaidTo"}}) {
        SCOPED_TRACE(name);
        open(name);
        c(before)->setFocus();
        pressEnter(c(before));
        ASSERT_EQ(focusIn(w), c<QPushButton>("cmdSelectDr"));
        pressEnter(c<QPushButton>("cmdSelectDr"));
        EXPECT_NE(picker(), nullptr);
        common::windows::unload(QStringLiteral("frmFindAC"));
        flushDeferred();
        w->activateWindowNow();

        dialogs().clear();
        c<QPushButton>("cmdAdd")->setFocus();
        pressEnter(c<QPushButton>("cmdAdd"));
        EXPECT_EQ(dialogs().texts(), QStringList({"Please Select Debit Account"}));
        c<QPushButton>("cmdSave")->setFocus();
        pressEnter(c<QPushButton>("cmdSave"));
        EXPECT_EQ(dialogs().last().text, "Please enter less than one entry in detail");
        dialogs().clear();
        w->unload();
        flushDeferred();
    }
}

TEST_F(VoucherKeys, AClickOnTheSearchDatesTextRebuildsTheList)
{
    open("frmBP");
    ui::showTab(c<QTabWidget>("SSTab"), 1);
    c<QComboBox>("cboSearch")->setCurrentText(QStringLiteral("Date"));
    auto *date = c<ui::DatePicker>("DTPSearch");
    {
        const QSignalBlocker quiet(date);
        date->setDate(QDate(2024, 3, 5));
    }
    // Another copy saves a voucher of that day; the list knows nothing of it yet.
    auto other = otherCopy();
    vouchers::Voucher v;
    v.kind = books::Kind::BP;
    v.date = QDate(2024, 3, 5);
    vouchers::Line l;
    l.debit = rent;
    l.credit = hbl;
    l.amount = db::Money::parse(u"9");
    v.lines = {l};
    vouchers::saveVoucher(*other, v, QStringLiteral("OTHER"), 1);
    ASSERT_EQ(list()->rows(), 2);
    ASSERT_EQ(list()->textMatrix(1, 0), "");

    auto *text = date->findChild<QLineEdit *>();
    ASSERT_NE(text, nullptr);
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(4, text->height() / 2));
    ASSERT_EQ(listRows().size(), 1);
    EXPECT_EQ(list()->textMatrix(1, 0), "1");
    EXPECT_EQ(list()->textMatrix(1, 1), "05-03-2024");
}

} // namespace

namespace {

// A picker never outlives the voucher window that opened it: Exit (by the
// keyboard, after Enter closed a message) closes it too, and a voucher
// window opened afterwards asks a fresh one.
TEST_F(VoucherKeys, ExitWithThePickerOpenClosesThePicker)
{
    for (const char *name : {"frmJV", "frmCP", "frmBR"}) {
        SCOPED_TRACE(name);
        open(name);
        dialogs().clear();
        const auto enterOn = [this](const char *button) {
            c<QPushButton>(button)->setFocus();
            pressEnter(c<QPushButton>(button));
        };
        enterOn("cmdAdd");
        EXPECT_EQ(dialogs().texts().size(), 1);
        enterOn("cmdSelectDr");
        ASSERT_NE(picker(), nullptr);
        enterOn("cmdExit");
        flushDeferred();
        EXPECT_EQ(common::windows::ifLoaded(QString::fromLatin1(name)), nullptr);
        EXPECT_EQ(picker(), nullptr);
        EXPECT_FALSE(common::windows::loadedNames().contains(QStringLiteral("frmFindAC")));
    }
    // Nothing handed on afterwards.
    EXPECT_EQ(gFindAcRowID, 0);
    open("frmJV");
    EXPECT_EQ(tag("txtDrAc"), "");
}

} // namespace
