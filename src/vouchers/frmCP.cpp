#include "vouchers/frmCP.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.kind = books::Kind::CP;
    s.caption = QStringLiteral("Cash Payment Voucher");
    s.paidLabel = QStringLiteral("Paid To :");
    s.cashSide = accounts::Side::Credit;
    s.lineSide = accounts::Side::Debit;
    s.removeSide = accounts::Side::Debit;
    s.amountHeader = QStringLiteral("Debit:");
    s.tabOrder = {"txtVoucher", "DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR",
        "txtNaration", "cmdAdd", "acmRemove", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint", "cmdExit",
        "MshEntry", "mshSearch", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "txtPaidTo",
        "txtFile", "txtBill"};
    return s;
}

} // namespace

frmCP::frmCP()
    : VoucherWindow(QStringLiteral("frmCP"), kindSettings())
{
}

} // namespace vouchers
