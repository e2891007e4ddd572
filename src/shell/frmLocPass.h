#pragma once
// The lock-password gate in front of the administrative windows: the opener
// raises a lock flag naming its target; a right password opens that target.
#include "common/window.h"

class QLineEdit;
class QPushButton;

class frmLocPass : public common::Window {
    Q_OBJECT
public:
    frmLocPass();

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void formActivate() override;

private:
    QLineEdit *txtPassword;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
};
