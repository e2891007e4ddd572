#include "fees/carryforward.h"

#include "fees/frmCarryForward.h"
#include "fees/frmFindApp.h"

namespace fees {

void registerCarryForwardWindows()
{
    common::windows::registerWindow(QStringLiteral("frmCarryForward"), [] { return new frmCarryForward; });
    common::windows::registerWindow(QStringLiteral("frmFindApp"), [] { return new frmFindApp; });
}

} // namespace fees
