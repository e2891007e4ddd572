// Logging in, servers, statements and transactions.
#include "platform/db/fixture.h"
#include "support/fulldisk.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <atomic>
#include <fcntl.h>
#include <linux/fs.h>
#include <set>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using db::Connection;
using db::Value;

TEST_F(ServerTest, LogInSucceeds)
{
    Connection c;
    connect(c);
    EXPECT_EQ(c.state(), 1);
    EXPECT_EQ(c.loginName(), QStringLiteral("sa"));
    EXPECT_TRUE(c.isSysadmin());
    EXPECT_EQ(c.provider, QStringLiteral("SQLOLEDB.1"));
    EXPECT_EQ(c.property(QStringLiteral("initial catalog")), QStringLiteral("ORU"));
    EXPECT_EQ(db::databaseVersion(c), db::schemaVersion());
    c.close();
    EXPECT_EQ(c.state(), 0);
}

TEST_F(ServerTest, WrongPasswordAndWrongNameGiveTheSameText)
{
    Connection c;
    EXPECT_DB_ERROR(connect(c, QStringLiteral("sa"), QStringLiteral("wrong")), "Login failed for user 'sa'.");
    EXPECT_EQ(c.state(), 0);
    EXPECT_DB_ERROR(connect(c, QStringLiteral("nobody"), QString::fromLatin1(saPassword)),
        "Login failed for user 'nobody'.");
    EXPECT_EQ(c.state(), 0);
}

TEST_F(ServerTest, NamesAndPasswordsIgnoreLetterCase)
{
    Connection c;
    connect(c, QStringLiteral("SA"), QStringLiteral("SECRET-1")); // as the login window upper-cases it
    EXPECT_EQ(c.loginName(), QStringLiteral("sa"));
    c.close();
    connect(c, QStringLiteral("Sa"), QStringLiteral("secret-1"));
    EXPECT_EQ(c.state(), 1);
}

TEST_F(ServerTest, UnknownServerIsAClearErrorAndCreatesNothing)
{
    Connection c;
    c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    c.setProperty(QStringLiteral("Password"), QString::fromLatin1(saPassword));
    const QString missing = tmp.path() + QStringLiteral("/nowhere");
    c.setProperty(QStringLiteral("Data Source"), missing);
    c.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    EXPECT_DB_ERROR(c.open(), QStringLiteral("Server '%1' does not exist or access denied.").arg(missing));
    EXPECT_FALSE(QDir(missing).exists());

    const DataHome dataHome(tmp.path());
    c.setProperty(QStringLiteral("data source"), QStringLiteral("OTHERBOX"));
    EXPECT_DB_ERROR(c.open(), "Server 'OTHERBOX' does not exist or access denied.");
    EXPECT_FALSE(QDir(tmp.path() + QStringLiteral("/otherbox")).exists());
    EXPECT_FALSE(db::server::exists(QStringLiteral("(local)")));
    EXPECT_EQ(db::server::resolve(QStringLiteral(".")), tmp.path() + QStringLiteral("/default"));
    EXPECT_EQ(db::server::resolve(QStringLiteral("localhost")), tmp.path() + QStringLiteral("/default"));
    EXPECT_EQ(db::server::resolve(QStringLiteral("Branch2")), tmp.path() + QStringLiteral("/branch2"));
    EXPECT_EQ(db::server::resolve(QStringLiteral("../etc")), QString());
}

TEST_F(ServerTest, DefaultServerUnderTheDataRoot)
{
    ORU_EMBEDDED_ONLY("makes the embedded default server and looks at its files");
    const DataHome dataHome(tmp.path());
    db::server::create(QStringLiteral("."), QStringLiteral("pw"), db::server::HashCost::Minimal);
    EXPECT_TRUE(db::server::exists(QStringLiteral("(local)")));
    EXPECT_TRUE(QFile::exists(tmp.path() + QStringLiteral("/default/master.db")));
    EXPECT_DB_ERROR(
        db::server::create(QStringLiteral("localhost"), QStringLiteral("pw"), db::server::HashCost::Minimal),
        "Server 'localhost' already exists.");
    Connection c;
    c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    c.setProperty(QStringLiteral("Password"), QStringLiteral("PW"));
    c.setProperty(QStringLiteral("Data Source"), QStringLiteral("(local)"));
    c.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    c.open();
    EXPECT_EQ(c.state(), 1);
}

