#pragma once
// Public face of voucher entry: the cash payment, cash receipt, bank
// payment, bank receipt and journal voucher windows.
namespace vouchers {

// Registers frmCP, frmCR, frmBP, frmBR and frmJV with the window registry.
void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();

} // namespace vouchers
