#pragma once
// The report viewer control: shows a rendered report page by page, with a
// toolbar for paging, zoom, printing and export to PDF.
#include "platform/report/document.h"

#include <QStyle>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPrinter;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace report {

class Report;
class PageView;

class CRViewer91 : public QWidget {
    Q_OBJECT
public:
    explicit CRViewer91(QWidget *parent = nullptr);
    ~CRViewer91() override;

    // The report to show; viewReport() shows it (rendering it first if it has
    // not been rendered). A failing render throws and leaves the viewer as it was.
    void setReportSource(std::shared_ptr<Report> report);
    std::shared_ptr<Report> reportSource() const;
    void viewReport();

    // While the report source is being laid out: shows the pages finished so
    // far and how far the layout is, lets the user page and cancel, and
    // returns false once the user has asked to stop (or another report has
    // taken the viewer's place). viewReport() shows the end result.
    bool showProgress(const std::shared_ptr<const Document> &partial, double done);
    bool layingOut() const { return m_layingOut; }

    // While the procedure of a report fills its work tables, before there is
    // a page: the previous report leaves the viewer, the toolbar tells how
    // long the preparing has taken and Stop asks to stop. Returns false once
    // the user has asked to stop. endPreparing() leaves the viewer empty
    // until the report is shown.
    bool showPreparing(double seconds);
    void endPreparing();
    bool preparing() const { return m_preparing; }

    // What is shown: the rendered document, or nullptr.
    const Document *document() const;
    int pageCount() const;
    // Laid-out pages the viewer holds in memory: those near the one shown.
    int pagesHeld() const;
    int currentPage() const; // 1-based; 0 with nothing shown
    void showPage(int page); // clamped to the pages there are
    void showFirstPage();
    void showPreviousPage();
    void showNextPage();
    void showLastPage();

    // Zoom in percent of the real size; the two fits follow the window's size.
    static constexpr int FitWidth = -1;
    static constexpr int FitPage = -2;
    void setZoom(int zoom);
    int zoom() const;
    double pixelsPerMm() const; // the effective scale on screen

    // The system print dialog; returns false when nothing was printed.
    bool printReport();
    // Writes the report as PDF; an empty path asks for one through the file
    // name provider. Returns false when cancelled. Throws report::Error when
    // the file cannot be written.
    bool exportReport(const QString &path = {});

    // The dialog seams: tests answer them without showing a window.
    // The print dialog gets the printer set up for the report and accepts (true) or cancels.
    using PrintDialog = std::function<bool(QPrinter &printer, QWidget *parent)>;
    static void setPrintDialog(PrintDialog dialog); // nullptr: QPrintDialog
    using FileNameProvider = std::function<QString(const QString &suggested)>;
    void setFileNameProvider(FileNameProvider provider); // nullptr: QFileDialog
    // How the toolbar's print and export report a failure.
    using MessageHandler = std::function<void(const QString &text)>;
    void setMessageHandler(MessageHandler handler); // nullptr: QMessageBox
    // A yes/no question: printing or exporting a report whose layout was
    // stopped goes on only when the user says yes.
    using QuestionHandler = std::function<bool(const QString &text)>;
    void setQuestionHandler(QuestionHandler handler); // nullptr: QMessageBox

signals:
    void pageChanged(int page);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addTool(const char *name, const QString &text, QStyle::StandardPixmap icon,
        const QKeySequence &key, std::function<void()> slot);
    void addPagingTools();
    void addProgressTools();
    void addZoomTools();
    void addOutputTools();
    void addPages();
    void updateControls();
    // False when the shown report is incomplete and the user does not want
    // to put out the pages there are.
    bool confirmIncomplete(const QString &what);
    void applyZoom();

    std::shared_ptr<Report> m_report;
    std::shared_ptr<const Document> m_doc; // what is on screen
    bool m_layingOut = false;
    bool m_preparing = false;
    double m_preparedFor = 0; // seconds
    bool m_cancelled = false;
    double m_done = 0;
    int m_page = 0; // 0-based
    int m_zoom = FitWidth;
    FileNameProvider m_fileNames;
    MessageHandler m_messages;
    QuestionHandler m_questions;

    QToolBar *m_toolbar = nullptr;
    QLabel *m_pageLabel = nullptr;
    QLabel *m_progress = nullptr;
    QAction *m_cancel = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QScrollArea *m_scroll = nullptr;
    PageView *m_view = nullptr;
};

} // namespace report
