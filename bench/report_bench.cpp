// Report engine benchmark: a 100,000-row detail report with one group level
// and sums. Compares the bare fetch of the report's query with the engine's
// own work on the fetched rows (selection, sorting, grouping, layout of all
// pages), and reports the peak memory.
//
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release && cmake --build build/bench --target bench_report
//   build/bench/bench/bench_report [rows]
#include "app/startup.h"
#include "platform/report/report.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char *query = "select a.AcName, l.VouNo, l.VouDate, l.Naration, l.DrAmt, l.CrAmt "
                    "from BenchLine l join BenchAccount a on a.RowID = l.AcCode order by l.LineID";

const char *definition = R"(<report name="bench" margins="10">
  <data>
    <query>%1</query>
    <selection>{BenchLine.DrAmt} &gt;= 0 and not IsNull({BenchLine.VouDate})</selection>
    <sort by="{BenchLine.VouDate}"/>
  </data>
  <pageHeader height="8">
    <text width="100" bold="true">LEDGER</text>
    <special x="150" width="40" kind="pageNofM"/>
  </pageHeader>
  <group by="{BenchAccount.AcName}">
    <header height="6"><field bold="true">{BenchAccount.AcName}</field></header>
    <footer height="6">
      <text width="60">Total</text>
      <summary x="100" width="30" format="##,###0.00">{BenchLine.DrAmt}</summary>
      <summary x="130" width="30" format="##,###0.00">{BenchLine.CrAmt}</summary>
      <summary x="160" width="30" function="count"/>
    </footer>
  </group>
  <details height="5">
    <field x="0" width="22" format="dd-mm-yyyy">{BenchLine.VouDate}</field>
    <field x="22" width="15">{BenchLine.VouNo}</field>
    <field x="37" width="63">{BenchLine.Naration}</field>
    <field x="100" width="30" format="##,###0.00" blankWhenZero="true">{BenchLine.DrAmt}</field>
    <field x="130" width="30" format="##,###0.00" blankWhenZero="true">{BenchLine.CrAmt}</field>
  </details>
  <reportFooter height="6">
    <text width="60">Grand total</text>
    <summary x="100" width="30" format="##,###0.00">{BenchLine.DrAmt}</summary>
    <summary x="130" width="30" format="##,###0.00">{BenchLine.CrAmt}</summary>
  </reportFooter>
</report>)";

// Hands the engine rows fetched beforehand, so its time is its own.
class Prefetched : public report::DataSource {
public:
    explicit Prefetched(const report::RowSet &rows)
        : m_rows(rows)
    {
    }
    std::unique_ptr<report::RowSet> fetch(const QString &, const db::Params &) override
    {
        return std::make_unique<View>(m_rows);
    }

private:
    class View : public report::RowSet {
    public:
        explicit View(const report::RowSet &r)
            : m_r(r)
        {
        }
        const std::vector<report::ColumnName> &columns() const override { return m_r.columns(); }
        int rowCount() const override { return m_r.rowCount(); }
        const db::Value &at(int row, int column) const override { return m_r.at(row, column); }

