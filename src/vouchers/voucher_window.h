#pragma once
// The voucher window that the five voucher kinds share: entry tab (accounts,
// amount, narration, the entry grid and its total, save, open, delete,
// print) and search tab (the kind's vouchers, filtered by number, date or
// payee). Each kind is this window over its settings (vouchers.cpp).
#include "accounts/vousetting.h"
#include "common/entrywindow.h"
#include "common/formkit.h"

#include <QStringList>

#include <cstdint>
#include <memory>

class QLayout;
class QPlainTextEdit;

namespace vouchers {

class VoucherNumbers;

struct KindSettings {
    books::Kind kind = books::Kind::JV;
    QString caption; // window caption and title label
    QString paidLabel; // label of the payee box
    // Single-side (cash) kinds: one account per line, the cash account on
    // cashSide (credit on a cash payment, debit on a cash receipt), kept
    // from line to line; none on the other kinds.
    accounts::Side cashSide = accounts::Side::None;
    // The side whose picker lists bank accounts only.
    accounts::Side bankSide = accounts::Side::None;
    // The side whose box is emptied after each added line.
    accounts::Side lineSide = accounts::Side::None;
    // The side whose box "&Remove" empties.
    accounts::Side removeSide = accounts::Side::None;
    // The side filled from the first line when a voucher is opened.
    accounts::Side openFillsSide = accounts::Side::None;
    bool resetFilterOnActivate = false;
    bool openReadsMasterCheque = false;
    bool amountColour = false;
    bool debitPickFocusesCredit = false;
    bool sameAccountFocusesDebit = false;
    QString amountHeader = QStringLiteral("Debit:"); // cash kinds: header of the amount column
    QStringList tabOrder; // control names, first gets the focus at load
};

class VoucherWindow : public common::EntryWindow {
    Q_OBJECT
public:
    VoucherWindow(const QString &name, KindSettings settings);

    const KindSettings &settings() const { return m_s; }

    void setGrid() override;
    void FixAccount() override;

    std::int64_t startNo() const { return m_StartNo; }

protected:
    void formActivate() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    void lineColumnsRead(db::Recordset &detail) override;
    QStringList searchCriteria() const override;
    QStringList cells(const books::Line &line) const override;
    std::int64_t nextNumber() override;
    void clearFields() override;
    void saveDraft(bool isNew, std::int64_t number, const QString &stamp) override;
    common::Opening openStored(std::int64_t number) override;
    void removeStored(std::int64_t number, const QString &stamp) override;
    bool runSearch(db::Recordset &rs, const QString &criterion) override;
    std::shared_ptr<const ui::GridSource> searchList(const QString &criterion, bool typed) override;
    void labelSearch() override;
    common::PrintJob printJob(std::int64_t number) const override;
    void openPicker(const QString &filter) override;
    LineChecks lineChecks() const override;
    void readLine(books::Line &line) const override;
    void clearAddedLine() override;
    void clearRemovedLine() override;
    void showLine(const books::Line &line) override;

private:
    bool isCash() const { return m_s.cashSide != accounts::Side::None; }
    QLineEdit *box(accounts::Side side) const;
    QPushButton *picker(accounts::Side side) const;
    QLineEdit *lineBox() const; // cash kinds: the box of the line account

    // The window built in steps: its frame and entry page, the controls,
    // their layout, keys and wiring.
    common::formkit::Page createFrame();
    void createControls(QWidget *entry);
    void layOutEntryTab(const common::formkit::Page &entry);
    QLayout *numberRow(QWidget *page);
    QLayout *accountRows(QWidget *page);
    QLayout *numbersRow(QWidget *page);
    void setKeys();
    void connectControls();

    KindSettings m_s;
    std::int64_t m_StartNo = 0;
    int m_narationMax = 0;
    // The kind's numbers, kept for the search by number from one list to the next.
    std::shared_ptr<VoucherNumbers> m_numbers;

    QPlainTextEdit *txtNaration;
};

} // namespace vouchers
