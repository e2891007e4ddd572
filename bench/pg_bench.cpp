// Data-layer benchmark on PostgreSQL: the layer's cost beside the same work
// done through bare libpq in the same run, on the same database. The server
// is the one PGHOST/PGPORT (and PGUSER/PGPASSWORD) name, as pg_virtualenv
// sets them; the benchmark makes a database of its own there and drops it.
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DORU_TESTS=OFF -DORU_BENCH=ON
//   cmake --build build/bench --target bench_pg && pg_virtualenv build/bench/bench/bench_pg [rounds]
#include "app/startup.h"
#include "bench_support.h"
#include "platform/db/db.h"
#include "platform/db/pg_server.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::msSince;

// Connects with the environment's defaults for whatever is not given.
PGconn *connect(const QByteArray &database, const QByteArray &user = {}, const QByteArray &password = {})
{
    const char *keys[] = {"dbname", "user", "password", "client_encoding", "connect_timeout", nullptr};
    const char *values[] = {database.constData(), user.isEmpty() ? nullptr : user.constData(),
        password.isEmpty() ? nullptr : password.constData(), "UTF8", "5", nullptr};
    return PQconnectdbParams(keys, values, 0);
}

PGresult *checked(PGconn *c, PGresult *r)
{
    const ExecStatusType st = PQresultStatus(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
        std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(c));
        std::exit(1);
    }
    return r;
}

void exec(PGconn *c, const std::string &sql)
{
    PQclear(checked(c, PQexec(c, sql.c_str())));
}

// The benchmark's own database on the server, dropped when it goes (also
// when a step fails). The name is made here: no typed text reaches SQL.
struct ThrowawayDatabase {
    std::string name = "oru_bench_" + std::to_string(QCoreApplication::applicationPid());
    void admin(const std::string &sql) const
    {
        PGconn *c = connect("postgres");
        PQsetNoticeProcessor(
            c, [](void *, const char *) {}, nullptr);
        PQclear(PQexec(c, sql.c_str()));
        PQfinish(c);
    }
    ThrowawayDatabase() { admin("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)"); }
    ~ThrowawayDatabase() { admin("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)"); }
};

constexpr int kInsertRows = 100000;
constexpr int kSumRows = 1000000;
// DetJV's shape as the schema steps make it on PostgreSQL.
const char *const kDetTable
    = "(VouNo BIGINT, VouStatus VARCHAR(2) COLLATE NOCASE, VouDate DATE, AcCode BIGINT,"
      " DrAmt oru_money, CrAmt oru_money, Naration VARCHAR(100) COLLATE NOCASE)";
const char *const kDetColumns = "(VouNo, VouStatus, VouDate, AcCode, DrAmt, CrAmt, Naration)";

struct Line : bench::Line {
    // The same values as text made beforehand, for libpq's own cost alone.
    std::string texts[7];
};

void line(const char *what, double ours, double bare, const char *bareIs)
{
    std::printf("%-56s layer %9.1f ms   %s %9.1f ms   ratio %5.2f\n", what, ours, bareIs, bare, ours / bare);
}

} // namespace

