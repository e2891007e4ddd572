#pragma once
// A small chart of accounts and helpers to read the stored vouchers.
#include "common/globals.h"
#include "support/entry_fixture.h"

#include <QStringList>

class VoucherFixture : public EntryFixture {
protected:
    void SetUp() override
    {
        EntryFixture::SetUp();
        addAccount("1", "ASSETS", "HH");
        addAccount("1.1", "BANKS", "HD");
        addAccount("1.2", "CASH", "HD");
        addAccount("2", "EXPENSES", "HH");
        addAccount("2.1", "OFFICE", "HD");
        hbl = addAccount("1.1.1", "HBL BANK", "DD", "B");
        allied = addAccount("1.1.2", "ALLIED BANK", "DD", "B");
        cash = addAccount("1.2.1", "CASH IN HAND", "DD");
        rent = addAccount("2.1.1", "RENT", "DD");
        tea = addAccount("2.1.2", "TEA", "DD");
        postage = addAccount("2.1.3", "POSTAGE", "DD");
    }

    // The voucher's rows, one text per row in EntryNo order:
    // "EntryNo|AcCode|CrAc|DrAmt|CrAmt|ChecqNo|Naration|FileNo|BillNo" with "-" for Null.
    QStringList rows(const QString &kind, int no)
    {
        return TestServer::rows(
            QStringLiteral("Select EntryNo, AcCode, CrAc, DrAmt, CrAmt, ChecqNo, Naration, FileNo, BillNo "
                           "From DetJV Where VouStatus = ? And VouNo = ? Order By EntryNo, rowid"),
            {kind, no});
    }
    // "VouDate|PaidReceive|TotalAmount|Login", or "" when there is no master.
    QString master(const QString &kind, int no)
    {
        db::Recordset rs;
        rs.open(QStringLiteral("Select VouDate, PaidReceive, TotalAmount, Login From MasJV "
                               "Where VouStatus = ? And VouNo = ?"),
            conn(), {kind, no});
        return masterText(rs);
    }

    std::int64_t hbl = 0, allied = 0, cash = 0, rent = 0, tea = 0, postage = 0;
};
