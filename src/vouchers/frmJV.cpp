#include "vouchers/frmJV.h"

namespace vouchers {

namespace {

KindSettings kindSettings()
{
    KindSettings s;
    s.kind = books::Kind::JV;
    s.caption = QStringLiteral("Journal Voucher");
    s.paidLabel = QStringLiteral("Paid To :");
    s.removeSide = accounts::Side::Debit;
    s.resetFilterOnActivate = true;
    s.amountColour = true;
    s.debitPickFocusesCredit = true;
    s.sameAccountFocusesDebit = true;
    s.tabOrder = {"DTPicker", "txtPaidTo", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration",
        "txtChecque", "cmdAdd", "acmRemove", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint", "cmdExit",
        "MshEntry", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "mshSearch", "txtBill", "txtFile",
        "txtVoucher"};
    return s;
}

} // namespace

frmJV::frmJV()
    : VoucherWindow(QStringLiteral("frmJV"), kindSettings())
{
}

} // namespace vouchers
