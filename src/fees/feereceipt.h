#pragma once
// Public face of fee receipts: the fee-receipt window frmInsRec.
namespace fees {

// Registers frmInsRec with the window registry.
void registerFeeReceiptWindow();

} // namespace fees