static int run(int rounds)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!qEnvironmentVariableIsSet("PGHOST") && !qEnvironmentVariableIsSet("PGPORT")) {
        std::printf("no PostgreSQL server named (PGHOST/PGPORT): skipped PG (run under pg_virtualenv)\n");
        return 0;
    }
    {
        PGconn *probe = connect("postgres");
        const bool up = PQstatus(probe) == CONNECTION_OK;
        if (!up)
            std::printf("PostgreSQL server does not answer (%s): skipped PG\n", PQerrorMessage(probe));
        PQfinish(probe);
        if (!up)
            return 0;
    }

    app::registerStorage();
    const ThrowawayDatabase database;
    QTemporaryDir tmp;
    const QString server = tmp.path() + QStringLiteral("/srv");
    const QString password = QStringLiteral("Bench-Pass-1");
    const QString host = qEnvironmentVariableIsEmpty("PGHOST") ? QStringLiteral("localhost")
                                                               : qEnvironmentVariable("PGHOST");
    const int port = qEnvironmentVariableIntValue("PGPORT") ? qEnvironmentVariableIntValue("PGPORT") : 5432;

    db::Connection conn;
    try {
        bench::attachPg(server, host, port, QString::fromStdString(database.name));
        db::server::create(server, password, db::server::HashCost::Minimal);
        conn.setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
        conn.setProperty(QStringLiteral("Password"), password);
        conn.setProperty(QStringLiteral("Data Source"), server);
        conn.setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
        conn.open();
    } catch (const db::Error &e) {
        std::fprintf(stderr, "cannot make the PostgreSQL server: %s\n", qPrintable(e.text()));
        return 1;
    }

    // Bare libpq on the same database, as the same role over the same socket.
    PGconn *bare = connect(QByteArray::fromStdString(database.name), "sa", password.toUpper().toUtf8());
    if (PQstatus(bare) != CONNECTION_OK) {
        std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(bare));
        return 1;
    }
    // The program's money() before the server's cast of that name, as the
    // layer calls it.
    exec(bare, "SET search_path = oru, pg_catalog");
    // The tables of the benchmark are made as a schema step is: by the
    // server's administrator as the database's owner role, so that the
    // layer's sessions and the bare one (logins both) read and write them.
    PGconn *owner = connect(QByteArray::fromStdString(database.name));
    if (PQstatus(owner) != CONNECTION_OK) {
        std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(owner));
        return 1;
    }
    exec(owner, "SET search_path = oru, pg_catalog; SET ROLE " + database.name + "_owner");

    std::vector<Line> lines(kInsertRows);
    for (int i = 0; i < kInsertRows; ++i) {
        Line &l = lines[size_t(i)];
        bench::fillLine(l, i);
        l.texts[0] = std::to_string(l.vouNo);
        l.texts[1] = "BP";
        l.texts[2] = l.date.toString(Qt::ISODate).toStdString();
        l.texts[3] = std::to_string(l.acCode);
        l.texts[4] = std::to_string(l.amount.cents());
        l.texts[5] = std::to_string(0);
        l.texts[6] = l.narration.toStdString();
    }

    std::map<std::string, int> tables;
    auto newTable = [&](const std::string &stem) {
        const std::string t = stem + std::to_string(tables[stem]++);
        exec(owner, "CREATE TABLE " + t + " " + kDetTable);
        return t;
    };

    // ---- 1. inserts, all rows in one transaction
    auto addNew = [&] {
        const QString table = QString::fromStdString(newTable("detaddnew"));
        return bench::addNewAll(conn, table, lines);
    };
    auto execute = [&] {
        const QString table = QString::fromStdString(newTable("detexecute"));
        const QString sql = QStringLiteral("INSERT INTO %1 %2 VALUES (?, ?, ?, ?, ?, ?, ?)")
                                .arg(table, QLatin1String(kDetColumns));
        const auto t0 = Clock::now();
        db::Transaction t(conn);
        for (const Line &l : lines)
            conn.execute(sql, {l.vouNo, "BP", l.date, l.acCode, l.amount, db::Money(), l.narration});
        t.commit();
        return msSince(t0);
    };
    // `converting`: from the same Qt values, made text per row as a program
    // using libpq must; otherwise from text made beforehand.
    auto bareInsert = [&](bool converting) {
        const std::string table = newTable("detbare");
        const auto t0 = Clock::now();
        const std::string name = "ins_" + table;
        PQclear(checked(bare,
            PQprepare(bare, name.c_str(),
                ("INSERT INTO " + table + " " + kDetColumns + " VALUES ($1, $2, $3, $4, $5, $6, $7)").c_str(),
                0, nullptr)));
        exec(bare, "BEGIN");
        for (const Line &l : lines) {
            const char *values[7];
            char no[24], date[11], ac[24], cents[24];
            QByteArray narration;
            if (converting) {
                std::snprintf(no, sizeof no, "%d", l.vouNo);
                int y, m, d;
                l.date.getDate(&y, &m, &d);
                std::snprintf(date, sizeof date, "%04d-%02d-%02d", y, m, d);
                std::snprintf(ac, sizeof ac, "%d", l.acCode);
                std::snprintf(cents, sizeof cents, "%lld", static_cast<long long>(l.amount.cents()));
                narration = l.narration.toUtf8();
                values[0] = no;
                values[1] = "BP";
                values[2] = date;
                values[3] = ac;
                values[4] = cents;
                values[5] = "0";
                values[6] = narration.constData();
            } else {
                for (int i = 0; i < 7; ++i)
                    values[i] = l.texts[i].c_str();
            }
            PQclear(checked(bare, PQexecPrepared(bare, name.c_str(), 7, values, nullptr, nullptr, 0)));
        }
        exec(bare, "COMMIT");
        exec(bare, "DEALLOCATE " + name);
        return msSince(t0);
    };
    double addNewMs = 1e300, executeMs = 1e300, bareMs = 1e300, bareRawMs = 1e300;
    for (int i = 0; i < rounds; ++i) { // interleaved, so all see the same machine state
        bareMs = std::min(bareMs, bareInsert(true));
        addNewMs = std::min(addNewMs, addNew());
        bareRawMs = std::min(bareRawMs, bareInsert(false));
        executeMs = std::min(executeMs, execute());
    }
    const db::Value inserted = conn.scalar(QStringLiteral("select count(*) from detaddnew0"));
    const db::Value insertedTotal = conn.scalar(QStringLiteral("select money(sum(DrAmt)) from detexecute1"));

    // ---- 2. grouped money sum over DetJV-like rows
    // A year of postings to 250 accounts, each row a debit or a credit.
    exec(owner, std::string("CREATE TABLE detsum ") + kDetTable);
    exec(bare,
        "INSERT INTO detsum SELECT i / 4 + 1, 'BP', DATE '2009-01-01' + (i % 365)::int, 1000 + i % 250,"
        " CASE WHEN i % 2 = 0 THEN 1 + (i * 7919) % 100000 ELSE 0 END,"
        " CASE WHEN i % 2 = 1 THEN 1 + (i * 7919) % 100000 ELSE 0 END,"
        " 'PAID TO SUPPLIER ' || i % 997 || ' AGAINST BILL' FROM generate_series(0::bigint, "
            + std::to_string(kSumRows - 1) + ") i");
    exec(owner, "VACUUM ANALYZE detsum");
    const char *const grouped = "select AcCode, money(sum(DrAmt)) as Dr, money(sum(CrAmt)) as Cr from detsum"
                                " group by AcCode order by AcCode";
    db::Money totalOurs, totalBare;
    auto sumOurs = [&] {
        const auto t0 = Clock::now();
        db::Recordset rs;
        rs.open(QString::fromLatin1(grouped), conn);
        db::Money total;
        for (; !rs.eof(); rs.moveNext())
            total += rs.fields(QStringLiteral("Dr")).toMoney() - rs.fields(QStringLiteral("Cr")).toMoney();
        totalOurs = total;
        return msSince(t0);
    };
    PQclear(checked(bare, PQprepare(bare, "grouped", grouped, 0, nullptr)));
    auto sumBare = [&] {
        const auto t0 = Clock::now();
        PGresult *r = checked(bare, PQexecPrepared(bare, "grouped", 0, nullptr, nullptr, nullptr, 0));
        db::Money total;
        for (int row = 0; row < PQntuples(r); ++row)
            total += db::Money::parse(QString::fromLatin1(PQgetvalue(r, row, 1)))
                - db::Money::parse(QString::fromLatin1(PQgetvalue(r, row, 2)));
        PQclear(r);
        totalBare = total;
        return msSince(t0);
    };
    double groupOurs = 1e300, groupBare = 1e300;
    for (int i = 0; i < rounds; ++i) {
        groupBare = std::min(groupBare, sumBare());
        groupOurs = std::min(groupOurs, sumOurs());
    }

    // ---- 3. reading every row and field of a large result
    const std::string readSql
        = "select VouNo, VouStatus, VouDate, AcCode, DrAmt, CrAmt, Naration from detbare0";
    std::int64_t sumOursRead = 0, sumBareRead = 0;
    auto readOurs = [&] {
        const auto t0 = Clock::now();
        db::Recordset rs;
        rs.open(QString::fromStdString(readSql), conn);
        std::int64_t sum = 0;
        for (; !rs.eof(); rs.moveNext()) {
            sum += rs.fields(0).toInt() + rs.fields(3).toInt() + rs.fields(4).toMoney().cents()
                + rs.fields(5).toMoney().cents();
            sum += rs.fields(1).toString().size() + rs.fields(6).toString().size()
                + rs.fields(2).toDate().day();
        }
        sumOursRead = sum;
        return msSince(t0);
    };
    PQclear(checked(bare, PQprepare(bare, "read", readSql.c_str(), 0, nullptr)));
    // `converting`: every cell to the Qt value a window uses (number, text,
    // date, cents); otherwise each cell's text touched once.
    auto readBare = [&](bool converting) {
        const auto t0 = Clock::now();
        PGresult *r = checked(bare, PQexecPrepared(bare, "read", 0, nullptr, nullptr, nullptr, 0));
        std::int64_t sum = 0;
        const int rows = PQntuples(r);
        for (int row = 0; row < rows; ++row) {
            if (converting) {
                for (int col : {0, 3, 4, 5})
                    sum += std::strtoll(PQgetvalue(r, row, col), nullptr, 10);
                for (int col : {1, 6})
                    sum += QString::fromUtf8(PQgetvalue(r, row, col), PQgetlength(r, row, col)).size();
                sum += QDate::fromString(
                    QString::fromLatin1(PQgetvalue(r, row, 2), PQgetlength(r, row, 2)), Qt::ISODate)
                           .day();
            } else {
                for (int col = 0; col < 7; ++col)
                    sum += PQgetlength(r, row, col) + PQgetvalue(r, row, col)[0];
            }
        }
        PQclear(r);
        if (converting)
            sumBareRead = sum;
        return msSince(t0);
    };
    double readOursMs = 1e300, readBareMs = 1e300, readRawMs = 1e300;
    for (int i = 0; i < rounds; ++i) {
        readBareMs = std::min(readBareMs, readBare(true));
        readOursMs = std::min(readOursMs, readOurs());
        readRawMs = std::min(readRawMs, readBare(false));
    }

    const int version = PQserverVersion(bare) / 10000;
    PQfinish(bare);
    PQfinish(owner);
    conn.close();

    std::printf("PostgreSQL %d, best of %d rounds\n", version, rounds);
    std::printf("(check: %lld rows inserted, total %s)\n", static_cast<long long>(inserted.toInt()),
        qPrintable(insertedTotal.toString()));
    char what[96];
    std::snprintf(what, sizeof what, "insert %d rows, AddNew/Update, one transaction", kInsertRows);
    line(what, addNewMs, bareMs, "bare libpq");
    std::snprintf(what, sizeof what, "insert %d rows, Connection::execute, one transaction", kInsertRows);
    line(what, executeMs, bareMs, "bare libpq");
    std::printf("  (bare libpq from text made beforehand: %.1f ms; AddNew ratio %.2f, execute ratio %.2f)\n",
        bareRawMs, addNewMs / bareRawMs, executeMs / bareRawMs);
    std::snprintf(what, sizeof what, "grouped money sums over %d DetJV-like rows", kSumRows);
    line(what, groupOurs, groupBare, "bare libpq");
    std::printf(
        "  (net of the sums %s / %s)\n", qPrintable(totalOurs.toString()), qPrintable(totalBare.toString()));
    std::snprintf(what, sizeof what, "recordset read of %d rows, every field", kInsertRows);
    line(what, readOursMs, readBareMs, "bare libpq");
    std::printf("  (bare libpq touching each cell's text only: %.1f ms, ratio %.2f)\n", readRawMs,
        readOursMs / readRawMs);
    const bool met = addNewMs / bareMs <= 1.5 && executeMs / bareMs <= 1.5 && groupOurs / groupBare <= 1.5;
    std::printf("target ratio <= 1.5 (inserts, grouped sum): %s\n", met ? "met" : "NOT met");
    return totalOurs == totalBare && sumOursRead == sumBareRead ? 0 : 1;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(argc > 1 ? std::max(1, std::atoi(argv[1])) : 5);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_pg: %s\n", e.what());
        return 1;
    }
}
