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
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace books {

// An entry the journal will not write or remove as it stands; the text is
// what the user is told. Nothing has been written when it is thrown. An
// opened entry that another copy deleted or changed meanwhile says which,
// so a window can offer what fits.
class Refused : public std::runtime_error {
public:
    enum class Conflict { None, Gone, Changed };
    explicit Refused(const QString &text, Conflict conflict = Conflict::None)
        : std::runtime_error(text.toStdString())
        , m_conflict(conflict)
    {
    }
    QString text() const { return QString::fromStdString(what()); }
    Conflict conflict() const { return m_conflict; }

private:
    Conflict m_conflict;
};

enum class Shape { Paired, CashPayment, CashReceipt, CreditOnly, AdmissionPair };

// The kinds of entry as the code tells them apart; the books store each as
// its code in VouStatus ("CP", "CR", "BP", "BR", "JV", "FR", "CF", "AR").
enum class Kind { CP, CR, BP, BR, JV, FR, CF, AR };
// The kind whose code is `code`, exactly as stored; false when there is none.
bool kindOf(const QString &code, Kind *kind);
QString kindCode(Kind kind);

bool isKind(const QString &kind);
Shape shapeOf(const QString &kind); // throws Refused for an unknown kind
bool hasMaster(const QString &kind);
// Whether the number of a new entry is taken by the journal (the kinds with a master).
bool isNumbered(const QString &kind);

// One line as entered. On a cash payment the credit is the cash account, on
// a cash receipt the debit; on a carry-forward line the debit is the account
// the credit row names opposite (0 allowed).
struct Line {
    std::int64_t debit = 0;
    std::int64_t credit = 0;
    db::Money amount;
    QString chequeNo, narration;
    QString fileNo, billNo; // "" stores Null
    db::Value sessionId, subId; // Null when the line has none
    QString creditNarration; // AR only: the credit row's own narration
    QString debitName, creditName; // filled by open
};

// The master row's fields beside number, kind, date and total.
struct Master {
    QString paidReceive;
    QString slipNo; // "" stores Null
    QString irStatus; // "" stores Null
    QString login;
    QString chequeNo; // read back only; never written
};

struct Entry {
    QString kind;
    std::int32_t number = 0; // taken by post() for numbered kinds
    QDate date;
    Master master;
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
void checkBalanced(const QString &kind, const std::vector<Posting> &rows);

// The next number of a numbered kind: the largest in use plus one. The five
// voucher kinds start at `startNo` while they have none; FR counts over its
// rows and masters and starts at 1.
std::int32_t nextNumber(db::Connection &conn, const QString &kind, std::int32_t startNo = 0);

// The stored state of an entry (master and rows) as one text; empty when
// nothing is stored under that kind and number.
QString stamp(db::Connection &conn, const QString &kind, std::int32_t number);

// The rows of a recordset as one text, Null told apart from empty: what a
// stamp is made of, for entries and for forms that keep their own tables.
QString rowsText(db::Recordset &rs);

// Writes a new entry of a numbered kind: the next number is read inside the
// write transaction that inserts it. Returns the number.
std::int32_t post(db::Connection &conn, const Entry &e, std::int32_t startNo = 0);

// Writes an entry over the stored one of its kind and number: the master is
// updated and the rows are rewritten. For a kind with a master the stamp of
// the opened entry is required, and the replace is refused when the stored
// entry has gone or changed since. For AR and CF an empty stamp skips the
// check, and an entry without lines removes the rows.
void replace(db::Connection &conn, const Entry &e, const QString &openedStamp);

// Removes the entry's rows and master. With a stamp, refuses when the
// stored entry has gone or changed since it was opened.
void remove(db::Connection &conn, const QString &kind, std::int32_t number, const QString &openedStamp = {});

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

struct Opened {
    bool found = false; // a master (or, for AR and CF, a row) is stored
    QDate date;
    Master master;
    std::vector<Line> lines; // one per entered line, in line order
    QString stamp;
};
// Reads a stored entry back into lines (a cash entry's total row is no line).
Opened open(db::Connection &conn, const QString &kind, std::int32_t number);

} // namespace books
