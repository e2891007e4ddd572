#include "vouchers/vouchers.h"

#include "vouchers/voucher_window.h"

#include <vector>

namespace vouchers {

namespace {

using accounts::Side;

struct KindWindow {
    QString name;
    KindSettings settings;
};

const QStringList bankTabOrder = {"DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR",
    "txtNaration", "cmdAdd", "acmRemove", "txtPaidTo", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint",
    "cmdExit", "MshEntry", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "mshSearch", "txtFile",
    "txtBill", "txtVoucher"};

// The five voucher windows: one window, each kind's settings.
const std::vector<KindWindow> kinds = {
    {"frmCP",
        {.kind = books::Kind::CP,
            .caption = "Cash Payment Voucher",
            .paidLabel = "Paid To :",
            .cashSide = Side::Credit,
            .lineSide = Side::Debit,
            .removeSide = Side::Debit,
            .amountHeader = "Debit:",
            .tabOrder = {"txtVoucher", "DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR",
                "txtNaration", "cmdAdd", "acmRemove", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint",
                "cmdExit", "MshEntry", "mshSearch", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch",
                "txtPaidTo", "txtFile", "txtBill"}}},
    {"frmCR",
        {.kind = books::Kind::CR,
            .caption = "Cash Receive Voucher",
            .paidLabel = "Receive From :",
            .cashSide = Side::Debit,
            .lineSide = Side::Credit,
            .removeSide = Side::Credit,
            .amountHeader = "Credit:",
            .tabOrder = {"DTPicker", "txtChecque", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration",
                "cmdAdd", "acmRemove", "txtPaidTo", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint",
                "cmdExit", "MshEntry", "mshSearch", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch",
                "txtFile", "txtBill", "txtVoucher"}}},
    {"frmBP",
        {.kind = books::Kind::BP,
            .caption = "Bank Payment Voucher",
            .paidLabel = "Paid To :",
            .bankSide = Side::Credit,
            .lineSide = Side::Debit,
            .removeSide = Side::Debit,
            .openFillsSide = Side::Credit,
            .resetFilterOnActivate = true,
            .tabOrder = bankTabOrder}},
    {"frmBR",
        {.kind = books::Kind::BR,
            .caption = "Bank Receive Voucher",
            .paidLabel = "Receive From :",
            .bankSide = Side::Debit,
            .lineSide = Side::Credit,
            .removeSide = Side::Credit,
            .openFillsSide = Side::Debit,
            .resetFilterOnActivate = true,
            .openReadsMasterCheque = true,
            .tabOrder = bankTabOrder}},
    {"frmJV",
        {.kind = books::Kind::JV,
            .caption = "Journal Voucher",
            .paidLabel = "Paid To :",
            .removeSide = Side::Debit,
            .resetFilterOnActivate = true,
            .amountColour = true,
            .debitPickFocusesCredit = true,
            .sameAccountFocusesDebit = true,
            .tabOrder = {"DTPicker", "txtPaidTo", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration",
                "txtChecque", "cmdAdd", "acmRemove", "cmdSave", "cmdCancel", "cmdDelete", "cmdPrint",
                "cmdExit", "MshEntry", "txtVouStatus", "cboSearch", "txtSearch", "DTPSearch", "mshSearch",
                "txtBill", "txtFile", "txtVoucher"}}},
};

} // namespace

void registerWindows()
{
    for (const KindWindow &k : kinds)
        common::windows::registerWindow(k.name, [&k] { return new VoucherWindow(k.name, k.settings); });
}

} // namespace vouchers
