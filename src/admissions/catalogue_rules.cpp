#include "admissions/catalogue_rules.h"

#include "common/input.h"

namespace admissions::catalogue {

namespace {

const QString likeEscape = QStringLiteral(" like ? ESCAPE '\\'");

struct Member {
    const char *table;
    const char *key;
    const char *columns; // the list's columns
    const char *from; // the list's FROM clause
    const char *nameColumn;
    const char *nameCriterion;
    const char *keyCriterion;
};

const Member &member(Table t)
{
    static const Member members[] = {
        {"tblSession", "SessionId", "SessionId,SessionName", "tblSession", "SessionName", "Session Name",
            "Session No"},
        {"tblCourse", "CourseId", "CourseId,CourseName,Coursedurration,MonthYear", "tblCourse", "CourseName",
            "Course Name", "Course No"},
        {"tblSubject", "SubId",
            "SubId,(Select CourseName From tblCourse Where CourseId = a.CourseId) as Course,SubName,TotAmt,"
            "a.CourseId",
            "tblSubject a", "SubName", "Subject Name", "Code No"},
    };
    return members[int(t)];
}

} // namespace

QString tableName(Table t)
{
    return QString::fromLatin1(member(t).table);
}

QString keyColumn(Table t)
{
    return QString::fromLatin1(member(t).key);
}

Query listQuery(Table t, const QString &criterion, const QString &text)
{
    const Member &m = member(t);
    const QString select = QStringLiteral("select %1 from %2 ")
                               .arg(QString::fromLatin1(m.columns), QString::fromLatin1(m.from));
    const QString order = QStringLiteral(" order by %1 desc ").arg(QString::fromLatin1(m.key));
    QString column;
    if (criterion == QLatin1String(m.nameCriterion))
        column = QString::fromLatin1(m.nameColumn);
    else if (criterion == QLatin1String(m.keyCriterion))
        column = QString::fromLatin1(m.key);
    if (column.isEmpty())
        return {select + order, {}};
    return {select + QStringLiteral("where ") + column + likeEscape + order, {db::likeContains(text)}};
}

Query pickerQuery(std::int32_t appId, const QString &courseId, const QString &typed)
{
    const QString select = QStringLiteral(
        "Select SubId,(Select CourseName From tblCourse Where CourseId = a.CourseId) as Course,SubName,"
        "(Select Coursedurration From tblCourse Where CourseId = a.CourseId) as CourseDurration,TotAmt "
        "from tblSubject a where ");
    const QString name = QStringLiteral(" and subName") + likeEscape + QStringLiteral(" order by subName");
    if (appId >= 1)
        return {select
                + QStringLiteral(
                    "SubID in (select SubID From tblDetApp where AppID = ? And not InActive is null)")
                + name,
            {appId, db::likeContains(typed)}};
    // No course chosen: a key no course has, so the list is empty.
    bool ok = false;
    const qint64 course = courseId.toLongLong(&ok);
    return {select + QStringLiteral("CourseId = ?") + name,
        {ok ? db::Value(course) : db::Value(), db::likeContains(typed)}};
}

QList<PickerRow> pickerList(
    db::Connection &conn, std::int32_t appId, const QString &courseId, const QString &typed)
{
    const Query q = pickerQuery(appId, courseId, typed);
    db::Recordset rs;
    rs.open(q.sql, conn, q.params);
    QList<PickerRow> rows;
    rows.reserve(rs.recordCount());
    for (int r = 0, n = rs.recordCount(); r < n; ++r) {
        PickerRow row;
        row.subId = rs.at(r, 0).toInt();
        row.course = rs.at(r, 1).toString();
        row.subName = rs.at(r, 2).toString();
        row.courseDurration = rs.at(r, 3).toString();
        if (const db::Value &amount = rs.at(r, 4); !amount.isNull())
            row.totAmt = amount.toMoney();
        rows.push_back(row);
    }
    return rows;
}

std::int64_t saveRecord(db::Connection &conn, Table t, const Entry &entry)
{
    const Member &m = member(t);
    const QString table = QString::fromLatin1(m.table);
    const QString key = QString::fromLatin1(m.key);
    db::Transaction tx(conn);
    db::Recordset rs;
    std::int64_t id = 0;
    if (entry.key.isEmpty()) {
        id = conn.scalar(QStringLiteral("select ifnull(max(%1),0) + 1 as %1 from %2").arg(key, table))
                 .toInt();
        rs.open(QStringLiteral("select * from %1 where 0 = 1").arg(table), conn);
        rs.addNew();
    } else {
        bool ok = false;
        id = entry.key.toLongLong(&ok);
        if (ok)
            rs.open(QStringLiteral("select * from %1 where %2 = ?").arg(table, key), conn, {id});
        if (!ok || rs.eof())
            throw db::Error(QStringLiteral("The record %1 was not found; it may have been deleted meanwhile. "
                                           "Nothing was saved.")
                                .arg(entry.key));
        rs.moveFirst();
    }
    for (const auto &[column, value] : entry.fields)
        rs.fields(column).setValue(value);
    rs.fields(key).setValue(db::Value(static_cast<long long>(id)));
    rs.update();
    tx.commit();
    return id;
}

bool parseFee(const QString &text, db::Value *out)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *out = db::Value();
        return true;
    }
    db::Money m;
    // Grouping commas are taken where they stand between thousands ("1,500").
    if (!db::Money::tryParse(t, &m) || !common::input::parseAmount(QString(t).remove(u','), &m))
        return false;
    *out = db::Value(m);
    return true;
}

bool sessionInUse(db::Connection &conn, std::int64_t sessionId)
{
    return !conn.scalar(QStringLiteral("select 1 where exists (select 1 from tblMasApp where SessionID = ?) "
                                       "or exists (select 1 from DetJV where SessionID = ?) "
                                       "or exists (select 1 from tblDetCarryForw "
                                       "where SessionID = ? or PreSessionID = ?)"),
                    {sessionId, sessionId, sessionId, sessionId})
                .isNull();
}

bool deleteSession(db::Connection &conn, std::int64_t sessionId)
{
    db::Transaction tx(conn);
    if (sessionInUse(conn, sessionId))
        return false;
    conn.execute(QStringLiteral("Delete From tblSession Where SessionId = ? "), {sessionId});
    tx.commit();
    return true;
}

common::Choices courses(db::Connection &conn)
{
    return common::readChoices(
        conn, QStringLiteral("Select CourseId,CourseName From tblCourse Order By CourseName"));
}

} // namespace admissions::catalogue
