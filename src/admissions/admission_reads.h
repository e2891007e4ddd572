#pragma once
// What the admission window (and the carry-forward form, which shows the
// student of an application) reads, as typed rows: the sessions to choose
// from, the search list, and an application with its subject lines.
#include "admissions/admission_rules.h"
#include "common/binding.h"
#include "common/choices.h"
#include "platform/db/db.h"

#include <QDate>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace admissions {

// Every session, by name.
common::Choices sessionsByName(db::Connection &conn);

// One application of the search list; the dates as dd-mm-yyyy.
struct ApplicationRow {
    std::int64_t appId = 0;
    QString regNo, fixDate, appDate, stuName, fatherName, cellNo;
    std::optional<db::Money> totAmt, cashReceive;
};
// The search list of applicationListQuery, run.
QList<ApplicationRow> applicationList(
    db::Connection &conn, const QString &criterion, const QString &value, const QDate &date);

// A stored application (tblMasApp).
struct StoredApplication {
    bool found = false;
    common::binding::Texts columns; // every column as text, for the bound boxes
    QString stuName;
    std::optional<std::int64_t> cusCode; // the student's account
    QString sessionId; // "" for none
    QString section;
    std::optional<db::Money> regFee, cashReceive;
    QDate appDate, fixDate;
    std::optional<QString> nic;
    // Filled by openApplication only: the subject lines as the grid shows
    // them (amounts as amountText, "" for none).
    QList<SubjectLine> lines;
};
// The master row of application `appId`; found is false without one.
StoredApplication readApplication(db::Connection &conn, std::int64_t appId);
// The same with its subject lines, each with its course and subject name.
StoredApplication openApplication(db::Connection &conn, std::int64_t appId);

// The statement a printout of application `appId` checks its row with.
Query applicationPrintCheck(std::int64_t appId);

} // namespace admissions
