#pragma once
// Telephone directory: clients, companies and contact persons with their
// numbers and addresses; entered, changed, searched and printed here.
#include "common/listedit.h"

class QLabel;
class QLineEdit;

class frm_Tele_Directory : public common::ListEditWindow {
    Q_OBJECT
public:
    frm_Tele_Directory();

    void FillData() override;
    void ClearAll() override;
    void FillGird(const QString &criterion);
    void setGrid();

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
    void Msh_DblClick();
    void Msh_Enter();
    bool requireFilled(QLineEdit *box, const QString &message);

    QLineEdit *txt_Row_No, *txtCodeNo;
    QLineEdit *txtCName, *txtComName, *txtConPerson, *txtTeleNo, *txtMobNo, *txtFaxNo;
    QLineEdit *txtEmail, *txtWebsite, *txtLocation, *txtCity, *txtCountry, *txtAdd;
    QLabel *lblCodeNo;
};