    private:
        const report::RowSet &m_r;
    };
    const report::RowSet &m_rows;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long peakKb()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// A line of /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The peak resident set of some work above the resident set before it:
// the peak is reset to the present size first.
struct PeakAbove {
    long idleKb = 0;
    PeakAbove()
    {
        // What earlier work freed goes back first, so it is not counted as
        // idle memory this work then reuses.
        malloc_trim(0);
        QFile f(QStringLiteral("/proc/self/clear_refs"));
        if (f.open(QIODevice::WriteOnly))
            f.write("5");
        idleKb = statusKb("VmRSS");
    }
    double mb() const { return double(statusKb("VmHWM") - idleKb) / 1024.0; }
};

// A ledger as the books print one: no groups, a running balance, page N of
// M and a grand total; it lays out in its rows' order.
const char *longDefinition = R"(<report name="long" margins="10">
  <data><query>%1</query></data>
  <runningTotal name="Balance">{BenchLine.DrAmt} - {BenchLine.CrAmt}</runningTotal>
  <pageHeader height="8">
    <text width="100" bold="true">LEDGER</text>
    <special x="150" width="40" kind="pageNofM"/>
  </pageHeader>
  <details height="5">
    <field x="0" width="22" format="dd-mm-yyyy">{BenchLine.VouDate}</field>
    <field x="22" width="15">{BenchLine.VouNo}</field>
    <field x="37" width="63">{BenchLine.Naration}</field>
    <field x="100" width="30" format="##,###0.00" blankWhenZero="true">{BenchLine.DrAmt}</field>
    <field x="130" width="30" format="##,###0.00" blankWhenZero="true">{BenchLine.CrAmt}</field>
    <field x="160" width="30" format="##,###0.00">{#Balance}</field>
  </details>
  <reportFooter height="6">
    <text width="60">Grand total</text>
    <summary x="100" width="30" format="##,###0.00">{BenchLine.DrAmt}</summary>
    <summary x="130" width="30" format="##,###0.00">{BenchLine.CrAmt}</summary>
  </reportFooter>
</report>)";

// The long report laid out, paged through and exported, each beside the
// bare read of its rows in the same run: time and memory above idle.
void benchLongReport(const std::shared_ptr<db::Connection> &conn)
{
    const QString sql
        = QStringLiteral("select l.VouDate, l.VouNo, l.Naration, l.DrAmt, l.CrAmt from BenchLine l "
                         "order by l.LineID");
    QElapsedTimer t;
    double bareMs = 0, bareMb = 0;
    {
        PeakAbove peak;
        t.start();
        report::ConnectionSource source(conn);
        auto rows = source.fetch(sql, {});
        qint64 cells = 0;
        for (int r = 0; r < rows->rowCount(); ++r)
            for (size_t c = 0; c < rows->columns().size(); ++c)
                cells += rows->at(r, int(c)).isNull() ? 0 : 1;
        bareMs = double(t.nsecsElapsed()) / 1e6;
        bareMb = peak.mb();
        std::printf(
            "\nlong report: %d rows (%lld values)\n", rows->rowCount(), static_cast<long long>(cells));
    }
    auto rpt
        = report::Report::fromText(QString::fromLatin1(longDefinition).arg(sql), QStringLiteral("long.rpt"));
    rpt->setDataSource(std::make_shared<report::ConnectionSource>(conn));
    double renderMs = 0, renderMb = 0, pagingMs = 0, pagingMb = 0, pdfMs = 0, pdfMb = 0;
    int pages = 0;
    {
        PeakAbove peak;
        t.restart();
        pages = rpt->render().pageCount();
        renderMs = double(t.nsecsElapsed()) / 1e6;
        renderMb = peak.mb();
    }
    {
        PeakAbove peak;
        t.restart();
        size_t items = 0;
        for (int p = 0; p < pages; ++p)
            items += rpt->document()->page(p).texts.size();
        pagingMs = double(t.nsecsElapsed()) / 1e6;
        pagingMb = peak.mb();
        std::printf("pages: %d, text items: %zu\n", pages, items);
    }
    {
        QTemporaryDir out;
        PeakAbove peak;
        t.restart();
        report::writePdf(*rpt->document(), out.filePath(QStringLiteral("long.pdf")));
        pdfMs = double(t.nsecsElapsed()) / 1e6;
        pdfMb = peak.mb();
    }
    std::printf("bare rows read:             %9.1f ms  %7.1f MB above idle\n", bareMs, bareMb);
    std::printf("render (fetch and layout):  %9.1f ms  %7.1f MB  ratio %.2f\n", renderMs, renderMb,
        renderMs / bareMs);
    std::printf("every page read back:       %9.1f ms  %7.1f MB  ratio %.2f\n", pagingMs, pagingMb,
        pagingMs / bareMs);
    std::printf("exported as PDF:            %9.1f ms  %7.1f MB  ratio %.2f\n", pdfMs, pdfMb, pdfMs / bareMs);
}

} // namespace

