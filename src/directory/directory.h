#pragma once
// Public face of the telephone directory.
namespace directory {

// Registers frm_Tele_Directory with the window registry.
void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();

} // namespace directory
