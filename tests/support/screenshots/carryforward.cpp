#include "fees/carryforward_window_fixture.h"
#include "support/screenshots/screenshots.h"

namespace {

class CarryForwardScreenshots : public CarryForwardWindowTest { };

// Saves pictures of the carry-forward window with two lines and of the
// application picker into the screenshot folder (run on a real
// display to look at them).
TEST_F(CarryForwardScreenshots, CarryForwardWindowAndApplicationPicker)
{
    const QString folder = screenshotFolder();
    ASSERT_TRUE(open());
    pickApplication("ali");
    answerSubject(10, "TAXATION");
    addLine("2500", "CARRIED TO JULY");
    answerSubject(11, "AUDIT");
    addLine("");
    w->frame()->grab().save(folder + QStringLiteral("/carryfwd.png"));
    ui::showTab(c<QTabWidget>("SSTab"), 1);
    w->frame()->grab().save(folder + QStringLiteral("/carryfwd-search.png"));
    ui::showTab(c<QTabWidget>("SSTab"), 0);
    press("cmdFindApplication");
    ASSERT_TRUE(appPicker());
    host()->window()->grab().save(folder + QStringLiteral("/carryfwd-picker.png"));
}

} // namespace
