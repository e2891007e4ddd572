#include "common/globals.h"
#include "common/printing.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"
#include "shell/frmVeiwer.h"
#include "support/fulldisk.h"
#include "support/testserver.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using common::PrintJob;
using common::printReport;

namespace {

class Printing : public TestServer {
protected:
    void SetUp() override
    {
        TestServer::SetUp();
        shell::registerViewer();
        common::setAppPath(QStringLiteral(ORU_PRINTING_REPORTS));
        exec("create table TstAccount (RowID INTEGER PRIMARY KEY, AcName VARCHAR(50) COLLATE NOCASE, OpenBal "
             "MONEY)");
        exec("create table TstLine (LineID INTEGER PRIMARY KEY, VouNo INTEGER, VouStatus VARCHAR(2) COLLATE "
             "NOCASE, "
             "VouDate DATE, AcCode INTEGER, DrAmt MONEY, CrAmt MONEY, Naration VARCHAR(100) COLLATE NOCASE)");
        exec("insert into Company (Company, comActive) values ('ORU INSTITUTE', 'Y'), ('OLD NAME', null)");
        exec("insert into TstAccount values (5, 'CASH', ?), (6, 'HBL', 0), (7, 'FEES', 0)",
            {db::Money::parse(u"100")});
        const char *lines[][7] = {
            {"1", "CP", "2009-01-05", "5", "0", "150.25", "STATIONERY"},
            {"1", "CP", "2009-01-05", "7", "150.25", "0", "STATIONERY"},
            {"2", "CP", "31/01/2009", "5", "0", "0.10", "POSTAGE"},
            {"2", "CP", "31/01/2009", "7", "0.10", "0", "POSTAGE"},
            {"3", "CP", "2009-02-01", "5", "0", "0.20", "TEA"},
            {"3", "CP", "2009-02-01", "7", "0.20", "0", "TEA"},
            {"1", "BR", "2009-01-10", "6", "1000", "0", "FEES RECEIVED"},
            {"1", "BR", "2009-01-10", "5", "0", "1000", "FEES RECEIVED"},
            {"9", "CP", "2008-12-31", "5", "0", "99", "LAST YEAR"},
        };
        for (const auto &l : lines)
            exec("insert into TstLine (VouNo, VouStatus, VouDate, AcCode, DrAmt, CrAmt, Naration) "
                 "values (?, ?, ?, ?, ?, ?, ?)",
                {l[0], l[1], l[2], l[3], db::Money::parse(QString::fromLatin1(l[4])),
                    db::Money::parse(QString::fromLatin1(l[5])), l[6]});
        for (int i = 1; i <= 100; ++i)
            exec("insert into User_Information (Row_No, User_Name, Designation) values (?, ?, 'CLERK')",
                {i, QStringLiteral("USER %1").arg(i)});
    }

    void TearDown() override
    {
        report::CRViewer91::setPrintDialog(nullptr);
        TestServer::TearDown();
    }

    PrintJob ledger() const
    {
        PrintJob job;
        job.reportFile = QStringLiteral("\\rptTstLedger.rpt");
        job.user = gUserName;
        job.password = gUserPassword;
        job.parameters = {{1, "2009-01-01"}, {2, "CASH PAYMENTS"}};
        job.formulas = {{"Dates", "From :  01-01-2009  To :  31-01-2009"}};
        job.subreportSelections = {{"rptSubAc", "{TstAccount.RowID} = 5"}};
        return job;
    }

    static frmVeiwer *viewerWindow() { return common::windows::ifLoaded<frmVeiwer>("frmVeiwer"); }
    static QStringList shownLines()
    {
        report::CRViewer91 *v = common::viewerControl();
        return v && v->document() ? v->document()->allLines() : QStringList();
    }

    static QString pdfText(const QString &path)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};

const QStringList header = {"Date | Voucher | Narration | Debit | Credit | Balance"};

} // namespace

