#pragma once
// What the admission window reads, as typed rows: the sessions to choose
// from, the search list, and an application with its subject lines.
#include "admissions/admission_rules.h"
#include "admissions/applicant.h"
#include "platform/db/db.h"

#include <QDate>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace admissions {

// One application of the search list; the dates as dd-mm-yyyy.
struct ApplicationRow {
    std::int64_t appId = 0;
    QString regNo, fixDate, appDate, stuName, fatherName, cellNo;
    std::optional<db::Money> totAmt, cashReceive;
};
// The search list of applicationListQuery, run.
QList<ApplicationRow> applicationList(
    db::Connection &conn, const QString &criterion, const QString &value, const QDate &date);

// A stored application with its subject lines, as the grid shows them
// (amounts as amountText, "" for none).
struct StoredApplication : ApplicationMaster {
    QList<SubjectLine> lines;
};
// The master row of application `appId` with its subject lines, each with
// its course and subject name; found is false without one.
StoredApplication openApplication(db::Connection &conn, std::int64_t appId);

// The statement a printout of application `appId` checks its row with.
Query applicationPrintCheck(std::int64_t appId);

} // namespace admissions
