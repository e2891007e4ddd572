#pragma once
// Public face of the chart of accounts and voucher setup.
namespace accounts {

void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();

} // namespace accounts
