#pragma once
// What the report-selection window reads and runs, as plain functions over a
// connection: the pick lists of its inputs, the cash book's account, and the
// report procedures that fill the work tables a report prints.
#include "common/choices.h"
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <cstdint>

namespace reports::rules {

// Every course, by name.
common::Choices courses(db::Connection &conn);
// The subjects of the course keyed `courseKey`, by name.
common::Choices subjectsOf(db::Connection &conn, const QString &courseKey);
// Every session, in the order they were opened (the last is the newest).
common::Choices sessions(db::Connection &conn);

// The account of the cash-payment series of the voucher setup; 0 when none.
std::int64_t cashBookAccount(db::Connection &conn);

// The simple and the detail ledger of account `account` (its RowID).
void runLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to);
void runDetailLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to);

enum class TrialBalance {
    Plain, // the subsidiary and the control trial balance
    WithOpening,
};
void runTrialBalance(db::Connection &conn, TrialBalance which, QDate from, QDate to);

// The student-wise detail of a session; a course key of 0 takes every
// course, a subject key of 0 every subject of the course.
void runStudentWise(db::Connection &conn, std::int64_t session, std::int64_t course, std::int64_t subject);

} // namespace reports::rules
