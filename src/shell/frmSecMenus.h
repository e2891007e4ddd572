#pragma once
// The menu-rights window: one box per governed menu item.
#include "common/window.h"

#include <QList>

class QCheckBox;
class QPushButton;

class frmSecMenus : public common::Window {
    Q_OBJECT
public:
    frmSecMenus();

    // Ticks the boxes from table Menus.
    void OpenMenus();
    void cmdSave_Click();
    void Command1_Click();

protected:
    void formLoad() override;
    void formUnload() override;

private:
    QList<QCheckBox *> m_checks; // Check1 to Check19
    QPushButton *cmdSave;
    QPushButton *Command1;
};
