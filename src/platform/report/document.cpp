#include "platform/report/document.h"
#include "platform/report/reporterror.h"

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
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace report {

namespace {

// Pages read back and kept: the one on screen and its neighbours.
constexpr size_t kPagesHeld = 4;

// A page as the spool keeps it: its items packed flat into one buffer, in
// this process's own byte order (the file is this document's alone), so a
// page costs one write and one read rather than one for each value.
class Packed {
public:
    explicit Packed(QByteArray &out)
        : m_out(out)
    {
    }
    template <class T> void put(const T &v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        m_out.append(reinterpret_cast<const char *>(&v), qsizetype(sizeof v));
    }
    void put(const QString &text)
    {
        put(qint32(text.size()));
        m_out.append(reinterpret_cast<const char *>(text.utf16()), text.size() * qsizetype(sizeof(char16_t)));
    }

private:
    QByteArray &m_out;
};

class Unpacked {
public:
    explicit Unpacked(const QByteArray &in)
        : m_at(in.constData())
        , m_end(in.constData() + in.size())
    {
    }
    template <class T> T get()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T v;
        take(&v, sizeof v);
        return v;
    }
    QString text()
    {
        const auto n = get<qint32>();
        if (n < 0 || (m_end - m_at) / qsizetype(sizeof(char16_t)) < n)
            fail();
        QString out(reinterpret_cast<const QChar *>(m_at), n);
        m_at += n * qsizetype(sizeof(char16_t));
        return out;
    }
    // A count of items of at least `least` bytes each that the rest can hold.
    quint32 count(size_t least)
    {
        const auto n = get<quint32>();
        if (size_t(m_end - m_at) / least < n)
            fail();
        return n;
    }
    bool atEnd() const { return m_at == m_end; }
    [[noreturn]] static void fail()
    {
        throw Error(QStringLiteral("A page of the report could not be read back from its temporary file."));
    }

private:
    void take(void *to, size_t n)
    {
        if (size_t(m_end - m_at) < n)
            fail();
        std::memcpy(to, m_at, n);
        m_at += n;
    }
    const char *m_at;
    const char *m_end;
};

QByteArray packPage(const Page &page, const std::vector<PageTotal> &totals)
{
    QByteArray bytes;
    qsizetype size = 16;
    for (const TextItem &t : page.texts)
        size += qsizetype(sizeof(QRectF) + 12) + t.text.size() * 2;
    bytes.reserve(
        size + qsizetype(page.lines.size() * (sizeof(QLineF) + sizeof(double)) + totals.size() * 8));
    Packed out(bytes);
    out.put(quint32(page.texts.size()));
    for (const TextItem &t : page.texts) {
        out.put(t.rect);
        out.put(t.text);
        out.put(t.style);
        out.put(t.align);
        out.put(t.wrap);
    }
    out.put(quint32(page.lines.size()));
    for (const LineItem &l : page.lines) {
        out.put(l.line);
        out.put(l.width);
    }
    out.put(quint32(totals.size()));
    for (const PageTotal &t : totals) {
        out.put(qint32(t.index));
        out.put(t.nOfM);
    }
    return bytes;
}

Page unpackPage(const QByteArray &bytes, std::vector<PageTotal> &totals)
{
    Unpacked in(bytes);
    Page page;
    page.texts.resize(in.count(sizeof(QRectF)));
    for (TextItem &t : page.texts) {
        t.rect = in.get<QRectF>();
        t.text = in.text();
        t.style = in.get<std::uint16_t>();
        t.align = in.get<std::uint16_t>();
        t.wrap = in.get<bool>();
    }
    page.lines.resize(in.count(sizeof(QLineF)));
    for (LineItem &l : page.lines) {
        l.line = in.get<QLineF>();
        l.width = in.get<double>();
    }
    totals.resize(in.count(sizeof(qint32)));
    for (PageTotal &t : totals) {
        t.index = in.get<qint32>();
        t.nOfM = in.get<bool>();
    }
    if (!in.atEnd())
        Unpacked::fail();
    return page;
}

} // namespace

struct Document::Spool {
    QTemporaryFile file;
};

Document::Document() = default;
Document::~Document() = default;

