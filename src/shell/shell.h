#pragma once
// Public face of the shell: window registration and the start procedure.
#include <functional>

namespace shell {

// Registers every window of the shell with the window registry.
void registerWindows();
// The subsystem's schema steps, registered with the data layer (generated).
void registerMigrations();
// The program's start: creates the shared objects and shows the login window.
void Main();
// The menu-rights procedure itself; installed as the common ApplyMenuRights hook.
void applyMenuRightsNow();

// Ends the program at once (the login's "E&xit", the main window's close box).
void endProgram();
// Replaces what ending the program does (tests); nullptr restores the default.
void setEndProgramHandler(std::function<void()> handler);

} // namespace shell
