#pragma once
// What a report's SELECT text says of its columns, where the server cannot
// tell (a column read through a compound subquery has no origin table).
// Internal to the engine.
#include <QString>

#include <vector>

namespace report {

// Whether output column `index` (of `columnCount`) of the statement `sql`
// is, in every part of every compound it is read through, a stored column of
// a table or a constant (NULL, a text, a whole number): so SQL compares its
// values as they are stored. False whenever the text is not understood.
bool isStoredColumn(const QString &sql, int index, int columnCount);

// The output column (of `columnCount`) whose values the statement's ORDER BY
// puts first, ascending: rows of a range of its values come in the
// statement's order whatever else the range holds. -1 when there is none or
// the text is not understood.
int leadingOrderColumn(const QString &sql, int columnCount);

// A report's own marker in its query text: {?Name} (a parameter field's
// value) or {<Table.Field} (the bound the selection puts below a field).
// Texts, quoted names and comments of the SQL hold none.
struct QueryMarker {
    qsizetype at, size; // the whole marker, braces included
    QChar kind; // '?' or '<'
    QString name; // between the kind and the closing brace, trimmed
};
std::vector<QueryMarker> queryMarkers(const QString &sql);

} // namespace report
