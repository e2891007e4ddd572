#pragma once
// The journal: the one owner of the books (MasJV, DetJV). Every posting of
// every subsystem is an Entry handed to this module, which numbers it, turns
// its lines into posting rows by the row shape of its kind, checks that they
// balance before and after writing, and writes master and rows in one
// transaction. Opened entries carry a stamp, so a copy of the program that
// saves or deletes an entry changed meanwhile is refused.
//
// Kinds and their row shapes:
//   BP, BR, JV, FR  paired: a debit row and a credit row per line, same EntryNo
//   CP, CR          single-side: one row per line, then the cash row with the
//                   total numbered after the last line
//   CF              credit-only: one credit row per line with an amount
//   AR              the admission pair: cash debited (EntryNo 1), student
//                   credited (EntryNo 2)
// CP, CR, BP, BR, JV and FR have a master row; AR and CF do not.
#include "books/refusal.h"
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <vector>

namespace books {

enum class Shape { Paired, CashPayment, CashReceipt, CreditOnly, AdmissionPair };

// The kinds of entry. Code passes them as this enum; the books store each as
// its code in VouStatus ("CP", "CR", "BP", "BR", "JV", "FR", "CF", "AR"), and
// kindCode / kindOf are the one place that turns one into the other.
enum class Kind { CP, CR, BP, BR, JV, FR, CF, AR };
// Every kind, in the order above.
inline constexpr Kind kKinds[]
    = {Kind::CP, Kind::CR, Kind::BP, Kind::BR, Kind::JV, Kind::FR, Kind::CF, Kind::AR};
// The kind whose code is `code`, exactly as stored; false when there is none.
bool kindOf(const QString &code, Kind *kind);
// The same, throwing Refused for a code of no kind.
Kind kindNamed(const QString &code);
QString kindCode(Kind kind);

Shape shapeOf(Kind kind);
Shape shapeOf(const QString &code); // throws Refused for an unknown code
bool hasMaster(Kind kind);
// Whether the number of a new entry is taken by the journal (the kinds with a master).
bool isNumbered(Kind kind);

// How a fee receipt was paid (MasJV.IRStatus): Null, "CASH" or "BANK".
enum class Payment { None, Cash, Bank };
// The stored text; "" (stored as Null) for None.
QString paymentCode(Payment payment);
// A stored text read back: "CASH" in any case is cash, Null or "" none,
// anything else bank.
Payment paymentOf(const QString &stored);

// One line as entered: the one line type of every entry, from the window's
// draft to the rows. On a cash payment the credit is the cash account, on a
// cash receipt the debit; on a carry-forward line the debit is the account
// the credit row names opposite (0 allowed). Keys are Accounts.RowID.
struct Line {
    std::int64_t debit = 0;
    std::int64_t credit = 0;
    // The titles the window showed (named in a refusal when the account has
    // gone meanwhile); filled by open.
    QString debitName, creditName;
    db::Money amount;
    QString chequeNo, narration;
    QString fileNo, billNo; // "" stores Null
    std::int64_t sessionId = 0, subId = 0; // fee and carry-forward lines; 0 stores Null
    QString creditNarration; // AR only: the credit row's own narration
};

// An entry: its header (the master row's fields) and its lines.
struct Entry {
    Kind kind = Kind::JV;
    std::int64_t number = 0; // taken by post() for numbered kinds
    QDate date;
    QString paidReceive; // the payee
    QString slipNo; // "" stores Null
    Payment payment = Payment::None;
    // The cash or bank account of a cash voucher or a fee receipt, as its
    // window shows it; open reads it back from the first line. The rows take
    // their accounts from the lines.
    std::int64_t cashAccount = 0;
    QString cashName;
    QString login;
    QString chequeNo; // the master's; read back only, never written
    std::vector<Line> lines;
};

// One DetJV row.
struct Posting {
    std::int32_t entryNo = 0;
    std::int64_t acCode = 0;
    db::Value crAc;
    db::Money drAmt, crAmt;
    db::Value chequeNo, narration, fileNo, billNo, sessionId, subId;
};

// The rows an entry is stored as, in the order they are written.
std::vector<Posting> postings(const Entry &e);
// The entry's total: the exact sum of its line amounts.
db::Money total(const Entry &e);
// Throws Refused unless the rows' debits equal their credits (credit-only
// entries are not balanced within themselves and are not checked).
void checkBalanced(Kind kind, const std::vector<Posting> &rows);

// The next number of a numbered kind: the largest in use plus one. The five
// voucher kinds start at `startNo` while they have none; FR counts over its
// rows and masters and starts at 1.
std::int64_t nextNumber(db::Connection &conn, Kind kind, std::int64_t startNo = 0);

// The stored state of an entry (master and rows) as one text; empty when
// nothing is stored under that kind and number.
QString stamp(db::Connection &conn, Kind kind, std::int64_t number);

// The rows of a recordset as one text, Null told apart from empty: what a
// stamp is made of, for entries and for forms that keep their own tables.
QString rowsText(db::Recordset &rs);

// Writes a new entry of a numbered kind: the next number is read inside the
// write transaction that inserts it. Returns the number.
std::int64_t post(db::Connection &conn, const Entry &e, std::int64_t startNo = 0);

// Writes an entry over the stored one of its kind and number: the master is
// updated and the rows are rewritten. For a kind with a master the stamp of
// the opened entry is required, and the replace is refused when the stored
// entry has gone or changed since. For AR and CF an empty stamp skips the
// check, and an entry without lines removes the rows.
void replace(db::Connection &conn, const Entry &e, const QString &openedStamp);

// Removes the entry's rows and master. With a stamp, refuses when the
// stored entry has gone or changed since it was opened.
void remove(db::Connection &conn, Kind kind, std::int64_t number, const QString &openedStamp = {});

// The totals the journal keeps per account, month and kind of entry
// (AcMonthBal: debits and credits of every dated posting but carry-forward
// rows), written in the transaction of every post, replace and remove. They
// are what balances over long periods are read from.
//
// The month key of a date as the totals store it (year * 100 + month).
int yearMonth(const QDate &date);
// Takes the rows of one kind dated from..to out of the totals; data removal
// calls it in its transaction before it deletes those rows.
void subtractTotals(db::Connection &conn, const QString &kind, const QDate &from, const QDate &to);
// Writes the totals afresh from the postings stored (after rows were
// deleted wholesale, or when they were written around the journal).
void rebuildTotals(db::Connection &conn);

// A stored entry read back: its header and one line per entered line (a
// cash entry's total row is no line), with the names of their accounts.
struct Opened : Entry {
    bool found = false; // a master (or, for AR and CF, a row) is stored
    QString stamp;
};
Opened open(db::Connection &conn, Kind kind, std::int64_t number);

} // namespace books
