#pragma once
// Fixture for tests against a database: a fresh server in a temporary folder
// with the login "sa", the shared connection opened as the login window
// opens it, an MDI host for windows and a scripted dialog seam.
#include "db.h"
#include "globals.h"
#include "gui.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class TestServer : public GuiTest {
public:
    static QString saPassword() { return QStringLiteral("Test-sa-pw1"); }

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

    std::int64_t exec(const QString &sql, const db::Params &params = {})
    {
        return gConn->execute(sql, params);
    }
    db::Value scalar(const QString &sql, const db::Params &params = {}) { return gConn->scalar(sql, params); }
    // The first column of every row of a query, as text ("<null>" for Null).
    QStringList column(const QString &sql, const db::Params &params = {});

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_serverPath;
};
