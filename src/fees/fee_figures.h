#pragma once
// What a student's subject has received and still owes: the one place the
// fee figures are worked out, for the fee receipt window and the student
// fee reports alike.
#include "platform/db/db.h"

#include <cstdint>

namespace fees {

// Received is the amount taken at admission (tblDetApp.RecAmount, which the
// admission's receipt lines post) plus every fee-receipt and carry-forward
// credit posted to the student's account for that subject. Remaining is the
// subject's net fee (its fee less the discount) less received; 0 when the
// net fee is not recorded. found is false when the admission has no such
// subject.
struct SubjectFigures {
    bool found = false;
    db::Money atAdmission; // RecAmount
    db::Money credited; // the 'FR' and 'CF' credits since
    db::Money received;
    db::Money remaining;
};
SubjectFigures subjectFigures(
    db::Connection &conn, std::int64_t account, std::int64_t appId, std::int64_t subId);

} // namespace fees
