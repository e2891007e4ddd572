#include "common/window.h"

#include "common/errors.h"
#include "common/format.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <exception>

namespace common {

namespace {

struct Registry {
    QHash<QString, windows::Factory> factories;
    // Loaded windows in load order; the name is the registry key.
    QList<QPair<QString, QPointer<Window>>> loaded;
    // MDI children, most recently activated first: the window to go back to
    // when the active one is closed or hidden.
    QList<QPointer<Window>> history;
    QPointer<Window> activeChild; // the active MDI child
    QPointer<Window> activeTop; // the active top-level window
    QPointer<QMdiArea> host;
    QMetaObject::Connection hostConnection;
    bool closingDown = false;
    // While set, activations reported by the MDI area are ignored: we are
    // closing or hiding a window and choose the next active one ourselves.
    int suppressPlatform = 0;
    // While windows are unloaded together, none of them is activated between.
    int massUnload = 0;
};

Registry &reg()
{
    static Registry r;
    return r;
}

int indexOfName(const QString &name)
{
    const auto &l = reg().loaded;
    for (int i = 0; i < l.size(); ++i) {
        if (l[i].first == name)
            return i;
    }
    return -1;
}

void forget(Window *w)
{
    auto &r = reg();
    for (int i = r.loaded.size() - 1; i >= 0; --i) {
        if (r.loaded[i].second == w || r.loaded[i].second.isNull())
            r.loaded.removeAt(i);
    }
    r.history.removeIf([w](const QPointer<Window> &p) { return p.isNull() || p == w; });
    if (r.activeChild == w)
        r.activeChild = nullptr;
    if (r.activeTop == w)
        r.activeTop = nullptr;
}

struct Suppress {
    Suppress() { ++reg().suppressPlatform; }
    ~Suppress() { --reg().suppressPlatform; }
};

struct MassUnload {
    MassUnload() { ++reg().massUnload; }
    ~MassUnload() { --reg().massUnload; }
};

// After the active MDI child was closed or hidden, the child active before it
// becomes active again, as a desktop's MDI frame does.
void activatePrevious(Window *leaving)
{
    auto &r = reg();
    r.activeChild = nullptr;
    if (r.massUnload)
        return;
    const auto history = r.history;
    for (const QPointer<Window> &p : history) {
        Window *w = p.data();
        if (!w || w == leaving || w->isUnloading() || !w->subWindow() || !w->frame()->isVisible())
            continue;
        // A failure there is the other window's; the closing one still closes.
        runGuarded([w] { w->activateWindowNow(); });
        return;
    }
}

} // namespace

Window::Window(const QString &name, QWidget *parent)
    : QWidget(parent)
    , m_name(name)
{
    setObjectName(name);
}

Window::~Window()
{
    forget(this);
}

void Window::ensureFrame()
{
    QMdiArea *area = reg().host;
    // The main window holds the host itself and never goes into it.
    if (m_sub || m_standalone || !area || isAncestorOf(area))
        return;
    m_sub = area->addSubWindow(this);
    // We delete windows ourselves, after the unload has run.
    m_sub->setAttribute(Qt::WA_DeleteOnClose, false);
    m_sub->setObjectName(m_name + QStringLiteral("_frame"));
    m_sub->setWindowTitle(windowTitle());
    m_sub->hide();
}

QWidget *Window::frame() const
{
    return m_sub ? static_cast<QWidget *>(m_sub) : const_cast<Window *>(this);
}

void Window::showWindow()
{
    if (m_unloading)
        return;
    ensureFrame();
    QWidget::show();
    if (m_sub)
        m_sub->show();
    bringToFront();
    runActivate();
}

void Window::hideWindow()
{
    if (!frame()->isVisible())
        return;
    const bool wasActive = reg().activeChild == this;
    {
        Suppress s;
        frame()->hide();
    }
    if (wasActive)
        activatePrevious(this);
}

void Window::activateWindowNow()
{
    if (m_unloading)
        return;
    if (!frame()->isVisible()) {
        showWindow();
        return;
    }
    bringToFront();
    runActivate();
}

void Window::bringToFront()
{
    if (m_sub) {
        m_sub->raise();
        if (QMdiArea *area = m_sub->mdiArea())
            area->setActiveSubWindow(m_sub);
    } else {
        raise();
        activateWindow();
    }
}

void Window::unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    std::exception_ptr failure;
    // The window holding the MDI host unloads its child windows first, each
    // with its own unload handling.
    if (QMdiArea *area = reg().host; area && isAncestorOf(area)) {
        MassUnload mass;
        const auto loaded = reg().loaded;
        for (auto it = loaded.crbegin(); it != loaded.crend(); ++it) {
            Window *child = it->second;
            if (!child || !child->m_sub || child->m_sub->mdiArea() != area)
                continue;
            try {
                child->unload();
            } catch (...) {
                if (!failure)
                    failure = std::current_exception();
            }
        }
    }
    try {
        formUnload();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    const bool wasActive = reg().activeChild == this;
    forget(this);
    QWidget *target = frame();
    {
        Suppress s;
        target->hide();
    }
    if (wasActive)
        activatePrevious(this);
    target->deleteLater();
    if (failure)
        std::rethrow_exception(failure);
}

void Window::setLeft(int t)
{
    ensureFrame();
    frame()->move(twips(t), frame()->y());
}

void Window::setTop(int t)
{
    ensureFrame();
    frame()->move(frame()->x(), twips(t));
}

void Window::setWidthTwips(int t)
{
    ensureFrame();
    frame()->resize(twips(t), frame()->height());
}

void Window::setHeightTwips(int t)
{
    ensureFrame();
    frame()->resize(frame()->width(), twips(t));
}

void Window::moveTwips(int left, int top)
{
    ensureFrame();
    frame()->move(twips(left), twips(top));
}

int Window::leftTwips() const
{
    return toTwips(frame()->x());
}

int Window::topTwips() const
{
    return toTwips(frame()->y());
}

void Window::setMaximized()
{
    ensureFrame();
    QWidget *f = frame();
    if (f->isVisible())
        f->showMaximized();
    else
        f->setWindowState(f->windowState() | Qt::WindowMaximized);
}

bool Window::isMaximizedWindow() const
{
    return frame()->windowState() & Qt::WindowMaximized;
}

void Window::runLoad()
{
    formLoad();
}

void Window::runActivate()
{
    auto &r = reg();
    if (m_unloading)
        return;
    if (m_sub) {
        if (r.activeChild == this)
            return;
        r.activeChild = this;
        r.history.removeIf([this](const QPointer<Window> &p) { return p.isNull() || p == this; });
        r.history.prepend(this);
    } else {
        if (r.activeTop == this)
            return;
        r.activeTop = this;
    }
    formActivate();
}

void Window::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!m_unloading)
        runGuarded([this] { unload(); });
}

