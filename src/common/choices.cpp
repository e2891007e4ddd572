#include "common/choices.h"

namespace common {

Choices readChoices(db::Connection &conn, const QString &sql, const db::Params &params)
{
    db::Recordset rs;
    rs.open(sql, conn, params);
    Choices list;
    list.reserve(rs.recordCount());
    for (int r = 0, n = rs.recordCount(); r < n; ++r)
        list.push_back({rs.at(r, 0).toString(), rs.at(r, 1).toString()});
    return list;
}

} // namespace common