TEST(Login, OnAFullDiskSaysTheDiskIsFull)
{
    FullDisk disk(16);
    if (!disk.mounted())
        GTEST_SKIP() << "no right to mount a RAM disk here";
    const QString server = disk.filePath("srv");
    db::server::create(server, QStringLiteral("Secret-1"), db::server::HashCost::Minimal);
    const auto login = [&] {
        Connection c;
        c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
        c.setProperty(QStringLiteral("Password"), QStringLiteral("Secret-1"));
        c.setProperty(QStringLiteral("Data Source"), server);
        c.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
        c.open();
    };
    login(); // closed again: its write-ahead files go
    disk.fill();
    EXPECT_DB_ERROR(login(),
        QStringLiteral("The disk that holds server '%1' is full, so it cannot be opened. Free some space on "
                       "that disk, then try again.")
            .arg(server));
    disk.makeRoom();
    login();
}

TEST_F(ServerTest, UnknownDatabase)
{
    Connection c;
    EXPECT_DB_ERROR(
        connect(c, QStringLiteral("sa"), QString::fromLatin1(saPassword), QStringLiteral("Velund_System")),
        "Cannot open database \"Velund_System\" requested by the login. The login failed.");
    connect(
        c, QStringLiteral("sa"), QString::fromLatin1(saPassword), QStringLiteral("oru")); // names ignore case
    EXPECT_EQ(c.state(), 1);
}

TEST_F(ServerTest, ExecuteAndScalar)
{
    Connection c;
    connect(c);
    c.execute(QStringLiteral("DELETE FROM Menus")); // scratch table here: drop the new server's rights
    EXPECT_EQ(
        c.execute(QStringLiteral("INSERT INTO Menus (Menus, Active) VALUES (?, ?)"), {"Company", "1"}), 1);
    EXPECT_EQ(c.execute(QStringLiteral("insert into menus values ('Course', '0'), ('Session', '1')")), 2);
    EXPECT_EQ(c.execute(QStringLiteral("UPDATE Menus SET Active = '0' WHERE Active = ?"), {"1"}), 2);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM MENUS WHERE menus = 'COMPANY'")).toInt(), 1);
    const QString makeT = QStringLiteral("CREATE TABLE t (x INTEGER)");
    if (testengine::onPostgres())
        testengine::schemaStep(c, makeT); // no login makes a table there
    else
        EXPECT_EQ(c.execute(makeT), 0);
    EXPECT_TRUE(c.scalar(QStringLiteral("SELECT x FROM t")).isNull());
    EXPECT_DB_ERROR(c.execute(QStringLiteral("DELETE FROM NoSuchTable")),
        testengine::onPostgres() ? "relation \"nosuchtable\" does not exist" : "no such table: NoSuchTable");
    EXPECT_DB_ERROR(c.execute(QStringLiteral("DELETE FROM Menus WHERE Menus = ?")),
        "The statement takes 1 parameter(s); 0 were given.");
    c.close();
    EXPECT_DB_ERROR(c.execute(QStringLiteral("DELETE FROM Menus")),
        "Operation is not allowed when the object is closed.");
}

TEST_F(ServerTest, SqlFunctions)
{
    Connection c;
    connect(c);
    auto s = [&](const char *sql) { return c.scalar(QString::fromLatin1(sql)); };
    EXPECT_EQ(s("select len('AB  ')").toInt(), 2);
    EXPECT_TRUE(s("select len(null)").isNull());
    EXPECT_EQ(s("select money(123450)").toString(), QStringLiteral("1234.50"));
    EXPECT_EQ(s("select money(-5)").toString(), QStringLiteral("-0.05"));
    EXPECT_TRUE(s("select money(null)").isNull());
    EXPECT_EQ(s("select year('2009-08-03') * 10000 + month('2009-08-03') * 100 + day('2009-08-03')").toInt(),
        20090803);
}

TEST_F(ServerTest, ASumPastWhatAnAmountHoldsIsAnOverflowNotAWrappedTotal)
{
    Connection c;
    connect(c);
    testengine::schemaStep(c, QStringLiteral("CREATE TABLE t (x MONEY)"));
    const db::Money half = db::Money::fromCents(std::numeric_limits<std::int64_t>::max() / 2 + 1);
    c.execute(QStringLiteral("INSERT INTO t (x) VALUES (?), (?)"), {half, half});
    const QString sum = QStringLiteral("select money(sum(x)) from t");
    if (testengine::onPostgres()) {
        // The networked server sums in exact decimals: the true total, as text.
        EXPECT_EQ(c.scalar(sum).toString(), "92233720368547758.08");
        return;
    }
    EXPECT_DB_ERROR(c.scalar(sum), "A total is too large for an amount; nothing was changed.");
    EXPECT_THROW(c.scalar(sum), db::OverflowError);
}

