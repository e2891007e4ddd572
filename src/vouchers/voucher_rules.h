#pragma once
// Voucher rules as plain functions over a connection: numbering per kind,
// saving, opening and deleting through the journal, the search list and the
// printout.
//
// Kinds: "CP" cash payment, "CR" cash receipt (single-side: one row per line
// and one cash row with the total), "BP" bank payment, "BR" bank receipt,
// "JV" journal (paired: a debit and a credit row per line); the journal
// owns the row shapes.
#include "books/journal.h"
#include "common/printing.h"
#include "common/refusal.h"
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vouchers {

// A voucher that may not be written (or deleted) as it stands.
using Refused = common::Refused;

bool isCashKind(books::Kind kind); // CP, CR

// The cash-line rule: every line of a cash voucher names the voucher's cash
// account (entry.cashAccount, with the title the user saw) on its cash side,
// the credit of a cash payment and the debit of a cash receipt, whatever
// account the box showed when the line was added. Other kinds are left as they are.
void nameCashAccount(books::Entry &entry);
bool isVoucherKind(books::Kind kind); // the five kinds

// The next number of a kind: the largest plus one, or `startNo` (the
// setup's start number) while the kind has no voucher.
std::int64_t nextNumber(db::Connection &conn, books::Kind kind, std::int64_t startNo);

// One line as the user entered it: the account debited, the account
// credited and the amount. On a cash payment the credit is the cash
// account, on a cash receipt the debit.
using Line = books::Line;

// A voucher as a window saves it: the entry (its number that of an opened
// voucher, ignored for a new one), and for an opened voucher the stamp
// openVoucher read; saving it refuses when the stored voucher is no longer
// what was opened.
struct Voucher : books::Entry {
    bool isNew = true;
    QString stamp;
};

// Checks the voucher (lines, accounts, amounts) and posts it to the journal:
// a new voucher under the next number, an opened one over itself. Returns
// the voucher's number. Throws Refused (nothing written) for a voucher that may not be saved, or when an
// opened voucher was changed or deleted by someone else meanwhile; a database error rolls everything back.
std::int64_t saveVoucher(db::Connection &conn, const Voucher &v, const QString &login, std::int64_t startNo);

// A stored voucher read back: its master, one Line per entered line (a cash
// voucher's total row is not a line) and its stamp.
using OpenedVoucher = books::Opened;
OpenedVoucher openVoucher(db::Connection &conn, books::Kind kind, std::int64_t vouNo);

// Deletes the voucher's lines and master in one transaction. With a stamp,
// refuses when the voucher was changed or deleted meanwhile.
void deleteVoucher(db::Connection &conn, books::Kind kind, std::int64_t vouNo, const QString &stamp = {});

// The search list of a kind: VouNo, VouDate (dd-mm-yyyy), PaidReceive,
// TotalAmount, Multi ("M" for a voucher of more than one line), newest
// first. Criterion "Voucher #" (number contains text; empty text lists
// every voucher of the kind), "Date" (on date), "Paid To" (payee contains
// text). Returns false, running nothing, for any other criterion.
bool searchVouchers(db::Recordset &rs, db::Connection &conn, const QString &kind, const QString &criterion,
    const QString &text, const QDate &date);

// The numbers of a kind's vouchers, kept for the search by number: read
// in one pass of the voucher index when first needed, then brought up to
// date by the numbers above the highest one kept (an index seek), as a new
// voucher takes the next number. A number whose voucher is found gone is
// dropped, and the next update reads every number again, so that a number
// another copy deleted and posted anew is not missed.
class VoucherNumbers {
public:
    VoucherNumbers(db::Connection &conn, const QString &kind);

    db::Connection &connection() const { return *m_conn; }
    const QString &kind() const { return m_kind; }
    // The next update reads every number again (after a save or a delete).
    void invalidate() { m_whole = false; }
    void update();
    // The numbers whose decimal text holds `text`, as the SQL contains-search
    // of the number cast to text finds them: every number for an empty text,
    // none for a text that is no part of a number; highest first.
    std::vector<std::int64_t> matching(const QString &text) const;
    void forget(std::int64_t number);

private:
    db::Connection *m_conn;
    QString m_kind;
    std::vector<std::int64_t> m_numbers; // ascending
    bool m_whole = false; // m_numbers were read whole and nothing was found gone since
};

// The same list as the voucher window shows it. By number: the numbers that
// match are taken from the kind's kept numbers, and a row is read with those
// of its block (a row, its columns and its Multi mark through the voucher
// index) when one of them is first asked for, the first block at once; a
// number whose voucher has gone meanwhile is dropped from the list when its
// block is read. By date or payee: the rows are read when the list opens,
// and the Multi marks by block as they are asked for. So the whole list of
// a kind costs the rows and marks shown rather than a pass over every line
// of the kind. Errors of a later read (a lost connection) are thrown by the
// call that asked.
class VoucherList {
public:
    static constexpr int kColumns = 5;
    static constexpr int kMultiColumn = 4;
    static constexpr int kMarkBlock = 128;

    // Without `numbers`, the list reads the kind's numbers itself.
    VoucherList(db::Connection &conn, const QString &kind, std::shared_ptr<VoucherNumbers> numbers = nullptr);
    ~VoucherList();
    VoucherList(const VoucherList &) = delete;
    VoucherList &operator=(const VoucherList &) = delete;

    // Reads the list; false, running nothing, for an unknown criterion.
    bool open(const QString &criterion, const QString &text, const QDate &date);
    int size() const;
    QString columnName(int col) const;
    // A row's value (0-based) as searchVouchers gives it, and as the grid
    // shows it. A row past the end (after rows were dropped) is empty.
    db::Value value(int row, int col);
    QString text(int row, int col);
    bool isMulti(int row);
    // The rows dropped since last asked, each as its place in the list when
    // it was dropped (after the ones before it), in that order.
    std::vector<int> takeDropped();

private:
    enum class Mark : signed char { Unread, Single, Multi };
    struct Row {
        std::array<db::Value, kColumns> cells;
    };
    void readMarks(int row);
    // By number: the row read (with its block), or nullptr when past the end.
    const Row *row(int row);
    void readBlock(int row);

    db::Connection *m_conn;
    QString m_kind;
    std::shared_ptr<VoucherNumbers> m_numbers;
    bool m_byNumber = false;
    std::vector<std::int64_t> m_matching; // by number: the list's numbers, highest first
    std::unordered_map<std::int64_t, Row> m_read;
    std::vector<int> m_dropped;
    std::unique_ptr<db::Recordset> m_rows; // by date or payee
    std::vector<Mark> m_marks;
};

// The printout of one voucher: "\rptXX.rpt", the user's logon and the
// selection of that number, kind and the active company.
common::PrintJob printJob(books::Kind kind, std::int64_t vouNo, const QString &user, const QString &password);

} // namespace vouchers
