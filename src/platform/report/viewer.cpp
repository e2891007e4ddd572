#include "platform/report/viewer.h"
#include "platform/report/report.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace report {

namespace {
CRViewer91::PrintDialog g_printDialog;
constexpr int pageMargin = 12; // px of grey around the page
} // namespace

// The page on its grey desk.
class PageView : public QWidget {
public:
    explicit PageView(QWidget *parent)
        : QWidget(parent)
    {
        setAutoFillBackground(false);
    }

    void setPage(const Document *doc, int page, double ppm)
    {
        m_doc = doc;
        m_page = page;
        m_ppm = ppm;
        if (doc)
            setFixedSize(int(doc->pageSize.width() * ppm) + 2 * pageMargin,
                int(doc->pageSize.height() * ppm) + 2 * pageMargin);
        else
            setFixedSize(0, 0);
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
        if (!m_doc || m_page < 0 || m_page >= m_doc->pageCount())
            return;
        const QRect paper(pageMargin, pageMargin, width() - 2 * pageMargin, height() - 2 * pageMargin);
        p.fillRect(paper.translated(3, 3), QColor(0x50, 0x50, 0x50));
        p.fillRect(paper, Qt::white);
        p.translate(paper.topLeft());
        paintPage(p, *m_doc, m_page, m_ppm);
    }

private:
    const Document *m_doc = nullptr;
    int m_page = 0;
    double m_ppm = 1;
};

CRViewer91::CRViewer91(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CRViewer91"));
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("tbViewer"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addPagingTools();
    m_toolbar->addSeparator();
    addProgressTools();
    m_toolbar->addSeparator();
    addZoomTools();
    m_toolbar->addSeparator();
    addOutputTools();
    layout->addWidget(m_toolbar);
    addPages();
    layout->addWidget(m_scroll, 1);
    updateControls();
}

QAction *CRViewer91::addTool(const char *name, const QString &text, QStyle::StandardPixmap icon,
    const QKeySequence &key, std::function<void()> slot)
{
    QAction *a = m_toolbar->addAction(style()->standardIcon(icon), text);
    a->setObjectName(QLatin1String(name));
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        // The keys work wherever the focus is in the viewer, not only
        // on its toolbar (Esc stops a layout from the pages as well).
        addAction(a);
    }
    connect(a, &QAction::triggered, this, std::move(slot));
    return a;
}

void CRViewer91::addPagingTools()
{
    addTool("cmdFirstPage", tr("First"), QStyle::SP_MediaSkipBackward, QKeySequence(Qt::CTRL | Qt::Key_Home),
        [this] { showFirstPage(); });
    addTool("cmdPreviousPage", tr("Previous"), QStyle::SP_MediaSeekBackward, QKeySequence(Qt::Key_PageUp),
        [this] { showPreviousPage(); });
    m_pageLabel = new QLabel(m_toolbar);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_pageLabel->setContentsMargins(8, 0, 8, 0);
    m_toolbar->addWidget(m_pageLabel);
    addTool("cmdNextPage", tr("Next"), QStyle::SP_MediaSeekForward, QKeySequence(Qt::Key_PageDown),
        [this] { showNextPage(); });
    addTool("cmdLastPage", tr("Last"), QStyle::SP_MediaSkipForward, QKeySequence(Qt::CTRL | Qt::Key_End),
        [this] { showLastPage(); });
}

void CRViewer91::addProgressTools()
{
    m_progress = new QLabel(m_toolbar);
    m_progress->setObjectName(QStringLiteral("lblProgress"));
    m_progress->setContentsMargins(8, 0, 8, 0);
    m_toolbar->addWidget(m_progress)->setObjectName(QStringLiteral("actProgress"));
    m_cancel = addTool("cmdCancel", tr("Stop"), QStyle::SP_BrowserStop, QKeySequence(Qt::Key_Escape),
        [this] { m_cancelled = true; });
}

void CRViewer91::addZoomTools()
{
    m_zoomBox = new QComboBox(m_toolbar);
    m_zoomBox->setObjectName(QStringLiteral("cboZoom"));
    m_zoomBox->addItem(tr("Page width"), FitWidth);
    m_zoomBox->addItem(tr("Whole page"), FitPage);
    for (int z : {50, 75, 100, 125, 150, 200, 300})
        m_zoomBox->addItem(QStringLiteral("%1%").arg(z), z);
    m_toolbar->addWidget(m_zoomBox);
    connect(
        m_zoomBox, &QComboBox::activated, this, [this](int i) { setZoom(m_zoomBox->itemData(i).toInt()); });
}

