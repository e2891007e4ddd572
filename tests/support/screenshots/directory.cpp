// Pictures of the directory window and its printout for a look by eye.
#include "directory/directory.h"
#include "directory/directory_rules.h"
#include "shell/frmVeiwer.h"
#include "support/screenshots/screenshots.h"
#include "support/testserver.h"

#include <QLineEdit>
#include <QTabWidget>

namespace {

class DirectoryScreenshots : public ScreenshotTest<TestServer> {
protected:
    void SetUp() override
    {
        ScreenshotTest::SetUp();
        directory::registerWindows();
        shell::registerViewer();
    }
};

} // namespace

TEST_F(DirectoryScreenshots, WindowAndPrintout)
{
    const char *rows[][12] = {
        {"AHMED KHAN", "KHAN SONS", "MR. AHMED", "021-5550001", "0300-1234567", "021-5550002",
            "info@khansons.pk", "www.khansons.pk", "SADDAR", "KARACHI", "PAKISTAN", "SHOP 4, MAIN ROAD"},
        {"BILAL AHMED", "B & CO", "MR. BILAL", "042-5551111", "0321-7654321", "", "bilal@bco.pk", "",
            "GULBERG", "LAHORE", "PAKISTAN", "12-B MAIN BOULEVARD"},
    };
    const QStringList columns = {"Client_Name", "Company", "Contact_Per", "Tele_No", "Mob_No", "Fax_NO",
        "Email", "WebSite", "Location", "City", "Country", "Address"};
    for (const auto &r : rows) {
        directory::Entry e;
        for (int c = 0; c < 12; ++c)
            e.fields.append({columns[c], QString::fromLatin1(r[c])});
        directory::saveEntry(conn(), e);
    }
    common::Window *w = common::windows::show("frm_Tele_Directory");
    ASSERT_TRUE(w);
    w->moveTwips(0, 0);
    findControl<QLineEdit>(w, "txtCName")->setText("AHMED KHAN");
    findControl<QLineEdit>(w, "txtComName")->setText("KHAN SONS");
    findControl<QLineEdit>(w, "txtEmail")->setText("info@khansons.pk");
    shoot(w, "frm_Tele_Directory");
    findControl<QTabWidget>(w, "tabDirectory")->setCurrentIndex(1);
    shoot(w, "frm_Tele_Directory_search");
    findControl<QLineEdit>(w, "txtCName")->clear();
    clickButton(w, "cmdPrint");
    auto *viewer = common::windows::ifLoaded("frmVeiwer");
    ASSERT_TRUE(viewer);
    viewer->frame()->resize(1100, 700);
    shoot(viewer, "rptTelePhone");
}
