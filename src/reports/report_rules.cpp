#include "reports/report_rules.h"

#include "common/format.h"

namespace reports::rules {

namespace {

QString iso(const QDate &d)
{
    return common::fmt::isoDate(d);
}

} // namespace

common::Choices courses(db::Connection &conn)
{
    return common::readChoices(
        conn, QStringLiteral("Select CourseId,CourseName From tblCourse Order By CourseName"));
}

common::Choices subjectsOf(db::Connection &conn, const QString &courseKey)
{
    return common::readChoices(conn,
        QStringLiteral("Select SubId,SubName From tblSubject Where CourseID = ? Order By SubName"),
        {courseKey});
}

common::Choices sessions(db::Connection &conn)
{
    return common::readChoices(
        conn, QStringLiteral("Select SessionId,SessionName From tblSession Order By SessionID"));
}

std::int64_t cashBookAccount(db::Connection &conn)
{
    return conn.scalar(QStringLiteral("Select AcCode From VouSetting Where VouStatus='CP'")).toInt();
}

void runLedger(db::Connection &conn, const QString &account, const QDate &from, const QDate &to)
{
    conn.execute(QStringLiteral("exec AcLedger ?,?,?"), {account, iso(from), iso(to)});
}

void runDetailLedger(db::Connection &conn, const QString &account, const QDate &from, const QDate &to)
{
    conn.execute(QStringLiteral("exec DetailAcLedger ?,?,?,?,?,?,?"),
        {account, from.day(), from.month(), from.year(), to.day(), to.month(), to.year()});
}

void runTrialBalance(db::Connection &conn, TrialBalance which, const QDate &from, const QDate &to)
{
    const QString call = which == TrialBalance::WithOpening ? QStringLiteral("exec TrialBalance3 ?,?")
                                                            : QStringLiteral("exec TrialBalance ?,?");
    conn.execute(call, {iso(from), iso(to)});
}

void runStudentWise(db::Connection &conn, std::int64_t session, std::int64_t course, std::int64_t subject)
{
    conn.execute(QStringLiteral("exec CreatStuWiseDet ?,?,?"),
        {static_cast<long long>(session), static_cast<long long>(course), static_cast<long long>(subject)});
}

} // namespace reports::rules
