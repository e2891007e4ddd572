#include "shell/fixture.h"

#include "common/globals.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class Login : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        // The program folder holds a Server.txt naming the test server.
        QFile f(m_folder.filePath(QStringLiteral("Server.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("\"" + serverPath() + "\",1433\r\n").toUtf8());
        f.close();
        common::setAppPath(m_folder.path());
    }

    common::Window *loginWindow() { return loadWindow(QStringLiteral("frmLogin")); }
    QTemporaryDir m_folder;
};

TEST_F(Login, RightPasswordOpensTheMainWindowWithTheTypedName)
{
    shell::Main();
    common::Window *login = common::windows::ifLoaded(QStringLiteral("frmLogin"));
    ASSERT_NE(login, nullptr);
    EXPECT_TRUE(login->isVisible());
    auto *cboUsers = findControl<QComboBox>(login, "cboUsers");
    auto *txtPassword = findControl<QLineEdit>(login, "txtPassword");
    EXPECT_EQ(cboUsers->currentText(), "sa");
    EXPECT_EQ(findControl<QLineEdit>(login, "txtServer")->text(), serverPath());

    cboUsers->setEditText(QString());
    typeText(cboUsers, QStringLiteral("SA"));
    pressEnter(cboUsers->lineEdit());
    EXPECT_EQ(focusIn(cboUsers), txtPassword) << "Enter in the user box moves to the password";
    EXPECT_EQ(main(), nullptr) << "and does not log in";

    typeText(txtPassword, saPassword());
    pressEnter(txtPassword);
    EXPECT_EQ(dialogs().count(), 0) << dialogs().texts().join(" / ").toStdString();
    ASSERT_NE(main(), nullptr);
    EXPECT_TRUE(main()->isVisible());
    EXPECT_TRUE(main()->isMaximizedWindow());
    EXPECT_EQ(findControl<QLabel>(main(), "lblTitle")->text(), "Login :   SA");
    EXPECT_EQ(gUserName, "SA");
    EXPECT_EQ(gUserPassword, saPassword());
    EXPECT_EQ(gConn->state(), 1);
    EXPECT_EQ(common::windows::ifLoaded(QStringLiteral("frmLogin")), nullptr);
}

TEST_F(Login, WrongPasswordShowsTheServersMessageAndSelectsThePassword)
{
    common::Window *login = loginWindow();
    login->showWindow();
    auto *txtPassword = findControl<QLineEdit>(login, "txtPassword");
    typeText(txtPassword, QStringLiteral("nope"));
    clickButton(login, "cmdLogIn");

    ASSERT_EQ(dialogs().count(), 1);
    EXPECT_EQ(dialogs().last().title, "Login Error");
    EXPECT_EQ(dialogs().last().text, "Login failed for user 'sa'.");
    EXPECT_EQ(dialogs().last().icon, common::Icon::Critical);
    EXPECT_EQ(dialogs().last().buttons, common::Buttons::Ok);
    EXPECT_EQ(focusIn(txtPassword), txtPassword);
    EXPECT_EQ(txtPassword->selectedText(), "nope");
    EXPECT_EQ(gConn->state(), 0);
    EXPECT_EQ(main(), nullptr);
    EXPECT_TRUE(login->isVisible());
    EXPECT_EQ(gUserPassword, saPassword()) << "the previous login's values stay";

    // An unknown server fails the same way, with its own message.
    findControl<QLineEdit>(login, "txtServer")->setText(serverPath() + QStringLiteral("-gone"));
    clickButton(login, "cmdLogIn");
    EXPECT_EQ(dialogs().last().title, "Login Error");
    EXPECT_TRUE(dialogs().last().text.contains("does not exist")) << dialogs().last().text.toStdString();
}

TEST_F(Login, MissingServerFileKeepsTheLocalServer)
{
    QFile::remove(m_folder.filePath(QStringLiteral("Server.txt")));
    common::Window *login = loginWindow();
    EXPECT_EQ(findControl<QLineEdit>(login, "txtServer")->text(), ".");
    EXPECT_EQ(findControl<QComboBox>(login, "cboUsers")->count(), 1);
}

TEST_F(Login, ExitEndsTheProgram)
{
    common::Window *login = loginWindow();
    login->showWindow();
    clickButton(login, "cmdCancel");
    EXPECT_EQ(m_ended, 1);
    EXPECT_EQ(main(), nullptr);
    EXPECT_EQ(dialogs().count(), 0);

    // Its close box leaves no window either.
    common::Window *again = loginWindow();
    again->showWindow();
    again->close();
    EXPECT_EQ(m_ended, 2);
    EXPECT_EQ(common::windows::ifLoaded(QStringLiteral("frmLogin")), nullptr);
}

} // namespace
