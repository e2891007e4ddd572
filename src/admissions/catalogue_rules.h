#pragma once
// Rules of the catalogue (sessions, courses, subjects) that need no window:
// the list statements, numbering and saving a record, the checks of typed
// numbers, and the session delete that refuses while the session is used.
#include "common/choices.h"
#include "platform/db/db.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace admissions::catalogue {

enum class Table { Session, Course, Subject };

// Table and key column names of each catalogue table.
QString tableName(Table t);
QString keyColumn(Table t);

// Every course, by name.
common::Choices courses(db::Connection &conn);

// A list statement with its bound values.
struct Query {
    QString sql;
    db::Params params;
};

// The list of a catalogue window, newest key first. `criterion` is the
// criterion box's text: the name criterion ("Session Name", "Course Name",
// "Subject Name") finds `text` in the name, the key criterion ("Session No",
// "Course No", "Code No") finds it among the key's digits; anything else
// ("" included) lists every row.
Query listQuery(Table t, const QString &criterion, const QString &text);

// The subject picker's list, by subject name. Course mode (appId < 1): the
// subjects of `courseId`; application mode: the subjects of application
// `appId` whose line is marked inactive. `typed` is found in the name.
Query pickerQuery(std::int32_t appId, const QString &courseId, const QString &typed);

// One subject of the picker's list.
struct PickerRow {
    std::int64_t subId = 0;
    QString course, subName, courseDurration;
    std::optional<db::Money> totAmt;
};
// The list of pickerQuery, run.
QList<PickerRow> pickerList(
    db::Connection &conn, std::int32_t appId, const QString &courseId, const QString &typed);

// A record as a window hands it over: the key box's text (empty = new
// record) and the columns to write with their values.
struct Entry {
    QString key;
    QList<std::pair<QString, db::Value>> fields;
};

// Writes the record and returns its key. A new record gets the largest key
// plus one, read in the same write transaction as the insert. Rewriting a
// record that no longer exists throws db::Error.
std::int64_t saveRecord(db::Connection &conn, Table t, const Entry &entry);

// A fee as typed: empty is Null; a plain amount (common/input.h) is itself.
// Returns false for anything else (letters, a negative fee, an exponent,
// a third decimal).
bool parseFee(const QString &text, db::Value *out);

// Deletes a session unless an admission application or a fee-receipt line
// still names it; returns false (and deletes nothing) when one does.
bool deleteSession(db::Connection &conn, std::int64_t sessionId);
bool sessionInUse(db::Connection &conn, std::int64_t sessionId);

} // namespace admissions::catalogue
