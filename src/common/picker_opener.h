#pragma once
// The window that opened a picker: taken when the picker loads, and given
// the picker's answer when the picker closes. A picker never outlives its
// opener: when the opener unloads, the picker unloads with it.
#include "common/window.h"

#include <QEvent>
#include <QPointer>

namespace common {

class PickerOpener {
public:
    // Taken before the picker has a frame of its own: the window that asked.
    void remember(Window *picker) { follow(picker, windows::activeWindow()); }
    // `opener` asks from now on; the picker closes with it and no longer
    // with the window that asked before.
    void follow(Window *picker, Window *opener)
    {
        if (m_watch)
            delete m_watch.data();
        m_window = opener;
        if (opener && opener != picker)
            m_watch = new Watch(picker, opener);
    }
    Window *window() const { return m_window; }

    // Activates the opener, whose activation handler takes the answer,
    // before the picker's frame goes away, so the answer reaches the window
    // that asked and no other. False, with nothing activated, when the
    // opener has gone, is the picker itself, or the program is closing.
    bool handBack(const Window *picker) const
    {
        Window *to = m_window;
        if (!to || to == picker || to->isUnloading() || !to->frame()->isVisible() || windows::closingDown())
            return false;
        to->activateWindowNow();
        return true;
    }

private:
    // Unloads the picker once its opener is hidden for its unload (before
    // the window in front is chosen again, so the picker is never chosen)
    // or deleted.
    class Watch : public QObject {
    public:
        Watch(Window *picker, Window *opener)
            : QObject(picker)
            , m_picker(picker)
        {
            opener->installEventFilter(this);
            connect(opener, &QObject::destroyed, this, [this] { closePicker(); });
        }

    protected:
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Hide && static_cast<Window *>(watched)->isUnloading())
                closePicker();
            return QObject::eventFilter(watched, event);
        }

    private:
        void closePicker()
        {
            if (m_picker && !m_picker->isUnloading())
                m_picker->unload();
        }
        QPointer<Window> m_picker;
    };

    QPointer<Window> m_window;
    QPointer<Watch> m_watch;
};

} // namespace common
