#include "common/printing.h"

#include "common/globals.h"
#include "common/window.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPointer>

namespace common {

namespace {
const QString viewerName = QStringLiteral("frmVeiwer");
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

void printReport(const PrintJob &job)
{
    report::Application app;
    std::shared_ptr<report::Report> rpt = app.openReport(reportPath(job.reportFile));

    // The report reads through the session's own connection, so it sees the
    // work tables the session's procedures filled; the log-on is checked
    // against the session's server without a second connection.
    if (!gConn || gConn->state() != 1)
        throw report::Error(QStringLiteral("The program is not connected to a database server."));
    gConn->checkLogin(job.user, job.password);
    rpt->setDataSource(std::make_shared<report::ConnectionSource>(
        std::shared_ptr<db::Connection>(gConn, [](db::Connection *) {})));

    if (job.selection)
        rpt->setRecordSelectionFormula(*job.selection);
    for (const auto &[index, value] : job.parameters)
        rpt->setParameterValue(index, value);
    for (const auto &[name, text] : job.formulas)
        rpt->setFormula(name, quoteFormulaText(text));
    for (const auto &[name, selection] : job.subreportSelections)
        rpt->openSubreport(name).setRecordSelectionFormula(selection);

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
        return;
    }
    if (control && control->reportSource() == rpt)
        control->viewReport();
}

} // namespace common
