#pragma once
// The window model: every window is a Window subclass with exactly one
// instance, reachable by its name through the registry. The first touch
// loads it (constructor builds the controls with their design values, then
// formLoad runs). show() is modeless. unload() runs formUnload, closes the
// window and discards it; the next touch loads a fresh one.
//
// formActivate runs once each time the window becomes the active window: when
// shown or activated by the program, when the user brings it to the front,
// and when the child window that was active over it closes or hides (the
// child active before that one comes back, as on a desktop).
// Closing the frame's close box unloads the window.
#include <QString>
#include <QWidget>

#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace common {

class Window : public QWidget {
    Q_OBJECT
public:
    explicit Window(const QString &name, QWidget *parent = nullptr);
    ~Window() override;

    const QString &windowName() const { return m_name; }

    // Makes the window visible inside the MDI host (top-level when there is
    // none, or for the login window) and activates it.
    void showWindow();
    // Hides the window; it stays loaded.
    void hideWindow();
    // Activates the window again (an opener taking a picker's answer).
    void activateWindowNow();
    // Runs formUnload, closes and discards the window. Safe to call from one
    // of the window's own handlers: the object is deleted later. The window
    // holding the MDI host first unloads every child window in it.
    void unload();
    bool isUnloading() const { return m_unloading; }

    // Position and size in twips relative to the host's client area.
    void setLeft(int twips);
    void setTop(int twips);
    void setWidthTwips(int twips);
    void setHeightTwips(int twips);
    void moveTwips(int left, int top);
    int leftTwips() const;
    int topTwips() const;
    void setMaximized();
    bool isMaximizedWindow() const;

    // Standalone windows (the login, the main window) never go into the MDI
    // host; set it in the constructor. A window holding the host is never
    // put into it.
    void setStandalone(bool standalone) { m_standalone = standalone; }
    bool isStandalone() const { return m_standalone; }
    // The frame in the MDI host, or nullptr.
    QMdiSubWindow *subWindow() const { return m_sub; }
    // The widget that is moved and sized: the MDI frame or the window itself.
    QWidget *frame() const;

    // Called by the registry right after construction.
    void runLoad();
    // Called when the window becomes the active window; runs formActivate
    // unless the window is already the active one.
    void runActivate();

protected:
    virtual void formLoad() { }
    virtual void formActivate() { }
    virtual void formUnload() { }

    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void ensureFrame();
    // Raises the frame and makes it the active one (in the host, or on the desktop).
    void bringToFront();
    QString m_name;
    QMdiSubWindow *m_sub = nullptr;
    bool m_standalone = false;
    bool m_unloading = false;
};

namespace windows {

using Factory = std::function<Window *()>;

// Each subsystem registers its windows once at start-up.
void registerWindow(const QString &name, Factory factory);
bool isRegistered(const QString &name);

// First touch loads the window; a loaded window is returned as it is.
// Returns nullptr for a window that is not loaded while the program is
// logging off or shutting down (nothing loads then), or when no window of
// that name is registered. A load that throws leaves nothing loaded.
Window *get(const QString &name);
template <class T> T *get(const QString &name)
{
    return qobject_cast<T *>(get(name));
}
// The window if it is loaded (hidden or not), else nullptr; never loads.
Window *ifLoaded(const QString &name);
template <class T> T *ifLoaded(const QString &name)
{
    return qobject_cast<T *>(ifLoaded(name));
}

// get(name)->showWindow(); returns the window (nullptr as get).
Window *show(const QString &name);
void unload(const QString &name);
// Unloads every loaded window except the ones named.
void unloadAll(const QStringList &except = {});
QStringList loadedNames();

// While set, get() loads nothing (log-off, shutdown); loaded windows stay reachable.
void setClosingDown(bool closing);
bool closingDown();

// The MDI client area child windows open in (the main window sets it).
void setHost(QMdiArea *host);
QMdiArea *host();
// The window that is active now: the host's current child, or the active
// top-level window when there is no host. nullptr when neither is ours.
Window *activeWindow();

// Deletes windows whose deletion was deferred (tests call it between steps).
void flushDeleted();

} // namespace windows
} // namespace common
