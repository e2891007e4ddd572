#pragma once
// Fixture for tests against a database: a fresh server in a temporary folder
// with the login "sa", the shared connection opened as the login window
// opens it, an MDI host for windows and a scripted dialog seam.
#include "books/journal.h"
#include "common/globals.h"
#include "platform/db/db.h"
#include "support/gui.h"
#include "support/pgtest.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class TestServer : public GuiTest {
public:
    // One password for every fixture: on a PostgreSQL test server "sa" is one
    // role shared by all the test databases.
    static QString saPassword() { return QStringLiteral("Secret-1"); }

protected:
    void SetUp() override;
    void TearDown() override;

    // The folder of the server; pass it as the server name ("Data Source").
    QString serverPath() const { return m_serverPath; }
    db::Connection &conn() { return *gConn; }
    // (Re)opens gConn with this login, as the login window does.
    void login(const QString &user, const QString &password);
    // Another copy of the program on the same server: its own connection as "sa".
    std::unique_ptr<db::Connection> otherCopy();

    // A test's own table, trigger or function, made as a schema step is
    // (testengine::schemaStep).
    void schemaStep(const QString &sql);

    // Rows a test writes into DetJV stand for postings: the totals the
    // journal keeps are brought up to date after them, as a posting would.
    std::int64_t exec(const QString &sql, const db::Params &params = {})
    {
        const std::int64_t n = gConn->execute(sql, params);
        static const QRegularExpression writesPostings(
            QStringLiteral("^\\s*(insert\\s+into|update|delete\\s+from)\\s+detjv\\b"),
            QRegularExpression::CaseInsensitiveOption);
        if (writesPostings.match(sql).hasMatch())
            books::rebuildTotals(*gConn);
        return n;
    }
    db::Value scalar(const QString &sql, const db::Params &params = {}) { return gConn->scalar(sql, params); }
    std::int64_t count(const QString &sql, const db::Params &params = {})
    {
        return scalar(sql, params).toInt();
    }
    // The first column of every row of a query, as text ("<null>" for Null).
    QStringList column(const QString &sql, const db::Params &params = {});
    // Every row of a query, its columns joined by "|" and Null shown as `null`.
    QStringList rows(
        const QString &sql, const db::Params &params = {}, const QString &null = QStringLiteral("-"));
    // Adds an account below the one its nodes name ("1.2.1" below "1.2", a top
    // account below "1") and gives its RowID.
    std::int64_t addAccount(const QString &nodes, const QString &name, const QString &status,
        const db::Value &bstatus = {}, const db::Value &openBal = {});

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_serverPath;
    std::unique_ptr<pgtest::Database> m_pgDatabase; // the server's database on PostgreSQL runs
};