TEST_F(Printing, StoredSelectionFormulaParametersAndSubreport)
{
    printReport(ledger());
    frmVeiwer *w = viewerWindow();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "");
    EXPECT_EQ(shownLines(),
        QStringList({
            "CASH PAYMENTS | ORU INSTITUTE",
            "From :  01-01-2009  To :  31-01-2009",
            "Opening: | CASH | 100.00",
        }) + header
            + QStringList({
                "Kind CP",
                "CASH",
                "05-01-2009 | 1 | STATIONERY | 150.25 | -150.25",
                "31-01-2009 | 2 | POSTAGE | 0.10 | -150.35",
                "01-02-2009 | 3 | TEA | 0.20 | -150.55",
                "Total CASH | 0.00 | 150.55",
                "FEES",
                "05-01-2009 | 1 | STATIONERY | 150.25 | 150.25",
                "31-01-2009 | 2 | POSTAGE | 0.10 | 150.35",
                "01-02-2009 | 3 | TEA | 0.20 | 150.55",
                "Total FEES | 150.55 | 0.00",
                "Kind total | 150.55 | 150.55",
                "Grand total | 150.55 | 150.55 | 6",
                "Page 1 of 1",
            }));
}

TEST_F(Printing, GivenSelectionReplacesTheStoredOne)
{
    PrintJob job = ledger();
    job.selection
        = "{Company.comActive}='Y' and {TstLine.AcCode} = 5 and {TstLine.VouDate} in #2009-01-05# to "
          "#2009-01-31#";
    job.parameters = {{1, "2008-01-01"}}; // the heading keeps its default
    job.formulas.clear();
    job.subreportSelections.clear();
    printReport(job);
    EXPECT_EQ(shownLines(),
        QStringList({"LEDGER | ORU INSTITUTE"}) + header
            + QStringList({
                "Kind BR",
                "CASH",
                "10-01-2009 | 1 | FEES RECEIVED | 1,000.00 | -1,000.00",
                "Total CASH | 0.00 | 1,000.00",
                "Kind total | 0.00 | 1,000.00",
                "Kind CP",
                "CASH",
                "05-01-2009 | 1 | STATIONERY | 150.25 | -150.25",
                "31-01-2009 | 2 | POSTAGE | 0.10 | -150.35",
                "Total CASH | 0.00 | 150.35",
                "Kind total | 0.00 | 150.35",
                "Grand total | 0.00 | 1,150.35 | 3",
                "Page 1 of 1",
            }));
}