void CRViewer91::addOutputTools()
{
    auto guarded = [this](auto f) {
        return [this, f] {
            try {
                f();
            } catch (const std::exception &e) {
                const QString text = QString::fromUtf8(e.what());
                if (m_messages)
                    m_messages(text);
                else
                    QMessageBox::critical(this, windowTitle(), text);
            }
        };
    };
    QAction *print = addTool("cmdPrint", tr("Print"), QStyle::SP_FileIcon, QKeySequence::Print,
        guarded([this] { printReport(); }));
    print->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), print->icon()));
    QAction *exportPdf = addTool("cmdExport", tr("Export PDF"), QStyle::SP_DialogSaveButton,
        QKeySequence(Qt::CTRL | Qt::Key_E), guarded([this] { exportReport(); }));
    exportPdf->setIcon(QIcon::fromTheme(QStringLiteral("document-save-as"), exportPdf->icon()));
}

void CRViewer91::addPages()
{
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("scrPages"));
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_view = new PageView(m_scroll);
    m_view->setObjectName(QStringLiteral("pagView"));
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(false);
    m_scroll->installEventFilter(this);
}

CRViewer91::~CRViewer91() = default;

void CRViewer91::setReportSource(std::shared_ptr<Report> report)
{
    m_report = std::move(report);
}

std::shared_ptr<Report> CRViewer91::reportSource() const
{
    return m_report;
}

void CRViewer91::viewReport()
{
    if (m_report && !m_report->document())
        m_report->render();
    const bool same = m_layingOut && m_report && m_doc == m_report->sharedDocument();
    m_layingOut = false;
    m_preparing = false;
    m_cancelled = false;
    m_doc = m_report ? m_report->sharedDocument() : nullptr;
    // The page the user went to while the rest was laid out stays.
    if (!same)
        m_page = 0;
    m_page = std::clamp(m_page, 0, std::max(0, pageCount() - 1));
    updateControls();
    emit pageChanged(currentPage());
}

bool CRViewer91::showProgress(const std::shared_ptr<const Document> &partial, double done)
{
    if (!m_layingOut) {
        m_layingOut = true;
        m_preparing = false;
        m_cancelled = false;
        m_doc = partial;
        m_page = 0;
        emit pageChanged(currentPage());
    }
    m_done = done;
    updateControls();
    QPointer<CRViewer91> self(this);
    QCoreApplication::processEvents();
    return self && !m_cancelled && m_doc == partial;
}

bool CRViewer91::showPreparing(double seconds)
{
    if (!m_preparing) {
        m_preparing = true;
        m_layingOut = false;
        m_cancelled = false;
        m_report.reset();
        m_doc.reset();
        m_page = 0;
        emit pageChanged(0);
    }
    m_preparedFor = seconds;
    updateControls();
    QPointer<CRViewer91> self(this);
    QCoreApplication::processEvents();
    return self && !m_cancelled && m_preparing;
}

void CRViewer91::endPreparing()
{
    if (!m_preparing)
        return;
    m_preparing = false;
    m_cancelled = false;
    updateControls();
}

const Document *CRViewer91::document() const
{
    return m_doc.get();
}

int CRViewer91::pageCount() const
{
    return m_doc ? m_doc->pageCount() : 0;
}

int CRViewer91::pagesHeld() const
{
    return m_doc ? m_doc->pagesHeld() : 0;
}

int CRViewer91::currentPage() const
{
    return pageCount() > 0 ? m_page + 1 : 0;
}

void CRViewer91::showPage(int page)
{
    if (pageCount() == 0)
        return;
    const int p = std::clamp(page, 1, pageCount()) - 1;
    if (p == m_page)
        return;
    m_page = p;
    updateControls();
    m_scroll->verticalScrollBar()->setValue(0);
    emit pageChanged(currentPage());
}

void CRViewer91::showFirstPage()
{
    showPage(1);
}

void CRViewer91::showPreviousPage()
{
    showPage(currentPage() - 1);
}

void CRViewer91::showNextPage()
{
    showPage(currentPage() + 1);
}

void CRViewer91::showLastPage()
{
    showPage(pageCount());
}

void CRViewer91::setZoom(int zoom)
{
    m_zoom = zoom == FitWidth || zoom == FitPage ? zoom : std::clamp(zoom, 10, 800);
    const int i = m_zoomBox->findData(m_zoom);
    if (i >= 0)
        m_zoomBox->setCurrentIndex(i);
    applyZoom();
}

int CRViewer91::zoom() const
{
    return m_zoom;
}

double CRViewer91::pixelsPerMm() const
{
    const double real = logicalDpiX() / 25.4;
    if (!m_doc)
        return real;
    // The scroll area's whole size: a fit to the width leaves room for the
    // vertical scroll bar it brings, so the two never chase each other.
    const QSize area = m_scroll->size();
    const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
    const double fitWidth = std::max(1.0, area.width() - bar - 2.0 * pageMargin) / m_doc->pageSize.width();
    const double fitHeight = std::max(1.0, area.height() - 2.0 * pageMargin) / m_doc->pageSize.height();
    const double fitWhole
        = std::min(std::max(1.0, area.width() - 2.0 * pageMargin) / m_doc->pageSize.width(), fitHeight);
    switch (m_zoom) {
    case FitWidth:
        return std::max(0.5, fitWidth);
    case FitPage:
        return std::max(0.5, fitWhole);
    default:
        return real * m_zoom / 100.0;
    }
}

