#pragma once
// The printing procedure every print handler follows: a new report object,
// the report file from the program's folder, the log-on of its first table,
// the selection, parameter values, formula texts and subreport selections,
// then the one viewer window. Any failure throws (db::Error or
// report::Error) before the viewer is touched, so it keeps what it showed.
#include "platform/db/db.h"

#include <QString>

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
};

void printReport(const PrintJob &job);

// The report file's path: the program's folder and the handler's name, its
// backslashes turned into path separators.
QString reportPath(const QString &reportFile);
// A text as a formula's string literal: "..." with inner quotes doubled.
QString quoteFormulaText(const QString &text);
// The viewer window's viewer control, when the window is loaded.
report::CRViewer91 *viewerControl();

} // namespace common
