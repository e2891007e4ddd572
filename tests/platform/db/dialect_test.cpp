// The spellings of the program's SQL that the engines read differently give
// the same answers on both (run on PostgreSQL by the _pg entry).
#include "platform/db/fixture.h"

using db::Value;

TEST_F(ServerTest, TheProgramsSqlReadsAlikeOnEitherEngine)
{
    db::Connection c;
    connect(c);
    testengine::schemaStep(c,
        QStringLiteral("CREATE TABLE D (VouNo INTEGER, Name VARCHAR(20) COLLATE NOCASE, VouDate DATE, "
                       "Amt MONEY, Note TEXT)"));
    c.execute(QStringLiteral("INSERT INTO D (VouNo, Name, VouDate, Amt, Note) VALUES (?, ?, ?, ?, ?), "
                             "(?, ?, ?, ?, ?)"),
        {12, "ALI RAZA", "05/03/2024", "150.25", Value(), 7, "sara", QDate(2024, 12, 1), "0.75", "n"});
    const struct {
        const char *sql;
        db::Params params;
        const char *result;
    } cases[] = {
        {"select strftime('%d-%m-%Y', VouDate) from D where VouNo = 12", {}, "05-03-2024"},
        {"select printf('%d%05d|%s|%%', VouNo > 10, VouNo, Name) from D where VouNo = 12", {},
            "100012|ALI RAZA|%"},
        {"select count(*) from D where Name like ? escape '\\'", {"%li r%"}, "1"},
        {"select count(*) from D where Name not like ?", {"S%"}, "1"},
        {"select count(*) from D where cast(VouNo as text) like ?", {"1%"}, "1"},
        {"select count(*) from D where VouNo like ?", {"%2"}, "1"},
        {"select replace(Name, ' ', '') from D where Name = ?", {"ali raza"}, "ALIRAZA"},
        {"select VouNo from D where replace(Name, ' ', '') = ? collate nocase", {"AliRaza"}, "12"},
        {"select group_concat(Name, '|') from (select Name from D order by VouNo)", {}, "sara|ALI RAZA"},
        {"select money(total(Amt)) from D", {}, "151.00"},
        {"select money(total(Amt)) from D where 0 = 1", {}, "0.00"},
        {"select char(65, 66)", {}, "AB"},
        // instr() finds text as written, whatever the column's collation.
        {"select instr(Name, 'RAZA') from D where VouNo = 12", {}, "5"},
        {"select instr(Name, 'raza') from D where VouNo = 12", {}, "0"},
        {"select instr(Name || '.', ?) from D where VouNo = 7", {"."}, "5"},
        {"select count(*) from D where Note is ?", {Value()}, "1"},
        {"select count(*) from D where Note is not ?", {"n"}, "1"},
        {"select max(n) from (select VouNo as n from D union all select 3)", {}, "12"},
        {"select count(*) from D where VouDate between ? and ?", {"01/03/2024", "31/03/2024"}, "1"},
        {"select Amt from D where Amt = ?", {"0.75"}, "0.75"},
    };
    for (const auto &k : cases)
        EXPECT_EQ(c.scalar(QString::fromUtf8(k.sql), k.params).toString(), QString::fromUtf8(k.result))
            << k.sql;
}

TEST_F(ServerTest, RowidIsTheKeyOrTheInsertionOrderAndSelectStarLeavesItOut)
{
    db::Connection c;
    connect(c);
    testengine::schemaStep(c, QStringLiteral("CREATE TABLE Lines (VouNo INTEGER, Memo VARCHAR(10))"));
    testengine::schemaStep(
        c, QStringLiteral("CREATE TABLE Keyed (Id INTEGER PRIMARY KEY, Memo VARCHAR(10))"));
    for (const char *memo : {"c", "a", "b"}) {
        c.execute(QStringLiteral("INSERT INTO Lines (VouNo, Memo) VALUES (1, ?)"), {memo});
        c.execute(QStringLiteral("INSERT INTO Keyed (Memo) VALUES (?)"), {memo});
    }
    db::Recordset rs;
    rs.open(QStringLiteral("Select * From Lines Order By rowid"), c);
    ASSERT_EQ(rs.fieldCount(), 2);
    EXPECT_EQ(rs.fields(QStringLiteral("VouNo")).name(), QStringLiteral("VouNo"));
    QStringList memos;
    for (; !rs.eof(); rs.moveNext())
        memos << rs.fields(1).toString();
    EXPECT_EQ(memos, (QStringList {"c", "a", "b"}));
    // An integer key left out is the largest plus one, and is the rowid.
    EXPECT_EQ(c.scalar(QStringLiteral("Select group_concat(Id || Memo, ',') From (Select Id, Memo From Keyed "
                                      "Order By rowid)"))
                  .toString(),
        QStringLiteral("1c,2a,3b"));
    EXPECT_EQ(c.scalar(QStringLiteral("Select rowid From Keyed Where Memo = 'b'")).toInt(), 3);
    // A recordset's new row reads its key back; Update finds a keyless row.
    rs.open(QStringLiteral("Select * From Keyed Where 0 = 1"), c);
    rs.addNew();
    rs.fields(QStringLiteral("Memo")).setValue("d");
    rs.update();
    EXPECT_EQ(rs.fields(QStringLiteral("Id")).toInt(), 4);
    rs.open(QStringLiteral("Select Memo From Lines Where Memo = 'a'"), c);
    rs.fields(0).setValue("z");
    rs.update();
    EXPECT_EQ(c.scalar(QStringLiteral("Select group_concat(Memo, '') From (Select Memo From Lines Order By "
                                      "rowid)"))
                  .toString(),
        QStringLiteral("czb"));
}
