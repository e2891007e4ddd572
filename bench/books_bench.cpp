// The reports on a large book, each beside the bare query of the same rows
// run in the same process on the same data, as a ratio.
//   book: 1,000,000 DetJV rows in 200,000 vouchers, 20,000 admitted students
//   (each with an account and three subject lines), 5,000 chart accounts.
//   build/bench/bench/bench_books [rounds]
//   pg_virtualenv build/bench/bench/bench_books --pg [rounds] [vouchers]
// With ORU_BENCH_BOOKS naming a folder, a book once generated is kept there
// (embedded) or on the server (PostgreSQL, a database named after the
// number of vouchers, not dropped) and later runs of the same size reuse it.
// With --pg the book is on the PostgreSQL server PGHOST/PGPORT name, in a
// database the benchmark makes there and drops; a figure whose statements
// that server refuses is reported as failed with the server's message, and
// the others go on.
#include "books_generate.h"

#include "accounts/picker.h"
#include "app/startup.h"
#include "books/journal.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/globals.h"
#include "common/window.h"
#include "platform/db/db.h"
#include "platform/db/pg_server.h"
#include "platform/report/report.h"
#include "reports/reports.h"
#include "vouchers/vouchers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::Book;

bool onPg = false;

// The benchmark's database on the PostgreSQL server, dropped when it goes.
// The name is made here: no typed text reaches SQL.
struct PgDatabase {
    QByteArray name = "oru_bench_books_" + QByteArray::number(QCoreApplication::applicationPid());
    void admin(const QByteArray &sql) const
    {
        PGconn *c = PQconnectdb("dbname=postgres");
        PQsetNoticeProcessor(
            c, [](void *, const char *) {}, nullptr);
        PQclear(PQexec(c, sql.constData()));
        PQfinish(c);
    }
    void drop() const { admin("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)"); }
    void vacuum() const
    {
        PGconn *c = PQconnectdb("dbname=" + name);
        PGresult *r = PQexec(c, "VACUUM ANALYZE");
        if (PQresultStatus(r) != PGRES_COMMAND_OK)
            std::printf("vacuum analyze FAILED: %s\n", PQerrorMessage(c));
        PQclear(r);
        PQfinish(c);
    }
};

double ms(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Several pieces of work timed in turn within each round, so that what else
// the machine does meanwhile weighs on all of them alike: the median of each.
std::vector<double> alternating(int rounds, const std::vector<std::function<void()>> &work)
{
    std::vector<std::vector<double>> t(work.size());
    for (int i = 0; i < rounds; ++i)
        for (size_t w = 0; w < work.size(); ++w)
            t[w].push_back(ms(work[w]));
    std::vector<double> out;
    for (const auto &times : t)
        out.push_back(median(times));
    return out;
}

long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

// How far the peak resident memory rises while f runs, in MB.
double peakMb(const std::function<void()> &f)
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
    clear.close();
    const long before = statusKb("VmRSS:");
    f();
    return double(statusKb("VmHWM:") - before) / 1024.0;
}

std::shared_ptr<report::Report> open(const QString &file)
{
    auto rpt = report::Report::open(QStringLiteral(ORU_REPORTS_DIR "/") + file);
    rpt->setDataSource(std::make_shared<report::ConnectionSource>(
        std::shared_ptr<db::Connection>(gConn, [](db::Connection *) {})));
    return rpt;
}

// The ledger printout of what the last ledger procedure wrote.
std::shared_ptr<report::Report> ledgerReport(std::int64_t account)
{
    auto rpt = open(QStringLiteral("rptAcLedger.rpt"));
    rpt->openSubreport(QStringLiteral("rptSubAC"))
        .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID} = %1").arg(account));
    return rpt;
}

void bare(const QString &sql, const db::Params &params = {})
{
    db::Recordset rs;
    rs.open(sql, *gConn, params);
}

// Runs one figure; when the server refuses one of its statements, says
// which figure and the server's message, and the benchmark goes on.
// A window that meets an error shows it in a message box: the benchmark
// answers every box itself and counts such a figure as failed.
QStringList shownMessages;

