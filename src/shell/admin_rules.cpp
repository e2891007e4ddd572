#include "shell/admin_rules.h"

#include "books/journal.h"

#include <QStringBuilder>

#include <algorithm>

namespace shell::admin {

namespace {

const QString velundSystem = QStringLiteral("Velund_System");

db::Value textOrNull(const QString &text)
{
    return text.isEmpty() ? db::Value() : db::Value(text);
}

void requireTable(db::Connection &conn, const QString &table)
{
    if (!conn.hasTable(table))
        throw db::Error(
            QStringLiteral("Invalid object name '%1': the table does not exist. Nothing was removed.")
                .arg(table));
}

// Table names come from the program's own lists, never from typed text;
// they are checked against the database before they go into a statement.
QString quotedTable(const QString &table)
{
    QString t = table;
    t.replace(u'"', QStringLiteral("\"\""));
    return u'"' + t + u'"';
}

} // namespace

// ---------------------------------------------------------------- company

std::int64_t saveCompany(db::Connection &conn, const CompanyEntry &entry)
{
    db::Transaction tx(conn);
    if (entry.active)
        conn.execute(QStringLiteral("update Company Set comActive = null"));

    db::Recordset rs;
    if (entry.compCode.isEmpty()) {
        rs.open(QStringLiteral("Select * from Company where 0=1"), conn);
        rs.addNew();
    } else {
        rs.open(QStringLiteral("Select * from Company where CompCode = ?"), conn, {entry.compCode});
        if (rs.eof())
            throw db::Error(QStringLiteral("The company was not found; it may have been deleted meanwhile."));
        rs.moveFirst();
    }
    for (const auto &[column, text] : entry.fields)
        rs.fields(column).setValue(textOrNull(text));
    if (entry.active)
        rs.fields(QStringLiteral("comActive")).setValue(QStringLiteral("Y"));
    if (entry.tax)
        rs.fields(QStringLiteral("comTax")).setValue(*entry.tax);
    if (entry.ntn)
        rs.fields(QStringLiteral("comNTN")).setValue(*entry.ntn);
    if (rs.editing())
        rs.update();
    const std::int64_t code = rs.fields(QStringLiteral("CompCode")).toInt();
    tx.commit();
    return code;
}

void deleteCompany(db::Connection &conn, std::int64_t compCode)
{
    conn.execute(QStringLiteral("Delete From Company where CompCode = ?"), {compCode});
}

QString companyListSql(bool filtered)
{
    const QString columns
        = QStringLiteral("Select CompCode,Company,comTel,comFax,comAddr,comActive,comTax,comNTN,"
                         "comEmail,comWebSite from Company ");
    return filtered ? columns % QStringLiteral("where Company like ? ESCAPE '\\' order by Company")
                    : columns % QStringLiteral(" order by Company");
}

// ---------------------------------------------------------------- data removal

void removeTables(db::Connection &conn, const QStringList &tables)
{
    for (const QString &t : tables)
        requireTable(conn, t);
    db::Transaction tx(conn);
    for (const QString &t : tables) {
        conn.execute(QStringLiteral("Delete From ") + quotedTable(t));
        // A form's amounts are also posted as 'CF' credits, which count as
        // received: they go with the forms, or carrying again counts twice.
        if (t.compare(QLatin1String("tblMasCarryForw"), Qt::CaseInsensitive) == 0) {
            conn.execute(QStringLiteral("Delete From DetJV Where VouStatus = 'CF'"));
            conn.execute(QStringLiteral("Delete From MasJV Where VouStatus = 'CF'"));
        }
    }
    if (tables.contains(QStringLiteral("DetJV"), Qt::CaseInsensitive))
        books::rebuildTotals(conn);
    tx.commit();
}

QString removalDate(const QDate &d)
{
    return QStringLiteral("%1-%2-%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

void removeVouchers(db::Connection &conn, const QString &kind, const QDate &from, const QDate &to)
{
    requireTable(conn, QStringLiteral("MasJV"));
    requireTable(conn, QStringLiteral("DetJV"));
    const db::Params params {kind, removalDate(from), removalDate(to)};
    db::Transaction tx(conn);
    conn.execute(QStringLiteral("Delete From MasJV Where VouStatus = ? And VouDate Between ? And ?"), params);
    books::subtractTotals(conn, kind, from, to);
    conn.execute(QStringLiteral("Delete From DetJV Where VouStatus = ? And VouDate Between ? And ?"), params);
    tx.commit();
}

// ---------------------------------------------------------------- users

bool userNameTaken(db::Connection &conn, const QString &name)
{
    QString bare = name;
    bare.remove(u' ');
    return !conn.scalar(QStringLiteral(
                            "Select User_Name From User_Information Where Replace(User_Name,' ' ,'') = ?"),
                    {bare})
                .isNull();
}

std::int64_t addUser(db::Connection &conn, const QString &name, const QString &designation,
    const QString &password, const QString &status)
{
    const QString login = name.trimmed();
    // The login lives in the server's own store, outside this database's
    // transaction: when anything after it fails, it is dropped again.
    bool loginMade = false;
    try {
        db::Transaction tx(conn);
        const std::int64_t rowNo
            = conn.scalar(QStringLiteral("select ifnull(max(Row_No),0)+1 as Row_no from User_Information"))
                  .toInt();
        conn.execute(QStringLiteral("sp_addlogin ?,?,?"), {login, password, velundSystem});
        loginMade = true;
        conn.execute(QStringLiteral("sp_adduser ?"), {login});
        conn.execute(QStringLiteral("Sp_AddSrvroleMember ?,?"), {login, QStringLiteral("sysadmin")});
        conn.execute(
            QStringLiteral("insert into User_Information (Row_No, User_Code, User_Name, Designation, "
                           "PassWard, Status) values (?, ?, ?, ?, Null, ?)"),
            {rowNo, QStringLiteral("UC-%1").arg(rowNo), login, textOrNull(designation), status});
        tx.commit();
        return rowNo;
    } catch (const std::exception &failure) {
        // The transaction has rolled back by now, database user included (and,
        // on a server whose logins are transactional, the login too).
        if (loginMade) {
            try {
                if (conn.hasLogin(login))
                    conn.execute(QStringLiteral("sp_droplogin ?"), {login});
            } catch (const std::exception &cleanup) {
                // Say so, rather than leave a login behind without a word.
                throw db::Error(
                    QStringLiteral("%1\nThe login '%2' was created but could not be removed again: "
                                   "%3")
                        .arg(QString::fromUtf8(failure.what()), login, QString::fromUtf8(cleanup.what())));
            }
        }
        throw;
    }
}

void changeUser(db::Connection &conn, std::int64_t rowNo, const QString &designation, const QString &status,
    const QString &newPassword)
{
    db::Transaction tx(conn);
    const QString name = userNameOf(conn, rowNo);
    if (name.isEmpty())
        throw db::Error(QStringLiteral("The user was not found; it may have been deleted meanwhile."));
    conn.execute(
        QStringLiteral(
            "update User_Information set Designation = ?, PassWard = Null, Status = ? where Row_No = ?"),
        {textOrNull(designation), status, rowNo});
    // Last, so that nothing after it can fail and leave a changed password
    // behind a rolled-back row.
    if (!newPassword.isEmpty())
        conn.execute(QStringLiteral("sp_password ?,?,?"), {db::Value(), newPassword, name});
    tx.commit();
}

QString userNameOf(db::Connection &conn, std::int64_t rowNo)
{
    return conn.scalar(QStringLiteral("select User_Name from User_Information where Row_No = ?"), {rowNo})
        .toString();
}

bool isLoggedInUser(db::Connection &conn, std::int64_t rowNo)
{
    const QString name = userNameOf(conn, rowNo).trimmed();
    return !name.isEmpty() && name.compare(conn.loginName(), Qt::CaseInsensitive) == 0;
}

void deleteUser(db::Connection &conn, std::int64_t rowNo)
{
    if (isLoggedInUser(conn, rowNo))
        throw db::Error(QStringLiteral("The user you are logged in as cannot be deleted."));
    db::Transaction tx(conn);
    const QString name = userNameOf(conn, rowNo).trimmed();
    conn.execute(QStringLiteral("Delete From User_Information Where Row_No = ?"), {rowNo});
    if (!name.isEmpty()) {
        const QString dbUser
            = conn.scalar(QStringLiteral("select name from sysusers where login = ?"), {name}).toString();
        if (!dbUser.isEmpty())
            conn.execute(QStringLiteral("sp_dropuser ?"), {dbUser});
        // Last: the login store is outside this transaction.
        if (conn.hasLogin(name))
            conn.execute(QStringLiteral("sp_droplogin ?"), {name});
    }
    tx.commit();
}

QString userListSql(const QString &criterion)
{
    const QString columns
        = QStringLiteral("select Row_No,User_Code,User_Name,Designation,'********' as PassWard,Status "
                         "from User_Information ");
    const QString order = QStringLiteral(" order by User_Code desc");
    if (criterion == QLatin1String("User Name"))
        return columns % QStringLiteral("where User_Name like ? ESCAPE '\\'") % order;
    if (criterion == QLatin1String("Designation"))
        return columns % QStringLiteral("where Designation like ? ESCAPE '\\'") % order;
    return columns % order;
}

QList<UserRow> userList(db::Connection &conn, const QString &criterion, const QString &value)
{
    const QString sql = userListSql(criterion);
    db::Recordset rs;
    if (sql.contains(u'?'))
        rs.open(sql, conn, {db::likeContains(value)});
    else
        rs.open(sql, conn);
    QList<UserRow> rows;
    rows.reserve(rs.recordCount());
    for (int r = 0, n = rs.recordCount(); r < n; ++r) {
        const auto cell = [&](int c) { return rs.at(r, c).toString(); };
        rows.push_back({rs.at(r, 0).toInt(), cell(1), cell(2), cell(3), cell(4), cell(5)});
    }
    return rows;
}

std::optional<StoredUser> readUser(db::Connection &conn, const QString &rowNo)
{
    db::Recordset rs;
    rs.open(QStringLiteral("select * from User_Information where Row_No = ?"), conn, {rowNo});
    if (rs.recordCount() == 0)
        return std::nullopt;
    return StoredUser {common::binding::textsOf(rs), rs.fields(QStringLiteral("Status")).toString()};
}

} // namespace shell::admin
