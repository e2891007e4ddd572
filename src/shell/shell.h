#pragma once
// Public face of the shell: window registration and the start procedure.
namespace shell {

// Registers every window of the shell with the window registry.
void registerWindows();
// The program's start: creates the shared objects and shows the login window.
void Main();
// Shows the main window's home panel and applies the menu rights of table Menus.
void ApplyMenuRights();

} // namespace shell