TEST_F(Printing, PagesRepeatTheHeaderAndCountThemselves)
{
    PrintJob job;
    job.reportFile = QStringLiteral("\\Vel_Report\\rptTstUsers.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    printReport(job);
    report::CRViewer91 *v = common::viewerControl();
    ASSERT_TRUE(v);
    const report::Document *doc = v->document();
    ASSERT_EQ(doc->pageCount(), 3);
    const int perPage[] = {43, 43, 14};
    int next = 1;
    for (int p = 0; p < 3; ++p) {
        const QStringList lines = doc->pageLines(p);
        ASSERT_EQ(lines.size(), perPage[p] + 3);
        EXPECT_EQ(lines.mid(0, 2), QStringList({"USERS", "No. | Name"}));
        EXPECT_EQ(lines[2], QStringLiteral("%1 | USER %1 | CLERK").arg(next));
        next += perPage[p];
        EXPECT_EQ(lines.last(), QStringLiteral("Page %1 of 3").arg(p + 1));
    }
    // The toolbar pages through them.
    EXPECT_EQ(v->findChild<QLabel *>("lblPage")->text(), "Page 1 of 3");
    v->findChild<QAction *>("cmdNextPage")->trigger();
    v->findChild<QAction *>("cmdLastPage")->trigger();
    EXPECT_EQ(v->currentPage(), 3);
    EXPECT_FALSE(v->findChild<QAction *>("cmdNextPage")->isEnabled());
    v->findChild<QAction *>("cmdFirstPage")->trigger();
    EXPECT_EQ(v->currentPage(), 1);

    job.selection = "{User_Information.Row_No} = 7";
    printReport(job);
    EXPECT_EQ(shownLines(), QStringList({"USERS", "No. | Name", "7 | USER 7 | CLERK", "Page 1 of 1"}));
}

TEST_F(Printing, FailuresLeaveTheViewerAsItWas)
{
    // Nothing printed yet: a failure does not even load the viewer.
    PrintJob missing = ledger();
    missing.reportFile = QStringLiteral("\\rptNone.rpt");
    EXPECT_THROW(printReport(missing), report::Error);
    EXPECT_FALSE(viewerWindow());

    printReport(ledger());
    frmVeiwer *w = viewerWindow();
    ASSERT_TRUE(w);
    w->setWindowTitle("kept");
    const report::Document *shown = common::viewerControl()->document();
    const QString dir = QStringLiteral(ORU_PRINTING_REPORTS);

    const struct {
        std::function<void(PrintJob &)> change;
        QString message;
    } cases[] = {
        {[](PrintJob &j) { j.reportFile = "\\rptNone.rpt"; },
            "The report file '" + dir + "/rptNone.rpt' was not found."},
        {[](PrintJob &j) { j.reportFile = "\\RPTTSTLEDGER.rpt"; },
            "The report file '" + dir + "/RPTTSTLEDGER.rpt' was not found."},
        {[](PrintJob &j) { j.password = "wrong"; }, "Login failed for user 'sa'."},
        {[](PrintJob &j) { j.user = "nobody"; }, "Login failed for user 'nobody'."},
        {[](PrintJob &j) { j.selection = "{TstLine.VouNo}= "; },
            "rptTstLedger.rpt, line 12, record selection formula: Error in formula at position 18 (end of "
            "formula): a value is expected."},
        {[](PrintJob &j) { j.selection = "{TstLine.Amount} > 0"; },
            "rptTstLedger.rpt, line 12, record selection formula: Error in formula at position 1 "
            "('{TstLine.Amount}'): this field is not known."},
        {[](PrintJob &j) {
             j.parameters.push_back({3, 1});
         },
            "The report 'rptTstLedger' has no parameter field 3 (it has 2)."},
        {[](PrintJob &j) {
             j.parameters = {{1, "2009-13-45"}};
         },
            "The parameter field 1 ('FromDate') takes a date, not '2009-13-45'."},
        {[](PrintJob &j) { j.parameters.clear(); },
            "The parameter field 1 ('FromDate') of the report 'rptTstLedger' has no value."},
        {[](PrintJob &j) {
             j.formulas.push_back({"Course", "CA"});
         },
            "The report 'rptTstLedger' has no formula field named 'Course'."},
        {[](PrintJob &j) {
             j.subreportSelections.push_back({"rptSubOpening", "{DetJV.AcCode} = 5"});
         },
            "The report 'rptTstLedger' has no subreport named 'rptSubOpening'."},
        {[](PrintJob &j) {
             j.subreportSelections = {{"rptSubAc", "{TstAccount.RowID} = = 5"}};
         },
            "rptTstLedger.rpt, line 28, subreport 'rptSubAc', record selection formula: Error in formula at "
            "position 22 ('='): a value is expected."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        PrintJob job = ledger();
        c.change(job);
        try {
            printReport(job);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error &e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), c.message);
        }
        EXPECT_EQ(viewerWindow(), w);
        EXPECT_EQ(w->windowTitle(), "kept");
        EXPECT_EQ(common::viewerControl()->document(), shown);
    }
}

TEST_F(Printing, FormulaTextsAreQuotedForTheEngine)
{
    PrintJob job = ledger();
    job.formulas = {{"Dates", "Say \"hi\" & it's"}};
    printReport(job);
    EXPECT_EQ(shownLines()[1], "Say \"hi\" & it's");
}

