#pragma once
// Rows read in parts, for a report laid out in its rows' order: by a date
// range of the selection, or by the query's leading order key.
#include "platform/report/report.h"

#include <QDate>

#include <memory>
#include <vector>

namespace report {

// A date range of the selection on the column the query is ordered by
// first: the rows can be fetched a part of the range at a time.
struct DateRange {
    int low = -1; // index of the range's first bound among the query's parameters
    QDate from, to;
};

// Whether a query wrapped in another gives its columns as they were: SQLite
// tells a compound SELECT's columns by its first part at the top and by its
// last one inside a subquery.
bool sameColumns(const std::vector<db::Column> &before, const std::vector<db::Column> &after);

// The rows of a query ordered by a date first, a part of `range` at a time.
std::unique_ptr<RowSet> dateRangeRows(DataSource &source, QString sql, db::Params params, DateRange range);
// The rows of a query ordered first by a stored number or date, in blocks
// cut by its value; nullptr when the query is not of that shape (then it is
// fetched whole).
std::unique_ptr<RowSet> keyRangeRows(DataSource &source, const QString &sql, const db::Params &params);

} // namespace report
