#pragma once
// Public face of fee receipts and carry forward.
namespace fees {

void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();

} // namespace fees
