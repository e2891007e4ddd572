#include "fees/fee_figures.h"

namespace fees {

SubjectFigures subjectFigures(
    db::Connection &conn, std::int64_t account, std::int64_t appId, std::int64_t subId)
{
    SubjectFigures out;
    db::Recordset rs;
    rs.open(QStringLiteral("Select NetAmount, RecAmount, (Select money(sum(CrAmt)) From DetJV "
                           "Where VouStatus In ('FR', 'CF') And AcCode = ? And SubID = ?) as Later "
                           "From tblDetApp Where AppID = ? And SubID = ?"),
        conn,
        {static_cast<long long>(account), static_cast<long long>(subId), static_cast<long long>(appId),
            static_cast<long long>(subId)});
    if (rs.recordCount() < 1)
        return out;
    out.found = true;
    out.atAdmission = rs.fields(QStringLiteral("RecAmount")).toMoney();
    out.credited = rs.fields(QStringLiteral("Later")).toMoney();
    out.received = out.atAdmission + out.credited;
    const db::Field net = rs.fields(QStringLiteral("NetAmount"));
    out.remaining = net.isNull() ? db::Money() : net.toMoney() - out.received;
    return out;
}

} // namespace fees
