#pragma once
// Two sessions, one course with three subjects, a student's ledger account,
// the cash-receipt setup and one admission whose first two subjects are
// inactive; helpers to read the stored forms and their 'CF' rows.
#include "common/globals.h"
#include "support/testserver.h"

#include <QStringList>

class CarryForwardFixture : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        exec("insert into tblSession (SessionId, SessionName) values (1, 'JAN-2023'), (2, 'JUL-2023')");
        exec("insert into tblCourse (CourseId, CourseName, Coursedurration) values (1, 'CA', '3')");
        exec("insert into tblSubject (SubId, CourseId, SubName, TotAmt) values (10, 1, 'TAXATION', 5000), "
             "(11, 1, 'AUDIT', 4000), (12, 1, 'LAW', 3000)");
        cash = addAccount("1.1.1", "CASH IN HAND");
        student = addAccount("2.1.1", "ALI RAZA");
        exec("Insert Into VouSetting (VouStatus, VouNo, AcCode) Values ('CR', 1, ?)", {cash});
        addApplication(5, "ALI RAZA", student, 1);
        exec("insert into tblDetApp (AppID, SubID, InActive) values (5, 10, '1'), (5, 11, '1'), (5, 12, "
             "null)");
    }

    std::int64_t addAccount(const char *nodes, const char *name)
    {
        exec("Insert Into Accounts (ParentID, Dcode, AcNodes, AcName, AcStatus) Values ('1', 1, ?, ?, 'DD')",
            {nodes, name});
        return scalar("Select RowID From Accounts Where AcNodes = ?", {nodes}).toInt();
    }
    void addApplication(int appId, const db::Value &name, const db::Value &account, int session,
        const db::Value &cell = "0300-1234567", const db::Value &reg = db::Value())
    {
        exec("insert into tblMasApp (AppID, RegNo, AppDate, FixDate, StuName, FatherName, NIC, CellNo, "
             "TotAmt, "
             "CashReceive, CusCode, SessionID) values (?, ?, '2023-01-10', '2023-01-15', ?, 'RAZA KHAN', "
             "'35202-1234567-1', ?, ?, ?, ?, ?)",
            {appId, reg, name, cell, db::Money::fromCents(1200000), db::Money::fromCents(200000), account,
                session});
    }

    // Lines of a form: "SubjectID|Naration|SessionID|ForAmt|PreSessionID|FormDate|AppID", "-" for Null.
    QStringList lines(int formId)
    {
        return rows("Select SubjectID, Naration, SessionID, ForAmt, PreSessionID, FormDate, AppID "
                    "From tblDetCarryForw Where FormID = ? Order By rowid",
            {formId});
    }
    // 'CF' rows: "EntryNo|SubID|SessionID|AcCode|CrAc|DrAmt|CrAmt|Naration|VouDate".
    QStringList cfRows(int formId)
    {
        return rows("Select EntryNo, SubID, SessionID, AcCode, CrAc, DrAmt, CrAmt, Naration, VouDate "
                    "From DetJV Where VouStatus = 'CF' And VouNo = ? Order By EntryNo",
            {formId});
    }
    QString master(int formId)
    {
        const QStringList r = rows("Select FormDate, AppID From tblMasCarryForw Where FormID = ?", {formId});
        return r.isEmpty() ? QString() : r.join(u';');
    }
    QStringList rows(const char *sql, const db::Params &params = {})
    {
        return TestServer::rows(QString::fromLatin1(sql), params);
    }
    QString id(std::int64_t key) const { return QString::number(key); }

    std::int64_t cash = 0, student = 0;
};
