#include "admissions/application_window_fixture.h"
#include "platform/ui/controls.h"
#include "support/screenshots/screenshots.h"

#include <QMainWindow>
#include <QTabWidget>

namespace {

using AdmissionScreenshots = ApplicationWindow;

// The form with a student and two subjects, its search tab and its printout.
TEST_F(AdmissionScreenshots, ApplicationFormSearchAndPrintout)
{
    const QString folder = screenshotFolder();
    m_host->mainWindow()->resize(1300, 950);
    open();
    enterStudent();
    typeText(c("txtEmail"), "ALI@MAIL.COM");
    typeText(c("txtAuditFirm"), "A. F. FERGUSON");
    typeText(c("txtLastEduQua"), "B.COM");
    press("cmdSave");
    pick("LAW");
    const auto shoot = [&](const QString &name) {
        QTest::qWait(300);
        w->frame()->grab().save(folder + u'/' + name + QStringLiteral(".png"));
    };
    shoot("admission-form");
    ui::showTab(c<QTabWidget>("SSTab1"), 1);
    shoot("admission-search");
    ui::showTab(c<QTabWidget>("SSTab1"), 0);
    press("cmdPrint");
    common::Window *viewer = common::windows::ifLoaded("frmVeiwer");
    ASSERT_NE(viewer, nullptr);
    viewer->frame()->resize(1000, 900);
    QTest::qWait(300);
    viewer->frame()->grab().save(folder + QStringLiteral("/admission-print.png"));
}

} // namespace
