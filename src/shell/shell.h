#pragma once
// Public face of the shell: window registration and the start procedure.
namespace shell {

// Registers every window of the shell with the window registry.
void registerWindows();
// The program's start: creates the shared objects and shows the login window.
void Main();
// The menu-rights procedure itself; installed as the common ApplyMenuRights hook.
void applyMenuRightsNow();

} // namespace shell
