#pragma once
// The entry window that the five voucher windows and the fee receipt window
// share. What is being entered lives in a draft: a books::Entry (header and
// lines of typed values: keys, titles, Money, texts) with the accounts picked
// for the next line. The boxes and the entry grid only show it; nothing is
// read back from what a cell displays, and an account box's key is the
// draft's, not the box's. The flow of numbering, saving, opening by number,
// deleting, cancelling, printing and the search tab is here once, and so are
// the chores of loading (size, search set-up, the setup's preset account,
// box lengths from the columns, tab order), the picker's answer and unloading;
// each window builds its controls and gives its kind's columns, fields and
// rules.
//
// States: a new voucher (the number shown is proposed, Save adds one) and an
// opened voucher (read from the database, Save replaces it, Delete removes
// it). The stamp of the opened voucher goes with every replace and delete,
// so a voucher changed or deleted by another copy meanwhile is refused.
#include "books/journal.h"
#include "common/printing.h"
#include "common/refusal.h"
#include "common/window.h"
#include "platform/db/db.h"

#include <QStringList>

#include <cstdint>
#include <memory>
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
class GridSource;
} // namespace ui

namespace common {

// The entry being typed: its header and lines as the journal takes them,
// the line being changed, and the accounts picked for the next line.
class Draft {
public:
    books::Entry &entry() { return m_entry; }
    const books::Entry &entry() const { return m_entry; }
    const std::vector<books::Line> &lines() const { return m_entry.lines; }
    bool empty() const { return m_entry.lines.empty(); }
    int size() const { return int(m_entry.lines.size()); }
    // The line being changed (1-based), 0 while a new line is entered.
    int changing() const { return m_changing; }
    // Replaces the line being changed, or appends a new one.
    void put(const books::Line &line);
    // Marks line n (1-based) as the one being changed and returns it.
    const books::Line &takeBack(int n);
    void stopChanging() { m_changing = 0; }
    void remove(int n);
    // Drops the lines; the header stays as the window shows it.
    void clear();
    void assign(std::vector<books::Line> lines);
    db::Money total() const;
    // The accounts (keys and titles) picked for the line being entered.
    books::Line &next() { return m_next; }
    const books::Line &next() const { return m_next; }

private:
    books::Entry m_entry;
    books::Line m_next;
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
    // The key of the account an account box shows (0 for none), as the draft keeps it.
    std::int64_t accountKey(const QLineEdit *box) const;

    virtual void setGrid() = 0;
    // Presets the account of the voucher setup's series, and its start number.
    virtual void FixAccount() = 0;
    // The lengths of the boxes bound to the columns of MasJV ("M") and DetJV ("D").
    void SetMaxlength();
    void totGrdAmount();
    void ClearAll();
    void NewNo();
    void OpenVoucher();
    void SearchGrd();

protected:
    // The shared load: size within the main window, grid, preset account,
    // box lengths, loadFields(), dates, the search tab, a new number and the
    // focus on the first control of the tab order.
    void formLoad() override;
    void formUnload() override;
    // The window's own lists and fields at load, once the boxes have their lengths.
    virtual void loadFields() { }
    // The detail row's columns, for limits of boxes that are not bound.
    virtual void lineColumnsRead(db::Recordset & /*detail*/) { }
    // The criteria of the search list, the first chosen at load.
    virtual QStringList searchCriteria() const = 0;

    // The grid row that shows a line.
    virtual QStringList cells(const books::Line &line) const = 0;
    virtual std::int64_t nextNumber() = 0;
    // The window's own fields that ClearAll empties.
    virtual void clearFields() = 0;
    // Saves the draft: a new voucher, or over the opened one with its stamp.
    virtual void saveDraft(bool isNew, std::int64_t number, const QString &stamp) = 0;
    // Reads a stored voucher into the fields and, when it has lines, the draft.
    virtual Opening openStored(std::int64_t number) = 0;
    virtual void removeStored(std::int64_t number, const QString &stamp) = 0;
    // Opens the search list for the criterion into rs; false runs nothing.
    virtual bool runSearch(db::Recordset &rs, const QString &criterion) = 0;
    // The search list for the criterion as the grid reads it as it shows
    // it, for a window whose list is long; nullptr (the default) lists
    // through runSearch, the grid keeping a copy. `typed`: only the search
    // text has changed since the last list (a keystroke), so what the window
    // read of the stored vouchers for it may serve again, brought up to date;
    // otherwise (load, save, delete) they are read again.
    virtual std::shared_ptr<const ui::GridSource> searchList(const QString & /*criterion*/, bool /*typed*/)
    {
        return nullptr;
    }
    // Headers and widths of the search list.
    virtual void labelSearch() = 0;
    virtual PrintJob printJob(std::int64_t number) const = 0;
    // Shows the account picker for this window, listing by `filter`.
    virtual void openPicker(const QString &filter) = 0;

