#pragma once
// The main window: menu bar, the MDI client area that every task window
// opens in, and the home panel with the animation, status line and clock.
#include "common/window.h"

#include <QList>

class QAction;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMenu;
class QTimer;

namespace ui {
class Animation;
}

class MDIForm1 : public common::Window {
    Q_OBJECT
public:
    MDIForm1();
    ~MDIForm1() override;

    // Hides the home panel (and any menu item tagged "M") before a task window opens.
    void close_Menu();

    QWidget *homePanel() const { return m_picture1; }
    QMdiArea *mdiArea() const { return m_area; }
    // Every menu item at every level: top menus, sub-menus, items and separators.
    QList<QAction *> menuItems() const;
    // An item's caption as the rights name it ("E&xit", "-" for a separator).
    static QString caption(const QAction *item);
    // The top menus the rights hide when nothing is granted.
    QList<QAction *> governedTopMenus() const;
    // Whether the rights hid those top menus and have not shown them since.
    bool topMenusHiddenByRights() const { return m_topMenusHidden; }
    void setTopMenusHiddenByRights(bool hidden) { m_topMenusHidden = hidden; }

    // One clock tick: rewrites the clock line.
    void Timer1_Timer();

protected:
    void formLoad() override;
    void formUnload() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void connectMenus();
    void buildHomePanel();
    void openTask(QAction *item);
    void openReport(QAction *item);
    void logOff();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QMainWindow *m_frame;
    QMdiArea *m_area;
    QWidget *m_picture1 = nullptr;
    ui::Animation *m_flashVOLogo = nullptr;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblDate = nullptr;
    QTimer *m_timer1 = nullptr;
    QList<QMenu *> m_menus;
    bool m_topMenusHidden = false;
};
