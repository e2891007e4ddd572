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
#include <vector>

namespace vouchers {

// A voucher that may not be written (or deleted) as it stands.
using Refused = common::Refused;

bool isCashKind(books::Kind kind); // CP, CR
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
// first. Criterion "Voucher #" (number contains text), "Date" (on date),
// "Paid To" (payee contains text). Returns false, running nothing, for any
// other criterion.
bool searchVouchers(db::Recordset &rs, db::Connection &conn, const QString &kind, const QString &criterion,
    const QString &text, const QDate &date);

// The printout of one voucher: "\rptXX.rpt", the user's logon and the
// selection of that number, kind and the active company.
common::PrintJob printJob(books::Kind kind, std::int64_t vouNo, const QString &user, const QString &password);

} // namespace vouchers