TEST_F(ServerTest, FailureInsideATransactionLeavesNoRow)
{
    Connection c;
    connect(c);
    c.execute(QStringLiteral("DELETE FROM Menus")); // scratch table here: drop the new server's rights
    try {
        db::Transaction t(c);
        c.execute(QStringLiteral("INSERT INTO Menus VALUES ('A', '1')"));
        c.execute(QStringLiteral("INSERT INTO NoSuchTable VALUES (1)"));
        t.commit();
        FAIL();
    } catch (const db::Error &) {
    }
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Menus")).toInt(), 0);
    EXPECT_FALSE(c.inTransaction());

    {
        db::Transaction outer(c);
        c.execute(QStringLiteral("INSERT INTO Menus VALUES ('Kept', '1')"));
        {
            db::Transaction inner(c); // a savepoint: rolled back alone
            c.execute(QStringLiteral("INSERT INTO Menus VALUES ('Dropped', '1')"));
        }
        {
            db::Transaction inner(c);
            c.execute(QStringLiteral("INSERT INTO Menus VALUES ('Also kept', '1')"));
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT group_concat(Menus, '|') FROM Menus")).toString(),
        QStringLiteral("Kept|Also kept"));
}

// A report's moment: another copy's commits stay out of it, a statement
// that fails in it is undone alone (what it wrote to its work table stays),
// a transaction in it is a savepoint, and another window's work ends it
// first, so that work is saved at once and sees the books as they are.
TEST_F(ServerTest, AReadSnapshotSeesOneMomentUntilOtherWorkEndsIt)
{
    Connection c, other;
    connect(c);
    connect(other);
    c.execute(QStringLiteral("DELETE FROM Menus"));
    auto count = [&] { return c.scalar(QStringLiteral("SELECT count(*) FROM Menus")).toInt(); };
    c.execute(QStringLiteral("CREATE TEMP TABLE WorkRows (N INTEGER)"));
    {
        Connection::ReadSnapshot moment(c);
        ASSERT_TRUE(moment.holds());
        other.execute(QStringLiteral("INSERT INTO Menus VALUES ('Saved meanwhile', '1')"));
        EXPECT_EQ(count(), 0);
        {
            db::Transaction work(c);
            c.execute(QStringLiteral("INSERT INTO WorkRows VALUES (1)"));
            work.commit();
        }
        EXPECT_THROW(c.scalar(QStringLiteral("SELECT count(*) FROM NoSuchTable")), db::Error);
        EXPECT_THROW(c.columnsOf(QStringLiteral("SELECT Nothing FROM Menus")), db::Error);
        c.execute(QStringLiteral("INSERT INTO WorkRows VALUES (2)"));
        EXPECT_EQ(count(), 0) << "still the same moment after a failed statement";
        Connection::ReadSnapshot inner(c); // nothing: the moment is the outer one's
        EXPECT_FALSE(inner.holds());
        EXPECT_TRUE(moment.holds());
    }
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT sum(N) FROM WorkRows")).toInt(), 3);
    EXPECT_FALSE(c.inTransaction());

    Connection::ReadSnapshot moment(c);
    other.execute(QStringLiteral("INSERT INTO Menus VALUES ('Saved later', '1')"));
    EXPECT_EQ(count(), 1);
    {
        Connection::Elsewhere others(c);
        db::Transaction save(c);
        c.execute(QStringLiteral("INSERT INTO Menus VALUES ('Another window', '1')"));
        EXPECT_EQ(count(), 3);
        save.commit();
    }
    EXPECT_FALSE(moment.holds());
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(other.scalar(QStringLiteral("SELECT count(*) FROM Menus")).toInt(), 3);
}

TEST_F(ServerTest, TwoConnectionsTakeDistinctNumbers)
{
    {
        Connection c;
        connect(c);
        testengine::schemaStep(c, QStringLiteral("CREATE TABLE Numbers (No INTEGER, Who VARCHAR(5))"));
    }
    constexpr int perCopy = 60;
    std::atomic<bool> failed {false};
    std::vector<std::string> errors(2);
    auto copy = [&](int who) {
        try {
            Connection c;
            connect(c);
            for (int i = 0; i < perCopy; ++i) {
                db::Transaction t(c);
                const auto next
                    = c.scalar(QStringLiteral("SELECT ifnull(max(No), 0) + 1 FROM Numbers")).toInt();
                std::this_thread::yield(); // give the other copy every chance to interleave
                c.execute(QStringLiteral("INSERT INTO Numbers VALUES (?, ?)"),
                    {Value(static_cast<long long>(next)), who});
                t.commit();
            }
        } catch (const std::exception &e) {
            errors[size_t(who)] = e.what();
            failed = true;
        }
    };
    std::thread a(copy, 0), b(copy, 1);
    a.join();
    b.join();
    ASSERT_FALSE(failed) << errors[0] << errors[1];
    Connection c;
    connect(c);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(DISTINCT No) FROM Numbers")).toInt(), 2 * perCopy);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT max(No) FROM Numbers")).toInt(), 2 * perCopy);
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(DISTINCT Who) FROM Numbers")).toInt(), 2);
}

