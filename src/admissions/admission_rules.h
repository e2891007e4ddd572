#pragma once
// Rules of the admission window as plain functions over a connection: the
// voucher-setup rows it needs, the amounts of its subject lines, the checks
// and the save of an application (master row, subject lines, the student's
// ledger account and the admission-receipt lines), the delete, and the
// queries and selections of its search list and printouts.
//
// The save and the delete each run in one db::Transaction: a failure at any
// step leaves the database as it was before.
#include "platform/db/db.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

namespace admissions {

// What the admission window reads from the voucher setup when it opens.
struct AdmissionSetup {
    // AcNodes of the sub-control head (row 'IR') under which students'
    // accounts are opened; "" when the setup names none, or names an account
    // that is not a sub-control head.
    QString studentHeadNodes;
    // Accounts.RowID of the cash account (row 'CR') that receives admission
    // money; 0 when none.
    std::int64_t cashAcCode = 0;
};
AdmissionSetup readAdmissionSetup(db::Connection &conn);

// --- Amounts ---------------------------------------------------------------

// The leading number of a box's text, exact to the cent ("12.5abc" -> 12.50,
// ".5" -> 0.50); 0 when the text has none.
db::Money leadingAmount(QStringView text);
// An amount as the window writes a computed amount into a box: no grouping,
// no trailing zeros ("1500", "12.5", "-3.25").
QString amountText(db::Money amount);

// One subject line, its cells as the grid holds them.
struct SubjectLine {
    QString subId;
    QString course;
    QString subName;
    QString subAmt;
    QString discount;
    QString narration;
    QString netAmount;
    QString recAmount;
    QString inActive; // "1" inactive; "0" or "" active
};

struct Totals {
    db::Money total; // sum of the net amounts, inactive lines included
    db::Money received; // sum of the received amounts
    db::Money balance() const { return total - received; }
};
Totals totalsOf(const QList<SubjectLine> &lines);

// --- Saving ----------------------------------------------------------------

// The application on screen.
struct ApplicationEntry {
    QString appId; // "" for a new application
    // The bound boxes: column and text ("" stores Null). TotAmt, CashReceive
    // and RegFee are written by the save itself, as amounts.
    QList<QPair<QString, QString>> fields;
    QString stuName;
    QString cellNo;
    QString mailAdd; // copied to the account's Addr
    QString contact; // copied to the account's Contact
    QString regFee;
    QString sessionId; // the session box's bound value; "" for none
    QString section;
    QString nic; // the masked box's text, dashes included; "" stores Null
    QDate appDate;
    QDate fixDate; // also the date of the admission-receipt lines
    QString loadedStuName; // the name as the application was opened
    QList<SubjectLine> lines;
};

enum class Refusal {
    None,
    NoStudentHead, // "please set SubControl Account in Voucher Setup "
    NoStudentName, // "Please enter Student Name"
    NoCellNo, // "Please enter Cell No"
    NoSession, // no session chosen, or the chosen one is gone
    NoSessionYet, // no session chosen and none exists to choose
    NoCashAccount, // "please select Account In Vouchere Setup"
    DuplicateStudent, // "this Student is already exitis!"
    NoSubjects, // "Please enter subject in detail"
    DuplicateSubject, // one subject on two lines
    ReceivedAboveNet, // a line received more than its net amount
    ApplicationGone, // the application was deleted meanwhile
    AccountRefused, // the students' head no longer takes a new account
    NotAnAmount, // a fee, discount, net or received amount is not one plain amount
    TotalTooLarge, // the lines' amounts add up past what an amount holds
};

struct SaveOutcome {
    Refusal refusal = Refusal::None;
    QString message;
    std::int64_t appId = 0;
    std::int64_t accountKey = 0; // Accounts.RowID of the student's account
    bool ok() const { return refusal == Refusal::None; }
};

QString refusalMessage(Refusal refusal);

// True when another account under the students' head has the student's name
// once every blank is removed (letter case ignored).
bool studentNameTaken(
    db::Connection &conn, const AdmissionSetup &setup, const QString &name, std::int64_t exceptRowId = 0);

// The save's checks, in order; the first that fails is returned.
Refusal checkApplication(db::Connection &conn, const AdmissionSetup &setup, const ApplicationEntry &entry);

// The net amount of a line: its amount less its discount.
db::Money netAmount(const QString &amount, const QString &discount);

// A subject line's own checks, as "&Add" makes them on the line being
// entered (its net amount already worked out from amount and discount).
enum class LineRefusal {
    None,
    DuplicateSubject, // the subject is on another line of the application
    DiscountAboveAmount, // the net amount would fall below 0
    ReceivedAboveNet, // more received than the net amount
};
// `ownIndex` is the line's index in `lines` while it is being changed, -1
// for a new line.
LineRefusal checkLine(const SubjectLine &line, const QList<SubjectLine> &lines, int ownIndex);
QString lineRefusalMessage(LineRefusal refusal);

// Checks, then writes in one transaction: the master row (a new one numbered
// largest AppID plus one), the subject lines (deleted and written again), the
// student's account under the students' head (new: numbered there, with the
// total fee as opening balance; existing: title, address, contact and opening
// balance brought up to date), CusCode, and the admission-receipt pair of
// DetJV for the amount received (cash debited, student credited). Nothing is
// written when a check refuses or any step fails (the error is thrown).
SaveOutcome saveApplication(db::Connection &conn, const AdmissionSetup &setup, const ApplicationEntry &entry,
    const QString &userName);

// --- Deleting --------------------------------------------------------------

// "this Account use in vouceher detail" when the student's account of the
// application has a DetJV line of another kind than the admission receipt;
// empty when the application may be deleted.
QString deleteRefusal(db::Connection &conn, std::int64_t appId);
// Checks again and removes, in one transaction, the application, its lines,
// the student's account and its admission-receipt lines. Returns the
// refusal's message, or empty when everything was removed.
QString deleteApplication(db::Connection &conn, std::int64_t appId);

// --- Search and printouts ----------------------------------------------------

// The search criteria in the order the criterion box lists them.
const QStringList &searchCriteria();

struct Query {
    QString sql;
    db::Params params;
};
// The search list for a criterion and value (and the date of the "Date"
// criterion), newest application first.
Query applicationListQuery(const QString &criterion, const QString &value, const QDate &date);

// The record selection of the search tab's printout; empty for every application.
QString admissionDetailSelection(const QString &criterion, const QString &value, const QDate &date);
// A text as a single-quoted formula literal (inner quotes doubled).
QString formulaText(const QString &text);

} // namespace admissions
