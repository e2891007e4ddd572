#pragma once
// The picker windows' shared list: a grid of rows whose first column holds
// the row's key. A double click or Enter on a row with a key picks it: the
// window takes the row's answer into the process-wide variables of its
// protocol, closes, and activates its opener, which takes the answer. When
// the opener has gone meanwhile, the window drops the answer again; a
// picker also closes with its opener (PickerOpener).
#include "common/picker_opener.h"
#include "common/window.h"

#include <initializer_list>

namespace ui {
class Grid;
}

namespace common {

class PickerList : public Window {
    Q_OBJECT
public:
    using Window::Window;

    Window *opener() const { return m_opener.window(); }

protected:
    struct Column {
        const char *header; // nullptr: the header the list gave it
        int width; // twips; 0 hides the column
    };
    // The list the picks come from; call once it is built.
    void setList(ui::Grid *grid);
    // Column count, headers and widths of the list.
    void setColumns(std::initializer_list<Column> columns);
    // The key of a row (its first column); 0 for a row without one.
    int keyAt(int row) const;

    // Takes row `row`'s answer; false when the row is no pick.
    virtual bool takePick(int row) = 0;
    // Undoes the answer that found no opener to take it.
    virtual void dropPick() = 0;

    // The opener is the window active as the picker loads; a subclass that
    // overrides these calls them first.
    void formLoad() override;
    void formUnload() override;
    bool picked() const { return m_picked; }
    PickerOpener &openerLink() { return m_opener; }

private:
    void pick();

    ui::Grid *m_list = nullptr;
    PickerOpener m_opener;
    bool m_picked = false;
};

} // namespace common