int main(int argc, char **argv)
{
    app::registerStorage();
    // PDF needs fonts, so a GUI application, without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    const int accounts = 50;

    QTemporaryDir dir;
    const QString server = dir.path() + QStringLiteral("/server");
    db::server::create(server, QStringLiteral("bench-pw"), db::server::HashCost::Minimal);
    auto conn = std::make_shared<db::Connection>();
    conn->setProperty(QStringLiteral("Data Source"), server);
    conn->setProperty(QStringLiteral("Initial Catalog"), QStringLiteral("ORU"));
    conn->setProperty(QStringLiteral("User ID"), QStringLiteral("sa"));
    conn->setProperty(QStringLiteral("Password"), QStringLiteral("bench-pw"));
    conn->open();

    QElapsedTimer t;
    t.start();
    conn->execute(
        QStringLiteral("create table BenchAccount (RowID INTEGER PRIMARY KEY, AcName VARCHAR(50))"));
    conn->execute(
        QStringLiteral("create table BenchLine (LineID INTEGER PRIMARY KEY, AcCode INTEGER, VouNo INTEGER, "
                       "VouDate DATE, Naration VARCHAR(100), DrAmt MONEY, CrAmt MONEY)"));
    {
        db::Transaction tx(*conn);
        for (int a = 1; a <= accounts; ++a)
            conn->execute(QStringLiteral("insert into BenchAccount values (?, ?)"),
                {a, QStringLiteral("ACCOUNT %1").arg(a, 3, 10, QLatin1Char('0'))});
        const QDate start(2009, 1, 1);
        for (int i = 0; i < rows; ++i) {
            const bool debit = i % 2 == 0;
            const db::Money amount = db::Money::fromCents(100 + (i * 7919) % 500000);
            conn->execute(
                QStringLiteral("insert into BenchLine (AcCode, VouNo, VouDate, Naration, DrAmt, CrAmt) "
                               "values (?, ?, ?, ?, ?, ?)"),
                {1 + (i * 31) % accounts, i / 2 + 1, start.addDays(i % 365),
                    QStringLiteral("NARRATION OF LINE %1").arg(i), debit ? amount : db::Money(),
                    debit ? db::Money() : amount});
        }
        tx.commit();
    }
    std::printf("setup: %d rows in %.0f ms\n", rows, double(t.elapsed()));

    // Bare fetch of the report's query.
    const QString sql = QString::fromLatin1(query);
    std::vector<double> fetchMs;
    std::unique_ptr<report::RowSet> fetched;
    for (int run = 0; run < 3; ++run) {
        fetched.reset();
        t.restart();
        report::ConnectionSource source(conn);
        fetched = source.fetch(sql, {});
        fetchMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }

    // The engine on the fetched rows; a fresh report each run, as printouts
    // make them, so freeing the last one's pages is not counted.
    const QString xml = QString::fromLatin1(definition).arg(sql);
    std::vector<double> engineMs;
    int pages = 0;
    size_t items = 0;
    for (int run = 0; run < 3; ++run) {
        auto rpt = report::Report::fromText(xml, QStringLiteral("bench.rpt"));
        rpt->setDataSource(std::make_shared<Prefetched>(*fetched));
        t.restart();
        const report::Document &doc = rpt->render();
        engineMs.push_back(double(t.nsecsElapsed()) / 1e6);
        pages = doc.pageCount();
        items = 0;
        for (int p = 0; p < pages; ++p)
            items += doc.page(p).texts.size();
    }

    // Both together, as a printout runs.
    auto rpt = report::Report::fromText(xml, QStringLiteral("bench.rpt"));
    rpt->setDataSource(std::make_shared<report::ConnectionSource>(conn));
    t.restart();
    rpt->render();
    const double wholeMs = double(t.nsecsElapsed()) / 1e6;

    const double f = median(fetchMs), e = median(engineMs);
    std::printf("rows: %d, pages: %d, text items: %zu\n", fetched->rowCount(), pages, items);
    std::printf("bare fetch (median of 3):                     %8.1f ms\n", f);
    std::printf("engine select+sort+group+layout (median of 3): %8.1f ms\n", e);
    std::printf("ratio engine / fetch:                          %8.2f (target <= 3)\n", e / f);
    std::printf("fetch and engine in one render:               %8.1f ms\n", wholeMs);
    std::printf("peak memory (getrusage ru_maxrss):            %8.1f MB\n", double(peakKb()) / 1024.0);
    benchLongReport(conn);
    return 0;
}
