#pragma once
// A test server with a students' head and a cash account in the voucher
// setup, and a small catalogue: course ACCA with three subjects.
#include "accounts/chart_rules.h"
#include "common/globals.h"
#include "support/testserver.h"

#include <QStringList>

class AdmissionTest : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        exec("insert into tblSession (SessionId, SessionName) values (1, '2008-2009'), (2, '2009-2010')");
        exec("insert into tblCourse (CourseId, CourseName, Coursedurration, MonthYear) "
             "values (1, 'ACCA', '2', 'Year')");
        const auto fee = [](std::int64_t cents) { return db::Value(db::Money::fromCents(cents)); };
        exec("insert into tblSubject (SubId, CourseId, SubName, TotAmt) values (1, 1, 'AUDIT', ?), "
             "(2, 1, 'TAXATION', ?), (3, 1, 'LAW', ?)",
            {fee(150000), fee(120050), fee(0)});

        // 1 ASSETS > 1.1 STUDENTS (head) and 1.2 CASH AND BANK > 1.2.1 CASH IN HAND
        accounts::addControlAccount(conn(), "ASSETS");
        headId = accounts::addChildAccount(conn(), "1", "STUDENTS").rowId;
        accounts::addChildAccount(conn(), "1", "CASH AND BANK");
        cashId = accounts::addChildAccount(conn(), "1.2", "CASH IN HAND").rowId;
        exec("insert into VouSetting (VouStatus, VouNo, AcCode) values ('IR', 0, ?), ('CR', 1, ?)",
            {db::Value(static_cast<long long>(headId)), db::Value(static_cast<long long>(cashId))});
    }

    // The rows of a query, columns joined by "|", Null as "<null>".
    QStringList rows(const QString &sql, const db::Params &params = {})
    {
        return TestServer::rows(sql, params, QStringLiteral("<null>"));
    }

    // Everything an admission writes, to compare before and after.
    QStringList snapshot()
    {
        return rows("select * from tblMasApp order by AppID")
            + rows("select * from tblDetApp order by AppID, SubID")
            + rows("select * from Accounts order by RowID")
            + rows("select * from DetJV order by VouNo, EntryNo");
    }

    std::int64_t headId = 0;
    std::int64_t cashId = 0;
};
