#pragma once
// A small institute: a cash account, two banks, a students' head with two
// admitted students, a catalogue of three subjects, and helpers to read the
// stored fee receipts.
#include "common/globals.h"
#include "fees/feereceipt_rules.h"
#include "support/entry_fixture.h"

#include <QStringList>

class FeeFixture : public EntryFixture {
protected:
    void SetUp() override
    {
        EntryFixture::SetUp();
        addAccount("1", "ASSETS", "HH");
        addAccount("1.1", "BANKS", "HD");
        addAccount("1.2", "CASH", "HD");
        addAccount("1.3", "STUDENTS", "HD");
        hbl = addAccount("1.1.1", "HBL BANK", "DD", "B");
        allied = addAccount("1.1.2", "ALLIED BANK", "DD", "B");
        cash = addAccount("1.2.1", "CASH IN HAND", "DD");
        ali = addAccount("1.3.1", "ALI RAZA", "DD");
        sara = addAccount("1.3.2", "SARA KHAN", "DD");
        walkIn = addAccount("1.3.3", "WALK IN", "DD"); // no admission

        exec("Insert Into tblSession (SessionId, SessionName) Values (1, 'SPRING 2024'), (2, 'AUTUMN 2024'), "
             "(3, 'FALL 2023')");
        exec("Insert Into tblCourse (CourseId, CourseName) Values (1, 'CA')");
        exec("Insert Into tblSubject (SubId, CourseId, SubName, TotAmt) Values (11, 1, 'ACCOUNTING', 6000), "
             "(12, 1, 'AUDIT', 4000), (13, 1, 'TAXATION', 3000)");
        // Ali: accounting 6000 less 1000 discount, 1000 taken at admission; audit
        // with no net amount recorded. Sara: accounting and taxation.
        admit(1, ali, 1, {{11, "6000", "1000", "5000", "1000"}, {12, "4000", nullptr, nullptr, nullptr}});
        admit(2, sara, 2, {{11, "6000", nullptr, "6000", nullptr}, {13, "3000", "500", "2500", "2500"}});
    }

    struct SubjectLine {
        int subId;
        const char *amount, *discount, *net, *received;
    };
    static db::Value money(const char *text)
    {
        return text ? db::Value(db::Money::parse(QString::fromLatin1(text))) : db::Value();
    }

    // An admission as the admission window stores it, with its admission-receipt pair.
    void admit(int appId, std::int64_t account, int session, const std::vector<SubjectLine> &subjects)
    {
        db::Money received;
        for (const SubjectLine &s : subjects) {
            exec(
                QStringLiteral("Insert Into tblDetApp (AppID, SubID, SubAmt, Discount, NetAmount, RecAmount) "
                               "Values (?, ?, ?, ?, ?, ?)"),
                {appId, s.subId, money(s.amount), money(s.discount), money(s.net), money(s.received)});
            if (s.received)
                received += db::Money::parse(QString::fromLatin1(s.received));
        }
        exec(QStringLiteral("Insert Into tblMasApp (AppID, StuName, CusCode, SessionID, CashReceive) "
                            "Values (?, (Select AcName From Accounts Where RowID = ?), ?, ?, ?)"),
            {appId, static_cast<long long>(account), static_cast<long long>(account), session, received});
        if (received > db::Money()) {
            exec(
                QStringLiteral("Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, DrAmt, CrAmt, "
                               "CrAc) Values (?, 'AR', '01/03/2024', 1, ?, ?, 0, ?), "
                               "(?, 'AR', '01/03/2024', 2, ?, 0, ?, ?)"),
                {static_cast<long long>(account), static_cast<long long>(cash), received,
                    static_cast<long long>(account), static_cast<long long>(account),
                    static_cast<long long>(account), received, static_cast<long long>(cash)});
        }
    }

    // The receipt's rows in stored order:
    // "EntryNo|AcCode|CrAc|DrAmt|CrAmt|ChecqNo|Naration|SessionID|SubID|VouDate" with "-" for Null.
    QStringList rows(int no, const char *kind = "FR")
    {
        db::Recordset rs;
        rs.open(
            QStringLiteral("Select EntryNo, AcCode, CrAc, DrAmt, CrAmt, ChecqNo, Naration, SessionID, SubID, "
                           "VouDate From DetJV Where VouStatus = ? And VouNo = ? Order By EntryNo, rowid"),
            conn(), {kind, no});
        return texts(rs);
    }
    // "VouDate|PaidReceive|TotalAmount|Login|SlipNo|IRStatus", or "" when there is no master.
    QString master(int no, const char *kind = "FR")
    {
        db::Recordset rs;
        rs.open(QStringLiteral("Select VouDate, PaidReceive, TotalAmount, Login, SlipNo, IRStatus From MasJV "
                               "Where VouStatus = ? And VouNo = ?"),
            conn(), {kind, no});
        return masterText(rs);
    }

    std::int64_t hbl = 0, allied = 0, cash = 0, ali = 0, sara = 0, walkIn = 0;
};
