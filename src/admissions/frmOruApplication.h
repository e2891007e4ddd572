#pragma once
// The application form: a student's particulars, the subjects taken with
// amount, discount, net and received amounts, the totals, and the search tab
// listing the applications. Saving opens or updates the student's ledger
// account and posts the amount received (admission_rules.h).
#include "admissions/admission_rules.h"
#include "common/window.h"

#include <QString>

#include <cstdint>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace db {
class Recordset;
}

namespace ui {
class DataCombo;
class DatePicker;
class Grid;
class MaskedEdit;
} // namespace ui

class frmOruApplication : public common::Window {
    Q_OBJECT
public:
    frmOruApplication();
    ~frmOruApplication() override;

    void setGrid();
    void FixAccount();
    void totAmount();
    void ClearAll();
    void FillGrid();
    void SearchGrid();
    void OpenData();
    void SetMaxLenght();

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;

private:
    void buildControls();
    void setKeyRules();
    void connectHandlers();

    void cmdFindsubjectClick();
    void cmdAddClick();
    void cmdDeleteLineClick();
    void mshSubjectDblClick();
    void txtDiscountChanged();
    void txtRecAmtChanged();
    void recomputeNet();
    void cmdSaveClick();
    void cmdDeleteClick();
    void cmdPrintClick();
    void cmdPrintStuRecordClick();
    void mshDblClick();
    void criterionChanged();

    QList<admissions::SubjectLine> gridLines() const;
    admissions::ApplicationEntry entryOnScreen() const;
    // The student's account key kept in the Tag of txtStuNm ("M": none known).
    QString accountKey() const;
    void setAccountKey(const QString &key);

    QTabWidget *SSTab1;
    QLabel *lblLogin;
    QLineEdit *txtAppId;
    ui::DatePicker *dtpDate;
    ui::DatePicker *DtpFix;
    QLineEdit *txtStuNm;
    QLineEdit *txtfathNm;
    ui::MaskedEdit *mskNIC;
    QLineEdit *txtICAPReg;
    QLineEdit *txtMailAdd;
    QLineEdit *txtEmail;
    QLineEdit *txtConRes;
    QLineEdit *txtoff;
    QLineEdit *txtCellNo;
    QLineEdit *txtAuditFirm;
    QLineEdit *txtLastEduQua;
    QLineEdit *txtModules;
    ui::DataCombo *cboSession;
    QComboBox *cmbAtoZ;
    QLineEdit *txtExamAtt;
    QLineEdit *txtRegfee;

    QPushButton *cmdFindsubject;
    QLineEdit *txtCourse;
    QLineEdit *txtSubId;
    QLineEdit *txtSubName;
    QLineEdit *txtCourDur;
    QLineEdit *txt_rate;
    QLineEdit *txtDiscount;
    QLineEdit *txtNetAmt;
    QLineEdit *txtRecAmt;
    QLineEdit *txtNarration;
    QCheckBox *ChkInactive;
    QLineEdit *txtEditRow;
    QPushButton *cmd_ADD_1;
    QPushButton *cmd_Delete_2;
    ui::Grid *MshSubject;

    QLineEdit *txtTotAmount;
    QLineEdit *txtReceive;
    QLineEdit *txtBalance;

    QPushButton *cmdSave;
    QPushButton *cmdCancel;
    QPushButton *cmdDelete;
    QPushButton *cmdPrint;
    QPushButton *cmdExit;

    QComboBox *cmb_s_cri;
    QLineEdit *txt_s_value;
    ui::DatePicker *DTPicker1;
    ui::Grid *Msh;
    QPushButton *cmdPrintStuRecord;

    std::unique_ptr<db::Recordset> m_sessions;
    QString m_StudentHeadNodes;
    std::int32_t m_CashAcCode = 0;
    bool m_IsNewApp = false;
    QString m_LoadedStuName;
};
