#pragma once
// The entry window that the five voucher windows and the fee receipt window
// share. Its lines live in a draft of typed values (keys, titles, Money,
// texts) that the entry grid only shows; nothing is ever read back from what
// a cell displays. The flow of numbering, saving, opening by number,
// deleting, cancelling, printing and the search tab is here once; each
// window builds its controls and gives its kind's columns, fields and rules.
//
// States: a new voucher (the number shown is proposed, Save adds one) and an
// opened voucher (read from the database, Save replaces it, Delete removes
// it). The stamp of the opened voucher goes with every replace and delete,
// so a voucher changed or deleted by another copy meanwhile is refused.
#include "common/printing.h"
#include "common/refusal.h"
#include "common/window.h"
#include "platform/db/db.h"

#include <QStringList>

#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace ui {
class DatePicker;
class Grid;
} // namespace ui

namespace common {

// One line of a voucher as entered.
struct DraftLine {
    std::int64_t debit = 0, credit = 0;
    QString debitName, creditName;
    db::Money amount;
    QString chequeNo, narration, fileNo, billNo;
    QString sessionId; // fee receipts: the session key, "" for none
    std::int64_t subId = 0; // fee receipts: the subject key
};

// The lines being entered and the one being changed.
class Draft {
public:
    const std::vector<DraftLine> &lines() const { return m_lines; }
    bool empty() const { return m_lines.empty(); }
    int size() const { return int(m_lines.size()); }
    // The line being changed (1-based), 0 while a new line is entered.
    int changing() const { return m_changing; }
    // Replaces the line being changed, or appends a new one.
    void put(const DraftLine &line);
    // Marks line n (1-based) as the one being changed and returns it.
    const DraftLine &takeBack(int n);
    void stopChanging() { m_changing = 0; }
    void remove(int n);
    void clear();
    void assign(std::vector<DraftLine> lines);
    db::Money total() const;

private:
    std::vector<DraftLine> m_lines;
    int m_changing = 0;
};

// What opening a stored voucher found.
struct Opening {
    bool found = false;
    bool hasLines = false;
    QString stamp;
};

class EntryWindow : public Window {
    Q_OBJECT
public:
    using Window::Window;

    bool isNewVoucher() const { return m_IsNewVoucher; }
    const Draft &draft() const { return m_draft; }

    virtual void setGrid() = 0;
    void totGrdAmount();
    void ClearAll();
    void NewNo();
    void OpenVoucher();
    void SearchGrd();

protected:
    // The grid row that shows a line.
    virtual QStringList cells(const DraftLine &line) const = 0;
    virtual std::int32_t nextNumber() = 0;
    // The window's own fields that ClearAll empties.
    virtual void clearFields() = 0;
    // Saves the draft: a new voucher, or over the opened one with its stamp.
    virtual void saveDraft(bool isNew, std::int32_t number, const QString &stamp) = 0;
    // Reads a stored voucher into the fields and, when it has lines, the draft.
    virtual Opening openStored(std::int32_t number) = 0;
    virtual void removeStored(std::int32_t number, const QString &stamp) = 0;
    // Opens the search list for the criterion into rs; false runs nothing.
    virtual bool runSearch(db::Recordset &rs, const QString &criterion) = 0;
    // Headers and widths of the search list.
    virtual void labelSearch() = 0;
    virtual PrintJob printJob(std::int32_t number) const = 0;

    // The entry grid MshEntry over the total label lblTotalAmount, at the foot
    // of `column`.
    void addEntryGrid(QWidget *page, QVBoxLayout *column);
    // The search tab "Search Voucher" with its criterion, label, text, date
    // and list, added to SSTab.
    void addSearchTab();
    // Wires the number box, the shared buttons and the search tab; call once
    // the controls below are built.
    void connectShared();
    // The grid shows the draft again.
    void showDraft();
    struct Column {
        const char *header;
        int width; // twips
    };
    // The checks of "&Add" that every entry window makes, in order: a lone
    // "." emptied, a debit and a credit account, not the same one, and an
    // amount above 0. Each refusal is told and moves the focus to its widget
    // when that is enabled (nullptr: the focus stays). Returns false when the
    // line may not be added; *amount then is not set.
    struct LineChecks {
        QLineEdit *debit, *credit, *amount;
        QWidget *noDebitFocus = nullptr, *noCreditFocus = nullptr, *sameFocus = nullptr;
    };
    static bool checkLine(const LineChecks &checks, db::Money *amount);
    // Headers and widths of a grid, from column 0.
    static void setColumns(ui::Grid *grid, const std::vector<Column> &columns);
    void cboSearch_Change();

    Draft m_draft;
    // A pick from the search list leaves the focus one field past the date.
    bool m_pickMovesPastDate = false;

    QTabWidget *SSTab = nullptr;
    QLineEdit *txtVoucher = nullptr, *txtTotAmount = nullptr, *txtSearch = nullptr;
    ui::DatePicker *DTPicker = nullptr, *DTPSearch = nullptr;
    QPushButton *cmdSave = nullptr, *cmdCancel = nullptr, *cmdDelete = nullptr, *cmdPrint = nullptr,
                *cmdExit = nullptr;
    ui::Grid *MshEntry = nullptr, *mshSearch = nullptr;
    QLabel *lblTotalAmount = nullptr, *lblSearch = nullptr;
    QComboBox *cboSearch = nullptr;

private:
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdCancel_Click();
    void cmdPrint_Click();
    void mshSearch_DblClick();
    // After another user deleted or changed the opened voucher: the window
    // turns to a new voucher holding the same lines, and says so.
    void keepLinesAsNewVoucher(Refused::Conflict conflict);

    bool m_IsNewVoucher = false;
    QString m_stamp; // the voucher shown as it was read; empty while none is
};

} // namespace common
