// Pictures of the shell's windows for a look by eye.
#include "shell/fixture.h"
#include "shell/server_setup.h"
#include "support/screenshots/screenshots.h"

#include "common/globals.h"

#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTest>

namespace {

using ShellScreenshots = ShellTest;

TEST_F(ShellScreenshots, LoginMainWindowGateAndRights)
{
    const QString dir = screenshotFolder();
    QDir().mkpath(dir);
    const auto save = [&](QWidget *w, const char *file) {
        QTest::qWait(700);
        EXPECT_TRUE(w->grab().save(QDir(dir).filePath(QLatin1String(file))));
    };
    m_host->mainWindow()->hide();

    shell::Main();
    common::Window *login = common::windows::ifLoaded(QStringLiteral("frmLogin"));
    ASSERT_NE(login, nullptr);
    findControl<QLineEdit>(login, "txtServer")->setText(serverPath());
    typeText(findControl<QLineEdit>(login, "txtPassword"), saPassword());
    save(login, "login.png");

    clickButton(login, "cmdLogIn");
    ASSERT_NE(main(), nullptr);
    main()->resize(1440, 900); // a display without a window manager does not maximize
    save(main(), "main.png");

    auto *registrations = findControl<QMenu>(main(), "mnu_Reg_Form");
    registrations->popup(main()->mapToGlobal(QPoint(0, 20)));
    save(registrations, "menu.png");
    registrations->hide();

    shell::addLockPassword(serverPath(), QStringLiteral("Key12"));
    trigger("mnuSetMenu");
    save(main(), "gate.png");
    auto *box = findControl<QLineEdit>(common::windows::ifLoaded("frmLocPass"), "txtPassword");
    typeText(box, QStringLiteral("Key12"));
    pressEnter(box);
    save(main(), "rights.png");
}

} // namespace
