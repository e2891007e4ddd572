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
#include <memory>
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

// Where a page's number or the report's page count goes once the count is
// known: the text at `index` of the page's texts.
struct PageTotal {
    int index = 0;
    bool nOfM = false; // "Page N of M"; else the count alone
};

// The pages of a report are written, as they are laid out, to a spool file
// of their own (readable by its owner only) and read back when they are
// shown, printed or exported; only the last pages read stay in memory, so a
// document of any length costs the memory of a few pages.
class Document {
public:
    Document();
    ~Document();
    Document(const Document &) = delete;
    Document &operator=(const Document &) = delete;

    QString title;
    QSizeF pageSize {210, 297}; // mm
    bool landscape = false;
    std::vector<TextStyle> styles;
    bool complete = true; // false: the layout was stopped; later pages are missing

    int pageCount() const { return int(m_offsets.size()); }
    // A page as it is shown: with its page count filled in once the layout
    // has ended with every page. An empty page for an index out of range.
    Page page(int index) const;
    // The text of a page row by row, top to bottom: items whose tops lie
    // within half a millimetre form one row, joined left to right by " | ".
    // Empty items are left out.
    QStringList pageLines(int page) const;
    // Every page's lines, in order.
    QStringList allLines() const;
    // How many laid-out pages are held in memory now.
    int pagesHeld() const { return int(m_held.size()); }

    // The layout's side: a finished page, with the texts that take the page count.
    void addPage(const Page &page, const std::vector<PageTotal> &totals);
    // Every page is there (or the layout stopped, `complete` false): the
    // page count goes into the pages that show it.
    void finishLayout(bool complete);
    bool layoutEnded() const { return m_ended; }

private:
    struct Held {
        int index;
        std::shared_ptr<const Page> page;
    };
    std::shared_ptr<const Page> load(int index) const;

    struct Spool;
    std::unique_ptr<Spool> m_spool;
    std::vector<qint64> m_offsets; // where each page starts in the spool
    qint64 m_end = 0;
    bool m_ended = false;
    mutable std::vector<Held> m_held; // most recently read last
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
