#pragma once
// Helpers for driving windows the way a user does: find a control by its
// name, type, press keys, click, double-click grid rows and tree nodes.
#include "common/window.h"
#include "support/dialogscript.h"
#include "support/printers.h"

#include <QList>
#include <QMdiArea>
#include <QObject>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

class QAbstractButton;
class QMainWindow;
class QWidget;

namespace ui {
class Grid;
class TreeView;
} // namespace ui

// The control of that name inside `window`; fails the test (and ends it)
// when there is none.
template <class T> T *findControl(QObject *window, const QString &name)
{
    if (!window)
        throw std::runtime_error("findControl: no window");
    T *found = window->findChild<T *>(name);
    if (!found) {
        ADD_FAILURE() << "No control \"" << name.toStdString() << "\" of the expected kind in "
                      << window->objectName().toStdString();
        throw std::runtime_error("control not found: " + name.toStdString());
    }
    return found;
}

// The window of that name, loaded if needed; fails the test when it cannot be.
template <class T = common::Window> T *loadWindow(const QString &name)
{
    T *w = common::windows::get<T>(name);
    if (!w) {
        ADD_FAILURE() << "Window \"" << name.toStdString() << "\" could not be loaded";
        throw std::runtime_error("window not loaded: " + name.toStdString());
    }
    return w;
}

// Gives the box the focus and types the text key by key.
void typeText(QWidget *box, const QString &text);
void pressEnter(QWidget *w);
void pressKey(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks as a user would: a disabled button does nothing. Clicking a hidden
// button fails the test.
void click(QAbstractButton *button);
void clickButton(QObject *window, const QString &name);
// Clicks or double-clicks line `row` (1-based, row 0 is the header) of a grid.
void clickRow(ui::Grid *grid, int row);
void doubleClickRow(ui::Grid *grid, int row);
// The grid's lines below the header, cells joined by "|": the columns given,
// or every column, or (`visibleOnly`) every column not hidden.
QStringList gridLines(ui::Grid *grid, const QList<int> &columns = {}, bool visibleOnly = false);
// Double-clicks the first line whose column `column` shows `text`; false when none does.
bool doubleClickRowWith(ui::Grid *grid, int column, const QString &text);
// Clicks the tree node with that key.
void clickNode(ui::TreeView *tree, const QString &key, Qt::MouseButton button = Qt::LeftButton);
// Runs the deletes that windows deferred (closed windows are destroyed).
void flushDeferred();
// The widget that has the focus in `w`'s window.
QWidget *focusIn(QWidget *w);

// A main window with an MDI area, shown and registered as the host of child
// windows; unloads every window when it goes.
class MdiHost {
public:
    MdiHost();
    ~MdiHost();
    QMdiArea *area() const { return m_area; }
    QMainWindow *mainWindow() const { return m_main.get(); }

private:
    std::unique_ptr<QMainWindow> m_main;
    QMdiArea *m_area;
};

// Fixture for window tests that need no database: an MDI host and a
// scripted dialog seam.
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    QMdiArea *host() const { return m_host->area(); }

    std::unique_ptr<MdiHost> m_host;
    std::unique_ptr<DialogScript> m_dialogs;
    DialogScript &dialogs() { return *m_dialogs; }
};