bool Window::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && isWindow() && !m_unloading && reg().activeTop != this)
        runGuarded([this] { runActivate(); });
    if (event->type() == QEvent::WindowTitleChange && m_sub)
        m_sub->setWindowTitle(windowTitle());
    return QWidget::event(event);
}

namespace windows {

void registerWindow(const QString &name, Factory factory)
{
    reg().factories.insert(name, std::move(factory));
}

bool isRegistered(const QString &name)
{
    return reg().factories.contains(name);
}

Window *get(const QString &name)
{
    auto &r = reg();
    const int i = indexOfName(name);
    if (i >= 0 && r.loaded[i].second)
        return r.loaded[i].second;
    if (r.closingDown)
        return nullptr;
    const auto f = r.factories.constFind(name);
    if (f == r.factories.cend())
        return nullptr;
    Window *w = (*f)();
    if (!w)
        return nullptr;
    r.loaded.append({name, w});
    try {
        w->runLoad();
    } catch (...) {
        // A window whose load failed is not left half-built in the registry.
        forget(w);
        w->frame()->hide();
        w->frame()->deleteLater();
        throw;
    }
    return w;
}

Window *ifLoaded(const QString &name)
{
    const int i = indexOfName(name);
    return i >= 0 ? reg().loaded[i].second.data() : nullptr;
}

Window *show(const QString &name)
{
    Window *w = get(name);
    if (w)
        w->showWindow();
    return w;
}

void unload(const QString &name)
{
    if (Window *w = ifLoaded(name))
        w->unload();
}

void unloadAll(const QStringList &except)
{
    std::exception_ptr failure;
    MassUnload mass;
    // Newest first, as children close before the windows that opened them.
    const auto loaded = reg().loaded;
    for (auto it = loaded.crbegin(); it != loaded.crend(); ++it) {
        if (except.contains(it->first) || !it->second)
            continue;
        try {
            it->second->unload();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

QStringList loadedNames()
{
    QStringList names;
    for (const auto &p : reg().loaded) {
        if (p.second)
            names << p.first;
    }
    return names;
}

void setClosingDown(bool closing)
{
    reg().closingDown = closing;
}

bool closingDown()
{
    return reg().closingDown;
}

void setHost(QMdiArea *area)
{
    auto &r = reg();
    if (r.hostConnection)
        QObject::disconnect(r.hostConnection);
    r.host = area;
    if (!area)
        return;
    area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    r.hostConnection = QObject::connect(area, &QMdiArea::subWindowActivated, area, [](QMdiSubWindow *sub) {
        if (reg().suppressPlatform || !sub)
            return;
        if (auto *w = qobject_cast<Window *>(sub->widget()))
            runGuarded([w] { w->runActivate(); });
    });
}

QMdiArea *host()
{
    return reg().host;
}

Window *activeWindow()
{
    if (QMdiArea *area = host()) {
        if (QMdiSubWindow *sub = area->currentSubWindow())
            return qobject_cast<Window *>(sub->widget());
        return nullptr;
    }
    return qobject_cast<Window *>(QApplication::activeWindow());
}

void flushDeleted()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace windows
} // namespace common
