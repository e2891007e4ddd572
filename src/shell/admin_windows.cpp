#include "Frm_User.h"
#include "admin.h"
#include "frmCompany.h"
#include "frmRemoveData.h"

namespace shell {

void registerAdminWindows()
{
    common::windows::registerWindow(QStringLiteral("frmCompany"), [] { return new frmCompany; });
    common::windows::registerWindow(QStringLiteral("frmRemoveData"), [] { return new frmRemoveData; });
    common::windows::registerWindow(QStringLiteral("Frm_User"), [] { return new Frm_User; });
}

} // namespace shell
