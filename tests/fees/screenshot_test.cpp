#include "window_fixture.h"

#include <QMdiSubWindow>

namespace {

class Screenshot : public FeeWindowTest { };

// Saves a picture of the fee receipt window with two lines when
// ORU_FEES_SHOTS names a folder (run on a real display to look at it).
TEST_F(Screenshot, FeeReceiptWindow)
{
    const QString folder = qEnvironmentVariable("ORU_FEES_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "ORU_FEES_SHOTS not set";
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
