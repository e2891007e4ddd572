#pragma once
// Public face of the admission window.
namespace admissions {

// Registers frmOruApplication with the window registry.
void registerAdmissionWindows();

} // namespace admissions
