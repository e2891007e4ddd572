#pragma once
// Public face of the telephone directory.
namespace directory {

// Registers frm_Tele_Directory with the window registry.
void registerWindows();

} // namespace directory
