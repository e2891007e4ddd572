#include "admissions/catalogue_fixture.h"
#include "admissions/catalogue_rules.h"

namespace {

using namespace admissions::catalogue;

class Rules : public CatalogueTest {
protected:
    QStringList list(Table t, const char *criterion, const char *text)
    {
        const Query q = listQuery(t, QString::fromLatin1(criterion), QString::fromLatin1(text));
        return column(q.sql, q.params);
    }
};

TEST_F(Rules, NewKeysAreLargestPlusOneAndRewritesKeepTheirKey)
{
    Entry e;
    e.fields = {{QStringLiteral("SessionName"), db::Value("2009-2010")}};
    EXPECT_EQ(saveRecord(conn(), Table::Session, e), 1) << "the first row of an empty table";
    EXPECT_EQ(saveRecord(conn(), Table::Session, e), 2) << "equal names are accepted";
    addSession(7, "SEVEN");
    EXPECT_EQ(saveRecord(conn(), Table::Session, e), 8);
    exec(QStringLiteral("delete from tblSession where SessionId = 8"));
    EXPECT_EQ(saveRecord(conn(), Table::Session, e), 8) << "the largest key deleted is handed out again";

    e.key = QStringLiteral("7");
    e.fields = {{QStringLiteral("SessionName"), db::Value()}};
    EXPECT_EQ(saveRecord(conn(), Table::Session, e), 7);
    EXPECT_EQ(column(QStringLiteral("select SessionName from tblSession where SessionId = 7")),
        QStringList {"<null>"});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblSession")).toInt(), 4);

    // A row deleted meanwhile is not silently added again.
    e.key = QStringLiteral("99");
    EXPECT_THROW(saveRecord(conn(), Table::Session, e), db::Error);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from tblSession")).toInt(), 4);
}

TEST_F(Rules, ListsAreNewestFirstAndSearchTextIsLiteral)
{
    for (int id : {1, 2, 10, 21})
        addSession(id, "S");
    exec(QStringLiteral("update tblSession set SessionName = '100% O''LEVEL' where SessionId = 2"));
    exec(QStringLiteral("update tblSession set SessionName = 'A_LEVEL' where SessionId = 10"));
    struct Case {
        const char *criterion, *text;
        QStringList keys;
    };
    const QList<Case> cases = {
        {"", "", {"21", "10", "2", "1"}},
        {"Session No", "1", {"21", "10", "1"}},
        {"Session Name", "level", {"10", "2"}},
        {"Session Name", "%", {"2"}},
        {"Session Name", "_", {"10"}},
        {"Session Name", "o'l", {"2"}},
        {"Session Name", "x", {}},
        // Criteria compare exactly; anything else is the whole list.
        {"session name", "level", {"21", "10", "2", "1"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.criterion) + " / " + c.text);
        EXPECT_EQ(list(Table::Session, c.criterion, c.text), c.keys);
    }
    addCourse(1, "CA");
    addCourse(2, "ACCA");
    addSubject(1, 2, "AUDIT", db::Money::fromCents(150000));
    addSubject(2, 1, "TAX", db::Value());
    EXPECT_EQ(list(Table::Course, "Course Name", "ca"), QStringList({"2", "1"}));
    const Query q = listQuery(Table::Subject, QStringLiteral("Code No"), QStringLiteral("1"));
    db::Recordset rs;
    rs.open(q.sql, conn(), q.params);
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.fields("Course").toString(), "ACCA");
    EXPECT_EQ(rs.fields("TotAmt").toMoney(), db::Money::fromCents(150000));
    EXPECT_EQ(rs.fields("CourseId").toInt(), 2);
}

TEST_F(Rules, FeesMustBeAmounts)
{
    struct Case {
        const char *text;
        bool fee;
    };
    const QList<Case> cases
        = {{"", true}, {"1500", true}, {" 1250.50 ", true}, {"1,500", true}, {"1.5", true}, {"0", true},
            {"ABC", false}, {"12A", false}, {"-5", false}, {"6 MONTHS", false}, {"1.2.3", false},
            {"1e3", false}, {"0.005", false}, {"1000000000000", false}, {"999,999,999,999.99", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        db::Value v;
        EXPECT_EQ(parseFee(QString::fromLatin1(c.text), &v), c.fee);
    }
    db::Value v;
    ASSERT_TRUE(parseFee(QStringLiteral("1250.5"), &v));
    EXPECT_EQ(v.toMoney(), db::Money::fromCents(125050));
    ASSERT_TRUE(parseFee(QString(), &v));
    EXPECT_TRUE(v.isNull());
}

TEST_F(Rules, SessionNamedByAnApplicationAFeeLineOrACarryForwardIsNotDeleted)
{
    addSession(1, "FREE");
    addSession(2, "ADMITTED");
    addSession(3, "RECEIVED");
    exec(QStringLiteral("insert into tblMasApp (AppID, SessionID) values (1, 2)"));
    exec(QStringLiteral("insert into DetJV (VouNo, VouStatus, SessionID) values (1, 'FR', 3)"));
    addSession(4, "CARRIED TO");
    addSession(5, "CARRIED FROM");
    exec(QStringLiteral(
        "insert into tblDetCarryForw (FormID, AppID, SessionID, PreSessionID) values (1, 1, 4, 5)"));
    for (int used : {2, 3, 4, 5})
        EXPECT_FALSE(deleteSession(conn(), used)) << used;
    EXPECT_TRUE(deleteSession(conn(), 1));
    EXPECT_EQ(column(QStringLiteral("select SessionId from tblSession order by SessionId")),
        QStringList({"2", "3", "4", "5"}));
}

} // namespace
