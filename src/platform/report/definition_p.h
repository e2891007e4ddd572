#pragma once
// The in-memory form of a report definition file (see docs/report-format.md).
// Internal to the engine.
#include "platform/report/document.h"
#include "platform/report/reporterror.h"

#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

namespace report::def {

enum class ElementKind { Text, Field, Summary, Special, Line, Box, Subreport };
enum class Aggregate { Sum, Count, Min, Max, Average };
enum class Special { PageNumber, TotalPages, PageNofM, PrintDate };

struct Element {
    ElementKind kind = ElementKind::Text;
    int line = 0;
    QRectF rect; // mm, relative to the section's top-left; a line runs topLeft -> bottomRight
    QString text; // static text, or the expression of a field, summary or running value
    QString format; // display format of a value
    bool blankWhenZero = false;
    int align = -1; // Qt::Alignment; -1: numbers right, the rest left
    bool wrap = false;
    bool grow = false; // broken into lines that fit the width; the section grows to hold them
    bool shrinkToFit = false; // a text wider than its box is drawn in a smaller size of its font
    TextStyle style;
    double lineWidth = 0.2;
    Aggregate aggregate = Aggregate::Sum;
    bool reportScope = false; // a summary over the whole report, wherever it stands
    Special special = Special::PageNumber;
    int subreport = -1; // index into Definition::subreports
};

struct Section {
    bool present = false;
    int line = 0;
    double height = 0;
    QString visible; // condition; empty: always shown
    bool newPageBefore = false;
    bool newPageAfter = false;
    bool repeat = false; // group headers: repeated at the top of each page the group continues on
    std::vector<Element> elements;
};

enum class GroupOrder { Ascending, Descending, Original };

struct Group {
    QString by;
    int line = 0;
    GroupOrder order = GroupOrder::Ascending;
    Section header, footer;
};

struct Sort {
    QString by;
    bool descending = false;
    int line = 0;
};

enum class ParamType { Integer, Number, Text, Date };

struct Parameter {
    QString name;
    ParamType type = ParamType::Text;
    bool hasDefault = false;
    QString defaultText;
    int line = 0;
};

struct FormulaField {
    QString name;
    QString text;
    int line = 0;
};

struct RunningTotal {
    QString name;
    QString expr;
    Aggregate aggregate = Aggregate::Sum;
    int resetGroup = -1; // 0-based group level whose change resets it; -1: never
    int line = 0;
};

struct Definition {
    QString name; // the file's report name, or the subreport's name
    QString source; // file path, for messages
    int line = 0;

    QString query;
    int queryLine = 0;
    QString selection;
    int selectionLine = 0;
    std::vector<Sort> sorts;

    std::vector<Parameter> parameters;
    std::vector<FormulaField> formulas;
    std::vector<RunningTotal> runningTotals;
    // A subreport's values that its report reads as {#Name}: an aggregate
    // over the subreport's selected rows (resetGroup unused).
    std::vector<RunningTotal> shared;

    Section reportHeader, pageHeader, details, pageFooter, reportFooter;
    std::vector<Group> groups; // outermost first

    std::vector<std::shared_ptr<Definition>> subreports;

    QSizeF pageSize {210, 297}; // oriented
    bool landscape = false;
    QMarginsF margins {10, 10, 10, 10};
    TextStyle style; // defaults of the report's texts
};

// Where a formula field stands, for its errors (a placeText()).
QString formulaFieldPlace(const Definition &def, const FormulaField &f);

// Throws report::Error with the file and line of the fault.
std::shared_ptr<Definition> load(const QString &path);
std::shared_ptr<Definition> parse(const QString &xml, const QString &source);

} // namespace report::def
