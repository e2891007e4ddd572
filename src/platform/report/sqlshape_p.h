#pragma once
// What a report's SELECT text says of its columns, where the server cannot
// tell (a column read through a compound subquery has no origin table).
// Internal to the engine.
#include <QString>

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

} // namespace report
