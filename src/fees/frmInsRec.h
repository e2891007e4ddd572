#pragma once
// The fee receipt window: receives a student's fees subject by subject into
// a cash or bank account (vouchers of kind 'FR'), showing for the chosen
// subject what has been received and what is still due.
#include "db.h"
#include "window.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace ui {
class DataCombo;
class DatePicker;
class Grid;
} // namespace ui

namespace fees {

class frmInsRec : public common::Window {
    Q_OBJECT
public:
    frmInsRec();

    void setGrid();
    void FixAccount();
    void SetMaxlength();
    void totGrdAmount();
    void ClearAll();
    void NewNo();
    void OpenVoucher();
    void SearchGrd();
    void fillAmount();

    bool isNewVoucher() const { return m_IsNewVoucher; }
    std::int64_t studentAppId() const { return m_StudentAppId; }

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pickCashBank();
    void pickStudent();
    void takeStudent();
    void fillSubjects(std::int64_t account);
    void paymentMode();
    void cmdAdd_Click();
    void acmRemove_Click();
    void MshEntry_DblClick();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdCancel_Click();
    void cmdPrint_Click();
    void cboSearch_Change();
    void mshSearch_DblClick();
    void applyTabOrder();

    bool m_IsNewVoucher = false;
    QString m_PickSide;
    std::int64_t m_StudentAppId = 0;
    QString m_stamp; // the stored receipt as it was opened
    db::Recordset m_sessions;
    db::Recordset m_subjects;

    QLabel *lblfrmTitle, *lblPaidTo, *lblChq, *lblTotalAmount, *lblSearch;
    QTabWidget *SSTab;
    QLineEdit *txtVouStatus, *txtVoucher, *txtSlipNo, *txtDrAc, *txtCrAc, *txtDRCR, *txtChecque, *txtReceived,
        *txtRemaingAmt, *txtNaration, *txtPaidTo, *txtFile, *txtBill, *txtTotAmount, *txtGrdRow, *txtSearch;
    QRadioButton *OptCash, *OptBank;
    ui::DatePicker *DTPicker, *DTPSearch;
    ui::DataCombo *cboSubject, *cboSession;
    QPushButton *cmdSelectDr, *cmdSelectCr, *cmdAdd, *acmRemove, *cmdSave, *cmdCancel, *cmdDelete, *cmdPrint,
        *cmdExit;
    ui::Grid *MshEntry, *mshSearch;
    QComboBox *cboSearch;
};

} // namespace fees