TEST_F(ServerTest, ABusyDatabaseAndAFullDiskAreTheirOwnErrorsAndSaveNothing)
{
    ORU_EMBEDDED_ONLY("fills the disk under the embedded server's files");
    Connection c, other;
    connect(c);
    connect(other);
    testengine::setLockWait(c, 50); // not the usual five seconds
    c.execute(QStringLiteral("CREATE TABLE Notes (Txt VARCHAR(50))"));
    const QString busy = db::BusyError().text();
    EXPECT_EQ(busy,
        "The database is in use by another copy of the program, so nothing was saved. Wait until the other "
        "copy has finished, then try again.");

    auto save = [&](const QString &text) {
        db::Transaction t(c);
        c.execute(QStringLiteral("INSERT INTO Notes VALUES (?)"), {text});
        db::Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM Notes WHERE 0=1"), c);
        rs.addNew();
        rs.fields(0).setValue(text + QStringLiteral(" too"));
        rs.update();
        t.commit();
    };
    {
        db::Transaction holder(other); // another copy in the middle of its save
        EXPECT_THROW(save(QStringLiteral("a")), db::BusyError);
        EXPECT_THROW(c.execute(QStringLiteral("INSERT INTO Notes VALUES ('b')")), db::BusyError);
        db::Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM Notes WHERE 0=1"), c);
        rs.addNew();
        rs.fields(0).setValue(QStringLiteral("b"));
        EXPECT_THROW(rs.update(), db::BusyError);
        EXPECT_FALSE(c.inTransaction());
        // Reading goes on meanwhile.
        EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Notes")).toInt(), 0);
    }
    save(QStringLiteral("a"));
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Notes")).toInt(), 2);

    // The database may grow no further than it is: as a full disk does.
    c.execute(QStringLiteral("PRAGMA max_page_count = %1")
                  .arg(c.scalar(QStringLiteral("PRAGMA page_count")).toInt()));
    try {
        db::Transaction t(c);
        c.execute(QStringLiteral("INSERT INTO Notes VALUES ('c')"));
        c.execute(QStringLiteral("INSERT INTO Notes SELECT hex(randomblob(20000)) FROM Notes"));
        t.commit();
        ADD_FAILURE() << "no error";
    } catch (const db::DiskFullError &e) {
        EXPECT_EQ(e.text(),
            "The disk that holds the database is full, so nothing was saved. Free some space on that disk, "
            "then try again.");
    }
    EXPECT_FALSE(c.inTransaction());
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Notes")).toInt(), 2);
}

namespace {

// Sets or clears the immutable flag of a file (as `chattr +i`): a file the
// system refuses to write even for root, where a read-only mode would not
// stop writes through a file already open.
bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

TEST_F(ServerTest, FilesThatCannotBeWrittenAreSaidAsSuchAndSaveNothing)
{
    ORU_EMBEDDED_ONLY("makes the embedded server's files unwritable");
    Connection c;
    connect(c);
    c.execute(QStringLiteral("CREATE TABLE Notes (Txt VARCHAR(50))"));
    c.execute(QStringLiteral("INSERT INTO Notes VALUES ('a')"));
    const QString file = QDir(server).absoluteFilePath(QStringLiteral("ORU.db"));
    const QStringList files = {file, file + QStringLiteral("-wal")};
    // Whatever fails below, the folder can be removed afterwards.
    const std::shared_ptr<void> writableAgain(nullptr, [&](void *) {
        for (const QString &f : files)
            setImmutable(f, false);
    });
    if (!setImmutable(files[0], true) || !setImmutable(files[1], true))
        GTEST_SKIP() << "the files cannot be made immutable here (needs root on a file system that keeps "
                        "the flag)";
    const QString unwritable = db::UnwritableError(QDir::toNativeSeparators(server)).text();
    EXPECT_EQ(unwritable,
        QStringLiteral("The database server's files in \"%1\" cannot be written, so nothing was saved. Check "
                       "that the folder and its files may be written, then try again.")
            .arg(QDir::toNativeSeparators(server)));
    const auto save = [&] {
        db::Transaction t(c);
        c.execute(QStringLiteral("INSERT INTO Notes VALUES ('b')"));
        c.execute(QStringLiteral("INSERT INTO Notes VALUES ('c')"));
        t.commit();
    };
    EXPECT_DB_ERROR(save(), unwritable);
    EXPECT_FALSE(c.inTransaction());
    // Reading goes on.
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Notes")).toInt(), 1);
    for (const QString &f : files)
        setImmutable(f, false);
    save();
    EXPECT_EQ(c.scalar(QStringLiteral("SELECT count(*) FROM Notes")).toInt(), 3);
}
