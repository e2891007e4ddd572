// The server's login procedures, as the users window runs them.
#include "platform/db/fixture.h"
#include "shell/server_setup.h"

#include <QDirIterator>
#include <QFile>

using db::Connection;
using db::Value;

namespace {

class ProcedureTest : public ServerTest {
protected:
    Connection sa;
    void SetUp() override
    {
        ServerTest::SetUp();
        connect(sa);
    }
    // What the users window does when it adds a user.
    void addUser(const QString &name, const QString &password)
    {
        sa.execute(QStringLiteral("sp_addlogin '%1','%2','Velund_System'").arg(name, password));
        sa.execute(QStringLiteral("sp_adduser '%1'").arg(name));
        sa.execute(QStringLiteral("Sp_AddSrvroleMember '%1','sysadmin'").arg(name));
    }
};

} // namespace

TEST_F(ProcedureTest, AddedUserLogsIn)
{
    ORU_NEEDS_PG_LOGINS();
    addUser(QStringLiteral("AHMED"), QStringLiteral("ABC123"));
    Connection c;
    connect(c, QStringLiteral("ahmed"), QStringLiteral("abc123"));
    EXPECT_EQ(c.loginName(), QStringLiteral("AHMED"));
    EXPECT_TRUE(c.isSysadmin());
    const auto all = db::server::logins(server);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, QStringLiteral("AHMED"));
    EXPECT_EQ(all[0].defaultDatabase, QStringLiteral("Velund_System"));
    EXPECT_TRUE(all[0].sysadmin);
}

TEST_F(ProcedureTest, BoundArgumentsExecPrefixAndAnyLetterCase)
{
    ORU_NEEDS_PG_LOGINS();
    EXPECT_TRUE(db::isProcedure(QStringLiteral("SP_ADDLOGIN")));
    sa.execute(QStringLiteral("exec SP_AddLogin ?, ?, ?"), {"O'HARA", "it's 'quoted'", Value()});
    sa.execute(QStringLiteral("EXECUTE sp_adduser ?"), {"o'hara"});
    Connection c;
    connect(c, QStringLiteral("O'Hara"), QStringLiteral("IT'S 'QUOTED'"));
    EXPECT_FALSE(c.isSysadmin()); // a database user, not a server role member
    EXPECT_EQ(db::server::logins(server)[0].defaultDatabase, QStringLiteral("master"));
    EXPECT_DB_ERROR(
        sa.execute(QStringLiteral("exec sp_nothing 1")), "Could not find stored procedure 'sp_nothing'.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_addlogin ?, ?"), {"X"}),
        "The call has more '?' than the 1 parameter(s) given.");
}

TEST_F(ProcedureTest, LoginProcedureErrors)
{
    ORU_NEEDS_PG_LOGINS();
    addUser(QStringLiteral("AHMED"), QStringLiteral("ABC123"));
    EXPECT_DB_ERROR(
        sa.execute(QStringLiteral("sp_addlogin 'ahmed','x','ORU'")), "The login 'ahmed' already exists.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_adduser 'NOBODY'")),
        "'NOBODY' is not a valid login or you do not have permission.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_adduser 'Ahmed'")),
        "User or role 'AHMED' already exists in the current database.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("Sp_AddSrvroleMember 'NOBODY','sysadmin'")),
        "'NOBODY' is not a valid login or you do not have permission.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("Sp_AddSrvroleMember 'AHMED','kings'")),
        "'kings' is not a fixed server role of this server (only 'sysadmin').");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_addlogin NULL, 'x'")),
        "Procedure 'sp_addlogin' expects parameter '@loginame', which was not supplied.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_password 'x', 'y', 'NOBODY'")),
        "'NOBODY' is not a valid login or you do not have permission.");
}

TEST_F(ProcedureTest, NonSysadminHasNoPermission)
{
    ORU_NEEDS_PG_LOGINS();
    sa.execute(QStringLiteral("sp_addlogin 'CLERK','pw','ORU'"));
    sa.execute(QStringLiteral("sp_adduser 'CLERK'"));
    Connection clerk;
    connect(clerk, QStringLiteral("CLERK"), QStringLiteral("pw"));
    const QString denied = QStringLiteral("User does not have permission to perform this action.");
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("sp_addlogin 'X','pw','ORU'")), denied);
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("sp_adduser 'sa'")), denied);
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("Sp_AddSrvroleMember 'CLERK','sysadmin'")), denied);
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("sp_droplogin 'sa'")), denied);
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("sp_password NULL, 'new', 'sa'")),
        "Only members of the sysadmin role can use the loginame option. The password was not changed.");
    // Its own password: only with the old one.
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("sp_password NULL, 'new'")),
        "Old (current) password incorrect for user. The password was not changed.");
    EXPECT_DB_ERROR(clerk.execute(QStringLiteral("sp_password 'bad', 'new'")),
        "Old (current) password incorrect for user. The password was not changed.");
    clerk.execute(QStringLiteral("sp_password 'PW', 'new', 'clerk'"));
    Connection again;
    connect(again, QStringLiteral("clerk"), QStringLiteral("NEW"));
    EXPECT_EQ(again.state(), 1);
}

