#include "vouchers/frmBP.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.kind = books::Kind::BP;
    s.caption = QStringLiteral("Bank Payment Voucher");
    s.paidLabel = QStringLiteral("Paid To :");
    s.bankSide = accounts::Side::Credit;
    s.lineSide = accounts::Side::Debit;
    s.removeSide = accounts::Side::Debit;
    s.openFillsSide = accounts::Side::Credit;
    s.resetFilterOnActivate = true;
    s.tabOrder = {"DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration", "cmdAdd",
        "acmRemove", "txtPaidTo", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint", "cmdExit", "MshEntry",
        "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "mshSearch", "txtFile", "txtBill",
        "txtVoucher"};
    return s;
}

} // namespace

frmBP::frmBP()
    : VoucherWindow(QStringLiteral("frmBP"), kindSettings())
{
}

} // namespace vouchers
