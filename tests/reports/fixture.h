#pragma once
// A small chart, a few vouchers posted as the voucher windows post them, and
// an admitted student, inserted directly with bound values.
#include "common/globals.h"
#include "reports/report_procedures.h"
#include "reports/reports.h"
#include "support/testserver.h"

#include <QStringList>

inline db::Money money(const char *text)
{
    return db::Money::parse(QString::fromLatin1(text));
}

class ReportsFixture : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        reports::registerProcedures();
        addAccount("1", "ASSETS", "HH");
        addAccount("1.1", "BANKS", "HD");
        addAccount("1.2", "CASH", "HD");
        addAccount("2", "INCOME", "HH");
        addAccount("2.1", "FEES", "HD");
        addAccount("3", "EXPENSES", "HH");
        addAccount("3.1", "OFFICE", "HD");
        hbl = addAccount("1.1.1", "HBL BANK", "DD", "B", "1000.00");
        cash = addAccount("1.2.1", "CASH IN HAND", "DD", nullptr, "250.50");
        fees = addAccount("2.1.1", "FEE INCOME", "DD", nullptr, "-1250.50");
        rent = addAccount("3.1.1", "RENT", "DD");
        tea = addAccount("3.1.2", "TEA", "DD");
        exec("Insert Into Company (Company, comActive) Values ('ORU INSTITUTE', 'Y'), ('OLD NAME', Null)");
    }

    std::int64_t addAccount(const char *nodes, const char *name, const char *status,
        const char *bstatus = nullptr, const char *openBal = nullptr)
    {
        return TestServer::addAccount(nodes, name, status, bstatus ? db::Value(bstatus) : db::Value(),
            openBal ? db::Value(money(openBal)) : db::Value());
    }

    void row(const char *kind, int no, const char *date, int entry, std::int64_t ac, db::Value crAc,
        const char *dr, const char *cr, const char *narration = "")
    {
        exec(QStringLiteral(
                 "Insert Into DetJV (VouNo, VouStatus, VouDate, EntryNo, AcCode, CrAc, DrAmt, CrAmt, "
                 "ChecqNo, Naration) Values (?,?,?,?,?,?,?,?,'',?)"),
            {no, kind, date, entry, ac, crAc, money(dr), money(cr), narration});
    }
    // A paired line (bank, journal): the debit row, then the credit row.
    void paired(const char *kind, int no, const char *date, int entry, std::int64_t debit,
        std::int64_t credit, const char *amount, const char *narration = "")
    {
        row(kind, no, date, entry, debit, credit, amount, "0", narration);
        row(kind, no, date, entry, credit, debit, "0", amount, narration);
    }
    void master(const char *kind, int no, const char *date, const char *total)
    {
        exec(QStringLiteral("Insert Into MasJV (VouNo, VouStatus, VouDate, TotalAmount, Login) "
                            "Values (?,?,?,?,'sa')"),
            {no, kind, date, money(total)});
    }

    // The vouchers of the books: a cash payment of two lines, a cash receipt,
    // a bank payment and a journal, one cash payment before and one after March.
    void postVouchers()
    {
        // CP 1, 2024-02-20: rent 100 before the period.
        master("CP", 1, "2024-02-20", "100");
        row("CP", 1, "2024-02-20", 1, rent, cash, "100.00", "0", "FEB RENT");
        row("CP", 1, "2024-02-20", 2, cash, {}, "0", "100.00");
        // CP 2, 2024-03-05: rent 300 and tea 12.35.
        master("CP", 2, "2024-03-05", "312.35");
        row("CP", 2, "2024-03-05", 1, rent, cash, "300.00", "0", "MARCH RENT");
        row("CP", 2, "2024-03-05", 2, tea, cash, "12.35", "0", "TEA");
        row("CP", 2, "2024-03-05", 3, cash, {}, "0", "312.35");
        // CR 1, 2024-03-10: fees 500.10 received in cash.
        master("CR", 1, "2024-03-10", "500.10");
        row("CR", 1, "2024-03-10", 1, fees, cash, "0", "500.10", "FEES");
        row("CR", 1, "2024-03-10", 2, cash, {}, "500.10", "0");
        // BP 1, 2024-03-31: rent 0.05 by cheque.
        master("BP", 1, "2024-03-31", "0.05");
        paired("BP", 1, "2024-03-31", 1, rent, hbl, "0.05", "BANK CHARGES");
        // JV 1, 2024-04-01: after the period.
        master("JV", 1, "2024-04-01", "40");
        paired("JV", 1, "2024-04-01", 1, tea, rent, "40.00", "RECLASS");
    }

    // Rows of a query, each "a|b|c" with "-" for Null.
    QStringList rows(const QString &sql, const db::Params &params = {})
    {
        return TestServer::rows(sql, params);
    }

    std::int64_t hbl = 0, cash = 0, fees = 0, rent = 0, tea = 0;
};
