// A voucher saved while the database cannot be reached (the PostgreSQL
// server gone, the embedded database's file unreadable): the save says so,
// nothing of it is stored, the typed voucher stays, and the next Save once
// the database is back stores it once.
#include "support/testengine.h"
#include "vouchers/window_fixture.h"

#include <sqlite3.h>

#include <atomic>
#include <functional>

namespace {

// The computer's own file layer for SQLite with a switch that makes every
// read and write fail, as a network drive that went away does.
namespace unreachable {

std::atomic<bool> failing {false};
sqlite3_vfs *base = nullptr;
sqlite3_vfs vfs;
sqlite3_io_methods methods;

struct File {
    sqlite3_file self;
    sqlite3_file *real; // base->szOsFile bytes, right after this struct
};
sqlite3_file *real(sqlite3_file *f)
{
    return reinterpret_cast<File *>(f)->real;
}

template <auto Method, int Failure, class... A> int io(sqlite3_file *f, A... a)
{
    if (failing)
        return Failure;
    sqlite3_file *r = real(f);
    return (r->pMethods->*Method)(r, a...);
}
template <auto Method, class... A> auto pass(sqlite3_file *f, A... a)
{
    sqlite3_file *r = real(f);
    return (r->pMethods->*Method)(r, a...);
}

int open(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags)
{
    File *file = reinterpret_cast<File *>(f);
    file->real = reinterpret_cast<sqlite3_file *>(file + 1);
    const int rc = base->xOpen(base, name, file->real, flags, outFlags);
    f->pMethods = rc == SQLITE_OK ? &methods : nullptr;
    return rc;
}

void install()
{
    base = sqlite3_vfs_find(nullptr);
    vfs = *base;
    vfs.zName = "oru_unreachable";
    vfs.szOsFile = int(sizeof(File)) + base->szOsFile;
    vfs.xOpen = open;
    methods = sqlite3_io_methods {};
    methods.iVersion = 3;
    methods.xClose = pass<&sqlite3_io_methods::xClose>;
    methods.xRead = io<&sqlite3_io_methods::xRead, SQLITE_IOERR_READ, void *, int, sqlite3_int64>;
    methods.xWrite = io<&sqlite3_io_methods::xWrite, SQLITE_IOERR_WRITE, const void *, int, sqlite3_int64>;
    methods.xTruncate = io<&sqlite3_io_methods::xTruncate, SQLITE_IOERR_TRUNCATE, sqlite3_int64>;
    methods.xSync = io<&sqlite3_io_methods::xSync, SQLITE_IOERR_FSYNC, int>;
    methods.xFileSize = io<&sqlite3_io_methods::xFileSize, SQLITE_IOERR_FSTAT, sqlite3_int64 *>;
    methods.xLock = pass<&sqlite3_io_methods::xLock, int>;
    methods.xUnlock = pass<&sqlite3_io_methods::xUnlock, int>;
    methods.xCheckReservedLock = pass<&sqlite3_io_methods::xCheckReservedLock, int *>;
    methods.xFileControl = pass<&sqlite3_io_methods::xFileControl, int, void *>;
    methods.xSectorSize = pass<&sqlite3_io_methods::xSectorSize>;
    methods.xDeviceCharacteristics = pass<&sqlite3_io_methods::xDeviceCharacteristics>;
    methods.xShmMap = pass<&sqlite3_io_methods::xShmMap, int, int, int, void volatile **>;
    methods.xShmLock = pass<&sqlite3_io_methods::xShmLock, int, int, int>;
    methods.xShmBarrier = pass<&sqlite3_io_methods::xShmBarrier>;
    methods.xShmUnmap = pass<&sqlite3_io_methods::xShmUnmap, int>;
    methods.xFetch = pass<&sqlite3_io_methods::xFetch, sqlite3_int64, int, void **>;
    methods.xUnfetch = pass<&sqlite3_io_methods::xUnfetch, sqlite3_int64, void *>;
    sqlite3_vfs_register(&vfs, 1);
}

void remove()
{
    failing = false;
    sqlite3_vfs_unregister(&vfs);
}

} // namespace unreachable

class LostServer : public VoucherWindowTest {
protected:
    // A statement as the server's administrator, in the program's database
    // or another.
    void admin(const QString &sql, const QString &database = {})
    {
        PGconn *c = pgtest::connectTo(*pgtest::server(), database.isEmpty() ? m_database : database);
        // The program's tables live in its own schema.
        PQclear(PQexec(c, "SET search_path = oru, pg_catalog"));
        PGresult *r = PQexec(c, sql.toUtf8().constData());
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
            ADD_FAILURE() << sql.toStdString() << ": " << PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
    }
    QString m_database;
};

TEST_F(LostServer, ASaveWhileTheServerIsGoneKeepsTheVoucherForTheNextSave)
{
    if (!testengine::onPostgres())
        GTEST_SKIP() << "the embedded engine has no server connection to lose";
    struct Break {
        const char *what;
        std::function<void()> before, after;
        int failedSaves = 1; // Saves that fail before `after`
    };
    const auto terminate
        = [&] { pgtest::terminate(*pgtest::server(), scalar("SELECT pg_backend_pid()").toInt()); };
    std::vector<Break> breaks = {
        // Seen before anything of the save is sent: the Save goes through.
        {"the server ended the session between saves", terminate, [] {}, 0},
        // After the master and the first line are written.
        {"the server ended the session in the middle of the save",
            [&] {
                admin("CREATE FUNCTION oru_lose() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS "
                      "$$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$; "
                      "CREATE TRIGGER lose BEFORE INSERT ON detjv FOR EACH ROW WHEN (NEW.entryno = 2) "
                      "EXECUTE FUNCTION oru_lose()");
            },
            [&] { admin("DROP TRIGGER lose ON detjv; DROP FUNCTION oru_lose()"); }},
        // As a server restarting: no connection to be had for a while.
        {"the server took no connections for a while",
            [&] {
                admin("ALTER DATABASE " + m_database + " ALLOW_CONNECTIONS false", "postgres");
                terminate();
            },
            [&] { admin("ALTER DATABASE " + m_database + " ALLOW_CONNECTIONS true", "postgres"); }, 2},
    };
    const QString lost = db::ConnectionLostError().text();
    m_database = scalar("SELECT current_database()").toString();

    setup("CR", 50, cash, "DR", "Y");
    open("frmCR");
    int no = 50;
    for (const Break &b : breaks) {
        SCOPED_TRACE(b.what);
        pickByAnswer("cmdSelectCr", rent, "RENT");
        addLine("100", "A");
        c("txtPaidTo")->setText(QStringLiteral("STUDENT"));
        b.before();
        dialogs().clear();
        for (int i = 0; i < b.failedSaves; ++i)
            press("cmdSave");
        EXPECT_EQ(dialogs().texts(), QStringList(qsizetype(b.failedSaves), lost));
        EXPECT_EQ(gridLines(), QStringList({"RENT|100.00||A||"}));
        EXPECT_EQ(c("txtVoucher")->text(), QString::number(no));
        EXPECT_EQ(c("txtPaidTo")->text(), "STUDENT");
        b.after();

        EXPECT_EQ(master("CR", no), "");
        EXPECT_TRUE(rows("CR", no).isEmpty());
        dialogs().clear();
        press("cmdSave");
        EXPECT_EQ(dialogs().texts(), QStringList());
        const QString k = id(cash);
        EXPECT_EQ(rows("CR", no),
            QStringList(
                {"1|" + id(rent) + "|" + k + "|0.00|100.00||A|-|-", "2|" + k + "|-|100.00|0.00|-|A|-|-"}));
        EXPECT_EQ(master("CR", no).section(u'|', 1, 2), "STUDENT|100.00");
        EXPECT_EQ(c("txtVoucher")->text(), QString::number(++no));
    }
    EXPECT_EQ(count("Select count(*) From MasJV"), qint64(breaks.size()));
}

class LostFile : public VoucherWindowTest {
protected:
    void SetUp() override
    {
        unreachable::install(); // before the fixture's files are opened
        VoucherWindowTest::SetUp();
    }
    void TearDown() override
    {
        VoucherWindowTest::TearDown();
        unreachable::remove();
    }
};

TEST_F(LostFile, ASaveWhileTheDatabaseFileCannotBeReadOrWrittenKeepsTheVoucher)
{
    if (testengine::onPostgres())
        GTEST_SKIP() << "the files are the embedded engine's";
    setup("CR", 50, cash, "DR", "Y");
    open("frmCR");
    pickByAnswer("cmdSelectCr", rent, "RENT");
    addLine("100", "A");
    unreachable::failing = true;
    press("cmdSave");
    unreachable::failing = false;
    EXPECT_EQ(dialogs().texts(), QStringList({db::ConnectionLostError().text()}));
    EXPECT_EQ(gridLines(), QStringList({"RENT|100.00||A||"}));
    EXPECT_EQ(c("txtVoucher")->text(), "50");
    EXPECT_EQ(master("CR", 50), "");
    EXPECT_TRUE(rows("CR", 50).isEmpty());

    dialogs().clear();
    press("cmdSave");
    EXPECT_EQ(dialogs().texts(), QStringList());
    EXPECT_EQ(rows("CR", 50).size(), 2);
    EXPECT_EQ(count("Select count(*) From MasJV"), 1);
    EXPECT_EQ(c("txtVoucher")->text(), "51");
}

} // namespace
