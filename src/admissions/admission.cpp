#include "admissions/admission.h"

#include "admissions/frmOruApplication.h"

namespace admissions {

void registerAdmissionWindows()
{
    common::windows::registerWindow(
        QStringLiteral("frmOruApplication"), [] { return new frmOruApplication; });
}

} // namespace admissions
