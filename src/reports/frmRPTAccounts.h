#pragma once
// The report-selection window: one frame per report, all at one place; the
// main menu's report items show the frame and the inputs of their report.
#include "common/window.h"
#include "reports/report_rules.h"

#include <QDate>

#include <cstdint>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class DataCombo;
class DatePicker;
} // namespace ui

namespace reports {

class frmRPTAccounts : public common::Window {
    Q_OBJECT
public:
    frmRPTAccounts();
    ~frmRPTAccounts() override;

    // Lists the subjects of the chosen course.
    void FillSubjects();
    // The RowID of the account picked for the books and ledgers; 0 while none is.
    std::int64_t pickedAccount() const { return m_account; }

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;

private:
    void createControls();
    void createFrames();
    void layOut();
    void connectControls();
    void setTabOrders();
    QGroupBox *addFrame(const char *frame, const char *caption, const char *label, const char *labelText,
        const char *button, void (frmRPTAccounts::*run)());
    void DtaCourse_Change();
    void cmdFindAC_Click();

    void cmdCashBook_Click();
    void cmdBankBook_Click();
    void cmdLedger_Click();
    void cmdDetLedger_Click();
    void cmdTrialBal_Click();
    void cmdTrialControl_Click();
    void cmdTrialOpening_Click();
    void cmdFeeDetail_Click();
    void cmdStuFeeDet_Click();
    void cmdInActiveStuFeeDet_Click();

    bool accountChosen();
    void printBook(std::int64_t account);
    void printLedger(const std::function<void()> &procedure);
    void printTrialBalance(const QString &file, rules::TrialBalance which);
    void printStudentWise(bool inactive);
    QString datesText(const QString &between) const;
    // The key of the row whose shown text the combo holds, "" when none.
    static QString keyOf(const ui::DataCombo *combo);

    QLabel *LblMain, *LblFrom, *LblTo, *lblAC, *Label23, *LblCourseName, *LblSubname;
    ui::DatePicker *DTPicker1, *DTPicker2;
    QLineEdit *txtAcName;
    QPushButton *cmdFindAC;
    ui::DataCombo *cboSession, *DtaCourse, *DtaSubject;
    QGroupBox *Frame1;
    QWidget *m_framePlace;
    std::int64_t m_account = 0;
};

} // namespace reports
