// The schema steps the subsystems register are the files of schema/, and a
// database made from those files before the subsystems registered their own
// opens without a change.
#include "platform/db/db.h"
#include "platform/db/schema.h"
#include "support/testengine.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

QString readText(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

QStringList schemaFiles()
{
    return QDir(QStringLiteral(ORU_SOURCE_DIR "/schema"))
        .entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name);
}

void run(sqlite3 *h, const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &err);
    ASSERT_EQ(rc, SQLITE_OK) << (err ? err : "");
}

// Every table and index as the database declares it.
QStringList layout(db::Connection &c)
{
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT type || ' ' || name || ': ' || ifnull(sql, '') FROM sqlite_master "
                           "WHERE name NOT LIKE 'sqlite_%' ORDER BY type, name"),
        c);
    QStringList out;
    for (; !rs.eof(); rs.moveNext())
        out << rs.fields(0).toString();
    return out;
}

void connect(db::Connection &c, const QString &server)
{
    c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    c.setProperty(QStringLiteral("Password"), QStringLiteral("pw"));
    c.setProperty(QStringLiteral("Data Source"), server);
    c.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    c.open();
}

} // namespace

TEST(Schema, RegisteredStepsAreTheSchemaFolderInOrder)
{
    const QStringList files = schemaFiles();
    const std::vector<db::Migration> steps = db::schema::migrations();
    ASSERT_EQ(steps.size(), size_t(files.size()));
    for (qsizetype i = 0; i < files.size(); ++i) {
        const db::Migration &m = steps[size_t(i)];
        EXPECT_EQ(m.version, i + 1);
        EXPECT_EQ(QString::fromLatin1(m.file), files[i]);
        EXPECT_EQ(QString::fromUtf8(m.sql), readText(QStringLiteral(ORU_SOURCE_DIR "/schema/") + files[i]));
    }
}

TEST(Schema, ADatabaseMadeFromTheSchemaFolderOpensUnchangedWithItsRows)
{
    ORU_EMBEDDED_ONLY("builds and compares the embedded engine's database files");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString fresh = tmp.path() + QStringLiteral("/fresh");
    const QString earlier = tmp.path() + QStringLiteral("/earlier");
    db::server::create(fresh, QStringLiteral("pw"), db::server::HashCost::Minimal);
    db::server::create(earlier, QStringLiteral("pw"), db::server::HashCost::Minimal);

    // The program database as the build with one embedded list made it: every
    // file applied in order, user_version the last number, rows of its own.
    const QString file = earlier + QStringLiteral("/ORU.db");
    ASSERT_TRUE(QFile::remove(file));
    sqlite3 *h = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &h), SQLITE_OK);
    const QStringList files = schemaFiles();
    for (const QString &f : files)
        run(h, readText(QStringLiteral(ORU_SOURCE_DIR "/schema/") + f));
    run(h, QStringLiteral("PRAGMA user_version = %1").arg(files.size()));
    run(h,
        QStringLiteral("INSERT INTO Menus (Menus, Active) VALUES ('Company', '1');"
                       "INSERT INTO Company (Company) VALUES ('Oru Institute');"));
    sqlite3_close(h);

    db::Connection made, upgraded;
    connect(made, fresh);
    connect(upgraded, earlier);
    EXPECT_EQ(db::databaseVersion(upgraded), int(files.size()));
    EXPECT_EQ(db::databaseVersion(upgraded), db::schemaVersion());
    EXPECT_EQ(layout(upgraded), layout(made));
    EXPECT_EQ(upgraded.scalar(QStringLiteral("SELECT Company FROM Company")).toString(),
        QStringLiteral("Oru Institute"));
    EXPECT_EQ(upgraded.scalar(QStringLiteral("SELECT count(*) FROM Menus")).toInt(), 1);
}

TEST(Schema, AnExistingBookGetsItsMonthlyTotalsFromItsPostings)
{
    ORU_EMBEDDED_ONLY("builds the embedded engine's database file at an earlier version");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString earlier = tmp.path() + QStringLiteral("/earlier");
    db::server::create(earlier, QStringLiteral("pw"), db::server::HashCost::Minimal);
    const QString file = earlier + QStringLiteral("/ORU.db");
    ASSERT_TRUE(QFile::remove(file));
    sqlite3 *h = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &h), SQLITE_OK);
    const QStringList files = schemaFiles().filter(QRegularExpression(QStringLiteral("^0(0\\d|1[01])_")));
    ASSERT_EQ(files.size(), 11);
    for (const QString &f : files)
        run(h, readText(QStringLiteral(ORU_SOURCE_DIR "/schema/") + f));
    run(h, QStringLiteral("PRAGMA user_version = 11"));
    // Cents; a carry-forward row and an undated row count in no balance.
    run(h,
        QStringLiteral("INSERT INTO DetJV (VouNo, VouStatus, VouDate, AcCode, DrAmt, CrAmt) VALUES "
                       "(1, 'CP', '2023-12-31', 5, 100, NULL), (1, 'CP', '2023-12-31', 6, NULL, 100), "
                       "(2, 'CP', '2023-12-01', 5, 250, 1), (3, 'JV', '2023-12-02', 5, 7, 0), "
                       "(4, 'CF', '2023-12-03', 5, 0, 40), (5, 'BP', NULL, 5, 9, 0), "
                       "(6, 'CP', '2024-01-01', 5, 0, 3)"));
    sqlite3_close(h);

    db::Connection upgraded;
    connect(upgraded, earlier);
    db::Recordset rs;
    rs.open(QStringLiteral(
                "SELECT AcCode || ' ' || YearMonth || ' ' || VouStatus || ' ' || DrAmt || ' ' || CrAmt "
                "FROM AcMonthBal ORDER BY AcCode, YearMonth, VouStatus"),
        upgraded);
    QStringList cells;
    for (; !rs.eof(); rs.moveNext())
        cells << rs.fields(0).toString();
    EXPECT_EQ(cells,
        (QStringList {"5 202312 CP 350 1", "5 202312 JV 7 0", "5 202401 CP 0 3", "6 202312 CP 0 100"}));
}
