#include "platform/report/document.h"
#include "platform/report/reporterror.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPrinter>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>

namespace report {

QStringList Document::pageLines(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount())
        return out;
    std::vector<const TextItem *> items;
    for (const TextItem &t : pages[size_t(page)].texts)
        if (!t.text.isEmpty())
            items.push_back(&t);
    std::stable_sort(items.begin(), items.end(),
        [](const TextItem *a, const TextItem *b) { return a->rect.top() < b->rect.top(); });
    size_t i = 0;
    while (i < items.size()) {
        const double top = items[i]->rect.top();
        size_t j = i;
        while (j < items.size() && items[j]->rect.top() - top <= 0.5)
            ++j;
        std::stable_sort(items.begin() + i, items.begin() + j,
            [](const TextItem *a, const TextItem *b) { return a->rect.left() < b->rect.left(); });
        QStringList row;
        for (size_t k = i; k < j; ++k)
            row << items[k]->text;
        out << row.join(QStringLiteral(" | "));
        i = j;
    }
    return out;
}

QStringList Document::allLines() const
{
    QStringList out;
    for (int p = 0; p < pageCount(); ++p)
        out << pageLines(p);
    return out;
}

void paintPage(QPainter &painter, const Document &doc, int page, double pixelsPerMm)
{
    if (page < 0 || page >= doc.pageCount())
        return;
    const Page &pg = doc.pages[size_t(page)];
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    // A point is 25.4/72 mm; fonts are sized in points of the device.
    const double fontScale = 25.4 * pixelsPerMm / std::max(1, dpi);
    auto px = [pixelsPerMm](const QRectF &r) {
        return QRectF(
            r.x() * pixelsPerMm, r.y() * pixelsPerMm, r.width() * pixelsPerMm, r.height() * pixelsPerMm);
    };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const LineItem &l : pg.lines) {
        QPen pen(Qt::black);
        pen.setWidthF(std::max(0.5, l.width * pixelsPerMm));
        painter.setPen(pen);
        painter.drawLine(QLineF(l.line.p1() * pixelsPerMm, l.line.p2() * pixelsPerMm));
    }
    painter.setPen(Qt::black);
    std::vector<QFont> fonts;
    fonts.reserve(doc.styles.size());
    for (const TextStyle &s : doc.styles) {
        QFont f(s.family);
        f.setPointSizeF(std::max(0.5, s.pointSize * fontScale));
        f.setBold(s.bold);
        f.setItalic(s.italic);
        fonts.push_back(f);
    }
    int current = -1;
    for (const TextItem &t : pg.texts) {
        if (t.text.isEmpty())
            continue;
        if (t.style != current && t.style < fonts.size()) {
            painter.setFont(fonts[t.style]);
            current = t.style;
        }
        const int flags = int(t.align) | (t.wrap ? Qt::TextWordWrap : Qt::TextSingleLine);
        painter.drawText(px(t.rect), flags, t.text);
    }
    painter.restore();
}

namespace {

QPageSize pageSizeOf(const Document &doc)
{
    const QSizeF portrait = doc.landscape ? doc.pageSize.transposed() : doc.pageSize;
    return QPageSize(portrait, QPageSize::Millimeter);
}

} // namespace

namespace {

// Pages first..last (0-based) as a PDF held in memory.
QByteArray pdfOf(const Document &doc, int first, int last)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(300);
    writer.setPageSize(pageSizeOf(doc));
    writer.setPageOrientation(doc.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(doc.title);
    writer.setCreator(QStringLiteral("ORU Accounts"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw Error(QStringLiteral("The report could not be laid out as PDF."));
    for (int i = first; i <= last; ++i) {
        if (i > first)
            writer.newPage();
        paintPage(painter, doc, i, writer.resolution() / 25.4);
    }
    if (!painter.end())
        throw Error(QStringLiteral("The report could not be laid out as PDF."));
    return buffer.data();
}

[[noreturn]] void cannotWrite(const QString &path, QFileDevice::FileError error, const QString &why)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (error == QFileDevice::ResourceError || (disk.isValid() && disk.bytesAvailable() == 0))
        throw Error(QStringLiteral("The file '%1' could not be written because the disk is full. "
                                   "Free some space on that disk, then try again.")
                        .arg(QDir::toNativeSeparators(path)));
    throw Error(
        QStringLiteral("The file '%1' could not be written: %2.").arg(QDir::toNativeSeparators(path), why));
}

// Writes the whole file or, failing, leaves what was there (nothing, or the
// earlier file) and says why: the bytes go to a new file in the same folder
// that takes the name only once complete.
void writeFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        // A device or pipe is written in place; it cannot be replaced.
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly) || device.write(bytes) != bytes.size() || !device.flush())
            cannotWrite(path, device.error(), device.errorString());
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file.error(), file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // The new file goes with `file`; the error is read before it does.
        const QFileDevice::FileError error = file.error();
        const QString why = file.errorString();
        file.cancelWriting();
        cannotWrite(path, error, why);
    }
    if (!file.commit())
        cannotWrite(path, file.error(), file.errorString());
}

} // namespace

void writePdf(const Document &doc, const QString &path)
{
    writeFile(path, pdfOf(doc, 0, doc.pageCount() - 1));
}

void printDocument(const Document &doc, QPrinter &printer, int fromPage, int toPage)
{
    const int n = doc.pageCount();
    const int first = fromPage > 0 ? std::min(fromPage, n) : 1;
    const int last = toPage > 0 ? std::min(toPage, n) : n;
    if (n == 0 || first > last)
        return;
    // Printing to a file is written as an export is, so a failed write is
    // said and leaves no empty file.
    if (!printer.outputFileName().isEmpty()) {
        writeFile(printer.outputFileName(), pdfOf(doc, first - 1, last - 1));
        return;
    }
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(QStringLiteral("The printer cannot be opened."));
    for (int i = first; i <= last; ++i) {
        if (i > first)
            printer.newPage();
        paintPage(painter, doc, i - 1, printer.resolution() / 25.4);
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("The report could not be printed: the printer did not take every page."));
}

} // namespace report
