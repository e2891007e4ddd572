#pragma once
// A PostgreSQL server of the program's own for one test: a database of its
// own, made as `oruadmin create` makes it, with "sa" logged in. Roles are the
// server's, so every login a test makes takes a name of its own (unique())
// and is dropped afterwards with the database's own roles.
#include "platform/db/db.h"
#include "support/pgtest.h"
#include "support/testengine.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class PgServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ORU_REQUIRE_PG(pg);
        m_pg = pg;
        ASSERT_TRUE(m_tmp.isValid());
        m_db = std::make_unique<pgtest::Database>(pg, false);
        m_server = m_tmp.path() + QStringLiteral("/office");
        testengine::attachTo(m_server, pg, m_db->name());
        db::server::create(m_server, QStringLiteral("Secret-1"));
        connect(sa, QStringLiteral("sa"), QStringLiteral("Secret-1"));
    }
    // True when SetUp went through (a derived SetUp goes on only then).
    bool ready() const { return m_db && !IsSkipped() && !HasFatalFailure(); }

    void TearDown() override
    {
        if (!m_db)
            return;
        sa.close();
        const QString name = m_db->name();
        m_db.reset();
        for (const QString &role : m_roles)
            admin(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(QString(role).replace(u'"', "\"\"")));
        for (const QString &role : {name + "_users", name + "_owner"})
            admin(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(role));
    }

    // A login name no other test uses, in the case given; dropped after the test.
    QString unique(const QString &stem)
    {
        static int seq = 0;
        const QString name
            = QStringLiteral("%1_%2_%3").arg(stem).arg(QCoreApplication::applicationPid()).arg(++seq);
        m_roles << name.toLower();
        return name;
    }

    void connect(db::Connection &c, const QString &user, const QString &password)
    {
        c.setProperty("User ID", user);
        c.setProperty("Password", password);
        c.setProperty("Data Source", m_server);
        c.setProperty("Initial Catalog", "ORU");
        c.open();
    }

    // As the server's own administrator, for what a test sets up or checks
    // behind the program's back.
    void admin(const QString &sql, const QString &database = QStringLiteral("postgres"))
    {
        PGconn *c = pgtest::connectTo(m_pg, database);
        PQsetNoticeProcessor(
            c, [](void *, const char *) {}, nullptr);
        PGresult *r = PQexec(c, sql.toUtf8().constData());
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
            ADD_FAILURE() << sql << ": " << PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
    }

    pgtest::Server m_pg;
    QTemporaryDir m_tmp;
    std::unique_ptr<pgtest::Database> m_db;
    QString m_server;
    QStringList m_roles;
    db::Connection sa;
};
