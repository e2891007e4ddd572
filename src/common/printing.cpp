#include "common/printing.h"

#include "common/dialogs.h"
#include "common/globals.h"
#include "common/window.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace common {

namespace {
const QString viewerName = QStringLiteral("frmVeiwer");

// While a procedure runs, keys, clicks and closes reach the viewer only.
class ViewerOnlyInput : public QObject {
public:
    explicit ViewerOnlyInput(QWidget *open)
        : m_open(open)
    {
        qApp->installEventFilter(this);
    }
    ~ViewerOnlyInput() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close: {
            auto *w = qobject_cast<QWidget *>(watched);
            if (!w || !m_open)
                return false;
            return w != m_open && !m_open->isAncestorOf(w);
        }
        default:
            return false;
        }
    }

private:
    QPointer<QWidget> m_open;
};
} // namespace

PrintJob reportJob(const QString &reportFile, const QString &user, const QString &password)
{
    PrintJob job;
    job.reportFile = reportFile;
    job.user = user;
    job.password = password;
    return job;
}

PrintJob sessionJob(const QString &reportFile)
{
    return reportJob(reportFile, gUserName, gUserPassword);
}

QString reportPath(const QString &reportFile)
{
    QString name = reportFile;
    name.replace(u'\\', u'/');
    while (name.startsWith(u'/'))
        name.remove(0, 1);
    return QDir(appPath()).filePath(name);
}

QString quoteFormulaText(const QString &text)
{
    QString inner = text;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

report::CRViewer91 *viewerControl()
{
    Window *w = windows::ifLoaded(viewerName);
    return w ? w->findChild<report::CRViewer91 *>(QStringLiteral("CRViewer91")) : nullptr;
}

namespace {

// The job's selection, parameters, formula texts and subreport selections.
void applyJob(report::Report &rpt, const PrintJob &job)
{
    if (job.selection)
        rpt.setRecordSelectionFormula(*job.selection);
    for (const auto &[index, value] : job.parameters)
        rpt.setParameterValue(index, value);
    for (const auto &[name, text] : job.formulas)
        rpt.setFormula(name, quoteFormulaText(text));
    for (const auto &[name, selection] : job.subreportSelections)
        rpt.openSubreport(name).setRecordSelectionFormula(selection);
}

// Lays the report out into the viewer, which shows its first page as soon
// as it is laid out; a report that fails leaves the viewer as it was.
bool showInViewer(const std::shared_ptr<report::Report> &rpt)
{
    // Every fault of the data or the formulas shows before the first page
    // is done, so before the viewer is touched. The first page is shown as
    // soon as it is laid out; the rest follow while the user looks at it.
    QPointer<Window> viewer;
    QPointer<report::CRViewer91> control;
    std::shared_ptr<report::Report> before;
    auto showViewer = [&] {
        viewer = windows::get(viewerName);
        control = viewer ? viewer->findChild<report::CRViewer91 *>(QStringLiteral("CRViewer91")) : nullptr;
        if (!control)
            throw report::Error(QStringLiteral("The report viewer is not available."));
        before = control->reportSource();
        viewer->setWindowTitle(QString());
        control->setReportSource(rpt);
    };
    QElapsedTimer sinceShown;
    auto pageDone = [&](const std::shared_ptr<const report::Document> &doc, double done) {
        // What the user does meanwhile is other work than the report's.
        db::Connection::Elsewhere others(*gConn);
        if (!viewer) {
            showViewer();
            viewer->showWindow();
            sinceShown.start();
            return control->showProgress(doc, done);
        }
        if (!control || control->reportSource() != rpt)
            return false;
        // Events go through a few times a second: enough to page and stop.
        if (sinceShown.elapsed() < 100)
            return true;
        sinceShown.restart();
        return control->showProgress(doc, done);
    };
    try {
        rpt->render(pageDone);
    } catch (...) {
        if (control && control->reportSource() == rpt) {
            control->setReportSource(before);
            control->viewReport();
        }
        throw;
    }
    if (!viewer) {
        showViewer();
        control->viewReport();
        viewer->showWindow();
        return true;
    }
    if (control && control->reportSource() == rpt)
        control->viewReport();
    return true;
}

} // namespace

bool printReport(const PrintJob &job)
{
    report::Application app;
    std::shared_ptr<report::Report> rpt = app.openReport(reportPath(job.reportFile));

    // The report reads through the session's own connection, so it sees the
    // work tables the session's procedures filled; the log-on is checked
    // against the session's server without a second connection.
    if (!gConn || gConn->state() != 1)
        throw report::Error(QStringLiteral("The program is not connected to a database server."));
    // Every row the report reads, its subreports' and its procedure's (when
    // the caller holds the moment from before the procedure) are of one
    // moment of the books, whatever another copy saves while it is read.
    db::Connection::ReadSnapshot moment(*gConn);
    gConn->checkLogin(job.user, job.password);
    if (!job.mustExist.isEmpty() && gConn->scalar(job.mustExist, job.mustExistParams).isNull()) {
        db::Connection::Elsewhere others(*gConn);
        info(job.notFound);
        return false;
    }
    rpt->setDataSource(std::make_shared<report::ConnectionSource>(
        std::shared_ptr<db::Connection>(gConn, [](db::Connection *) {})));

    applyJob(*rpt, job);
    return showInViewer(rpt);
}

bool runReportProcedure(const std::function<void()> &procedure)
{
    Window *viewer = gConn && gConn->state() == 1 ? windows::get(viewerName) : nullptr;
    QPointer<report::CRViewer91> control
        = viewer ? viewer->findChild<report::CRViewer91 *>(QStringLiteral("CRViewer91")) : nullptr;
    if (!control) {
        procedure();
        return true;
    }
    viewer->setWindowTitle(QString());
    viewer->showWindow();
    ViewerOnlyInput gate(control);
    QElapsedTimer clock;
    clock.start();
    qint64 shownAt = 0;
    bool stopped = false;
    {
        db::Connection::Elsewhere others(*gConn);
        stopped = !control->showPreparing(0);
    }
    struct Handler {
        ~Handler()
        {
            if (gConn && gConn->state() == 1)
                gConn->setProgressHandler({});
        }
    } handler;
    gConn->setProgressHandler([&] {
        // The viewer a few times a second: enough to see it go on and stop it.
        if (stopped || clock.elapsed() - shownAt < 100)
            return !stopped;
        shownAt = clock.elapsed();
        db::Connection::Elsewhere others(*gConn);
        stopped = !control || !control->showPreparing(double(clock.elapsed()) / 1000.0);
        return !stopped;
    });
    try {
        if (!stopped)
            procedure();
    } catch (const db::Error &) {
        if (control)
            control->endPreparing();
        if (stopped)
            return false;
        throw;
    }
    if (control)
        control->endPreparing();
    return !stopped;
}

} // namespace common
