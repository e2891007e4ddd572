#include "common/printing.h"

#include "common/globals.h"
#include "common/window.h"
#include "platform/report/report.h"
#include "platform/report/viewer.h"

#include <QDir>

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

    // The report reads through a connection of its own, logged on with the
    // given credentials to the server and database the program is on.
    if (!gConn)
        throw report::Error(QStringLiteral("The program is not connected to a database server."));
    report::LogOnInfo logOn;
    logOn.server = gConn->property(QStringLiteral("Data Source"));
    logOn.database = gConn->property(QStringLiteral("Initial Catalog"));
    if (logOn.database.isEmpty())
        logOn.database = QStringLiteral("ORU");
    logOn.user = job.user;
    logOn.password = job.password;
    rpt->logOn(logOn);

    if (job.selection)
        rpt->setRecordSelectionFormula(*job.selection);
    for (const auto &[index, value] : job.parameters)
        rpt->setParameterValue(index, value);
    for (const auto &[name, text] : job.formulas)
        rpt->setFormula(name, quoteFormulaText(text));
    for (const auto &[name, selection] : job.subreportSelections)
        rpt->openSubreport(name).setRecordSelectionFormula(selection);
    // Every fault of the data or the formulas shows here, before the viewer.
    rpt->render();

    Window *viewer = windows::get(viewerName);
    auto *control = viewer ? viewer->findChild<report::CRViewer91 *>(QStringLiteral("CRViewer91")) : nullptr;
    if (!control)
        throw report::Error(QStringLiteral("The report viewer is not available."));
    viewer->setWindowTitle(QString());
    control->setReportSource(rpt);
    control->viewReport();
    viewer->showWindow();
}

} // namespace common