TEST_F(Printing, PrintingTwiceReusesTheOneViewerAtItsSize)
{
    printReport(ledger());
    frmVeiwer *w = viewerWindow();
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->subWindow());
    report::CRViewer91 *v = w->viewer();
    EXPECT_EQ(v->geometry(), w->rect());

    w->subWindow()->resize(520, 410);
    w->subWindow()->move(30, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(v->geometry(), w->rect()) << "the viewer fills the window after a resize";
    const QRect frame = w->subWindow()->geometry();

    PrintJob job;
    job.reportFile = QStringLiteral("\\Vel_Report\\rptTstUsers.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    job.selection = "{User_Information.Row_No} = 7";
    printReport(job);
    EXPECT_EQ(viewerWindow(), w);
    EXPECT_EQ(w->viewer(), v);
    EXPECT_EQ(w->subWindow()->geometry(), frame);
    EXPECT_EQ(w->windowTitle(), "");
    EXPECT_EQ(shownLines(), QStringList({"USERS", "No. | Name", "7 | USER 7 | CLERK", "Page 1 of 1"}));
    EXPECT_EQ(host()->subWindowList().size(), 1);
}

TEST_F(Printing, ExportAndPrintWriteTheShownRows)
{
    printReport(ledger());
    report::CRViewer91 *v = common::viewerControl();
    QTemporaryDir out;
    const QString pdf = out.filePath("ledger.pdf");
    dialogs().file(pdf);
    v->findChild<QAction *>("cmdExport")->trigger();
    QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QRegularExpression("05-01-2009 +1 +STATIONERY +150.25 +150.25")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("Grand total +150.55 +150.55 +6"))) << text.toStdString();
    EXPECT_TRUE(text.contains("Opening:"));

    // Cancelling the file dialog writes nothing.
    dialogs().file(QString());
    v->findChild<QAction *>("cmdExport")->trigger();

    const QString printed = out.filePath("printed.pdf");
    int asked = 0;
    report::CRViewer91::setPrintDialog([&](QPrinter &printer, QWidget *) {
        ++asked;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    });
    v->findChild<QAction *>("cmdPrint")->trigger();
    EXPECT_EQ(asked, 1);
    text = pdfText(printed);
    EXPECT_TRUE(text.contains(QRegularExpression("31-01-2009 +2 +POSTAGE +0.10 +150.35")))
        << text.toStdString();

    report::CRViewer91::setPrintDialog([&](QPrinter &, QWidget *) { return false; });
    QFile::remove(printed);
    EXPECT_FALSE(v->printReport());
    EXPECT_FALSE(QFile::exists(printed));
}

TEST_F(Printing, AFileThatCannotBeWrittenIsSaidAndNothingIsLeftBehind)
{
    printReport(ledger());
    report::CRViewer91 *v = common::viewerControl();
    QTemporaryDir out;
    QFile plain(out.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    FullDisk disk(1);
    QFile earlier(disk.filePath("earlier.pdf"));
    if (disk.mounted()) {
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
        earlier.close();
        disk.fill();
    }
    const auto full = [](const QString &path) {
        return "The file '" + path
            + "' could not be written because the disk is full. Free some space on that disk, then try "
              "again.";
    };
    struct Case {
        QString path, message;
        bool exports = true; // else only printed to (export would add ".pdf")
    };
    std::vector<Case> cases = {
        {out.filePath("missing/ledger.pdf"),
            "The file '" + out.filePath("missing/ledger.pdf")
                + "' could not be written: No such file or directory."},
        {out.filePath("plain/ledger.pdf"),
            "The file '" + out.filePath("plain/ledger.pdf") + "' could not be written: Not a directory."},
        {"/dev/full", full("/dev/full"), false},
    };
    if (disk.mounted()) {
        cases.push_back({disk.filePath("ledger.pdf"), full(disk.filePath("ledger.pdf"))});
        cases.push_back({disk.filePath("earlier.pdf"), full(disk.filePath("earlier.pdf"))});
    }
    QString target;
    report::CRViewer91::setPrintDialog([&](QPrinter &printer, QWidget *) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target);
        return true;
    });
    for (const Case &c : cases) {
        for (const bool exporting : {true, false}) {
            if (exporting && !c.exports)
                continue;
            SCOPED_TRACE((exporting ? "export to " : "print to ") + c.path.toStdString());
            dialogs().clear();
            target = c.path;
            if (exporting)
                dialogs().file(c.path);
            v->findChild<QAction *>(exporting ? "cmdExport" : "cmdPrint")->trigger();
            EXPECT_EQ(dialogs().texts(), QStringList({c.message}));
        }
    }
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({"plain"}));
    if (disk.mounted()) {
        // The earlier file as it was; no new or partial one.
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({".filler", "earlier.pdf"}));
        ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
        EXPECT_EQ(earlier.readAll(), "earlier");
    }
}

