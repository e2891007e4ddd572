#pragma once
// The catalogue windows (frmSession, frmCourse, frmSubject) and the subject
// picker frmSearchSub.
//
// Asking the subject picker for a subject
// ---------------------------------------
// Call openSubjectPicker() (or do its steps by name: unload "frmSearchSub"
// if loaded, show it, place it at Left 3300, Top 1400, Width 7860, Height
// 5835 twips). The window active at that moment is the opener. While
// gPickAppId >= 1 the picker lists only that application's inactive
// subjects and its course box is disabled.
//
// When the user picks a row the picker sets gPickSubId (SubId), gPickSubName,
// gPickCourseName, gPickCourseDurr and gPickSubAmount (the fee, 0 when
// none), closes, and activates the opener, whose activation handler takes
// the answer when gPickSubId != 0 and resets all five. "Exit" hands back
// nothing. When the opener has gone meanwhile, the answer is dropped.
namespace admissions {

// Registers frmSession, frmCourse, frmSubject and frmSearchSub.
void registerCatalogueWindows();

// Shows a fresh subject picker for the active window, at its usual place.
void openSubjectPicker();

} // namespace admissions
