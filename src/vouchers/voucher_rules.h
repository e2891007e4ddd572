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

#include <cstdint>
#include <memory>
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

// The same list as the voucher window shows it: the rows are read when the
// list opens, and the Multi mark of a row with those of its block of rows
// when one of them is first asked for (the first block at once), so that
// the whole list of a kind costs its rows and the marks shown rather than a
// pass over every line of the kind. Errors of a later read (a lost
// connection) are thrown by the call that asked.
class VoucherList {
public:
    static constexpr int kColumns = 5;
    static constexpr int kMultiColumn = 4;
    static constexpr int kMarkBlock = 128;

    VoucherList(db::Connection &conn, const QString &kind);
    ~VoucherList();
    VoucherList(const VoucherList &) = delete;
    VoucherList &operator=(const VoucherList &) = delete;

    // Reads the list; false, running nothing, for an unknown criterion.
    bool open(const QString &criterion, const QString &text, const QDate &date);
    int size() const;
    QString columnName(int col) const;
    // A row's value (0-based) as searchVouchers gives it, and as the grid shows it.
    db::Value value(int row, int col);
    QString text(int row, int col);
    bool isMulti(int row);

private:
    enum class Mark : signed char { Unread, Single, Multi };
    void readMarks(int row);

    db::Connection *m_conn;
    QString m_kind;
    std::unique_ptr<db::Recordset> m_rows;
    std::vector<Mark> m_marks;
};

// The printout of one voucher: "\rptXX.rpt", the user's logon and the
// selection of that number, kind and the active company.
common::PrintJob printJob(books::Kind kind, std::int64_t vouNo, const QString &user, const QString &password);

} // namespace vouchers
