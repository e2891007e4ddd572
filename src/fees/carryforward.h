#pragma once
// Public face of carry forward: the carry-forward window frmCarryForward and
// the application picker frmFindApp.
namespace fees {

// Registers frmCarryForward and frmFindApp with the window registry.
void registerCarryForwardWindows();

} // namespace fees
