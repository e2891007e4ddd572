#include "shell/server_setup.h"

#include <algorithm>

namespace shell {

namespace {

// The items the menu-rights window governs, by the window's captions in its order.
void grantEveryMenu(db::Connection &conn)
{
    static const char *const captions[] = {
        "Application Form",
        "Carry Forward Entry",
        "Company",
        "Telephone Directory",
        "Chart Of Accounts",
        "Voucher Setup",
        "Subjects",
        "Course",
        "Session",
        "CASH BOOK",
        "BANK BOOK",
        "SIMPLE LEDGER",
        "DETAIL LEDGER",
        "SUBSIDIARY TRIAL BALANCE SIMPLE",
        "CONTROL TRIAL BALANCE",
        "SUBSIDIARY TRIAL BALANCE (WITH OPENING)",
        "SESSION WISE OUTSTANDING",
        "STOCK SUMMARY REPORT",
        "STUDENT FEE DETAIL",
    };
    db::Transaction tx(conn);
    for (const char *caption : captions)
        conn.execute(QStringLiteral("INSERT INTO Menus (Menus, Active) VALUES (?, '1')"), {caption});
    tx.commit();
}

} // namespace

void registerServerSetup()
{
    static const bool once = [] {
        db::server::setProgramDatabase(QStringLiteral("ORU"));
        db::server::addSeed(grantEveryMenu);
        return true;
    }();
    (void)once;
}

void addLockPassword(const QString &serverName, const QString &password)
{
    if (password.isEmpty())
        throw db::Error(QStringLiteral("A lock password must not be empty."));
    if (password.size() > 6)
        throw db::Error(
            QStringLiteral("A lock password has at most 6 characters (the lock window takes no more)."));
    db::Connection conn;
    db::server::openForAdministration(conn, serverName);
    conn.execute(
        QStringLiteral("INSERT INTO LctPswd (Pswd) VALUES (?)"), {db::server::hashPassword(conn, password)});
}

int removeLockPasswords(const QString &serverName)
{
    db::Connection conn;
    db::server::openForAdministration(conn, serverName);
    return int(conn.execute(QStringLiteral("DELETE FROM LctPswd")));
}

int lockPasswordCount(const QString &serverName)
{
    db::Connection conn;
    db::server::openForAdministration(conn, serverName);
    return int(conn.scalar(QStringLiteral("SELECT count(*) FROM LctPswd")).toInt());
}

bool checkLockPassword(db::Connection &conn, const QString &typed)
{
    if (typed.isEmpty())
        return false;
    QStringList hashes;
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT Pswd FROM LctPswd"), conn);
    for (; !rs.eof(); rs.moveNext())
        hashes << rs.fields(0).toString();
    rs.close();
    return std::any_of(
        hashes.cbegin(), hashes.cend(), [&](const QString &h) { return db::verifyPassword(h, typed); });
}

} // namespace shell
