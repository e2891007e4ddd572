#pragma once
// What the data-layer benchmarks of both engines share: the clock, the
// voucher lines they insert, and that insert through AddNew/Update, so that
// the two engines' figures time the same work.
#include "platform/db/db.h"
#include "platform/db/pg_server.h"

#include <QDate>
#include <QFile>
#include <QString>

#include <libpq-fe.h>

#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A line of DetJV as a window posts it; each benchmark adds the same values
// in the form its bare API takes them.
struct Line {
    int vouNo;
    int acCode;
    QDate date;
    db::Money amount;
    QString narration;
};

// The i-th line: four to a voucher, 250 accounts, a year of dates.
inline void fillLine(Line &l, int i)
{
    l.vouNo = i / 4 + 1;
    l.acCode = 1000 + i % 250;
    l.date = QDate(2009, 1, 1).addDays(i % 365);
    l.amount = db::Money::fromCents(100 + (i * 7919) % 1000000);
    l.narration = QStringLiteral("PAID TO SUPPLIER %1 AGAINST BILL").arg(i % 997);
}

// Milliseconds to write the lines into `table` (DetJV's columns) through a
// recordset's AddNew/Update, all in one transaction.
template <typename Lines> double addNewAll(db::Connection &conn, const QString &table, const Lines &lines)
{
    const auto t0 = Clock::now();
    {
        db::Recordset rs;
        rs.open(QStringLiteral("Select * From %1 Where 0=1").arg(table), conn);
        db::Transaction t(conn);
        for (const Line &l : lines) {
            rs.addNew();
            rs.fields(QStringLiteral("VouNo")).setValue(l.vouNo);
            rs.fields(QStringLiteral("VouStatus")).setValue("BP");
            rs.fields(QStringLiteral("VouDate")).setValue(l.date);
            rs.fields(QStringLiteral("AcCode")).setValue(l.acCode);
            rs.fields(QStringLiteral("DrAmt")).setValue(l.amount);
            rs.fields(QStringLiteral("CrAmt")).setValue(db::Money());
            rs.fields(QStringLiteral("Naration")).setValue(l.narration);
            rs.update();
        }
        t.commit();
    }
    return msSince(t0);
}

// Makes the folder `server` name the PostgreSQL database, as oruadmin
// attach does; a server without TLS (a bare pg_virtualenv) is named so
// (sslmode=disable), as a test server may be.
inline void attachPg(const QString &server, const QString &host, int port, const QString &database)
{
    db::server::attach(server, host, port, database);
    PGconn *probe = PQconnectdb("dbname=postgres sslmode=prefer");
    const bool tls = PQstatus(probe) == CONNECTION_OK && PQsslInUse(probe);
    PQfinish(probe);
    if (!tls) {
        QFile f(db::server::resolve(server) + QStringLiteral("/postgres.txt"));
        if (f.open(QIODevice::Append | QIODevice::Text))
            f.write("sslmode=disable\n");
    }
}

} // namespace bench
