#include "vouchers/frmBR.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.kind = books::Kind::BR;
    s.caption = QStringLiteral("Bank Receive Voucher");
    s.paidLabel = QStringLiteral("Receive From :");
    s.bankSide = accounts::Side::Debit;
    s.lineSide = accounts::Side::Credit;
    s.removeSide = accounts::Side::Credit;
    s.openFillsSide = accounts::Side::Debit;
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
