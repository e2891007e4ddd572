#pragma once
// Telephone directory: clients, companies and contact persons with their
// numbers and addresses; entered, changed, searched and printed here.
#include "common/window.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace ui {
class Grid;
}

class frm_Tele_Directory : public common::Window {
    Q_OBJECT
public:
    frm_Tele_Directory();

    void FillData();
    void ClearAll();
    void FillGird(const QString &criterion);
    void setGrid();

protected:
    void formLoad() override;
    void formUnload() override;

private:
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdPrint_Click();
    void Msh_DblClick();
    void Msh_Enter();
    bool requireFilled(QLineEdit *box, const QString &message);

    QTabWidget *m_tabs;
    QLineEdit *txt_Row_No, *txtCodeNo;
    QLineEdit *txtCName, *txtComName, *txtConPerson, *txtTeleNo, *txtMobNo, *txtFaxNo;
    QLineEdit *txtEmail, *txtWebsite, *txtLocation, *txtCity, *txtCountry, *txtAdd;
    QLabel *lblCodeNo;
    QComboBox *cmb_s_cri;
    QLineEdit *txt_s_value;
    ui::Grid *Msh;
    QPushButton *cmdSave, *cmdDelete, *cmdCancel, *cmdPrint, *cmdExit;
};
