#pragma once
// A fresh test server (minimal hash cost) in a temporary folder per test.
#include "platform/db/db.h"
#include "support/testengine.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

inline std::ostream &operator<<(std::ostream &os, const QString &s)
{
    return os << s.toStdString();
}

// Expects `expr` to throw db::Error with exactly `text`.
#define EXPECT_DB_ERROR(expr, expected)                                                                      \
    do {                                                                                                     \
        try {                                                                                                \
            expr;                                                                                            \
            ADD_FAILURE() << "no error thrown, expected: " << QString(expected);                             \
        } catch (const db::Error &e) {                                                                       \
            EXPECT_EQ(e.text(), QString(expected));                                                          \
        }                                                                                                    \
    } while (0)

// Points ORU_DATA_HOME elsewhere for one scope, then puts back what was there.
class DataHome {
public:
    explicit DataHome(const QString &path)
        : m_had(qEnvironmentVariableIsSet("ORU_DATA_HOME"))
        , m_old(qgetenv("ORU_DATA_HOME"))
    {
        qputenv("ORU_DATA_HOME", path.toUtf8());
    }
    ~DataHome()
    {
        if (m_had)
            qputenv("ORU_DATA_HOME", m_old);
        else
            qunsetenv("ORU_DATA_HOME");
    }

private:
    bool m_had;
    QByteArray m_old;
};

class ServerTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString server;
    static constexpr const char *saPassword = "Secret-1";
    std::unique_ptr<pgtest::Database> pgDatabase; // the server's database on PostgreSQL runs

    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        server = tmp.path() + QStringLiteral("/srv");
        ORU_CREATE_SERVER(server, QString::fromLatin1(saPassword), db::server::HashCost::Minimal, pgDatabase);
    }

    void connect(db::Connection &c, const QString &user = QStringLiteral("sa"),
        const QString &password = QString::fromLatin1(saPassword),
        const QString &catalog = QStringLiteral("ORU"))
    {
        c.provider = QStringLiteral("SQLOLEDB.1");
        c.setProperty(QStringLiteral("User ID"), user);
        c.setProperty(QStringLiteral("Password"), password);
        c.setProperty(QStringLiteral("Data Source"), server);
        c.setProperty(QStringLiteral("Initial Catalog"), catalog);
        c.open();
    }
};
