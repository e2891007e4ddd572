#pragma once
// Company profile: names, addresses and tax numbers of the company rows,
// one of them marked as the active company.
#include "common/window.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace ui {
class Grid;
class MaskedEdit;
} // namespace ui

class frmCompany : public common::Window {
    Q_OBJECT
public:
    frmCompany();

    void ClearAll();
    void FillGrid();
    void SetMaxlength();

protected:
    void formLoad() override;
    void formUnload() override;

private:
    void cmdNew_Click();
    void cmdCancel_Click();
    void cmdDelete_Click();
    void Msh_DblClick();
    void resetMask(ui::MaskedEdit *box);
    void showActiveBold();

    QTabWidget *m_tabs;
    QLineEdit *txtCompany, *txtAddr, *txtTel, *txtFax, *txtEmail, *txtWebSite;
    QLineEdit *txtCompCode, *txtSearch;
    ui::MaskedEdit *mskTax, *mskNTN;
    QCheckBox *chkComActive;
    QPushButton *cmdNew, *cmdCancel, *cmdDelete, *cmdExit;
    ui::Grid *Msh;
};
