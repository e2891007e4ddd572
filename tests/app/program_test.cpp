// The whole program as start-up wires it: every menu item finds its window,
// and each window loads and closes again without an error.
#include "accounts.h"
#include "admissions.h"
#include "directory.h"
#include "fees.h"
#include "reports.h"
#include "shell.h"
#include "testserver.h"
#include "vouchers.h"
#include "window.h"

#include <QAction>
#include <QMenu>

namespace {

class Program : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        shell::registerWindows();
        accounts::registerWindows();
        admissions::registerWindows();
        vouchers::registerWindows();
        fees::registerWindows();
        reports::registerWindows();
        reports::registerProcedures();
        directory::registerWindows();
    }
};

TEST_F(Program, EveryMenuItemOpensItsWindow)
{
    common::Window *main = common::windows::show(QStringLiteral("MDIForm1"));
    ASSERT_TRUE(main);
    int opened = 0;
    for (QAction *a : main->findChildren<QAction *>()) {
        const QString name = a->objectName();
        if (!name.startsWith(QLatin1String("mnu")) || a->menu() || a->isSeparator() || a->text().isEmpty()
            || name == QLatin1String("mnuExit"))
            continue;
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(a->isEnabled()) << "no window is registered for " << a->text().toStdString();
        const int before = int(common::windows::loadedNames().size());
        a->trigger();
        EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(QStringLiteral("; ")).toStdString();
        dialogs().clear();
        EXPECT_GT(common::windows::loadedNames().size(), before) << "nothing opened";
        common::windows::unloadAll({QStringLiteral("MDIForm1")});
        flushDeferred();
        EXPECT_EQ(dialogs().count(), 0) << "closing: " << dialogs().texts().join(QStringLiteral("; ")).toStdString();
        dialogs().clear();
        ++opened;
    }
    // Nine registrations, six vouchers, ten reports, three administration items.
    EXPECT_EQ(opened, 28);
}

} // namespace
