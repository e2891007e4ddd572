#pragma once
// Voucher windows driven by object name, with the account picker and the
// report viewer registered as the program registers them.
#include "support/entry_window_fixture.h"
#include "vouchers/fixture.h"
#include "vouchers/voucher_window.h"
#include "vouchers/vouchers.h"

#include <QPlainTextEdit>

class VoucherWindowTest : public EntryWindowTest<VoucherFixture, vouchers::VoucherWindow> {
protected:
    void SetUp() override
    {
        EntryWindowTest::SetUp();
        vouchers::registerWindows();
    }

    vouchers::VoucherWindow *open(const char *name) { return show(QString::fromLatin1(name)); }
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
};