TEST_F(ProcedureTest, LoginWithoutDatabaseUserCannotOpenIt)
{
    ORU_NEEDS_PG_LOGINS();
    sa.execute(QStringLiteral("sp_addlogin 'VISITOR','pw','ORU'"));
    Connection c;
    EXPECT_DB_ERROR(connect(c, QStringLiteral("VISITOR"), QStringLiteral("pw")),
        "Cannot open database \"ORU\" requested by the login. The login failed.");
    sa.execute(QStringLiteral("sp_adduser 'VISITOR'"));
    connect(c, QStringLiteral("VISITOR"), QStringLiteral("pw"));
    EXPECT_EQ(c.state(), 1);
}

TEST_F(ProcedureTest, PasswordChangeAsTheUsersWindowDoesIt)
{
    ORU_NEEDS_PG_LOGINS();
    addUser(QStringLiteral("AHMED"), QStringLiteral("ABC123"));
    // Old password (as the list shows it, upper case), new one, login.
    sa.execute(QStringLiteral("sp_password 'ABC123','XYZ789','AHMED'"));
    Connection c;
    EXPECT_DB_ERROR(
        connect(c, QStringLiteral("AHMED"), QStringLiteral("ABC123")), "Login failed for user 'AHMED'.");
    connect(c, QStringLiteral("AHMED"), QStringLiteral("xyz789"));
    c.close();
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_password 'wrong','Q','AHMED'")),
        "Old (current) password incorrect for user. The password was not changed.");
    sa.execute(QStringLiteral("sp_password Null,'Q1','AHMED'")); // a sysadmin needs no old password
    connect(c, QStringLiteral("AHMED"), QStringLiteral("q1"));
    EXPECT_EQ(c.state(), 1);
}

TEST_F(ProcedureTest, DropUserAndLogin)
{
    ORU_NEEDS_PG_LOGINS();
    addUser(QStringLiteral("AHMED"), QStringLiteral("ABC123"));
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_droplogin 'AHMED'")),
        "Login 'AHMED' is aliased or mapped to a user in one or more database(s). Drop the user or alias "
        "before dropping the login.");
    sa.execute(QStringLiteral("sp_dropuser 'ahmed'"));
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_dropuser 'ahmed'")),
        "User 'ahmed' does not exist in the current database.");
    sa.execute(QStringLiteral("sp_droplogin 'ahmed'"));
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_droplogin 'ahmed'")),
        "'ahmed' is not a valid login or you do not have permission.");
    EXPECT_DB_ERROR(sa.execute(QStringLiteral("sp_droplogin 'sa'")), "Cannot drop the login 'sa'.");
    Connection c;
    EXPECT_DB_ERROR(
        connect(c, QStringLiteral("AHMED"), QStringLiteral("ABC123")), "Login failed for user 'AHMED'.");
}

TEST_F(ProcedureTest, LaterSubsystemsAddTheirOwn)
{
    db::registerProcedure(QStringLiteral("AcLedger"), [](Connection &conn, const db::Params &args) {
        return conn.execute(
            QStringLiteral("INSERT INTO Menus VALUES (?, ?)"), {args.at(0), args.at(1).toString()});
    });
    sa.execute(QStringLiteral("DELETE FROM Menus")); // scratch table here: drop the new server's rights
    EXPECT_EQ(sa.execute(QStringLiteral("acledger 'LEDGER', 5")), 1);
    EXPECT_EQ(
        sa.scalar(QStringLiteral("SELECT Menus || Active FROM Menus")).toString(), QStringLiteral("LEDGER5"));
}

TEST_F(ProcedureTest, PasswordsAreStoredOnlyAsHashes)
{
    ORU_NEEDS_PG_LOGINS();
    const QString plain = QStringLiteral("ZEBRA-PLAIN-42");
    addUser(QStringLiteral("AHMED"), plain);
    sa.execute(QStringLiteral("sp_password ?, ?, ?"), {plain, QStringLiteral("QUOKKA-NEW-77"), "AHMED"});
    db::server::setLoginPassword(server, QStringLiteral("ahmed"), QStringLiteral("WOMBAT-SET-99"));
    shell::addLockPassword(server, QStringLiteral("LK9QZ7"));
    sa.close();
    Connection c;
    connect(c, QStringLiteral("AHMED"), QStringLiteral("WOMBAT-SET-99"));
    EXPECT_TRUE(shell::checkLockPassword(c, QStringLiteral("lk9qz7")));
    EXPECT_FALSE(shell::checkLockPassword(c, QStringLiteral("lk9qz")));
    c.close();
    const QStringList secrets = {QString::fromLatin1(saPassword), plain, QStringLiteral("QUOKKA-NEW-77"),
        QStringLiteral("WOMBAT-SET-99"), QStringLiteral("LK9QZ7")};
    int files = 0;
    QDirIterator it(server, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ++files;
        for (const QString &secret : secrets)
            for (const QString &form : {secret, secret.toUpper(), secret.toLower()}) {
                EXPECT_FALSE(bytes.contains(form.toUtf8())) << f.fileName() << " holds " << form;
                EXPECT_FALSE(
                    bytes.contains(QByteArray(reinterpret_cast<const char *>(form.utf16()), form.size() * 2)))
                    << f.fileName() << " holds UTF-16 " << form;
            }
        EXPECT_FALSE(bytes.contains("SECRET-1"));
    }
    EXPECT_GE(files, 2);
}
