#pragma once
// The catalogue windows (frmSession, frmCourse, frmSubject) and the subject
// picker frmSearchSub.
//
// Asking the subject picker for a subject
// ---------------------------------------
// Call openSubjectPicker(appId), which unloads "frmSearchSub" if loaded,
// shows a fresh one at Left 3300, Top 1400, Width 7860, Height 5835 twips
// and gives it the caller's mode: with appId >= 1 the picker lists only
// that application's inactive subjects and its course box is disabled;
// with 0 it lists the subjects of the course chosen in its course box.
// Every caller names its own mode, so what another window left in
// gPickAppId never narrows the list. openSubjectPicker() (and showing the
// picker by name) take the mode from gPickAppId. The window active at that
// moment is the opener.
//
// When the user picks a row the picker sets gPickSubId (SubId), gPickSubName,
// gPickCourseName, gPickCourseDurr and gPickSubAmount (the fee, 0 when
// none), closes, and activates the opener, whose activation handler takes
// the answer with takePickedSubject(), which resets all five. "Exit" hands
// back nothing. When the opener has gone meanwhile, the answer is dropped.
#include "platform/db/db.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace common {
class Window;
}

namespace admissions {

// Registers frmSession, frmCourse, frmSubject and frmSearchSub.
void registerCatalogueWindows();

// Shows a fresh subject picker for the active window, at its usual place,
// in the mode of `appId` (see above); nullptr when it cannot be shown.
common::Window *openSubjectPicker(std::int32_t appId);
// The same in the mode of gPickAppId.
common::Window *openSubjectPicker();

// The picker's answer as the opener takes it.
struct PickedSubject {
    std::int32_t subId = 0;
    QString subName, courseName, courseDurr;
    db::Money amount;
};
// The answer waiting for the opener (gPickSubId != 0), with all five reset;
// nullopt when the picker handed back nothing.
std::optional<PickedSubject> takePickedSubject();

} // namespace admissions