// ORU_BENCH_ONLY=<text>: only the figures whose name holds it.
void attempt(const char *what, const std::function<void()> &f)
{
    const QByteArray only = qgetenv("ORU_BENCH_ONLY");
    if (!only.isEmpty() && !QByteArray(what).contains(only))
        return;
    shownMessages.clear();
    try {
        f();
    } catch (const std::exception &e) {
        std::printf("%-44s FAILED: %s\n", what, e.what());
        return;
    }
    if (!shownMessages.isEmpty())
        std::printf("%-44s FAILED (message box): %s\n", what, qPrintable(shownMessages.join(u" | ")));
}

void line(const char *what, double report, double query, const char *extra = "")
{
    std::printf("%-44s %9.1f ms   bare %9.1f ms   ratio %5.2f%s\n", what, report, query,
        query > 0 ? report / query : 0.0, extra);
}

} // namespace

#include "books_stream.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    common::Application app(argc, argv);
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--pg") == 0)
            onPg = true;
        else
            numbers.push_back(atoi(argv[i]));
    }
    const int rounds = numbers.size() > 0 ? std::max(1, numbers[0]) : 5;
    bench::BookParams params;
    if (numbers.size() > 1)
        params.vouchers = std::max(10, numbers[1]);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    app::registerStorage();
    QTemporaryDir dir;
    const QString server = dir.path() + QStringLiteral("/server");
    // The embedded server takes an empty password; a PostgreSQL login never does.
    params.pg = onPg;
    const QString password = onPg ? QStringLiteral("Bench-Pass-1") : QString();
    PgDatabase pgDatabase;
    const QString keep = qEnvironmentVariable("ORU_BENCH_BOOKS");
    const QString kept = keep.isEmpty() ? QString()
                                        : keep
            + QStringLiteral("/%1-%2")
                  .arg(onPg ? QStringLiteral("pg") : QStringLiteral("embedded"))
                  .arg(params.vouchers);
    Book book;
    const bool reuse = !kept.isEmpty() && bench::loadBook(kept + QStringLiteral("/book.txt"), &book);
    if (onPg) {
        if (qEnvironmentVariableIsEmpty("PGHOST") && qEnvironmentVariableIsEmpty("PGPORT")) {
            std::printf("no PostgreSQL server named (PGHOST/PGPORT): skipped (run under pg_virtualenv)\n");
            return 0;
        }
        if (!kept.isEmpty())
            pgDatabase.name = "oru_bench_books_kept_" + QByteArray::number(params.vouchers);
        if (!reuse)
            pgDatabase.drop();
        const QString host = qEnvironmentVariableIsEmpty("PGHOST") ? QStringLiteral("localhost")
                                                                   : qEnvironmentVariable("PGHOST");
        const int port
            = qEnvironmentVariableIntValue("PGPORT") ? qEnvironmentVariableIntValue("PGPORT") : 5432;
        db::server::attach(server, host, port, QString::fromLatin1(pgDatabase.name));
        // A server without TLS (a bare pg_virtualenv) is named so, as a test server may be.
        PGconn *probe = PQconnectdb("dbname=postgres sslmode=prefer");
        const bool tls = PQstatus(probe) == CONNECTION_OK && PQsslInUse(probe);
        PQfinish(probe);
        QFile descriptor(db::server::resolve(server) + QStringLiteral("/postgres.txt"));
        if (!tls && descriptor.open(QIODevice::Append | QIODevice::Text))
            descriptor.write("sslmode=disable\n");
    } else if (reuse) {
        bench::copyFolder(kept + QStringLiteral("/server"), server);
    }
    // Dropped however main ends, after the connections have closed; a kept one stays.
    const std::unique_ptr<PgDatabase, void (*)(PgDatabase *)> dropLater(
        onPg && kept.isEmpty() ? &pgDatabase : nullptr, [](PgDatabase *d) { d->drop(); });
    if (!reuse)
        db::server::create(server, password, db::server::HashCost::Minimal);
    common::createSharedObjects();
    auto logOn = [&] {
        gConn->setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
        gConn->setProperty(QStringLiteral("Password"), password);
        gConn->setProperty(QStringLiteral("Data Source"), server);
        gConn->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
        gConn->open();
    };
    logOn();
    gUserName = QStringLiteral("sa");
    reports::registerProcedures();

    common::dialogs::setHandler([](const common::dialogs::Shown &shown) {
        if (!shownMessages.contains(shown.text))
            shownMessages.push_back(shown.text);
        return shown.buttons == common::Buttons::Ok ? common::Answer::Ok : common::Answer::No;
    });
    std::printf("engine: %s\n", onPg ? "PostgreSQL" : "embedded (SQLite)");
    if (reuse) {
        std::printf("book: %d DetJV rows, %d vouchers, %d students, %lld accounts (kept in %s)\n", book.lines,
            book.masters, params.students,
            static_cast<long long>(gConn->scalar(QStringLiteral("select count(*) from Accounts")).toInt()),
            qPrintable(kept));
    } else {
        const double buildMs = ms([&] { book = bench::build(*gConn, params); });
        std::printf("book: %d DetJV rows, %d vouchers, %d students, %lld accounts (built in %.1f s)\n",
            book.lines, book.masters, params.students,
            static_cast<long long>(gConn->scalar(QStringLiteral("select count(*) from Accounts")).toInt()),
            buildMs / 1000);
        // The book was written around the journal: its totals are made as the
        // schema step makes them for an existing database.
        const double totalsMs = ms([] { books::rebuildTotals(*gConn); });
        std::printf("kept totals: %lld cells per account, month and kind (made in %.1f s)\n",
            static_cast<long long>(gConn->scalar(QStringLiteral("select count(*) from AcMonthBal")).toInt()),
            totalsMs / 1000);
        if (onPg)
            // As the server's autovacuum leaves a book some time after it was
            // written: its statistics taken and its pages marked all-visible.
            pgDatabase.vacuum();
        if (!kept.isEmpty()) {
            if (!onPg) {
                gConn->close();
                bench::copyFolder(server, kept + QStringLiteral("/server"));
                logOn();
            }
            QDir().mkpath(kept);
            bench::saveBook(kept + QStringLiteral("/book.txt"), book);
        }
    }
    std::printf("\n");

    auto interleaved
        = [rounds](const std::vector<std::function<void()>> &work) { return alternating(rounds, work); };

    // One printout selected by its key, with how far it raises the peak memory.
    auto printOne
        = [&](const char *what, const QString &file, const QString &selection, const QString &sql, int key) {
              attempt(what, [&] {
                  auto print = [&] {
                      auto rpt = open(file);
                      rpt->setRecordSelectionFormula(selection.arg(key));
                      rpt->render();
                  };
                  print();
                  const double mb = peakMb(print);
                  const std::vector<double> t = interleaved({print, [&] { bare(sql, {key}); }});
                  const double r = t[0], q = t[1];
                  char extra[64];
                  std::snprintf(extra, sizeof extra, "   peak +%.1f MB", mb);
                  line(what, r, q, extra);
              });
          };
    printOne("print one voucher (rptBP)", QStringLiteral("rptBP.rpt"),
        QStringLiteral("{MasJV.VouNo} = %1 and {MasJV.VouStatus} = 'BP' and {Company.comActive} = 'Y'"),
        QStringLiteral("select m.VouNo, m.VouStatus, m.VouDate, m.PaidReceive, m.TotalAmount, m.Login, "
                       "d.EntryNo, d.AcCode, d.CrAc, d.DrAmt, d.CrAmt, d.ChecqNo, d.Naration, d.FileNo, "
                       "d.BillNo, a.AcNodes, a.AcName, c.Company, c.comAddr, c.comTel, c.comActive "
                       "from MasJV m join DetJV d on d.VouNo = m.VouNo and d.VouStatus = m.VouStatus "
                       "left join Accounts a on a.RowID = d.AcCode cross join Company c "
                       "where m.VouNo = ? and m.VouStatus = 'BP' and c.comActive = 'Y' "
                       "order by m.VouNo, d.EntryNo, d.DrAmt desc"),
        25000);
    printOne("print one application (rptApplication)", QStringLiteral("rptApplication.rpt"),
        QStringLiteral("{tblMasApp.AppId} = %1"),
        QStringLiteral(
            "select m.*, ss.SessionName, d.SubAmt, d.Discount, d.Nerration, d.NetAmount, "
            "d.RecAmount, d.InActive, s.SubName, c.CourseName from tblMasApp m "
            "left join tblDetApp d on d.AppID = m.AppID left join tblSubject s on s.SubId = d.SubID "
            "left join tblCourse c on c.CourseId = s.CourseId "
            "left join tblSession ss on ss.SessionId = m.SessionID where m.AppID = ?"),
        params.students / 2);

    // The trial balance with opening over the second year, beside the grouped
    // sum of the whole journal a user would write (the planner's own choice).
    attempt("trial balance with opening", [&] {
        const QString from = QStringLiteral("2024-01-01"), to = QStringLiteral("2024-12-31");
        auto plain = [&] {
            bare(QStringLiteral("select AcCode, sum(DrAmt), sum(CrAmt) from DetJV where VouDate <= ? "
                                "group by AcCode"),
                {to});
        };
        auto procedure = [&] { gConn->execute(QStringLiteral("exec TrialBalance3 ?,?"), {from, to}); };
        auto printed = [&] {
            procedure();
            auto rpt = open(QStringLiteral("rptTrialBalance3.rpt"));
            rpt->setRecordSelectionFormula(QStringLiteral("{Company.comActive} = 'Y'"));
            rpt->render();
        };
        // A period that starts and ends inside months: those months are read from the postings.
        auto partial = [&] {
            gConn->execute(QStringLiteral("exec TrialBalance3 ?,?"),
                {QStringLiteral("2024-01-16"), QStringLiteral("2024-12-15")});
        };
        printed();
        const double mb = peakMb(printed);
        const std::vector<double> t = interleaved({plain, procedure, printed, partial});
        char extra[64];
        std::snprintf(extra, sizeof extra, "   peak +%.1f MB", mb);
        line("trial balance with opening: procedure", t[1], t[0]);
        line("trial balance with opening: printed", t[2], t[0], extra);
        line("trial balance, part months: procedure", t[3], t[0]);
    });

    // The balance brought forward of a bank, as its book and its ledger show
    // it, beside the sum of its postings before the period a user would write.
    attempt("balance brought forward", [&] {
        const std::int64_t ac = book.firstBank;
        const QString from = QStringLiteral("2024-12-16");
        auto plain = [&] {
            bare(QStringLiteral("select OpenBal from Accounts where RowID = ?"), {ac});
            bare(QStringLiteral("select sum(DrAmt), sum(CrAmt) from DetJV where AcCode = ? and VouDate < ? "
                                "and ifnull(VouStatus, '') <> 'CF'"),
                {ac, from});
        };
        auto ledger = [&] { gConn->execute(QStringLiteral("exec AcLedger ?,?,?"), {ac, from, from}); };
        auto bookOpening = [&] {
            auto rpt = open(QStringLiteral("rptAcLedger3.rpt"));
            rpt->setRecordSelectionFormula(QStringLiteral(
                "{Company.comActive}='Y' and {DetJV.CrAc} = %1 and {DetJV.VouDate} in #%2# to #%2#")
                                               .arg(ac)
                                               .arg(from));
            rpt->openSubreport(QStringLiteral("rptSubAc"))
                .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID} = %1").arg(ac));
            rpt->openSubreport(QStringLiteral("rptSubOpening"))
                .setRecordSelectionFormula(
                    QStringLiteral("{DetJV.AcCode} = %1 and {DetJV.VouDate} < #%2#").arg(ac).arg(from));
            rpt->openSubreport(QStringLiteral("rptSubAcOpen"))
                .setRecordSelectionFormula(QStringLiteral("{Accounts.RowID}  = %1").arg(ac));
            rpt->render();
        };
        const std::vector<double> t = interleaved({plain, ledger, bookOpening});
        line("brought forward: ledger procedure (a day)", t[1], t[0]);
        line("brought forward: bank book printed (a day)", t[2], t[0]);
    });

    // One bank's simple ledger over a year: a line per voucher.
    attempt("one ledger (bank, a year)", [&] {
        const std::int64_t ac = book.firstBank;
        const QString from = QStringLiteral("2024-01-01"), to = QStringLiteral("2024-12-31");
        const QString postings = QStringLiteral(
            "from DetJV d left join Accounts a on a.RowID = d.CrAc "
            "where d.AcCode = ? and d.VouDate between ? and ? and ifnull(d.VouStatus, '') <> 'CF' ");
        auto broughtForward = [&] {
            bare(QStringLiteral("select OpenBal from Accounts where RowID = ?"), {ac});
            bare(QStringLiteral("select sum(DrAmt) - sum(CrAmt) from DetJV "
                                "where AcCode = ? and VouDate < ? and ifnull(VouStatus, '') <> 'CF'"),
                {ac, from});
        };
        // The same work as the procedure: the balance brought forward and the
        // period's lines, one per voucher with its totals, opposite account and
        // narration, in the ledger's order.
        auto lines = [&] {
            broughtForward();
            bare(QStringLiteral("select d.VouDate, d.VouStatus, d.VouNo, min(d.CrAc), max(d.CrAc), "
                                "min(a.AcName), min(d.ChecqNo), min(d.Naration), sum(d.DrAmt), sum(d.CrAmt) ")
                    + postings
                    + QStringLiteral("group by d.VouDate, d.VouStatus, d.VouNo "
                                     "order by d.VouDate, d.VouStatus, d.VouNo"),
                {ac, from, to});
        };
        // The postings the lines are made of, read as they stand.
        auto rows = [&] {
            broughtForward();
            bare(QStringLiteral("select d.VouDate, d.VouNo, d.VouStatus, d.EntryNo, d.CrAc, a.AcName, "
                                "d.ChecqNo, d.Naration, d.DrAmt, d.CrAmt ")
                    + postings
                    + QStringLiteral("order by d.VouDate, d.VouStatus, d.VouNo, d.EntryNo, d.rowid"),
                {ac, from, to});
        };
        int pages = 0;
        auto procedure = [&] { gConn->execute(QStringLiteral("exec AcLedger ?,?,?"), {ac, from, to}); };
        auto printed = [&] {
            procedure();
            auto rpt = ledgerReport(ac);
            pages = rpt->render().pageCount();
        };
        printed();
        const double mb = peakMb(printed);
        const std::vector<double> t = interleaved({lines, rows, procedure, printed});
        const double q = t[0], r = t[3];
        char extra[64];
        std::snprintf(extra, sizeof extra, "   %d pages, peak +%.1f MB", pages, mb);
        line("one ledger (bank, a year): procedure", t[2], q);
        line("one ledger (bank, a year): printed", r, q, extra);
        line("one ledger: printed, beside its postings", r, t[1]);
    });

    // The cash account's detail ledger over both years: the long one.
    attempt("long ledger", [&] {
        const std::int64_t ac = book.cash;
        gConn->execute(QStringLiteral("exec DetailAcLedger ?,1,1,2023,31,12,2024"), {ac});
        int pages = 0;
        const double mb = peakMb([&] { pages = ledgerReport(ac)->render().pageCount(); });
        const std::vector<double> t = interleaved({
            [&] { bare(QStringLiteral("select * from rptLedger order by LineNo")); },
            [&] {
                auto rpt = ledgerReport(ac);
                rpt->render([](const std::shared_ptr<const report::Document> &, double) { return false; });
            },
            [&] {
                auto rpt = ledgerReport(ac);
                pages = rpt->render().pageCount();
            },
        });
        const double q = t[0], first = t[1], whole = t[2];
        char extra[64];
        std::snprintf(extra, sizeof extra, "   of %d pages", pages);
        line("long ledger: first page shown", first, q, extra);
        std::snprintf(extra, sizeof extra, "   peak +%.1f MB", mb);
        line("long ledger: every page laid out", whole, q, extra);
    });

    // The account picker over every subsidiary account and student.
    attempt("open the account picker", [&] {
        accounts::registerPickerWindows();
        const std::vector<double> t = interleaved({
            [&] {
                bare(QStringLiteral(
                         "Select RowID,AcNodes,AcName,OpenBal,Contact,Fax,Addr,Addr2 From Accounts Where "
                         "acStatus='DD'  and AcName Like ? ESCAPE '\\' order by AcName"),
                    {QStringLiteral("%")});
            },
            [&] {
                gFindAcFilter.clear();
                common::windows::show(QStringLiteral("frmFindAC"));
                app.processEvents();
                common::windows::unload(QStringLiteral("frmFindAC"));
                app.processEvents();
            },
        });
        const double q = t[0], r = t[1];
        line("open the account picker (25,000 accounts)", r, q);
    });

    streamFigures(book, app, rounds);
    common::windows::unloadAll();
    return 0;
}
