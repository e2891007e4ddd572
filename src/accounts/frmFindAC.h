#pragma once
// The account picker: lists the accounts of the chart by the caller's
// filter and the typed text, and hands the picked one back to the window
// that asked (protocol in picker.h).
#include "common/picker_opener.h"
#include "common/window.h"

#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMdiSubWindow;
class QPushButton;

namespace ui {
class Grid;
}

namespace accounts {

class frmFindAC : public common::Window {
    Q_OBJECT
public:
    explicit frmFindAC(QWidget *parent = nullptr);
    ~frmFindAC() override;

    // Runs the query of the current filter and text and binds the list.
    void FillGrid();
    // Column count, headers and widths of the list.
    void setGrid();

    // A caller asks (again): it becomes the opener, its filter is the one
    // "All Accounts" gives back, and the check box starts unticked.
    void takeRequest(common::Window *opener, const QString &filter, bool allowAllAccounts);
    common::Window *opener() const { return m_opener.window(); }

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void pick();
    void chkAll_Click();
    void otherWindowActivated(QMdiSubWindow *sub);
    void handBack();

    QLabel *Label;
    QLineEdit *txtFindAC;
    QCheckBox *chkAll;
    ui::Grid *mshSearch;
    QPushButton *cmdAccounts;
    QPushButton *cmdExit;

    QString m_SavedFilter;
    common::PickerOpener m_opener;
    // The window active before the picker, and whether the picker's last
    // activation came from the user (a click or the keyboard) rather than
    // from a window asking for an account.
    QPointer<common::Window> m_lastOther;
    bool m_userActivating = false;
    bool m_picked = false;
    // The list shows the current request and no other window was active since it was filled.
    bool m_listCurrent = false;
    bool m_closedByUser = false; // Exit or the close box
};

} // namespace accounts
