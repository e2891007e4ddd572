#pragma once
// Fee receipts (vouchers of kind "FR") as plain functions over a connection:
// what a student's subject has received and still owes, numbering, saving
// (master and lines in one transaction), opening, deleting, the search list
// and the slip printout.
//
// A receipt line credits the student's ledger account for one subject of
// the student's admission (and a session) and debits a cash or bank account.
// It is stored as a paired line in DetJV: the debit row on the cash or bank
// account, then the credit row on the student, both with SessionID and SubID.
#include "books/journal.h"
#include "common/printing.h"
#include "common/refusal.h"
#include "fees/fee_figures.h"
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <vector>

namespace fees {

// The next receipt number: the largest "FR" number in use plus one, 1 for
// the first receipt. The series has no start number.
std::int64_t nextReceiptNo(db::Connection &conn);

// The admission of a student's ledger account and the session the student
// is in now: the session the student's subjects were last carried forward
// into, else the admission's own. found is false when the account has no
// admission.
struct StudentAdmission {
    bool found = false;
    std::int64_t appId = 0;
    QString sessionId; // "" when none is recorded
};
StudentAdmission studentAdmission(db::Connection &conn, std::int64_t account);

// The sessions for the session list: SessionId, SessionName, by name.
void openSessions(db::Recordset &rs, db::Connection &conn);
// The subjects on any admission of the account, active or not: SubId, SubName.
void openStudentSubjects(db::Recordset &rs, db::Connection &conn, std::int64_t account);

// A receipt as the window saves it: an entry of kind FR whose lines debit
// the cash or bank account (debit) and credit the student (credit) for a
// subject (subId) and a session (sessionId, 0 for none); its payment is
// Cash or Bank. The number is that of an opened receipt, ignored for a new
// one; the stamp is what openReceipt read.
struct Receipt : books::Entry {
    Receipt() { kind = books::Kind::FR; }
    bool isNew = true;
    QString stamp;
};

// Checks the receipt and posts it to the journal: a new receipt under the
// next number, an opened one over itself (paired rows with SessionID and
// SubID). Returns the receipt's number. Throws common::Refused (nothing written)
// for a receipt that may not be saved, or when an opened receipt was changed
// or deleted by someone else meanwhile; a database error rolls it all back.
// A line may take more than the subject still owes.
std::int64_t saveReceipt(db::Connection &conn, const Receipt &r, const QString &login);

// A stored receipt: its master, its lines (the credit rows, in line order)
// and its stamp.
using OpenedReceipt = books::Opened;
OpenedReceipt openReceipt(db::Connection &conn, std::int64_t vouNo);

// Deletes the receipt's lines and master in one transaction. With a stamp,
// refuses when the receipt was changed or deleted meanwhile.
void deleteReceipt(db::Connection &conn, std::int64_t vouNo, const QString &stamp = {});

// The search list: VouNo, VouDate (dd-mm-yyyy), slipNo, PaidReceive,
// TotalAmount, Multi ("M" for more than one line), IRSTATUS, newest first.
// Criterion "Voucher #" (number contains text), "Date" (on date), "Slip No."
// and "Paid To" (contains text). Returns false, running nothing, for any
// other criterion.
bool searchReceipts(db::Recordset &rs, db::Connection &conn, const QString &criterion, const QString &text,
    const QDate &date);

// The slip printout of one receipt: its credit (student) lines.
common::PrintJob slipJob(std::int64_t vouNo, const QString &user, const QString &password);

} // namespace fees
