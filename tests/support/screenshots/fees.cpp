#include "fees/window_fixture.h"
#include "support/screenshots/screenshots.h"

#include <QMdiSubWindow>

namespace {

class FeeScreenshots : public FeeWindowTest { };

// Saves a picture of the fee receipt window with two lines into the screenshot folder (run on a real display
// to look at it).
TEST_F(FeeScreenshots, FeeReceiptWindow)
{
    const QString folder = screenshotFolder();
    host()->window()->resize(1100, 780);
    setup("RI", 0, cash, "DR", "N");
    open();
    w->frame()->resize(1017, 677);
    click(c<QRadioButton>("OptBank"));
    pickByAnswer("cmdSelectDr", hbl, "HBL BANK");
    pickByAnswer("cmdSelectCr", ali, "ALI RAZA");
    typeText(c("txtChecque"), QStringLiteral("CHQ-1001"));
    addLine("1500", "FIRST INSTALMENT");
    pickByAnswer("cmdSelectCr", sara, "SARA KHAN");
    typeText(c("txtSlipNo"), QStringLiteral("512"));
    typeText(c("txtDRCR"), QStringLiteral("700"));
    w->frame()->grab().save(folder + QStringLiteral("/fees-frmInsRec.png"));
    // The test screen's size: nothing may overlap or be cut off there either.
    w->frame()->resize(780, 640);
    w->frame()->grab().save(folder + QStringLiteral("/fees-frmInsRec-small.png"));
    w->frame()->resize(1017, 677);
    ui::showTab(c<QTabWidget>("SSTab"), 1);
    w->frame()->grab().save(folder + QStringLiteral("/fees-frmInsRec-search.png"));
}

} // namespace
