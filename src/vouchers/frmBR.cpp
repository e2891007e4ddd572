#include "vouchers/frmBR.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.code = QStringLiteral("BR");
    s.caption = QStringLiteral("Bank Receive Voucher");
    s.paidLabel = QStringLiteral("Receive From :");
    s.bankSide = QStringLiteral("DR");
    s.lineSide = QStringLiteral("CR");
    s.removeSide = QStringLiteral("CR");
    s.openFillsSide = QStringLiteral("DR");
    s.resetFilterOnActivate = true;
    s.openReadsMasterCheque = true;
    s.tabOrder = {"DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration", "cmdAdd",
        "acmRemove", "txtPaidTo", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint", "cmdExit", "MshEntry",
        "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "mshSearch", "txtFile", "txtBill",
        "txtVoucher"};
    return s;
}

} // namespace

frmBR::frmBR()
    : VoucherWindow(QStringLiteral("frmBR"), kindSettings())
{
}

} // namespace vouchers
