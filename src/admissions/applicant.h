#pragma once
// What other subsystems read of an admission: the sessions to choose from
// and an application's master row, the student it names (the carry-forward
// form shows the student of the application it carries forward).
#include "common/binding.h"
#include "common/choices.h"
#include "platform/db/db.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>

namespace admissions {

// Every session, by name.
common::Choices sessionsByName(db::Connection &conn);

// A stored application's master row (tblMasApp).
struct ApplicationMaster {
    bool found = false;
    common::binding::Texts columns; // every column as text, for the bound boxes
    QString stuName;
    std::optional<std::int64_t> cusCode; // the student's account
    QString sessionId; // "" for none
    QString section;
    std::optional<db::Money> regFee, cashReceive;
    QDate appDate, fixDate;
    std::optional<QString> nic;
};
// The master row of application `appId`; found is false without one.
ApplicationMaster readApplication(db::Connection &conn, std::int64_t appId);

} // namespace admissions
