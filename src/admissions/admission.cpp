#include "admission.h"

#include "frmOruApplication.h"

namespace admissions {

void registerAdmissionWindows()
{
    common::windows::registerWindow(
        QStringLiteral("frmOruApplication"), [] { return new frmOruApplication; });
}

} // namespace admissions
