#pragma once
// Company profile: names, addresses and tax numbers of the company rows,
// one of them marked as the active company.
#include "common/listedit.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ui {
class MaskedEdit;
} // namespace ui

class frmCompany : public common::ListEditWindow {
    Q_OBJECT
public:
    frmCompany();

    void ClearAll() override;
    void FillGrid();
    void SetMaxlength();

protected:
    void formLoad() override;
    void formUnload() override;
    void refillList() override { FillGrid(); }
    bool mayDelete(const QString &key) override;
    void deleteRecord(const QString &key) override;

private:
    void createFields();
    void layOutFields();
    void createSearchTab();
    void createButtons();
    void setKeys();
    void connectControls();
    void cmdNew_Click();
    void cmdCancel_Click();
    void cmdDelete_Click();
    void Msh_DblClick();
    void resetMask(ui::MaskedEdit *box);
    void showActiveBold();

    QLineEdit *txtCompany, *txtAddr, *txtTel, *txtFax, *txtEmail, *txtWebSite;
    QLineEdit *txtCompCode, *txtSearch;
    ui::MaskedEdit *mskTax, *mskNTN;
    QCheckBox *chkComActive;
    QPushButton *cmdNew;
};
