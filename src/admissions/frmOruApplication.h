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
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

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

    // Accounts.RowID of the shown application's student; 0 when none is known.
    std::int64_t studentAccount() const { return m_StudentAccount; }

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;

private:
    void buildControls();
    QHBoxLayout *buildTitleRow();
    void buildApplicationTab();
    void buildStudentFields(QGridLayout *fields, QWidget *page);
    void buildContactFields(QGridLayout *fields, QWidget *page);
    QWidget *buildSubjectFrame(QWidget *page);
    void createSubjectControls(QWidget *subjects);
    void layOutSubjects(QGridLayout *sub, QWidget *subjects);
    QHBoxLayout *buildTotals(QWidget *page);
    QHBoxLayout *buildButtons(QWidget *page);
    void buildSearchTab();
    void setFocusOrder();
    void setKeyRules();
    void connectHandlers();

    void cmdFindsubject_Click();
    void cmd_ADD_1_Click();
    void cmd_Delete_2_Click();
    void MshSubject_DblClick();
    void txtDiscount_Change();
    void txtRecAmt_Change();
    void recomputeNet();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdPrint_Click();
    void cmdPrintStuRecord_Click();
    void Msh_DblClick();
    void cmb_s_cri_Change();

    QList<admissions::SubjectLine> gridLines() const;
    admissions::ApplicationEntry entryOnScreen() const;

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

    QString m_StudentHeadNodes;
    std::int64_t m_CashAcCode = 0;
    std::int64_t m_StudentAccount = 0;
    bool m_IsNewApp = false;
    QString m_LoadedStuName;
};
