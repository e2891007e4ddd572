#include "support/testserver.h"

#include "common/globals.h"
#include "support/testengine.h"

void TestServer::SetUp()
{
    GuiTest::SetUp();
    m_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_dir->isValid());
    m_serverPath = m_dir->path() + QStringLiteral("/server");
    ORU_CREATE_SERVER(m_serverPath, saPassword(), db::server::HashCost::Minimal, m_pgDatabase);
    common::setAppPath(QStringLiteral(ORU_BIN_DIR));
    common::createSharedObjects();
    common::resetGlobals();
    login(QStringLiteral("sa"), saPassword());
}

void TestServer::login(const QString &user, const QString &password)
{
    if (gConn->state() == 1)
        gConn->close();
    gConn->provider = QStringLiteral("SQLOLEDB.1");
    gConn->setProperty(QStringLiteral("User ID"), user);
    gConn->setProperty(QStringLiteral("Password"), password);
    gConn->setProperty(QStringLiteral("Data Source"), m_serverPath);
    gConn->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    gConn->open();
    gUserName = user;
    gUserPassword = password;
}

std::unique_ptr<db::Connection> TestServer::otherCopy()
{
    auto other = std::make_unique<db::Connection>();
    other->setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    other->setProperty(QStringLiteral("Password"), saPassword());
    other->setProperty(QStringLiteral("Data Source"), m_serverPath);
    other->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    other->open();
    return other;
}

void TestServer::TearDown()
{
    // Windows first: their unload may still read the database.
    GuiTest::TearDown();
    common::resetGlobals();
    if (gConn && gConn->state() == 1)
        gConn->close();
    m_dir.reset();
    m_pgDatabase.reset();
}

void TestServer::schemaStep(const QString &sql)
{
    testengine::schemaStep(conn(), sql);
}

QStringList TestServer::column(const QString &sql, const db::Params &params)
{
    db::Recordset rs;
    rs.open(sql, conn(), params);
    QStringList out;
    for (; !rs.eof(); rs.moveNext())
        out << (rs.fields(0).isNull() ? QStringLiteral("<null>") : rs.fields(0).toString());
    return out;
}

QStringList TestServer::rows(const QString &sql, const db::Params &params, const QString &null)
{
    db::Recordset rs;
    rs.open(sql, conn(), params);
    QStringList out;
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int c = 0; c < rs.fieldCount(); ++c)
            cells << (rs.fields(c).isNull() ? null : rs.fields(c).toString());
        out << cells.join(u'|');
    }
    return out;
}

std::int64_t TestServer::addAccount(const QString &nodes, const QString &name, const QString &status,
    const db::Value &bstatus, const db::Value &openBal)
{
    const int dot = nodes.lastIndexOf(u'.');
    exec(QStringLiteral("Insert Into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus, BStatus, OpenBal) "
                        "Values (?, ?, ?, ?, ?, ?, ?)"),
        {dot < 0 ? nodes : nodes.left(dot), dot < 0 ? 0 : nodes.mid(dot + 1).toInt(), nodes, name, status,
            bstatus, openBal});
    return count(QStringLiteral("Select RowID From Accounts Where AcNodes = ?"), {nodes});
}
