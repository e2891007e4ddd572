#pragma once
// Public face of the chart of accounts and voucher setup.
namespace accounts {

void registerWindows();

} // namespace accounts
