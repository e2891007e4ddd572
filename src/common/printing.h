#pragma once
// The printing procedure every print handler follows: a new report object,
// the report file from the program's folder, the log-on of its first table,
// the selection, parameter values, formula texts and subreport selections,
// then the one viewer window. Any failure throws (db::Error or
// report::Error) before the viewer is touched, so it keeps what it showed.
#include "platform/db/db.h"

#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace report {
class CRViewer91;
}

namespace common {

struct PrintJob {
    QString reportFile; // the handler's name: "\rptChartAC.rpt", "\Vel_Report\rpt_User_Name.rpt"
    QString user, password;
    std::optional<QString> selection; // none: the selection stored in the file
    std::vector<std::pair<int, db::Value>> parameters; // 1-based index; whole numbers or text
    std::vector<std::pair<QString, QString>> formulas; // name, plain text (quoted here)
    std::vector<std::pair<QString, QString>> subreportSelections; // subreport name, selection
    // When set: a query that gives a row only when what is asked for is
    // saved (bound with `mustExistParams`); without a row the user is told
    // `notFound` instead of being shown an empty report.
    QString mustExist;
    db::Params mustExistParams;
    QString notFound;
};

// A job for the report file `reportFile`, logged on as `user` with `password`.
PrintJob reportJob(const QString &reportFile, const QString &user, const QString &password);
// The same, logged on as the session's user, as the print handlers print.
PrintJob sessionJob(const QString &reportFile);

// Returns false when nothing was shown because what the job asks for is not saved.
bool printReport(const PrintJob &job);

// Runs a report's procedure (the statements that fill its work tables on
// gConn before it is printed) while the viewer window shows that the report
// is being prepared: the previous report leaves it, the time taken shows and
// Stop (or Esc) stops the procedure, whose work then rolls back. Meanwhile
// only the viewer takes the keyboard and the mouse, so nothing else uses
// the connection. Returns false when the user stopped it; a failure of the
// procedure throws as it would without this.
bool runReportProcedure(const std::function<void()> &procedure);

// The report file's path: the program's folder and the handler's name, its
// backslashes turned into path separators.
QString reportPath(const QString &reportFile);
// A text as a formula's string literal: "..." with inner quotes doubled.
QString quoteFormulaText(const QString &text);
// The viewer window's viewer control, when the window is loaded.
report::CRViewer91 *viewerControl();

} // namespace common
