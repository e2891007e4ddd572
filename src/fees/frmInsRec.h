#pragma once
// The fee receipt window: receives a student's fees subject by subject into
// a cash or bank account (vouchers of kind 'FR'), showing for the chosen
// subject what has been received and what is still due.
#include "accounts/vousetting.h"
#include "common/entrywindow.h"
#include "platform/db/db.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QLayout;
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

class frmInsRec : public common::EntryWindow {
    Q_OBJECT
public:
    frmInsRec();

    void setGrid() override;
    void FixAccount() override;
    void fillAmount();

    std::int64_t studentAppId() const { return m_StudentAppId; }

protected:
    void formActivate() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    void loadFields() override;
    QStringList searchCriteria() const override;
    QStringList cells(const books::Line &line) const override;
    std::int64_t nextNumber() override;
    void clearFields() override;
    void saveDraft(bool isNew, std::int64_t number, const QString &stamp) override;
    common::Opening openStored(std::int64_t number) override;
    void removeStored(std::int64_t number, const QString &stamp) override;
    bool runSearch(db::Recordset &rs, const QString &criterion) override;
    void labelSearch() override;
    common::PrintJob printJob(std::int64_t number) const override;
    void openPicker(const QString &filter) override;
    bool lineMayBeAdded() override;
    LineChecks lineChecks() const override;
    void readLine(books::Line &line) const override;
    void clearAddedLine() override;
    void clearRemovedLine() override;
    void showLine(const books::Line &line) override;

private:
    // The window built in steps: controls (frmInsRec_layout.cpp), keys, wiring.
    void buildControls();
    void createHeaderControls(QWidget *entry);
    void createLineControls(QWidget *entry);
    void createHiddenControls(QWidget *entry);
    QLayout *headerRow(QWidget *entry);
    QLayout *lineFields(QWidget *entry);
    void setKeys();
    void connectControls();
    void fillSessions();
    // The cash account the 'RI' setup presets (empty when it names none).
    void restoreCashAccount();
    void takeStudent();
    void fillSubjects(std::int64_t account);
    void paymentMode();

    std::int64_t m_StudentAppId = 0;
    std::int64_t m_subjectsAccount = 0; // the account the subject list was read for; 0 for none
    db::Recordset m_sessions;
    db::Recordset m_subjects;

    QLabel *lblPaidTo, *lblChq;
    QLineEdit *txtSlipNo, *txtReceived, *txtRemaingAmt, *txtNaration;
    QRadioButton *OptCash, *OptBank;
    ui::DataCombo *cboSubject, *cboSession;
};

} // namespace fees