void Document::addPage(const Page &page, const std::vector<PageTotal> &totals)
{
    if (!m_spool) {
        m_spool = std::make_unique<Spool>();
        m_spool->file.setFileTemplate(QDir(QDir::tempPath()).filePath(QStringLiteral("oru-report-XXXXXX")));
        if (!m_spool->file.open())
            throw Error(QStringLiteral("The report's pages could not be written to a temporary file: %1.")
                            .arg(m_spool->file.errorString()));
    }
    const QByteArray bytes = packPage(page, totals);
    QFile &file = m_spool->file;
    if (!file.seek(m_end) || file.write(bytes) != bytes.size())
        throw Error(QStringLiteral("The report's pages could not be written to a temporary file: %1.")
                        .arg(file.errorString()));
    m_offsets.push_back(m_end);
    m_end += bytes.size();
}

void Document::finishLayout(bool complete)
{
    this->complete = complete;
    m_ended = true;
    m_held.clear();
}

std::shared_ptr<const Page> Document::load(int index) const
{
    for (auto it = m_held.begin(); it != m_held.end(); ++it) {
        if (it->index != index)
            continue;
        Held h = std::move(*it);
        m_held.erase(it);
        m_held.push_back(std::move(h));
        return m_held.back().page;
    }
    QFile &file = m_spool->file;
    const qint64 from = m_offsets[size_t(index)];
    const qint64 to = size_t(index) + 1 < m_offsets.size() ? m_offsets[size_t(index) + 1] : m_end;
    if (!file.flush() || !file.seek(from))
        throw Error(QStringLiteral("A page of the report could not be read back from its temporary file."));
    const QByteArray bytes = file.read(to - from);
    if (bytes.size() != to - from)
        Unpacked::fail();
    std::vector<PageTotal> totals;
    auto page = std::make_shared<Page>(unpackPage(bytes, totals));
    if (m_ended && complete) {
        const int total = pageCount();
        for (const PageTotal &t : totals)
            if (size_t(t.index) < page->texts.size())
                page->texts[size_t(t.index)].text = t.nOfM
                    ? QStringLiteral("Page %1 of %2").arg(index + 1).arg(total)
                    : QString::number(total);
    }
    if (m_held.size() >= kPagesHeld)
        m_held.erase(m_held.begin());
    m_held.push_back({index, page});
    return page;
}

Page Document::page(int index) const
{
    if (index < 0 || index >= pageCount())
        return {};
    return *load(index);
}

QStringList Document::pageLines(int page) const
{
    QStringList out;
    if (page < 0 || page >= pageCount())
        return out;
    const std::shared_ptr<const Page> pg = load(page);
    std::vector<const TextItem *> items;
    for (const TextItem &t : pg->texts)
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
    const Page pg = doc.page(page);
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

// Pages first..last (0-based) as PDF, written to `device` page by page as
// they are painted, so an export of any length holds one page at a time.
void writePdfTo(QIODevice &device, const Document &doc, int first, int last)
{
    QPdfWriter writer(&device);
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
// A fault of the file said as such, not as a fault of the PDF that met it.
template <class Produce> void produceInto(QFileDevice &file, const QString &path, Produce &produce)
{
    try {
        produce(file);
    } catch (const Error &) {
        if (file.error() == QFileDevice::NoError)
            throw;
        cannotWrite(path, file.error(), file.errorString());
    }
}

template <class Produce> void writeFile(const QString &path, Produce produce)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        // A device or pipe is written in place; it cannot be replaced.
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly))
            cannotWrite(path, device.error(), device.errorString());
        produceInto(device, path, produce);
        if (device.error() != QFileDevice::NoError || !device.flush())
            cannotWrite(path, device.error(), device.errorString());
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file.error(), file.errorString());
    produceInto(file, path, produce);
    if (file.error() != QFileDevice::NoError || !file.flush()) {
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
    writeFile(path, [&](QIODevice &device) { writePdfTo(device, doc, 0, doc.pageCount() - 1); });
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
        writeFile(printer.outputFileName(),
            [&](QIODevice &device) { writePdfTo(device, doc, first - 1, last - 1); });
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
