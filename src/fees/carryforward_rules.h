#pragma once
// Carry-forward rules as plain functions over a connection: form numbering,
// saving a form (master, lines and its 'CF' postings in one transaction),
// opening and deleting it, and the list statements of the carry-forward
// window and the application picker.
//
// A form carries inactive subjects of one admission application into
// another session. Every line with an amount above 0 is also one 'CF' credit
// row of DetJV on the student's ledger account (tblMasApp.CusCode), numbered
// with the form's number, so that the fee receipt counts it as received.
#include "common/refusal.h"
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace fees::carryforward {

// A form that may not be written (or deleted) as it stands.
using Refused = common::Refused;

// The numeric value of an amount text: its leading number ("12.5", "12.",
// ".5"), rounded to the cent; 0 when the text starts with no number.
db::Money amountValue(const QString &text);

// One more than the largest form number in use, counting the numbers of the
// 'CF' rows that outlived their form (1 for the first form).
std::int32_t nextFormNumber(db::Connection &conn);

// The account the 'CF' rows name as their opposite account: AcCode of the
// cash-receipt series ('CR') of the voucher setup, 0 when none.
std::int64_t cashReceiptAccount(db::Connection &conn);

struct Line {
    std::int64_t subjectId = 0;
    QString narration;
    QString sessionId; // target session key; empty for none
    QString amount; // as typed
    // Filled by openForm, for the grid.
    QString course, subName, sessionName;
};

struct Form {
    bool isNew = true;
    std::int32_t formId = 0; // the number of an opened form; ignored for a new one
    QDate date;
    std::int32_t appId = 0;
    QString preSessionId; // the student's session key; empty for none
    std::int64_t crAc = 0; // see cashReceiptAccount
    std::vector<Line> lines; // in grid order
    // What openForm (or the last save) read; saving or deleting an opened
    // form refuses when the stored form is no longer what was opened.
    QString stamp;
};

struct Saved {
    std::int32_t formId = 0;
    QString stamp; // the stored form right after the save
};

// Checks the form, then in one write transaction: takes the next number for
// a new form, writes the master row, deletes and rewrites the lines and the
// form's 'CF' rows (through the journal). Throws Refused (nothing written) when the form has no
// student or no line, when the application is gone, when an amount is to be
// posted for a student without a ledger account, or when an opened form was
// changed or deleted by someone else meanwhile; a database error rolls
// everything back.
Saved saveForm(db::Connection &conn, const Form &form);

struct OpenedForm {
    bool found = false;
    QDate date;
    std::int32_t appId = 0;
    std::vector<Line> lines; // in stored order
    QString stamp;
};

OpenedForm openForm(db::Connection &conn, std::int32_t formId);

// The stored state of a form (master, lines, 'CF' rows) as one text; empty
// when it has no master row.
QString formStamp(db::Connection &conn, std::int32_t formId);

// Deletes the form's 'CF' rows, lines and master in one transaction. With a
// stamp, refuses when the form was changed or deleted meanwhile.
void deleteForm(db::Connection &conn, std::int32_t formId, const QString &stamp = {});

// A list statement with its bound values.
struct Query {
    QString sql;
    db::Params params;
};

// The carry-forward window's list of forms (FormID, FrmDate dd-mm-yyyy,
// AppID, Student), newest form date first. Criterion "Student Name" finds
// `text` in the student's name, "Student ID" and "Form ID" match the number
// (a text that is no whole number matches nothing; an empty one lists every
// form), "Form Date" the date; anything else lists every form.
Query formListQuery(const QString &criterion, const QString &text, const QDate &date);

// One form of the window's list; the date as dd-mm-yyyy.
struct FormRow {
    std::int32_t formId = 0;
    QString formDate;
    std::optional<std::int64_t> appId;
    QString student;
};
// The list of formListQuery, run.
std::vector<FormRow> formList(
    db::Connection &conn, const QString &criterion, const QString &text, const QDate &date);

// The application picker's list (AppID, RegNo, FixDt, AppDate, StuName,
// FatherName, CellNo, TotAmt, CashReceive), newest application first.
// Criterion (compared exactly) "Student Name", "Cell No." and "Reg.#" find
// `text` in that column; "Application ID" matches the number (empty: every
// application; no whole number: none); anything else lists every application.
Query applicationListQuery(const QString &criterion, const QString &text);

} // namespace fees::carryforward
