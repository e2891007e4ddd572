#include "platform/ui/controls.h"
#include "shell/admin_fixture.h"
#include "support/printers.h"

#include <QPushButton>

namespace {

const QStringList voucherKinds {"CP", "CR", "BP", "BR", "JV", "FR"};

class RemoveData : public AdminTest {
protected:
    void SetUp() override
    {
        AdminTest::SetUp();
        // The voucher tables come with the vouchers' schema; a database
        // without it gets the columns used here.
        exec("create table if not exists MasJV (VouNo INTEGER NOT NULL, VouStatus VARCHAR(2) COLLATE NOCASE "
             "NOT NULL, VouDate DATE)");
        exec("create table if not exists DetJV (VouNo INTEGER, VouStatus VARCHAR(2) COLLATE NOCASE, "
             "VouDate DATE, EntryNo INTEGER)");
        // Every kind on the day before, the first and last day and the day after the range.
        const char *days[] = {"2009-08-02", "2009-08-03", "2009-08-10", "2009-08-11"};
        int no = 1;
        for (const QString &kind : voucherKinds + QStringList {"AR", "CF"})
            for (const char *day : days) {
                if (kind != "AR" && kind != "CF")
                    exec("insert into MasJV (VouNo, VouStatus, VouDate) values (?, ?, ?)", {no, kind, day});
                exec("insert into DetJV (VouNo, VouStatus, VouDate, EntryNo) values (?, ?, ?, 1), (?, ?, ?, "
                     "2)",
                    {no, kind, day, no, kind, day});
                ++no;
            }
        w = common::windows::show(QStringLiteral("frmRemoveData"));
        ASSERT_TRUE(w);
        setRange(QDate(2009, 8, 3), QDate(2009, 8, 10));
    }
    void setRange(QDate from, QDate to)
    {
        findControl<ui::DatePicker>(w, "DTPicker1")->setDate(from);
        findControl<ui::DatePicker>(w, "DTPicker2")->setDate(to);
    }
    // "kind date" of every row of the table, in order.
    QStringList rows(const char *table)
    {
        return column(QStringLiteral("select VouStatus || ' ' || VouDate from %1 order by rowid").arg(table));
    }

    common::Window *w = nullptr;
};

// A row in the table, whatever its columns (NOT NULL ones get a value).
void fillOneRow(db::Connection &conn, const QString &table)
{
    db::Recordset info;
    info.open(
        QStringLiteral("select name, \"notnull\", dflt_value, pk from pragma_table_info(?)"), conn, {table});
    QStringList names, marks;
    db::Params values;
    for (; !info.eof(); info.moveNext())
        if (info.fields(1).toInt() == 1 && info.fields(2).isNull() && info.fields(3).toInt() == 0) {
            names << info.fields(0).toString();
            marks << "?";
            values.push_back(1);
        }
    conn.execute(names.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(table)
            : QStringLiteral("insert into %1 (%2) values (%3)").arg(table, names.join(','), marks.join(',')),
        values);
}

} // namespace

TEST_F(RemoveData, EachVoucherButtonRemovesItsOwnKindInTheRange)
{
    const QStringList masBefore = rows("MasJV");
    const QStringList detBefore = rows("DetJV");
    const struct {
        const char *button;
        const char *kind;
    } buttons[]
        = {{"cmdCashPaymentVoucher", "CP"}, {"cmdCashReceiveVoucher", "CR"}, {"cmdBankPaymentVoucher", "BP"},
            {"cmdBankReceiveVoucher", "BR"}, {"cmdJournalvoucher", "JV"}, {"cmdFeeRecVou", "FR"}};
    QStringList masExpected = masBefore, detExpected = detBefore;
    for (const auto &b : buttons) {
        const QString kind = QString::fromLatin1(b.kind);
        for (QStringList *l : {&masExpected, &detExpected})
            l->removeIf(
                [&](const QString &r) { return r == kind + " 2009-08-03" || r == kind + " 2009-08-10"; });
        dialogs().answer(common::Answer::Yes);
        clickButton(w, b.button);
        EXPECT_EQ(dialogs().last().text, "are you sure delete ");
        EXPECT_EQ(dialogs().last().buttons, common::Buttons::YesNo);
        EXPECT_EQ(rows("MasJV"), masExpected) << b.button;
        EXPECT_EQ(rows("DetJV"), detExpected) << b.button;
    }
    // Admission-receipt and carry-forward lines are never removed by date.
    EXPECT_EQ(column("select count(*) from DetJV where VouStatus in ('AR', 'CF')"), QStringList {"16"});
    EXPECT_EQ(column("select count(*) from DetJV"), QStringList {"40"});
}

