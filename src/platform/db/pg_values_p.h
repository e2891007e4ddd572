#pragma once
// Values crossing to and from the PostgreSQL server: ours as the text the
// server reads for a parameter, and the text of a result's cells read back
// as the values the embedded engine gives.
#include "platform/db/db.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct pg_result;

namespace db::detail {

// The values of a statement's parameters as text; Null stays a null pointer.
struct BoundTexts {
    std::vector<QByteArray> texts;
    std::vector<const char *> ptrs;
    explicit BoundTexts(const std::vector<const Value *> &values);
};

// The declared type as the embedded schema spells it, so one storage rule
// serves both engines.
QString declaredType(const QString &formatted, const QString &typeName);

// A result's cell by the storage rule `kind` of its column.
Value readCell(pg_result *r, int row, int col, Type kind);

} // namespace db::detail
