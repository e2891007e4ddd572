#pragma once
// Voucher windows driven by object name, with the account picker and the
// report viewer registered as the program registers them.
#include "accounts/picker.h"
#include "common/hooks.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "shell/frmVeiwer.h"
#include "support/gui.h"
#include "vouchers/fixture.h"
#include "vouchers/voucher_window.h"
#include "vouchers/vouchers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

class VoucherWindowTest : public VoucherFixture {
protected:
    void SetUp() override
    {
        VoucherFixture::SetUp();
        accounts::registerPickerWindows();
        shell::registerViewer();
        vouchers::registerWindows();
        common::hooks::setApplyMenuRights([this] { ++menuRights; });
        gUserName = QStringLiteral("sa");
        gUserPassword = saPassword();
    }
    void TearDown() override
    {
        VoucherFixture::TearDown();
        common::hooks::setApplyMenuRights({});
    }

    vouchers::VoucherWindow *open(const char *name)
    {
        w = qobject_cast<vouchers::VoucherWindow *>(common::windows::show(QString::fromLatin1(name)));
        EXPECT_NE(w, nullptr);
        return w;
    }
    template <class T = QLineEdit> T *c(const char *name)
    {
        return findControl<T>(w, QString::fromLatin1(name));
    }
    // The key the window keeps for an account box ("" for none).
    QString tag(const char *b)
    {
        const std::int64_t key = w->accountKey(c(b));
        return key > 0 ? QString::number(key) : QString();
    }
    void press(const char *button) { clickButton(w, QString::fromLatin1(button)); }
    ui::Grid *grid() { return c<ui::Grid>("MshEntry"); }
    ui::Grid *list() { return c<ui::Grid>("mshSearch"); }
    common::Window *picker() { return common::windows::ifLoaded("frmFindAC"); }

    // Picks through the picker: opens it with the button, types the title and
    // double-clicks the one row it lists.
    void pickByList(const char *button, const char *title)
    {
        press(button);
        ASSERT_NE(picker(), nullptr);
        typeText(findControl<QLineEdit>(picker(), "txtFindAC"), QString::fromLatin1(title));
        auto *g = findControl<ui::Grid>(picker(), "mshSearch");
        ASSERT_GE(g->rows(), 2);
        doubleClickRow(g, 1);
        flushDeferred();
    }
    // Picks as the picker answers: the answer set, then the opener activated.
    void pickByAnswer(const char *button, std::int64_t key, const char *title)
    {
        press(button);
        gFindAcRowID = key;
        gFindAcName = QString::fromLatin1(title);
        common::windows::unload(QStringLiteral("frmFindAC"));
        flushDeferred();
        w->activateWindowNow();
    }
    void addLine(const char *amount, const char *narration = nullptr, const char *file = nullptr)
    {
        c("txtDRCR")->clear();
        typeText(c("txtDRCR"), QString::fromLatin1(amount));
        if (narration) {
            c<QPlainTextEdit>("txtNaration")->setPlainText(QString::fromLatin1(narration));
        }
        if (file)
            typeText(c("txtFile"), QString::fromLatin1(file));
        press("cmdAdd");
    }
    // The grid's lines, visible cells joined by "|" (hidden key columns left out).
    QStringList gridLines() { return ::gridLines(grid(), {}, true); }
    QString total() { return c<QLabel>("lblTotalAmount")->text(); }
    // Selects the list row showing that voucher number and double-clicks it.
    void openFromList(int no)
    {
        ui::showTab(c<QTabWidget>("SSTab"), 1);
        if (!doubleClickRowWith(list(), 0, QString::number(no)))
            ADD_FAILURE() << "voucher " << no << " not listed";
    }
    QStringList listRows() { return ::gridLines(list()); }

    vouchers::VoucherWindow *w = nullptr;
    int menuRights = 0;
};
