#include "vouchers/frmCR.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.kind = books::Kind::CR;
    s.caption = QStringLiteral("Cash Receive Voucher");
    s.paidLabel = QStringLiteral("Receive From :");
    s.cashSide = accounts::Side::Debit;
    s.lineSide = accounts::Side::Credit;
    s.removeSide = accounts::Side::Credit;
    s.amountHeader = QStringLiteral("Credit:");
    s.tabOrder = {"DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration", "cmdAdd",
        "acmRemove", "txtPaidTo", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint", "cmdExit", "MshEntry",
        "mshSearch", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "txtFile", "txtBill",
        "txtVoucher"};
    return s;
}

} // namespace

frmCR::frmCR()
    : VoucherWindow(QStringLiteral("frmCR"), kindSettings())
{
}

} // namespace vouchers
