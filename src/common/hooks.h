#pragma once
// Shared procedures that belong to the shell but are called from every
// subsystem's windows. The shell installs them at start-up, so no subsystem
// has to include the shell's headers.
#include <functional>

// Shows the main window's home panel and applies the menu rights.
void ApplyMenuRights();

namespace common::hooks {

void setApplyMenuRights(std::function<void()> f);

} // namespace common::hooks
