#include "reports/report_rules.h"

#include "reports/report_procedures.h"

namespace reports::rules {

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

void runLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to)
{
    acLedger(conn, account, from, to);
}

void runDetailLedger(db::Connection &conn, std::int64_t account, QDate from, QDate to)
{
    detailAcLedger(conn, account, from, to);
}

void runTrialBalance(db::Connection &conn, TrialBalance which, QDate from, QDate to)
{
    trialBalance(conn, from, to, which == TrialBalance::WithOpening);
}

void runStudentWise(db::Connection &conn, std::int64_t session, std::int64_t course, std::int64_t subject)
{
    creatStuWiseDet(conn, session, course, subject);
}

} // namespace reports::rules