namespace {

TEST_F(Printing, TheFirstPageShowsWhileTheRestIsLaidOutAndTheUserCanStop)
{
    PrintJob job;
    job.reportFile = QStringLiteral("\\Vel_Report\\rptTstUsers.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    struct Seen {
        bool layingOut = false;
        int pages = 0;
        QString label, firstLine;
    };
    // Runs at the first moment the printout lets events through.
    auto look = [](Seen &seen, bool stop) {
        QTimer::singleShot(0, [&seen, stop] {
            report::CRViewer91 *v = common::viewerControl();
            if (!v)
                return;
            seen.layingOut = v->layingOut();
            seen.pages = v->pageCount();
            seen.label = v->findChild<QLabel *>("lblPage")->text();
            seen.firstLine = v->document() ? v->document()->pageLines(0).value(2) : QString();
            if (stop)
                v->findChild<QAction *>("cmdCancel")->trigger();
        });
    };

    Seen whole;
    look(whole, false);
    printReport(job);
    EXPECT_TRUE(whole.layingOut);
    EXPECT_EQ(whole.pages, 1);
    EXPECT_EQ(whole.label, "Page 1 of 1+");
    EXPECT_EQ(whole.firstLine, "1 | USER 1 | CLERK");
    report::CRViewer91 *v = common::viewerControl();
    ASSERT_TRUE(v);
    EXPECT_FALSE(v->layingOut());
    EXPECT_EQ(v->pageCount(), 3);
    EXPECT_TRUE(v->document()->complete);
    EXPECT_EQ(v->findChild<QLabel *>("lblPage")->text(), "Page 1 of 3");
    EXPECT_EQ(v->document()->pageLines(0).last(), "Page 1 of 3");

    Seen stopped;
    look(stopped, true);
    printReport(job);
    EXPECT_TRUE(stopped.layingOut);
    EXPECT_EQ(v->pageCount(), 1) << "laid out no further";
    EXPECT_FALSE(v->document()->complete);
    EXPECT_EQ(v->findChild<QLabel *>("lblPage")->text(), "Page 1 of 1+");
    EXPECT_EQ(v->document()->pageLines(0).last(), "Page 1");
}

TEST_F(Printing, EscOnThePagesStopsALayoutWhosePagesThenGoOutOnlyWhenTheUserSaysSo)
{
    PrintJob job;
    job.reportFile = QStringLiteral("\\Vel_Report\\rptTstUsers.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    // Esc where the focus is on the pages, not on the toolbar.
    QTimer::singleShot(0, [] {
        report::CRViewer91 *v = common::viewerControl();
        ASSERT_TRUE(v && v->layingOut());
        QWidget *pages = v->findChild<QWidget *>("pagView");
        pages->setFocusPolicy(Qt::StrongFocus);
        pages->setFocus();
        QTest::keyClick(pages, Qt::Key_Escape);
    });
    printReport(job);
    report::CRViewer91 *v = common::viewerControl();
    ASSERT_TRUE(v);
    ASSERT_FALSE(v->document()->complete);
    ASSERT_EQ(v->pageCount(), 1);

    QTemporaryDir out;
    int printed = 0;
    report::CRViewer91::setPrintDialog([&](QPrinter &printer, QWidget *) {
        ++printed;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath("printed.pdf"));
        return true;
    });
    const QString question = "The report is incomplete: its layout was stopped after 1 page, so the pages "
                             "after them, with their totals and balances, are missing.\n\n%1 only the 1 page "
                             "laid out?";
    dialogs().answer(common::Answer::No);
    v->findChild<QAction *>("cmdPrint")->trigger();
    EXPECT_EQ(printed, 0);
    dialogs().answer(common::Answer::Yes);
    v->findChild<QAction *>("cmdPrint")->trigger();
    EXPECT_EQ(printed, 1);
    const QString pdf = out.filePath("stopped.pdf");
    dialogs().answer(common::Answer::No);
    v->findChild<QAction *>("cmdExport")->trigger();
    EXPECT_FALSE(QFile::exists(pdf));
    dialogs().answer(common::Answer::Yes).file(pdf);
    v->findChild<QAction *>("cmdExport")->trigger();
    EXPECT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(dialogs().texts(),
        QStringList(
            {question.arg("Print"), question.arg("Print"), question.arg("Export"), question.arg("Export")}));

    // A whole report goes out without a question.
    dialogs().clear();
    printReport(job);
    ASSERT_TRUE(v->document()->complete);
    v->findChild<QAction *>("cmdPrint")->trigger();
    EXPECT_EQ(printed, 2);
    EXPECT_TRUE(dialogs().texts().isEmpty());
}

TEST_F(Printing, AReportProcedureShowsItIsPreparingAndStopsWhenTheUserSaysSo)
{
    printReport(ledger());
    report::CRViewer91 *v = common::viewerControl();
    ASSERT_TRUE(v && v->document());
    // A statement long enough to be seen running.
    const QString longRun = QStringLiteral(
        "insert into TstAccount (AcName) select 'X' from (with recursive n(i) as (select 1 union all "
        "select i + 1 from n where i < 50000000) select i from n) where i < 0");
    struct Seen {
        bool preparing = false;
        QString label;
        bool shown = true;
        bool printEnabled = true;
    } seen;
    QTimer::singleShot(0, [&] {
        seen.preparing = v->preparing();
        seen.label = v->findChild<QLabel *>("lblProgress")->text();
        seen.shown = v->document() != nullptr;
        seen.printEnabled = v->findChild<QAction *>("cmdPrint")->isEnabled();
        // The next time events go through, the statement is running.
        QTimer::singleShot(0, [v] { QTest::keyClick(v->findChild<QWidget *>("scrPages"), Qt::Key_Escape); });
    });
    bool ran = false;
    EXPECT_FALSE(common::runReportProcedure([&] {
        exec(longRun);
        ran = true;
    }));
    EXPECT_FALSE(ran) << "stopped before it finished";
    EXPECT_TRUE(seen.preparing);
    EXPECT_TRUE(seen.label.startsWith("Preparing the report")) << seen.label.toStdString();
    EXPECT_FALSE(seen.shown) << "the previous report is not shown as if it were this one";
    EXPECT_FALSE(seen.printEnabled);
    EXPECT_FALSE(v->preparing());
    EXPECT_EQ(v->document(), nullptr);

    // Left alone it runs to its end, and a failure still reaches the caller.
    EXPECT_TRUE(common::runReportProcedure([&] { exec("insert into TstAccount (AcName) values ('Y')"); }));
    EXPECT_EQ(rows("select count(*) from TstAccount where AcName = 'Y'"), QStringList {"1"});
    EXPECT_THROW(common::runReportProcedure([&] { exec("insert into NoSuchTable values (1)"); }), db::Error);
    EXPECT_FALSE(v->preparing());
}

// Counts the login checks run on the server's login store.
int g_loginChecks = 0;
void countLoginChecks(const QString &sql)
{
    if (sql.contains(u"FROM syslogins"))
        ++g_loginChecks;
}

TEST_F(Printing, PrintoutsReadThroughTheSessionAndCheckAnotherLoginOnce)
{
    exec("sp_addlogin 'CLERK', 'Clerk-pw1', 'ORU'");
    exec("sp_adduser 'CLERK'");
    conn().setStatementObserver(countLoginChecks);
    PrintJob job = ledger();
    printReport(job);
    printReport(job);
    EXPECT_EQ(g_loginChecks, 0) << "the session's own login";

    job.user = "clerk";
    job.password = "clerk-PW1";
    printReport(job);
    printReport(job);
    EXPECT_EQ(g_loginChecks, 1) << "another login, checked once";
    job.password = "wrong";
    EXPECT_THROW(printReport(job), db::Error);
    conn().setStatementObserver({});
}

} // namespace

