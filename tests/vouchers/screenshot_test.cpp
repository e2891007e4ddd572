#include "window_fixture.h"

#include <QMdiSubWindow>

namespace {

class Screenshot : public VoucherWindowTest { };

// Saves pictures of the cash and bank payment windows with a few lines when
// ORU_VOUCHER_SHOTS names a folder (run on a real display to look at them).
TEST_F(Screenshot, CashAndBankPaymentWindows)
{
    const QString folder = qEnvironmentVariable("ORU_VOUCHER_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "ORU_VOUCHER_SHOTS not set";
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
