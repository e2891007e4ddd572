#include "vouchers/frmCR.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.code = QStringLiteral("CR");
    s.caption = QStringLiteral("Cash Receive Voucher");
    s.paidLabel = QStringLiteral("Receive From :");
    s.cashSide = QStringLiteral("DR");
    s.lineSide = QStringLiteral("CR");
    s.removeSide = QStringLiteral("CR");
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
