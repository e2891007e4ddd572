#include "support/screenshots/screenshots.h"
#include "vouchers/window_fixture.h"

#include <QMdiSubWindow>

namespace {

class VoucherScreenshots : public VoucherWindowTest { };

// Saves pictures of the cash and bank payment windows with a few lines into the screenshot folder (run on a
// real display to look at them).
TEST_F(VoucherScreenshots, CashAndBankPaymentWindows)
{
    const QString folder = screenshotFolder();
    host()->window()->resize(1100, 780);
    setup("CP", 1000, cash, "CR", "Y");
    for (const char *name : {"frmCP", "frmBP"}) {
        open(name);
        w->frame()->resize(1017, 677);
        c("txtPaidTo")->setText(QStringLiteral("ALI & SONS"));
        pickByAnswer("cmdSelectDr", rent, "RENT");
        if (QByteArray(name) == "frmBP")
            pickByAnswer("cmdSelectCr", hbl, "HBL BANK");
        addLine("1234.5", "MARCH RENT", "12");
        pickByAnswer("cmdSelectDr", tea, "TEA");
        addLine("50");
        w->frame()->grab().save(folder + QStringLiteral("/vouchers-%1.png").arg(QString::fromLatin1(name)));
        w->unload();
        flushDeferred();
    }
}

} // namespace
