#include "vouchers/vouchers.h"

#include "vouchers/frmBP.h"
#include "vouchers/frmBR.h"
#include "vouchers/frmCP.h"
#include "vouchers/frmCR.h"
#include "vouchers/frmJV.h"

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