    struct Column {
        const char *header;
        int width; // twips
        // An amount column is at least as wide as the widest amount a line takes.
        bool amount = false;
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
    // The line handlers the base runs. "&Add" makes the window's own checks,
    // then checkLine's, puts the next line with the amount and the window's
    // fields in the draft, empties the line's boxes and moves to the debit
    // picker (the credit one while that is locked). "&Remove" drops the
    // current line (the last one empties the draft) and empties the boxes.
    // A double click on a line takes it back into the boxes for a change.
    virtual bool lineMayBeAdded() { return true; }
    virtual LineChecks lineChecks() const = 0;
    // The window's own fields of the line being added.
    virtual void readLine(books::Line &line) const = 0;
    virtual void clearAddedLine() = 0;
    virtual void clearRemovedLine() = 0;
    // Shows a line taken back from the grid in the boxes.
    virtual void showLine(const books::Line &line) = 0;

    // The entry grid MshEntry over the total label lblTotalAmount, at the foot
    // of `column`.
    void addEntryGrid(QWidget *page, QVBoxLayout *column);
    // The row of Save, Cancel, Delete, Print and Exit, in `order` (their
    // object names), centred at the foot of `column`; Delete starts disabled.
    // With `enterClicks`, Enter on a focused button clicks it.
    void addButtonRow(QVBoxLayout *column, QWidget *page, const QStringList &order, bool enterClicks);
    // The search tab "Search Voucher" with its criterion, label, text, date
    // and list, added to SSTab.
    void addSearchTab();
    // Wires the number box, the date and payee into the draft, the shared
    // buttons and the search tab; call once the controls below are built.
    void connectShared();
    // Binds a box to a column of the detail rows (DetJV): SetMaxlength limits
    // it to what the column holds. The payee and cheque boxes are bound here.
    void bindLineColumn(QLineEdit *box, const QString &column);
    // Sets the tab order of the named controls; the first gets the focus at load.
    void applyTabOrder(const QStringList &names);
    // The grid shows the draft again.
    void showDraft();

    // Account boxes. The cash box (none by default) shows the entry's cash
    // account; txtDrAc and txtCrAc otherwise show the next line's debit and
    // credit. Their keys live in the draft only.
    void setCashBox(QLineEdit *box) { m_cashBox = box; }
    void setAccount(QLineEdit *box, std::int64_t key, const QString &title);
    void clearAccount(QLineEdit *box) { setAccount(box, 0, {}); }
    // The next line as the boxes name it: the picked accounts, the cash box's
    // account on its side.
    books::Line nextLine() const;
    // Fills a box with the setup's preset account (or empties it) and, when
    // the setup fixes it, locks the box and its button.
    void presetAccount(
        QLineEdit *box, QPushButton *button, std::int64_t key, const QString &title, bool fixed);
    // Asks the picker for the account of `box`.
    void pickAccount(QLineEdit *box, const QString &filter);
    // Takes the picker's answer into the box it was asked for and returns the
    // box; nullptr when there is no answer.
    QLineEdit *takePickedAccount();

    bool checkLine(const LineChecks &checks, db::Money *amount) const;
    // Headers and widths of a grid, from column 0.
    static void setColumns(ui::Grid *grid, const std::vector<Column> &columns);
    void cboSearch_Change();

    Draft m_draft;
    // A pick from the search list leaves the focus one field past the date.
    bool m_pickMovesPastDate = false;

    QTabWidget *SSTab = nullptr;
    QLabel *lblfrmTitle = nullptr;
    QLineEdit *txtVouStatus = nullptr, *txtVoucher = nullptr, *txtPaidTo = nullptr, *txtDrAc = nullptr,
              *txtCrAc = nullptr, *txtDRCR = nullptr, *txtChecque = nullptr, *txtFile = nullptr,
              *txtBill = nullptr, *txtGrdRow = nullptr, *txtTotAmount = nullptr, *txtSearch = nullptr;
    ui::DatePicker *DTPicker = nullptr, *DTPSearch = nullptr;
    QPushButton *cmdSelectDr = nullptr, *cmdSelectCr = nullptr, *cmdAdd = nullptr, *acmRemove = nullptr,
                *cmdSave = nullptr, *cmdCancel = nullptr, *cmdDelete = nullptr, *cmdPrint = nullptr,
                *cmdExit = nullptr;
    ui::Grid *MshEntry = nullptr, *mshSearch = nullptr;
    QLabel *lblTotalAmount = nullptr, *lblSearch = nullptr;
    QComboBox *cboSearch = nullptr;

private:
    void cmdAdd_Click();
    void acmRemove_Click();
    void MshEntry_DblClick();
    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdCancel_Click();
    void cmdPrint_Click();
    void mshSearch_DblClick();
    void showSearchList(bool typed);
    // After another user deleted or changed the opened voucher: the window
    // turns to a new voucher holding the same lines, and says so.
    void keepLinesAsNewVoucher(Refused::Conflict conflict);
    // Where the draft keeps the account of a box: its key and its title.
    std::int64_t &keySlot(const QLineEdit *box);
    QString &titleSlot(const QLineEdit *box);

    bool m_IsNewVoucher = false;
    QString m_stamp; // the voucher shown as it was read; empty while none is
    QLineEdit *m_cashBox = nullptr;
    QLineEdit *m_pickBox = nullptr; // the box the picker was last asked for
    QStringList m_tabOrder;
};

} // namespace common
