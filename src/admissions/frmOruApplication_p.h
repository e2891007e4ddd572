#pragma once
// What the application form's source files share.
#include <QString>

namespace admissions::applicationwindow {

// The tag of the fields bound to tblMasApp.
inline const QString kTagM = QStringLiteral("M");

} // namespace admissions::applicationwindow