// A report of thousands of pages is laid out, paged through, exported and
// stopped half-way while the viewer holds only the pages near the one shown.
TEST_F(Printing, ALongReportIsShownPrintedAndStoppedHoldingOnlyAFewPages)
{
    constexpr int rows = 6000;
    exec("create table TstLong (N INTEGER PRIMARY KEY, Amt MONEY)");
    exec("insert into TstLong (N, Amt) with recursive c(n) as (select 1 union all select n + 1 from c where "
         "n < "
         "?) select n, ? from c",
        {rows, db::Money::parse(u"0.25")});
    PrintJob job;
    job.reportFile = QStringLiteral("\\rptTstLong.rpt");
    job.user = gUserName;
    job.password = gUserPassword;

    // While the pages are laid out the user pages on; `stopAt` pages in, Stop.
    int mostHeld = 0, looks = 0;
    auto watch = [&](int stopAt) {
        auto *timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [&, timer, stopAt] {
            report::CRViewer91 *v = common::viewerControl();
            if (!v || !v->layingOut())
                return;
            ++looks;
            v->showNextPage();
            v->grab();
            mostHeld = std::max(mostHeld, v->pagesHeld());
            if (stopAt > 0 && v->pageCount() >= stopAt)
                v->findChild<QAction *>("cmdCancel")->trigger();
        });
        timer->start(0);
        return std::unique_ptr<QTimer>(timer);
    };

    auto timer = watch(0);
    printReport(job);
    timer.reset();
    report::CRViewer91 *v = common::viewerControl();
    ASSERT_TRUE(v && v->document());
    EXPECT_GT(looks, 1);
    const report::Document &doc = *v->document();
    ASSERT_TRUE(doc.complete);
    const int pages = doc.pageCount();
    const int perPage = 3; // 80 mm rows in 270 mm above the page footer
    ASSERT_EQ(pages, (rows + perPage - 1) / perPage);
    // Every page in turn: the rows and the running total go on from the page
    // before, and each page counts itself among all of them.
    int next = 1;
    for (int p = 1; p <= pages; ++p) {
        v->showPage(p);
        if (p % 200 == 1)
            v->grab();
        const QStringList lines = doc.pageLines(p - 1);
        ASSERT_FALSE(lines.isEmpty());
        ASSERT_EQ(lines.last(), QStringLiteral("Page %1 of %2").arg(p).arg(pages));
        for (const QString &line : lines.mid(0, lines.size() - 1)) {
            if (line.startsWith(u'T'))
                continue;
            const QStringList cells = line.split(QStringLiteral(" | "));
            ASSERT_EQ(cells.size(), 3) << line.toStdString();
            ASSERT_EQ(cells[0], QString::number(next));
            ASSERT_EQ(cells[1], "0.25");
            ASSERT_EQ(QString(cells[2]).remove(u','), db::Money::fromCents(25 * next).toString());
            ++next;
        }
        mostHeld = std::max(mostHeld, v->pagesHeld());
    }
    EXPECT_EQ(next, rows + 1);
    EXPECT_EQ(doc.pageLines(pages - 1).mid(doc.pageLines(pages - 1).size() - 2, 1),
        QStringList({QStringLiteral("Total | 1,500.00 | %1").arg(rows)}));

    // The last pages printed to a file: read back from the far end of the spool.
    QTemporaryDir out;
    const QString pdf = out.filePath("long.pdf");
    report::CRViewer91::setPrintDialog([&](QPrinter &printer, QWidget *) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(pages - 99, pages);
        return true;
    });
    v->showFirstPage();
    v->findChild<QAction *>("cmdPrint")->trigger();
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished(60000));
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression(QStringLiteral("Pages: +100\\n"))));
    EXPECT_TRUE(pdfText(pdf).contains(QRegularExpression(QStringLiteral("Total +1,500.00 +%1").arg(rows))));
    mostHeld = std::max(mostHeld, v->pagesHeld());

    timer = watch(pages / 2);
    printReport(job);
    timer.reset();
    const report::Document &stopped = *v->document();
    EXPECT_FALSE(stopped.complete);
    EXPECT_GE(stopped.pageCount(), pages / 2);
    EXPECT_LT(stopped.pageCount(), pages);
    const int last = stopped.pageCount();
    EXPECT_EQ(stopped.pageLines(last - 1).last(), QStringLiteral("Page %1").arg(last));
    mostHeld = std::max(mostHeld, v->pagesHeld());

    EXPECT_GT(mostHeld, 0);
    EXPECT_LE(mostHeld, 4) << "the viewer holds only the pages near the one shown";
}
