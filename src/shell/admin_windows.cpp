#include "shell/Frm_User.h"
#include "shell/admin.h"
#include "shell/frmCompany.h"
#include "shell/frmRemoveData.h"

namespace shell {

void registerAdminWindows()
{
    common::windows::registerWindow(QStringLiteral("frmCompany"), [] { return new frmCompany; });
    common::windows::registerWindow(QStringLiteral("frmRemoveData"), [] { return new frmRemoveData; });
    common::windows::registerWindow(QStringLiteral("Frm_User"), [] { return new Frm_User; });
}

} // namespace shell