void CRViewer91::applyZoom()
{
    m_view->setPage(m_doc.get(), m_page, pixelsPerMm());
}

void CRViewer91::updateControls()
{
    const int n = pageCount();
    const bool partial = m_doc && (m_layingOut || !m_doc->complete);
    m_pageLabel->setText(n > 0
            ? tr("Page %1 of %2%3").arg(m_page + 1).arg(n).arg(partial ? QStringLiteral("+") : QString())
            : QString());
    m_progress->setText(m_preparing ? tr("Preparing the report: %1 s").arg(int(m_preparedFor))
            : m_layingOut           ? tr("Laying out: %1%").arg(int(m_done * 100))
            : partial               ? tr("Stopped")
                                    : QString());
    m_cancel->setVisible(m_layingOut || m_preparing);
    for (QAction *a : m_toolbar->actions()) {
        const QString name = a->objectName();
        if (name == QLatin1String("cmdFirstPage") || name == QLatin1String("cmdPreviousPage"))
            a->setEnabled(n > 0 && m_page > 0);
        else if (name == QLatin1String("cmdNextPage") || name == QLatin1String("cmdLastPage"))
            a->setEnabled(n > 0 && m_page < n - 1);
        else if (name == QLatin1String("cmdPrint") || name == QLatin1String("cmdExport"))
            a->setEnabled(n > 0 && !m_layingOut && !m_preparing);
    }
    applyZoom();
}

void CRViewer91::setPrintDialog(PrintDialog dialog)
{
    g_printDialog = std::move(dialog);
}

void CRViewer91::setFileNameProvider(FileNameProvider provider)
{
    m_fileNames = std::move(provider);
}

void CRViewer91::setMessageHandler(MessageHandler handler)
{
    m_messages = std::move(handler);
}

void CRViewer91::setQuestionHandler(QuestionHandler handler)
{
    m_questions = std::move(handler);
}

bool CRViewer91::confirmIncomplete(const QString &what)
{
    if (!m_doc || m_doc->complete)
        return true;
    const int n = m_doc->pageCount();
    const QString pages = n == 1 ? tr("1 page") : tr("%1 pages").arg(n);
    const QString text = tr("The report is incomplete: its layout was stopped after %1, so the pages after "
                            "them, with their totals and balances, are missing.\n\n%2 only the %1 laid out?")
                             .arg(pages, what);
    if (m_questions)
        return m_questions(text);
    return QMessageBox::question(
               this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool CRViewer91::printReport()
{
    if (!m_doc || m_doc->pageCount() == 0 || m_layingOut)
        return false;
    if (!confirmIncomplete(tr("Print")))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    const QSizeF portrait = m_doc->landscape ? m_doc->pageSize.transposed() : m_doc->pageSize;
    printer.setPageSize(QPageSize(portrait, QPageSize::Millimeter));
    printer.setPageOrientation(m_doc->landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(m_doc->title);
    printer.setFromTo(1, m_doc->pageCount());
    bool accepted = false;
    if (g_printDialog) {
        accepted = g_printDialog(printer, this);
    } else {
        QPrintDialog dialog(&printer, this);
        dialog.setMinMax(1, m_doc->pageCount());
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted)
        return false;
    const bool range = printer.printRange() == QPrinter::PageRange;
    printDocument(*m_doc, printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
    return true;
}

bool CRViewer91::exportReport(const QString &path)
{
    if (!m_doc || m_layingOut)
        return false;
    if (!confirmIncomplete(tr("Export")))
        return false;
    QString file = path;
    if (file.isEmpty()) {
        const QString suggested
            = (m_doc->title.isEmpty() ? QStringLiteral("report") : m_doc->title) + QStringLiteral(".pdf");
        file = m_fileNames
            ? m_fileNames(suggested)
            : QFileDialog::getSaveFileName(this, tr("Export"), suggested, tr("PDF files (*.pdf)"));
        if (file.isEmpty())
            return false;
        if (!file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            file += QStringLiteral(".pdf");
    }
    writePdf(*m_doc, file);
    return true;
}

void CRViewer91::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // Whatever part of the viewer has the focus: the key comes up here
        // when that part does not take it.
        if (m_layingOut || m_preparing) {
            m_cancelled = true;
            return;
        }
        break;
    case Qt::Key_Home:
        showFirstPage();
        return;
    case Qt::Key_End:
        showLastPage();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Minus: {
        if (!(event->modifiers() & Qt::ControlModifier))
            break;
        const double real = logicalDpiX() / 25.4;
        const int now = int(std::lround(pixelsPerMm() / real * 100));
        setZoom(event->key() == Qt::Key_Plus ? now + 25 : now - 25);
        return;
    }
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

bool CRViewer91::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll && event->type() == QEvent::Resize && (m_zoom == FitWidth || m_zoom == FitPage))
        applyZoom();
    return QWidget::eventFilter(watched, event);
}

} // namespace report
