#pragma once
// Rules of the chart of accounts as plain functions over a connection: levels
// and codes, the numbering of new accounts, the title check, saving and the
// rules that refuse a delete. The chart window calls them, and so does the
// admission save when it opens a student's ledger account.
//
// Levels: "HH" control account (level 1, no parent), "HD" sub-control account
// (level 2, under a control account), "DD" subsidiary account (level 3, under
// a sub-control account; the only level posted to).
// Codes (AcNodes): a control account's top number N ("1", "2", ...); below it
// the parent's code, "." and the running number Dcode among the parent's
// children ("1.1", "1.1.1"). ParentID holds N for a control account and the
// parent's code otherwise.
//
// Every write runs in one db::Transaction (a savepoint inside a caller's
// transaction), so a number read and the insert that uses it, or a title
// check and the save it allows, are never interleaved with another copy's.
#include "platform/db/db.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace accounts {

inline const QString kControl = QStringLiteral("HH");
inline const QString kSubControl = QStringLiteral("HD");
inline const QString kSubsidiary = QStringLiteral("DD");

// Level 1, 2 or 3 of an AcStatus; 0 for any other value.
int levelOf(const QString &acStatus);

// Dcode is a 16-bit number: a parent holds at most this many children.
constexpr int kMaxChildren = 32767;

// --- Numbering -------------------------------------------------------------

// The largest top number of the control accounts plus one (1 in an empty chart).
std::int64_t nextTopNumber(db::Connection &conn);
// The largest Dcode among the children of the account coded `parentNodes`
// (trimmed) plus one (1 for the first child). May exceed kMaxChildren.
std::int64_t nextDcode(db::Connection &conn, const QString &parentNodes);
// trimmed parent code & "." & dcode
QString childNodes(const QString &parentNodes, std::int64_t dcode);

// --- Titles ----------------------------------------------------------------

// The title with every blank removed: the form in which titles are compared.
QString withoutBlanks(const QString &title);
// True when an account other than `exceptRowId` has the same title once the
// blanks are removed from both, letter case ignored ("CASH IN HAND" is taken
// while "CashInHand" exists).
bool titleTaken(db::Connection &conn, const QString &title, std::int64_t exceptRowId = 0);

// --- Saving ----------------------------------------------------------------

enum class Refusal {
    None,
    EmptyTitle, // "please enter Account Title"
    TitleTaken, // "Account Titel is already exitis, please change Account Title"
    AccountMissing, // the account (or the parent to add under) no longer exists
    NoChildrenAllowed, // a subsidiary account holds no accounts
    ParentFull, // the parent already holds kMaxChildren children
};

// What a save did: on success the key and code of the account written; when
// refused, nothing was written and `message` is the text to show.
struct Outcome {
    Refusal refusal = Refusal::None;
    QString message;
    std::int64_t rowId = 0;
    QString acNodes;
    bool ok() const { return refusal == Refusal::None; }
};

// Chart: a level-1 or level-3 title must not be taken by another account
// (level-2 titles are never checked). None: the caller checks titles itself
// (the admission save checks a student's name under the students' head only).
enum class TitleCheck { Chart, None };

// Sets further columns of the row being written (contact columns, opening
// balance, ...). The code columns and AcName are set before it runs.
using FillRow = std::function<void(db::Recordset &row)>;

// A new control account: ParentID = AcNodes = the next top number, Dcode 0,
// AcStatus "HH", OrderStatus `orderStatus` (Null for none).
Outcome addControlAccount(db::Connection &conn, const QString &title, const db::Value &orderStatus = {},
    TitleCheck check = TitleCheck::Chart);

// A new account under the account coded `parentNodes`: "HD" under a control
// account, "DD" under a sub-control account; ParentID the trimmed parent
// code, Dcode the next running number, AcNodes childNodes(...).
Outcome addChildAccount(db::Connection &conn, const QString &parentNodes, const QString &title,
    const FillRow &fill = {}, TitleCheck check = TitleCheck::Chart);

// Gives the account `rowId` the title and runs `fill` on its row. With
// TitleCheck::Chart a level-1 or level-3 title is checked against every
// account but this one.
Outcome updateAccount(db::Connection &conn, std::int64_t rowId, const QString &title,
    const FillRow &fill = {}, TitleCheck check = TitleCheck::Chart);

// --- Deleting --------------------------------------------------------------

// The first rule that refuses deleting account `rowId` (0: none selected), as
// its message; empty when the account may be deleted. In order: no account
// selected, the account has accounts under it, a voucher line posts to it, an
// admission names it as the student's account. The voucher setup and the
// opposite-account column of voucher lines do not hold an account.
QString deleteRefusal(db::Connection &conn, std::int64_t rowId);
// Checks the rules again and deletes the account, in one transaction.
// Returns the refusal's message, or empty when the account was deleted.
QString deleteAccount(db::Connection &conn, std::int64_t rowId);

// --- Level-3 field values --------------------------------------------------

// The opening balance as typed: empty text and the lone signs "-", "." and
// "-." are no amount (Null). Returns false when the text is not one plain
// amount (common/input.h: no exponent, at most two decimals).
bool openingBalance(const QString &typed, db::Value *out);

} // namespace accounts
