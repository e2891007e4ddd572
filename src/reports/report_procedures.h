#pragma once
// The report procedures: each empties its work table and fills it for its
// arguments inside one transaction, and returns the number of rows written.
//
//   exec AcLedger account, 'from', 'to'              -> rptLedger, one line per voucher
//   exec DetailAcLedger account, d1, m1, y1, d2, m2, y2 -> rptLedger, one line per posting
//   exec TrialBalance 'from', 'to'                   -> rptTrialBalance, the period's postings
//   exec TrialBalance3 'from', 'to'                  -> rptTrialBalance, with opening balances
//   exec CreatStuWiseDet session, course, subject    -> rptStudentDetail (0 = all)
//
// A long ledger is written in two goes: its first lines at once (what the
// call returns counts them), the rest when rptLedger is next read (see
// db::Connection::deferFill), so that a report shows its first page first.
//
// Date ranges include both ends. Balances are debit minus credit; an
// account's opening balance (Accounts.OpenBal) counts as a debit.
#include "platform/db/db.h"

#include <QDate>

namespace reports {

std::int64_t acLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to);
std::int64_t detailAcLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to);
std::int64_t trialBalance(db::Connection &conn, QDate from, QDate to, bool withOpening);
std::int64_t creatStuWiseDet(
    db::Connection &conn, std::int64_t session, std::int64_t course, std::int64_t subject);

} // namespace reports
