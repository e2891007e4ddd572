#include "window_fixture.h"

namespace {

class Screenshot : public CarryForwardWindowTest { };

// Saves pictures of the carry-forward window with two lines and of the
// application picker when ORU_CARRYFWD_SHOTS names a folder (run on a real
// display to look at them).
TEST_F(Screenshot, CarryForwardWindowAndApplicationPicker)
{
    const QString folder = qEnvironmentVariable("ORU_CARRYFWD_SHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "ORU_CARRYFWD_SHOTS not set";
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
