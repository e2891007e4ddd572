// Server administration: what the oruadmin tool does, and one run of the tool.
#include "platform/db/fixture.h"
#include "shell/server_setup.h"

#include <QProcess>
#include <QProcessEnvironment>

using db::Connection;

TEST_F(ServerTest, LockPasswords)
{
    ORU_NEEDS_PG_LOGINS();
    EXPECT_EQ(shell::lockPasswordCount(server), 0);
    shell::addLockPassword(server, QStringLiteral("abc12"));
    shell::addLockPassword(server, QStringLiteral("XY9"));
    EXPECT_EQ(shell::lockPasswordCount(server), 2);
    EXPECT_DB_ERROR(shell::addLockPassword(server, QStringLiteral("1234567")),
        "A lock password has at most 6 characters (the lock window takes no more).");
    EXPECT_DB_ERROR(shell::addLockPassword(server, QString()), "A lock password must not be empty.");
    Connection c;
    connect(c);
    EXPECT_TRUE(shell::checkLockPassword(c, QStringLiteral("ABC12")));
    EXPECT_TRUE(shell::checkLockPassword(c, QStringLiteral("xy9")));
    EXPECT_FALSE(shell::checkLockPassword(c, QStringLiteral("abc1")));
    EXPECT_FALSE(shell::checkLockPassword(c, QString()));
    EXPECT_FALSE(shell::checkLockPassword(c, QStringLiteral("' or '1'='1")));
    EXPECT_EQ(shell::removeLockPasswords(server), 2);
    EXPECT_EQ(shell::lockPasswordCount(server), 0);
    EXPECT_FALSE(shell::checkLockPassword(c, QStringLiteral("abc12")));
}

TEST_F(ServerTest, SetLoginPasswordAndListLogins)
{
    ORU_NEEDS_PG_LOGINS();
    db::server::setLoginPassword(server, QStringLiteral("SA"), QStringLiteral("Fresh"));
    Connection c;
    EXPECT_DB_ERROR(connect(c), "Login failed for user 'sa'.");
    connect(c, QStringLiteral("sa"), QStringLiteral("FRESH"));
    EXPECT_DB_ERROR(db::server::setLoginPassword(server, QStringLiteral("ghost"), QStringLiteral("x")),
        "'ghost' is not a valid login or you do not have permission.");
    const auto all = db::server::logins(server);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, QStringLiteral("sa"));
    EXPECT_TRUE(all[0].sysadmin);
    EXPECT_DB_ERROR(db::server::create(server, QStringLiteral("x"), db::server::HashCost::Minimal),
        QStringLiteral("Server '%1' already exists.").arg(server));
    EXPECT_DB_ERROR(shell::lockPasswordCount(tmp.path() + QStringLiteral("/none")),
        QStringLiteral("Server '%1' does not exist or access denied.")
            .arg(tmp.path() + QStringLiteral("/none")));
}

namespace {

struct ToolRun {
    int code;
    QString out, err;
};

ToolRun admin(const QString &home, const QStringList &args, const QString &password = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORU_DATA_HOME"), home);
    if (password.isNull())
        env.remove(QStringLiteral("ORU_PASSWORD"));
    else
        env.insert(QStringLiteral("ORU_PASSWORD"), password);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ORU_ADMIN_EXE), args);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
        QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

TEST(AdminTool, MainCommands)
{
    ORU_NEEDS_PG_LOGINS(); // the tool's run here makes and administers an embedded server
    QTemporaryDir home;
    const QString h = home.path();
    EXPECT_EQ(admin(h, {"exists", "."}).code, 1);
    EXPECT_EQ(admin(h, {}).code, 2);
    EXPECT_EQ(admin(h, {"frobnicate", "."}).code, 2);
    EXPECT_EQ(admin(h, {"password", "."}).code, 2);
    const ToolRun noPassword = admin(h, {"create", "."}); // stdin closed: no password to read
    EXPECT_EQ(noPassword.code, 1);
    EXPECT_EQ(admin(h, {"exists", "."}).code, 1);

    const ToolRun created = admin(h, {"create", "."}, QStringLiteral("Sa-Pass"));
    ASSERT_EQ(created.code, 0) << created.err;
    const ToolRun exists = admin(h, {"exists", "localhost"});
    EXPECT_EQ(exists.code, 0);
    EXPECT_EQ(exists.out.trimmed(), h + QStringLiteral("/default"));
    const ToolRun again = admin(h, {"create", "."}, QStringLiteral("x"));
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("already exists"))) << again.err;

    EXPECT_EQ(admin(h, {"lock-add", "."}, QStringLiteral("LOCK1")).code, 0);
    EXPECT_EQ(admin(h, {"lock-add", "."}, QStringLiteral("TOOLONG7")).code, 1);
    EXPECT_EQ(admin(h, {"lock-count", "."}).out.trimmed(), QStringLiteral("1"));
    EXPECT_EQ(admin(h, {"logins", "(local)"}).out, QStringLiteral("sa\tORU\tsysadmin\n"));
    EXPECT_EQ(admin(h, {"password", ".", "SA"}, QStringLiteral("Other")).code, 0);
    EXPECT_EQ(admin(h, {"password", ".", "nobody"}, QStringLiteral("Other")).code, 1);
    EXPECT_EQ(admin(h, {"lock-clear", "."}).out.trimmed(), QStringLiteral("Removed 1 lock password(s)."));
    EXPECT_EQ(admin(h, {"lock-count", "elsewhere"}).code, 1);

    const DataHome dataHome(h);
    Connection c;
    c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    c.setProperty(QStringLiteral("Password"), QStringLiteral("other"));
    c.setProperty(QStringLiteral("Data Source"), QStringLiteral("."));
    c.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    c.open();
    EXPECT_EQ(c.state(), 1);
}
