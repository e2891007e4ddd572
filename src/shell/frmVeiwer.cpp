#include "shell/frmVeiwer.h"

#include "common/dialogs.h"
#include "common/format.h"
#include "platform/report/viewer.h"

#include <QMdiArea>
#include <QMdiSubWindow>

frmVeiwer::frmVeiwer()
    : common::Window(QStringLiteral("frmVeiwer"))
{
    setWindowTitle(QStringLiteral("Viewer"));
    m_viewer = new report::CRViewer91(this);
    m_viewer->setFileNameProvider([](const QString &suggested) {
        return common::saveFileName(QStringLiteral("Export"), suggested, QStringLiteral("PDF files (*.pdf)"));
    });
    m_viewer->setMessageHandler(
        [](const QString &text) { common::msgBox(text, common::Buttons::Ok, common::Icon::Critical); });
    m_viewer->setQuestionHandler(
        [](const QString &text) { return common::askYesNo(text, {}, common::Icon::Question); });
    resize(900, 700);
}

void frmVeiwer::formLoad()
{
    // First showing: the host's whole client area; later printouts keep
    // whatever size and place the user gives it.
    if (QMdiArea *area = common::windows::host()) {
        const QSize size = area->viewport()->size();
        moveTwips(0, 0);
        if (size.width() > 200 && size.height() > 200) {
            setWidthTwips(common::toTwips(size.width()));
            setHeightTwips(common::toTwips(size.height()));
        }
    }
    setFocusProxy(m_viewer);
}

void frmVeiwer::resizeEvent(QResizeEvent *event)
{
    common::Window::resizeEvent(event);
    m_viewer->resize(width(), height());
    m_viewer->move(0, 0);
}

namespace shell {

void registerViewer()
{
    common::windows::registerWindow(QStringLiteral("frmVeiwer"), [] { return new frmVeiwer; });
}

} // namespace shell
