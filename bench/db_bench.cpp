// Data-layer benchmark: the layer's cost beside the same work done through
// the bare SQLite C API in the same run, on the same server files.
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DORU_TESTS=OFF
//   cmake --build build/bench --target bench_db && build/bench/bench/bench_db
#include "app/startup.h"
#include "bench_support.h"
#include "platform/db/db.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::msSince;

void check(int rc, sqlite3 *h)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(h));
        std::exit(1);
    }
}

void exec(sqlite3 *h, const char *sql)
{
    check(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), h);
}

constexpr int insertRows = 100000;
constexpr int sumRows = 1000000;
const char *const detTable
    = "(VouNo INTEGER, VouStatus VARCHAR(2) COLLATE NOCASE, VouDate DATE, AcCode INTEGER,"
      " DrAmt MONEY, CrAmt MONEY, Naration VARCHAR(100) COLLATE NOCASE)";

struct Line : bench::Line {
    std::string isoDate; // the same values as the bare API takes them
    std::string narration8;
};

} // namespace

int main()
{
    app::registerStorage();
    QTemporaryDir tmp;
    const QString server = tmp.path() + QStringLiteral("/srv");
    const QString password = QStringLiteral("Bench-Pass-1");
    db::server::create(server, password, db::server::HashCost::Interactive);

    db::Connection conn;
    conn.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    conn.setProperty(QStringLiteral("Password"), password);
    conn.setProperty(QStringLiteral("Data Source"), server);
    conn.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    conn.open();

    // The bare API on the same file, with the same settings.
    sqlite3 *bare = nullptr;
    check(sqlite3_open_v2((server + QStringLiteral("/ORU.db")).toUtf8().constData(), &bare,
              SQLITE_OPEN_READWRITE, nullptr),
        bare);
    sqlite3_busy_timeout(bare, 5000);
    exec(bare, "PRAGMA synchronous=FULL");

    std::vector<Line> lines(insertRows);
    for (int i = 0; i < insertRows; ++i) {
        Line &l = lines[size_t(i)];
        bench::fillLine(l, i);
        l.isoDate = l.date.toString(Qt::ISODate).toStdString();
        l.narration8 = l.narration.toStdString();
    }

    // ---- 1. 100,000 rows through AddNew/Update in one transaction
    int runOurs = 0, runBare = 0;
    auto ours = [&] {
        const QString table = QStringLiteral("DetOurs%1").arg(runOurs++);
        conn.execute(QStringLiteral("CREATE TABLE %1 %2").arg(table, QLatin1String(detTable)));
        return bench::addNewAll(conn, table, lines);
    };
    // The same rows through the bare API. `converting`: from the same Qt
    // values, converted per row as a program using the C API must (UTF-8
    // text, ISO date built by hand); otherwise from buffers made beforehand
    // (SQLite's own cost alone).
    auto bareInsert = [&](bool converting) {
        const std::string table = "DetBare" + std::to_string(runBare++);
        exec(bare, ("CREATE TABLE " + table + " " + detTable).c_str());
        const auto t0 = Clock::now();
        sqlite3_stmt *s = nullptr;
        const std::string sql = "INSERT INTO " + table
            + " (VouNo, VouStatus, VouDate, AcCode, DrAmt, CrAmt, Naration) VALUES (?, ?, ?, ?, ?, ?, ?)";
        check(sqlite3_prepare_v2(bare, sql.c_str(), -1, &s, nullptr), bare);
        exec(bare, "BEGIN IMMEDIATE");
        for (const Line &l : lines) {
            sqlite3_bind_int64(s, 1, l.vouNo);
            sqlite3_bind_text(s, 2, "BP", 2, SQLITE_STATIC);
            QByteArray narration;
            char iso[11];
            if (converting) {
                int y, m, d;
                l.date.getDate(&y, &m, &d);
                std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", y, m, d);
                narration = l.narration.toUtf8();
                sqlite3_bind_text(s, 3, iso, 10, SQLITE_TRANSIENT);
                sqlite3_bind_text(s, 7, narration.constData(), int(narration.size()), SQLITE_STATIC);
            } else {
                sqlite3_bind_text(s, 3, l.isoDate.data(), int(l.isoDate.size()), SQLITE_STATIC);
                sqlite3_bind_text(s, 7, l.narration8.data(), int(l.narration8.size()), SQLITE_STATIC);
            }
            sqlite3_bind_int64(s, 4, l.acCode);
            sqlite3_bind_int64(s, 5, l.amount.cents());
            sqlite3_bind_int64(s, 6, 0);
            check(sqlite3_step(s), bare);
            sqlite3_reset(s);
        }
        exec(bare, "COMMIT");
        sqlite3_finalize(s);
        return msSince(t0);
    };
    double insertOurs = 1e300, insertBare = 1e300, insertBareRaw = 1e300;
    for (int i = 0; i < 5; ++i) { // interleaved, so all see the same machine state; best of five
        insertBare = std::min(insertBare, bareInsert(true));
        insertBareRaw = std::min(insertBareRaw, bareInsert(false));
        insertOurs = std::min(insertOurs, ours());
    }
    {
        db::Recordset check;
        check.open(QStringLiteral("select count(*) as n, money(sum(DrAmt)) as t from DetOurs0"), conn);
        std::printf("(check: %lld rows, total %s)\n", static_cast<long long>(check.fields(0).toInt()),
            qPrintable(check.fields(1).toString()));
    }

    // ---- 2. grouped money sum over 1,000,000 rows
    exec(bare,
        "CREATE TABLE Amounts (Grp INTEGER, Amt MONEY);"
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 999999)"
        " INSERT INTO Amounts SELECT i % 50, 1 + (i * 7919) % 100000 FROM n");
    const QString groupedOurs
        = QStringLiteral("select Grp, money(sum(Amt)) as Total from Amounts group by Grp order by Grp");
    db::Money totalOurs, totalBare;
    auto sumOurs = [&] {
        const auto t0 = Clock::now();
        db::Recordset rs;
        rs.open(groupedOurs, conn);
        db::Money total;
        for (; !rs.eof(); rs.moveNext())
            total += rs.fields(QStringLiteral("Total")).toMoney();
        totalOurs = total;
        return msSince(t0);
    };
    auto sumBare = [&] {
        const auto t0 = Clock::now();
        sqlite3_stmt *s = nullptr;
        check(sqlite3_prepare_v2(
                  bare, "select Grp, sum(Amt) from Amounts group by Grp order by Grp", -1, &s, nullptr),
            bare);
        std::int64_t total = 0;
        while (sqlite3_step(s) == SQLITE_ROW)
            total += sqlite3_column_int64(s, 1);
        sqlite3_finalize(s);
        totalBare = db::Money::fromCents(total);
        return msSince(t0);
    };
    double groupOurs = 1e300, groupBare = 1e300;
    for (int i = 0; i < 5; ++i) {
        groupBare = std::min(groupBare, sumBare());
        groupOurs = std::min(groupOurs, sumOurs());
    }

    // ---- 3. opening a connection with log-in
    conn.close();
    std::vector<double> opens;
    for (int i = 0; i < 5; ++i) {
        db::Connection c;
        c.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
        c.setProperty(QStringLiteral("Password"), password);
        c.setProperty(QStringLiteral("Data Source"), server);
        c.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
        const auto t0 = Clock::now();
        c.open();
        opens.push_back(msSince(t0));
    }
    std::sort(opens.begin(), opens.end());
    double failed = 0;
    {
        db::Connection c;
        c.setProperty(QStringLiteral("User ID"), QStringLiteral("nobody"));
        c.setProperty(QStringLiteral("Password"), password);
        c.setProperty(QStringLiteral("Data Source"), server);
        const auto t0 = Clock::now();
        try {
            c.open();
        } catch (const db::Error &) {
        }
        failed = msSince(t0);
    }
    sqlite3_close(bare);

    const double r1 = insertOurs / insertBare, r2 = groupOurs / groupBare;
    std::printf(
        "insert %d rows, AddNew/Update in one transaction: layer %.1f ms, bare SQLite from the same Qt values"
        " %.1f ms, ratio %.2f\n",
        insertRows, insertOurs, insertBare, r1);
    std::printf("  (bare SQLite from buffers made beforehand, its own cost alone: %.1f ms, ratio %.2f)\n",
        insertBareRaw, insertOurs / insertBareRaw);
    std::printf(
        "grouped money sum over %d rows through a recordset: layer %.1f ms, bare SQLite %.1f ms, ratio %.2f"
        " (totals %s / %s)\n",
        sumRows, groupOurs, groupBare, r2, qPrintable(totalOurs.toString()),
        qPrintable(totalBare.toString()));
    std::printf(
        "connection open with log-in (Argon2id, interactive limits): median %.1f ms, min %.1f ms over %zu;"
        " unknown login %.1f ms\n",
        opens[opens.size() / 2], opens.front(), opens.size(), failed);
    std::printf("target ratio <= 1.5: %s\n", r1 <= 1.5 && r2 <= 1.5 ? "met" : "NOT met");
    return totalOurs == totalBare ? 0 : 1;
}
