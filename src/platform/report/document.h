#pragma once
// A laid-out report: pages of positioned text and lines, in millimetres from
// the paper's top-left corner. The screen, the printer and PDF all paint
// through paintPage, so what tests read here is what every device shows.
#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QPainter;
class QPrinter;

namespace report {

struct TextStyle {
    QString family;
    double pointSize = 9;
    bool bold = false;
    bool italic = false;
    bool operator==(const TextStyle &) const = default;
};

struct TextItem {
    QRectF rect; // mm
    QString text;
    std::uint16_t style = 0; // index into Document::styles
    std::uint16_t align = 0; // Qt::Alignment
    bool wrap = false;
};

struct LineItem {
    QLineF line; // mm
    double width = 0.2; // mm
};

struct Page {
    std::vector<TextItem> texts;
    std::vector<LineItem> lines;
};

struct Document {
    QString title;
    QSizeF pageSize {210, 297}; // mm
    bool landscape = false;
    std::vector<TextStyle> styles;
    std::vector<Page> pages;
    bool complete = true; // false: the layout was stopped; later pages are missing

    int pageCount() const { return int(pages.size()); }
    // The text of a page row by row, top to bottom: items whose tops lie
    // within half a millimetre form one row, joined left to right by " | ".
    // Empty items are left out.
    QStringList pageLines(int page) const;
    // Every page's lines, in order.
    QStringList allLines() const;
};

// Paints one page with its top-left corner at the painter's origin,
// `pixelsPerMm` device pixels to the millimetre.
void paintPage(QPainter &painter, const Document &doc, int page, double pixelsPerMm);

// Writes every page as PDF. Throws report::Error when the file cannot be
// written (no folder, no right, a full disk), leaving no partial file.
void writePdf(const Document &doc, const QString &path);
// Prints pages from..to (1-based; 0 for all) on a printer already set up;
// printing to a file writes it as writePdf does. Throws report::Error when
// the pages could not be printed or written.
void printDocument(const Document &doc, QPrinter &printer, int fromPage = 0, int toPage = 0);

} // namespace report
