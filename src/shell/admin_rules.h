#pragma once
// Rules of the administration windows (company profile, data removal, users
// and server logins) as plain functions over a connection. Each one that
// writes more than one statement runs them in one transaction.
#include "common/binding.h"
#include "platform/db/db.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace shell::admin {

// ---------------------------------------------------------------- company

struct CompanyEntry {
    QString compCode; // empty: a new company
    // Column and text of each bound field; an empty text stores Null.
    QList<QPair<QString, QString>> fields;
    bool active = false; // ticked: this row becomes the only active one
    // Written only when given (a completely filled masked text); otherwise
    // the column keeps what it held.
    std::optional<QString> tax;
    std::optional<QString> ntn;
};

// Adds or changes the company and moves the active mark, all or nothing.
// Returns the row's CompCode.
std::int64_t saveCompany(db::Connection &conn, const CompanyEntry &entry);
void deleteCompany(db::Connection &conn, std::int64_t compCode);

// The company list, filtered by name when `search` is not empty; its one
// parameter (when there is one) is db::likeContains(search).
QString companyListSql(bool filtered);

// ---------------------------------------------------------------- data removal

// Empties the tables, in the order given, all or none. A table that does
// not exist is reported by name and nothing is removed. Emptying the
// carry-forward forms (tblMasCarryForw) also removes the 'CF' postings
// they made.
void removeTables(db::Connection &conn, const QStringList &tables);

// Removes the headers (MasJV) and lines (DetJV) of one voucher kind dated
// from `from` to `to`, both included, all or none.
void removeVouchers(db::Connection &conn, const QString &kind, const QDate &from, const QDate &to);

// A date as the removal statements take it: "2009-08-03".
QString removalDate(const QDate &d);

// ---------------------------------------------------------------- users

// True when a user's name equals `name` once every blank is removed from both.
bool userNameTaken(db::Connection &conn, const QString &name);

// Creates the server login (default database "Velund_System"), its database
// user and its sysadmin membership, and writes the register row, all or
// nothing. The password is kept only by the server. Returns the Row_No.
std::int64_t addUser(db::Connection &conn, const QString &name, const QString &designation,
    const QString &password, const QString &status);

// Changes designation and status; a non-empty `newPassword` also resets the
// login's password. All or nothing.
void changeUser(db::Connection &conn, std::int64_t rowNo, const QString &designation, const QString &status,
    const QString &newPassword);

// The register row's User_Name, or empty when there is no such row.
QString userNameOf(db::Connection &conn, std::int64_t rowNo);

// True when the row is the user this connection is logged in as.
bool isLoggedInUser(db::Connection &conn, std::int64_t rowNo);

// Removes the register row, the database user and the server login, so the
// user can no longer log in. All or nothing.
void deleteUser(db::Connection &conn, std::int64_t rowNo);

// The users list by criterion ("User Name", "Designation", anything else:
// all); a filtered list takes db::likeContains(value) as its one parameter.
QString userListSql(const QString &criterion);

// One user of the list (the password never shown).
struct UserRow {
    std::int64_t rowNo = 0;
    QString userCode, userName, designation, passWard, status;
};
// The list of userListSql, run with `value` when it is filtered.
QList<UserRow> userList(db::Connection &conn, const QString &criterion, const QString &value);

// A stored user: every column as text, and its status ('A' or 'U').
struct StoredUser {
    common::binding::Texts columns;
    QString status;
};
std::optional<StoredUser> readUser(db::Connection &conn, const QString &rowNo);

} // namespace shell::admin
