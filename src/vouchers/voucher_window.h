#pragma once
// The voucher window that the five voucher kinds share: entry tab (accounts,
// amount, narration, the entry grid and its total, save, open, delete,
// print) and search tab (the kind's vouchers, filtered by number, date or
// payee). Each kind's window gives its settings.
#include "window.h"

#include <QStringList>

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace ui {
class DatePicker;
class Grid;
} // namespace ui

namespace vouchers {

struct KindSettings {
    QString code; // "BP"
    QString caption; // window caption and title label
    QString paidLabel; // label of the payee box
    // Single-side (cash) kinds: one account per line, the cash account on
    // cashSide ("CR" cash payment, "DR" cash receipt), kept from line to line.
    QString cashSide;
    // The side whose picker lists bank accounts only ("" for none).
    QString bankSide;
    // The side whose box is emptied after each added line ("" for none).
    QString lineSide;
    // The side whose box "&Remove" empties.
    QString removeSide;
    // The side filled from the first line when a voucher is opened ("" for none).
    QString openFillsSide;
    bool resetFilterOnActivate = false;
    bool openReadsMasterCheque = false;
    bool amountColour = false;
    bool debitPickFocusesCredit = false;
    bool sameAccountFocusesDebit = false;
    QString amountHeader = QStringLiteral("Debit:"); // cash kinds: header of the amount column
    QStringList tabOrder; // control names, first gets the focus at load
};

class VoucherWindow : public common::Window {
    Q_OBJECT
public:
    VoucherWindow(const QString &name, KindSettings settings);

    const KindSettings &settings() const { return m_s; }

    void setGrid();
    void FixAccount();
    void SetMaxlength();
    void totGrdAmount();
    void ClearAll();
    void NewNo();
    void OpenVoucher();
    void SearchGrd();

    bool isNewVoucher() const { return m_IsNewVoucher; }
    std::int32_t startNo() const { return m_StartNo; }

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isCash() const { return !m_s.cashSide.isEmpty(); }
    int amountCol() const { return isCash() ? 2 : 3; }
    QLineEdit *box(const QString &side) const;
    QPushButton *picker(const QString &side) const;
    QLineEdit *lineBox() const; // cash kinds: the box of the line account

    void pick(const QString &side);
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

    KindSettings m_s;
    bool m_IsNewVoucher = false;
    std::int32_t m_StartNo = 0;
    QString m_PickSide;
    QString m_stamp; // the stored voucher as it was opened
    int m_narationMax = 0;

    QLabel *lblfrmTitle;
    QTabWidget *SSTab;
    QLineEdit *txtVouStatus, *txtVoucher, *txtPaidTo, *txtDrAc, *txtCrAc, *txtDRCR, *txtChecque, *txtFile,
        *txtBill, *txtTotAmount, *txtGrdRow, *txtSearch;
    QPlainTextEdit *txtNaration;
    ui::DatePicker *DTPicker, *DTPSearch;
    QPushButton *cmdSelectDr, *cmdSelectCr, *cmdAdd, *acmRemove, *cmdSave, *cmdCancel, *cmdDelete, *cmdPrint,
        *cmdExit;
    ui::Grid *MshEntry, *mshSearch;
    QLabel *lblTotalAmount, *lblSearch;
    QComboBox *cboSearch;
};

} // namespace vouchers
