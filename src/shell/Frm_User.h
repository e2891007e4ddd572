#pragma once
// Users of the program: the register of users and, for each, the server
// login it logs in with.
#include "common/listedit.h"

class QLabel;
class QLineEdit;
class QRadioButton;

class Frm_User : public common::ListEditWindow {
    Q_OBJECT
public:
    Frm_User();

    void ClearAll() override;
    void FillGird(const QString &criterion);
    void setGrid();
    void FillData() override;
    void SetMaxlength();

protected:
    void formLoad() override;
    void formUnload() override;
    void refillList() override { FillGird(QString()); }
    bool mayDelete(const QString &key) override;
    void deleteRecord(const QString &key) override;

private:
    void createFields();
    void layOutFields();
    void createTabs();
    void setKeys();
    void connectControls();
    void cmdSave_Click();
    void cmdExit_Click();
    void Msh_DblClick();
    QString statusChosen() const;

    QLineEdit *txt_User_Nm, *txt_Desig, *txt_User_pass, *txt_Row_No, *txt_User_Code;
    QLabel *lblUserCode;
    QRadioButton *Opt_Admin, *Opt_User;
};
