#pragma once
// Rules of the telephone directory as plain functions over a connection.
#include "common/binding.h"
#include "platform/db/db.h"

#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>
#include <optional>

namespace directory {

struct Entry {
    QString rowNo; // empty: a new entry
    QString codeNo; // the code box; a new entry's code is "TD-" followed by it
    // Column and text of each bound field except Row_No and Code_No; an
    // empty text stores Null.
    QList<QPair<QString, QString>> fields;
};

// The key a new entry gets: the largest Row_No plus one (1 for an empty table).
std::int64_t nextRowNo(db::Connection &conn);

// Adds or changes the entry; a new one takes its key and inserts in one
// transaction, so two copies saving at once never share a key. An edited
// entry keeps its Code_No. Returns the entry's Row_No. Throws db::Error
// when the edited entry is no longer there.
std::int64_t saveEntry(db::Connection &conn, const Entry &entry);

void deleteEntry(db::Connection &conn, std::int64_t rowNo);

// The list by criterion ("Client Name", "Company Name", "TelePhone No.",
// anything else: every entry). A filtered list takes
// db::likeContains(search text) as its one parameter.
QString listSql(const QString &criterion);
bool listIsFiltered(const QString &criterion);

// One entry of the list.
struct ListRow {
    std::int64_t rowNo = 0;
    QString codeNo, clientName, company, contactPer, teleNo, mobNo, faxNo, email, webSite, location, city,
        country, address;
};
// The list of listSql, run with `searchText` when it is filtered.
QList<ListRow> list(db::Connection &conn, const QString &criterion, const QString &searchText);

// Every column of the entry keyed `rowNo` as text; none when it is not there.
std::optional<common::binding::Texts> readEntry(db::Connection &conn, const QString &rowNo);

} // namespace directory
