#include "carryforward.h"

#include "frmCarryForward.h"
#include "frmFindApp.h"

namespace fees {

void registerCarryForwardWindows()
{
    common::windows::registerWindow(QStringLiteral("frmCarryForward"), [] { return new frmCarryForward; });
    common::windows::registerWindow(QStringLiteral("frmFindApp"), [] { return new frmFindApp; });
}

} // namespace fees
