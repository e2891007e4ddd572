#include "admissions/admission_reads.h"

namespace admissions {

namespace {

std::optional<db::Money> moneyOf(const db::Value &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toMoney();
}

QString amountCell(const db::Value &v)
{
    return v.isNull() ? QString() : amountText(v.toMoney());
}

} // namespace

common::Choices sessionsByName(db::Connection &conn)
{
    return common::readChoices(
        conn, QStringLiteral("Select SessionId,SessionName From tblSession Order By SessionName"));
}

QList<ApplicationRow> applicationList(
    db::Connection &conn, const QString &criterion, const QString &value, const QDate &date)
{
    const Query q = applicationListQuery(criterion, value, date);
    db::Recordset rs;
    rs.open(q.sql, conn, q.params);
    QList<ApplicationRow> rows;
    rows.reserve(rs.recordCount());
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const auto text = [&](const char *column) { return rs.fields(QLatin1String(column)).toString(); };
        ApplicationRow r;
        r.appId = rs.fields(QStringLiteral("AppID")).toInt();
        r.regNo = text("RegNo");
        r.fixDate = text("FixDt");
        r.appDate = text("AppDate");
        r.stuName = text("StuName");
        r.fatherName = text("FatherName");
        r.cellNo = text("CellNo");
        r.totAmt = moneyOf(rs.fields(QStringLiteral("TotAmt")).value());
        r.cashReceive = moneyOf(rs.fields(QStringLiteral("CashReceive")).value());
        rows.push_back(r);
    }
    return rows;
}

ApplicationMaster readApplication(db::Connection &conn, std::int64_t appId)
{
    db::Recordset rs;
    rs.open(QStringLiteral("select * from tblMasApp where AppID = ?"), conn,
        {db::Value(static_cast<long long>(appId))});
    ApplicationMaster a;
    if (rs.eof())
        return a;
    rs.moveFirst();
    a.found = true;
    a.columns = common::binding::textsOf(rs);
    a.stuName = rs.fields(QStringLiteral("StuName")).toString();
    if (const db::Value cus = rs.fields(QStringLiteral("CusCode")).value(); !cus.isNull())
        a.cusCode = cus.toInt();
    a.sessionId = rs.fields(QStringLiteral("SessionID")).toString();
    a.section = rs.fields(QStringLiteral("SectionAtoZ")).toString();
    a.regFee = moneyOf(rs.fields(QStringLiteral("RegFee")).value());
    a.cashReceive = moneyOf(rs.fields(QStringLiteral("CashReceive")).value());
    a.appDate = rs.fields(QStringLiteral("AppDate")).toDate();
    a.fixDate = rs.fields(QStringLiteral("FixDate")).toDate();
    if (const db::Value nic = rs.fields(QStringLiteral("NIC")).value(); !nic.isNull())
        a.nic = nic.toString();
    return a;
}

StoredApplication openApplication(db::Connection &conn, std::int64_t appId)
{
    StoredApplication a {readApplication(conn, appId), {}};
    if (!a.found)
        return a;
    db::Recordset rs;
    rs.open(
        QStringLiteral("select a.*,(select CourseName from tblCourse where CourseId = (select CourseId from "
                       "tblSubject where SubID = a.SubID)) as Course,(select SubName from tblSubject where "
                       "SubID = a.SubID) as subName from tblDetApp a where a.AppID = ?"),
        conn, {db::Value(static_cast<long long>(appId))});
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const auto text = [&](const char *column) { return rs.fields(QLatin1String(column)).toString(); };
        const auto amount
            = [&](const char *column) { return amountCell(rs.fields(QLatin1String(column)).value()); };
        a.lines.push_back(
            {text("SubID"), text("Course"), text("subName"), amount("SubAmt"), amount("Discount"),
                text("Nerration"), amount("NetAmount"), amount("RecAmount"), text("InActive")});
    }
    return a;
}

Query applicationPrintCheck(std::int64_t appId)
{
    return {QStringLiteral("Select AppID From tblMasApp Where AppID = ?"),
        {db::Value(static_cast<long long>(appId))}};
}

} // namespace admissions
