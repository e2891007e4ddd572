#include "shell/shell.h"

#include "common/globals.h"
#include "common/hooks.h"
#include "common/window.h"
#include "shell/MDIForm1.h"
#include "shell/admin.h"
#include "shell/frmLocPass.h"
#include "shell/frmLogin.h"
#include "shell/frmSecMenus.h"
#include "shell/frmVeiwer.h"

#include <QApplication>

namespace shell {

namespace {

std::function<void()> &endHandler()
{
    static std::function<void()> handler;
    return handler;
}

} // namespace

void registerWindows()
{
    using common::windows::registerWindow;
    registerWindow(QStringLiteral("frmLogin"), [] { return new frmLogin; });
    registerWindow(QStringLiteral("MDIForm1"), [] { return new MDIForm1; });
    registerWindow(QStringLiteral("frmLocPass"), [] { return new frmLocPass; });
    registerWindow(QStringLiteral("frmSecMenus"), [] { return new frmSecMenus; });
    registerViewer();
    registerAdminWindows();
    common::hooks::setApplyMenuRights(&applyMenuRightsNow);
}

void Main()
{
    common::createSharedObjects();
    // The program ends by the login's Exit or the main window's close box,
    // not when the login gives way to the main window.
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        app->setQuitOnLastWindowClosed(false);
    common::windows::show(QStringLiteral("frmLogin"));
}

void endProgram()
{
    if (endHandler()) {
        endHandler()();
        return;
    }
    QCoreApplication::exit(0);
}

void setEndProgramHandler(std::function<void()> handler)
{
    endHandler() = std::move(handler);
}

} // namespace shell
