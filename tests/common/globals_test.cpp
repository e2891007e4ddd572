#include "common/globals.h"
#include "support/testserver.h"

#include <gtest/gtest.h>

class Globals : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        exec(QStringLiteral(
            "create table tblProbe (ID INTEGER PRIMARY KEY, Name VARCHAR(20) COLLATE NOCASE)"));
        exec(QStringLiteral("insert into tblProbe values (1, 'ONE'), (2, 'TWO'), (3, 'O''BRIEN')"));
    }
};

TEST_F(Globals, QueryProceduresReplaceOnlyTheirOwnRecordset)
{
    OpenQuery(QStringLiteral("select * from tblProbe where 0=1"));
    EXPECT_EQ(gRs->state(), 1);
    EXPECT_EQ(gRs->recordCount(), 0);
    EXPECT_TRUE(gRs->eof());

    OpenQuery2(QStringLiteral("select Name from tblProbe order by ID"));
    OpenQuery3(QStringLiteral("select Name from tblProbe where ID = ?"), {3});
    OpenQuery(QStringLiteral("select Name from tblProbe where Name = ?"), {QStringLiteral("two")});
    EXPECT_EQ(gRs->recordCount(), 1) << "the second call replaced the first result";
    EXPECT_EQ(gRs->fields(QStringLiteral("Name")).toString(), QStringLiteral("TWO"));
    EXPECT_EQ(gRs2->recordCount(), 3);
    EXPECT_EQ(gRs2->fields(0).toString(), QStringLiteral("ONE")) << "gRs2 kept its rows and position";
    EXPECT_EQ(gRs3->fields(0).toString(), QStringLiteral("O'BRIEN")) << "typed text travels as a parameter";
    EXPECT_EQ(gRs->cursorLocation, 3);
    EXPECT_EQ(gRsSpare->state(), 0);
}

TEST_F(Globals, ARowLeftHalfWrittenDoesNotBlockTheNextQuery)
{
    exec(QStringLiteral("create table tblDated (ID INTEGER PRIMARY KEY, Day DATE)"));
    OpenQuery(QStringLiteral("select * from tblDated where 0=1"));
    gRs->addNew();
    EXPECT_THROW(gRs->fields(QStringLiteral("Day")).setValue(QStringLiteral("not a date")), db::Error);
    OpenQuery(QStringLiteral("select Name from tblProbe where ID = ?"), {1});
    EXPECT_EQ(gRs->fields(0).toString(), QStringLiteral("ONE"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblDated")).toInt(), 0);
}

TEST_F(Globals, QueryOnAClosedConnectionFailsWithTheDatabaseError)
{
    gConn->close();
    EXPECT_THROW(OpenQuery(QStringLiteral("select 1")), db::Error);
    EXPECT_THROW(OpenQuery(QStringLiteral("select * from tblNowhere")), db::Error);
}

TEST_F(Globals, ResetPutsEveryVariableBackToItsDefault)
{
    OpenQuery(QStringLiteral("select 1"));
    gLookupMode = gLockAccount = gLockSetMenus = gLockRemoveData = gSubjectFormFromPicker = true;
    gFindAcFilter = gFindAcName = gPickSubName = gPickCourseName = gPickCourseDurr = QStringLiteral("x");
    gFindAcRowID = gPickSubId = gPickAppId = 7;
    gPickSubAmount = db::Money::fromCents(250);
    common::resetGlobals();
    EXPECT_TRUE(gUserName.isEmpty() && gUserPassword.isEmpty());
    EXPECT_FALSE(gLookupMode || gLockAccount || gLockSetMenus || gLockRemoveData || gSubjectFormFromPicker);
    EXPECT_TRUE(gFindAcFilter.isEmpty() && gFindAcName.isEmpty() && gPickSubName.isEmpty()
        && gPickCourseName.isEmpty() && gPickCourseDurr.isEmpty());
    EXPECT_EQ(gFindAcRowID + gPickSubId + gPickAppId, 0);
    EXPECT_EQ(gPickSubAmount, db::Money());
    EXPECT_EQ(gRs->state(), 0);
    EXPECT_EQ(common::appPath(), QStringLiteral(ORU_BIN_DIR));
}

TEST_F(Globals, FixtureLogsInAsTheLoginWindowDoes)
{
    EXPECT_EQ(gConn->state(), 1);
    EXPECT_EQ(gConn->provider, QStringLiteral("SQLOLEDB.1"));
    EXPECT_EQ(gConn->property(QStringLiteral("Initial Catalog")), QStringLiteral("ORU"));
    EXPECT_EQ(gConn->property(QStringLiteral("Data Source")), serverPath());
    EXPECT_TRUE(gConn->isSysadmin());
    EXPECT_EQ(gUserName, QStringLiteral("sa"));
    EXPECT_EQ(gUserPassword, saPassword());
    EXPECT_EQ(common::windows::host(), host());
}
