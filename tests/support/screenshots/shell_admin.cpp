// Pictures of the administration windows for a look by eye.
#include "common/printing.h"
#include "platform/report/viewer.h"
#include "shell/admin_fixture.h"
#include "shell/admin_rules.h"
#include "support/screenshots/screenshots.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>

namespace {

using AdminScreenshots = ScreenshotTest<AdminTest>;

} // namespace

TEST_F(AdminScreenshots, AdministrationWindows)
{
    exec(
        "insert into Company (Company, comTel, comFax, comAddr, comEmail, comWebSite, comTax, comNTN, "
        "comActive) "
        "values ('INSTITUTE OF BUSINESS STUDIES', '021-4567890', '021 4567891', 'SHAHRAH-E-FAISAL, KARACHI', "
        "'info@ibs.edu.pk', 'www.ibs.edu.pk', '12-34-5678-901-23', '1234567-8', 'Y'), "
        "('IBS NORTH CAMPUS', '042-5550001', null, 'GULBERG, LAHORE', null, null, null, null, null)");
    auto *company = common::windows::show(QStringLiteral("frmCompany"));
    company->moveTwips(200, 200);
    findControl<QLineEdit>(company, "txtCompany")->setText("INSTITUTE OF BUSINESS STUDIES");
    findControl<QLineEdit>(company, "txtAddr")->setText("SHAHRAH-E-FAISAL, KARACHI");
    findControl<QLineEdit>(company, "txtTel")->setText("021-4567890");
    findControl<QLineEdit>(company, "txtEmail")->setText("info@ibs.edu.pk");
    findControl<QCheckBox>(company, "chkComActive")->setChecked(true);
    shoot(company, "frmCompany");
    findControl<QTabWidget>(company, "tabCompany")->setCurrentIndex(1);
    shoot(company, "frmCompany_search");
    company->unload();

    auto *removal = common::windows::show(QStringLiteral("frmRemoveData"));
    removal->moveTwips(200, 200);
    shoot(removal, "frmRemoveData");
    removal->unload();

    shell::admin::addUser(conn(), "CLERK", "ACCOUNTS CLERK", "PW1", "U");
    shell::admin::addUser(conn(), "MANAGER", "OFFICE MANAGER", "PW2", "A");
    auto *users = common::windows::show(QStringLiteral("Frm_User"));
    users->moveTwips(200, 200);
    findControl<QLineEdit>(users, "txt_User_Nm")->setText("CASHIER");
    findControl<QLineEdit>(users, "txt_Desig")->setText("FEE COUNTER");
    findControl<QLineEdit>(users, "txt_User_pass")->setText("SECRET");
    shoot(users, "Frm_User");
    findControl<QTabWidget>(users, "tabUser")->setCurrentIndex(1);
    findControl<QLineEdit>(users, "txt_s_value")->setText("A");
    findControl<QLineEdit>(users, "txt_s_value")->clear();
    shoot(users, "Frm_User_search");

    clickButton(users, "cmdPrint");
    if (auto *viewer = common::windows::ifLoaded(QStringLiteral("frmVeiwer"))) {
        common::viewerControl()->setZoom(100);
        shoot(viewer, "rpt_User_Name");
    }
}
