#pragma once
// The login window: server login name, password and server, checked by the
// server while the shared connection opens.
#include "common/window.h"

class QBoxLayout;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace ui {
class Animation;
}

class frmLogin : public common::Window {
    Q_OBJECT
public:
    frmLogin();

    void cmdLogIn_Click();
    void cmdCancel_Click();

protected:
    void formLoad() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setUpControls();
    QWidget *logoPanel();
    QBoxLayout *fieldsColumn();
    void connectControls();

    QComboBox *cboUsers;
    QLineEdit *txtPassword;
    QLineEdit *txtServer;
    QPushButton *cmdLogIn;
    QPushButton *cmdCancel;
    ui::Animation *flashVOLogo;
    bool m_loggedIn = false;
};
