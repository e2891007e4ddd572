#pragma once
// The carry-forward window: one student (an admission application picked in
// the application picker), a form date and one line per inactive subject
// carried into another session, with narration and amount. Entry tab and
// search tab (the saved forms by student, number or date).
#include "common/window.h"
#include "platform/db/db.h"

#include <cstdint>

class QComboBox;
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

namespace fees {

class frmCarryForward : public common::Window {
    Q_OBJECT
public:
    explicit frmCarryForward(QWidget *parent = nullptr);

    void OpenData();
    void ClearAll();
    void setGrid();
    void NewNo();
    void FillGrid();
    void SearchGrid();
    void openFormData();
    void FixAccount();

    bool isNewForm() const { return m_IsNewForm; }
    std::int64_t crAcCode() const { return m_CrAcCode; }
    // Accounts.RowID of the shown student's ledger account; 0 when none is known.
    std::int64_t studentAccount() const { return m_StudentAccount; }

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildEntryTab();
    QHBoxLayout *buildFormRow(QWidget *entry);
    QWidget *buildStudentFrame(QWidget *entry);
    void createStudentControls(QWidget *student);
    QWidget *buildSubjectFrame(QWidget *entry);
    void createSubjectControls(QWidget *subjects);
    void buildSearchTab();
    void setKeyRules();
    void setFocusOrder();
    void connectHandlers();
    void cmdFindsubject_Click();
    void cmd_ADD_1_Click();
    void cmd_Delete_2_Click();
    void MshSubject_DblClick();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cboCriteria_Change();
    void Msh_DblClick();
    void clearLineBoxes();

    bool m_IsNewForm = true;
    std::int64_t m_CrAcCode = 0;
    std::int64_t m_StudentAccount = 0;
    QString m_stamp; // the stored form as it was opened or last saved

    QLabel *lblTitle;
    QTabWidget *SSTab;
    QLineEdit *txtFormID, *txtStudent, *txtICAPReg, *txtStuNm, *txtfathNm, *txtCellNo, *txtSubId, *txtCourse,
        *txtSubName, *txtNarration, *txtForAmt, *txtEditRow, *txt_s_value;
    ui::DatePicker *dtpForm, *dtpStudent, *DTPicker1;
    ui::MaskedEdit *mskNIC;
    ui::DataCombo *cboMasSession, *cboSession;
    QComboBox *cboCriteria;
    QPushButton *cmdFindApplication, *cmdFindsubject, *cmd_ADD_1, *cmd_Delete_2, *cmdSave, *cmdDelete,
        *cmdCancel, *cmdExit;
    ui::Grid *MshSubject, *Msh;
};

} // namespace fees
