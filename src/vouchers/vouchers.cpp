#include "vouchers.h"

#include "frmBP.h"
#include "frmBR.h"
#include "frmCP.h"
#include "frmCR.h"
#include "frmJV.h"

namespace vouchers {

void registerWindows()
{
    common::windows::registerWindow(QStringLiteral("frmCP"), [] { return new frmCP; });
    common::windows::registerWindow(QStringLiteral("frmCR"), [] { return new frmCR; });
    common::windows::registerWindow(QStringLiteral("frmBP"), [] { return new frmBP; });
    common::windows::registerWindow(QStringLiteral("frmBR"), [] { return new frmBR; });
    common::windows::registerWindow(QStringLiteral("frmJV"), [] { return new frmJV; });
}

} // namespace vouchers
