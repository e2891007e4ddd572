#pragma once
// The chart-of-accounts window.
namespace accounts {

// Registers frmAccount with the window registry.
void registerChartWindow();

} // namespace accounts
