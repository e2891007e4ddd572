// What the engines share at the seam: the statement observer, and the
// engine chosen from what a server's folder holds.
#include "platform/db/fixture.h"

#include <QDir>
#include <QFile>

using db::Connection;

TEST_F(ServerTest, TheStatementObserverIsToldEachStatementAsTheProgramWroteIt)
{
    Connection c;
    connect(c);
    testengine::schemaStep(c, QStringLiteral("CREATE TABLE Notes (No INTEGER PRIMARY KEY, Txt VARCHAR(50))"));
    QStringList told;
    c.setStatementObserver([&](const QString &sql) { told << sql; });
    const QString insert = QStringLiteral("INSERT INTO Notes (Txt) VALUES (?)");
    const QString count = QStringLiteral("SELECT count(*) FROM Notes");
    const QString select = QStringLiteral("SELECT No, Txt FROM Notes WHERE Txt Like ?");
    {
        db::Transaction t(c);
        c.execute(insert, {"a"});
        c.execute(insert, {"b"});
        t.commit();
    }
    EXPECT_EQ(c.scalar(count).toInt(), 2);
    db::Recordset rs;
    rs.open(select, c, {"%"});
    rs.addNew();
    rs.fields(QStringLiteral("Txt")).setValue(QStringLiteral("c"));
    rs.update();

    // The program's statements in its own words, each time it runs one;
    // then the recordset's insert, quoted as the engine finds its names
    // (and where the engine gave the key a default, its reading back).
    const QStringList program = told.filter(QStringLiteral("notes"), Qt::CaseInsensitive);
    ASSERT_GE(program.size(), 5) << told.join(u'\n');
    EXPECT_EQ(program.mid(0, 4), QStringList({insert, insert, count, select}));
    EXPECT_TRUE(program[4].startsWith(QLatin1String("INSERT INTO \""), Qt::CaseInsensitive)) << program[4];
    // The layer's own: the transaction around the two inserts.
    auto first = [&](const char *head) {
        for (qsizetype i = 0; i < told.size(); ++i)
            if (told[i].startsWith(QLatin1String(head), Qt::CaseInsensitive))
                return i;
        return qsizetype(-1);
    };
    EXPECT_GE(first("BEGIN"), 0);
    EXPECT_LT(first("BEGIN"), told.indexOf(insert));
    EXPECT_GT(first("COMMIT"), told.lastIndexOf(insert));

    // Kept when the connection is opened again; an empty function stops it.
    c.close();
    told.clear();
    connect(c);
    c.scalar(count);
    EXPECT_TRUE(told.contains(count)) << told.join(u'\n');
    c.setStatementObserver({});
    told.clear();
    c.scalar(count);
    EXPECT_TRUE(told.isEmpty()) << told.join(u'\n');
}

// Every way into a server reads what its folder holds the same way: a
// descriptor that names no database is refused by each, and no embedded
// server is tried or made in its place.
TEST(ServerFolder, EveryWayInReadsTheFolderAlike)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString path = tmp.path() + QStringLiteral("/srv");
    ASSERT_TRUE(QDir().mkpath(path));
    QFile descriptor(path + QStringLiteral("/postgres.txt"));
    ASSERT_TRUE(descriptor.open(QIODevice::WriteOnly | QIODevice::Text));
    descriptor.write("host=localhost\nport=5432\n");
    descriptor.close();
    const QString refused = QStringLiteral("The file '%1' does not name a PostgreSQL server and database.")
                                .arg(descriptor.fileName());
    Connection c;
    c.setProperty(QStringLiteral("Data Source"), path);
    c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    c.setProperty(QStringLiteral("Password"), QStringLiteral("pw"));
    EXPECT_DB_ERROR(c.open(), refused);
    EXPECT_DB_ERROR(db::server::openForAdministration(c, path), refused);
    EXPECT_DB_ERROR(db::server::upgrade(path), refused);
    EXPECT_DB_ERROR(db::server::create(path, QStringLiteral("pw"), db::server::HashCost::Minimal), refused);
    EXPECT_DB_ERROR(db::server::logins(path), refused);
    EXPECT_DB_ERROR(db::server::setLoginPassword(path, QStringLiteral("sa"), QStringLiteral("x")), refused);
    EXPECT_EQ(c.state(), 0);
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("/master.db")));
}
