#pragma once
// The window that opened a picker: taken when the picker loads, and given
// the picker's answer when the picker closes.
#include "common/window.h"

#include <QPointer>

namespace common {

class PickerOpener {
public:
    // Taken before the picker has a frame of its own: the window that asked.
    void remember() { m_window = windows::activeWindow(); }
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
    QPointer<Window> m_window;
};

} // namespace common
