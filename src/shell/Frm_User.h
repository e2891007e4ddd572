#pragma once
// Users of the program: the register of users and, for each, the server
// login it logs in with.
#include "common/window.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace ui {
class Grid;
}

class Frm_User : public common::Window {
    Q_OBJECT
public:
    Frm_User();

    void ClearAll();
    void FillGird(const QString &criterion);
    void setGrid();
    void FillData();
    void SetMaxlength();

protected:
    void formLoad() override;
    void formUnload() override;

private:
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdPrint_Click();
    void cmdExit_Click();
    void Msh_DblClick();
    QString statusChosen() const;

    QTabWidget *m_tabs;
    QLineEdit *txt_User_Nm, *txt_Desig, *txt_User_pass, *txt_Row_No, *txt_User_Code;
    QLabel *lblUserCode;
    QRadioButton *Opt_Admin, *Opt_User;
    QPushButton *cmdSave, *cmdCancel, *cmdDelete, *cmdPrint, *cmdExit;
    QComboBox *cmb_s_cri;
    QLineEdit *txt_s_value;
    ui::Grid *Msh;
};
