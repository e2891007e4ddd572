#include "reports/window_fixture.h"
#include "support/screenshots/screenshots.h"

#include <QCoreApplication>

namespace {

class ReportScreenshots : public ReportWindowTest {
protected:
    void SetUp() override
    {
        ReportWindowTest::SetUp();
        postVouchers();
    }
};

// Saves pictures of the window and of a ledger printout
// (run on a real display to look at them).
TEST_F(ReportScreenshots, WindowAndLedger)
{
    const QString folder = screenshotFolder();
    menu("mnuSimpleLedger");
    dates(QDate(2024, 3, 1), QDate(2024, 4, 30));
    pickAccount(rent, "RENT");
    w->frame()->grab().save(folder + "/reports-window.png");
    press("cmdLedger");
    common::Window *viewer = common::windows::ifLoaded(QStringLiteral("frmVeiwer"));
    ASSERT_NE(viewer, nullptr);
    viewer->frame()->resize(900, 800);
    QCoreApplication::processEvents();
    viewer->frame()->grab().save(folder + "/reports-ledger.png");
}

} // namespace
