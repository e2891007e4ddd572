#pragma once
// Public face of fee receipts and carry forward.
namespace fees {

void registerWindows();

} // namespace fees