TEST_F(RemoveData, NoOrAnEmptyRangeRemovesNothing)
{
    const QStringList masBefore = rows("MasJV");
    const QStringList detBefore = rows("DetJV");
    dialogs().answer(common::Answer::No);
    clickButton(w, "cmdCashPaymentVoucher");
    setRange(QDate(2009, 8, 10), QDate(2009, 8, 3));
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdCashPaymentVoucher");
    EXPECT_EQ(rows("MasJV"), masBefore);
    EXPECT_EQ(rows("DetJV"), detBefore);

    // A single day.
    setRange(QDate(2009, 8, 11), QDate(2009, 8, 11));
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdJournalvoucher");
    EXPECT_EQ(column("select VouDate from MasJV where VouStatus = 'JV'"),
        QStringList({"2009-08-02", "2009-08-03", "2009-08-10"}));
}

TEST_F(RemoveData, AFailingSecondStatementLeavesBothTables)
{
    const QStringList masBefore = rows("MasJV");
    const QStringList detBefore = rows("DetJV");
    exec("create temp trigger failLines before delete on DetJV begin select raise(abort, 'lines locked'); "
         "end");
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdBankPaymentVoucher");
    EXPECT_TRUE(dialogs().last().text.contains("lines locked"));
    EXPECT_EQ(rows("MasJV"), masBefore);
    EXPECT_EQ(rows("DetJV"), detBefore);
}

TEST_F(RemoveData, WholeTableButtonsEmptyExactlyTheirTables)
{
    const struct {
        const char *button;
        QStringList tables;
    } buttons[] = {
        {"cmdApplication", {"tblMasApp", "tblDetApp"}},
        {"cmdCarryForwardEntry", {"tblMasCarryForw", "tblDetCarryForw"}},
        {"cmdCompany", {"Company"}},
        {"cmdTeledir", {"tbl_Tele_Directory"}},
        {"cmdChartAC", {"Accounts"}},
        {"cmdVoucher", {"VouSetting"}},
        {"CmdSubject", {"tblSubject"}},
        {"Cmdcourse", {"tblCourse"}},
        {"CmdSession", {"tblSession"}},
    };
    QStringList all {"MasJV", "DetJV", "User_Information", "Menus"};
    for (const auto &b : buttons)
        all += b.tables;
    for (const QString &t : all) {
        exec(QStringLiteral("create table if not exists %1 (Probe INTEGER)").arg(t));
        fillOneRow(conn(), t);
        if (t == "tblMasApp")
            fillOneRow(conn(), t); // a table with more than one row
    }
    auto count
        = [&](const QString &t) { return scalar(QStringLiteral("select count(*) from %1").arg(t)).toInt(); };

    QStringList emptied;
    for (const auto &b : buttons) {
        dialogs().answer(common::Answer::Yes);
        clickButton(w, b.button);
        emptied += b.tables;
        for (const QString &t : all)
            EXPECT_EQ(count(t) == 0, emptied.contains(t)) << b.button << " / " << t.toStdString();
    }
    // Again, on empty tables: nothing to remove, no error.
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdApplication");
    EXPECT_EQ(dialogs().count(), int(std::size(buttons)) + 1) << "only the questions were shown";
}

TEST_F(RemoveData, AMissingTableIsNamedAndNothingIsRemoved)
{
    exec("drop table if exists tblDetCarryForw");
    exec("create table if not exists tblMasCarryForw (Probe INTEGER)");
    fillOneRow(conn(), "tblMasCarryForw");
    dialogs().answer(common::Answer::Yes);
    clickButton(w, "cmdCarryForwardEntry");
    EXPECT_TRUE(dialogs().last().text.contains("tblDetCarryForw")) << dialogs().last().text.toStdString();
    EXPECT_EQ(dialogs().last().icon, common::Icon::Critical);
    EXPECT_EQ(scalar("select count(*) from tblMasCarryForw").toInt(), 1);
    ASSERT_TRUE(common::windows::ifLoaded("frmRemoveData")) << "the window stays open";
}

TEST_F(RemoveData, UnloadAppliesTheMenuRightsThenLowersTheLock)
{
    gLockRemoveData = true;
    w->unload();
    flushDeferred();
    EXPECT_EQ(menuRightsCalls, 1);
    EXPECT_TRUE(lockFlagAtMenuRights) << "the rights run before the flag goes down";
    EXPECT_FALSE(gLockRemoveData);
    EXPECT_FALSE(common::windows::ifLoaded("frmRemoveData"));
}
