#pragma once
// The chart-of-accounts window: the three-level chart as a tree, one account
// at a time in the entry panel (create, change, delete, print), and a search
// tab over the subsidiary accounts.
#include "accounts/chart_entry.h"
#include "common/window.h"

#include <QString>

#include <cstdint>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTabWidget;
class QTreeWidgetItem;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QVBoxLayout;

namespace ui {
class DatePicker;
class Grid;
class MaskedEdit;
class TreeView;
} // namespace ui

class frmAccount : public common::Window {
    Q_OBJECT
public:
    frmAccount();

    void FillData();
    void ClearAll();
    void FillTreeData();
    void SetMaxlength();
    void FillGrid();
    void setGrid();
    void EditAC(std::int64_t rowId);

protected:
    void formLoad() override;
    void formUnload() override;

private:
    void buildControls();
    QVBoxLayout *buildTreeColumn(QWidget *page);
    QGridLayout *buildHeads();
    QGroupBox *buildEntryFrame();
    void buildContactFields(QGridLayout *entry);
    void buildOpeningFields(QGridLayout *entry);
    QHBoxLayout *buildButtons();
    void buildSearchTab();
    void buildPopupMenu();
    void setDesignState();
    void setKeyRules();
    void connectHandlers();

    void showControl(const accounts::Account &a);
    void showSubControl(const accounts::Account &a);
    void showSubsidiary(const accounts::Account &a);
    void cmdCreateAc_Click();
    void newAccount();
    void saveAccount();
    accounts::ChartEntry entryOnScreen();
    QLineEdit *titleBox(accounts::TitleBox box) const;
    void afterSave(const accounts::ChartSaved &r);
    void chkBank_Click();
    void chkSupplier_Click();
    void chkHead_Click();
    void cmdCancel_Click();
    void Command3_Click();
    void cmdPrint_Click();
    void cmdExit_Click();
    void lstTree_CollapseExpand();
    void lstTree_NodeClick();
    void mnuEdit_Click();
    void mshSearch_DblClick();

    std::int64_t selectedRowId() const;
    void expandPath(const QString &code);

    // The controls, named as their objectName.
    QTabWidget *SSTab;
    ui::TreeView *lstTree;
    QLineEdit *txtFindParent;
    QGroupBox *Frame1;
    QLineEdit *txtAcDes;
    QLineEdit *txtOrder;
    QCheckBox *chkHead;
    QLabel *lblSubControl;
    QLineEdit *txtSubControl;
    QGroupBox *frmEntry;
    QLineEdit *txtSubsidiary;
    QLineEdit *txtContactPerson;
    QLineEdit *txt_address;
    QLineEdit *txtAdd2;
    QLineEdit *txt_telno;
    QLineEdit *txt_faxno;
    QLineEdit *txt_email;
    QLineEdit *txt_website;
    QLineEdit *txtLocation;
    ui::DatePicker *dtpOpening;
    QLineEdit *txt_OpenBal;
    ui::MaskedEdit *txt_Gstno;
    ui::MaskedEdit *txt_Ntnno;
    QCheckBox *chkBank;
    QCheckBox *chkSupplier;
    QPushButton *cmdCreateAc;
    QPushButton *cmdCancel;
    QPushButton *Command3;
    QPushButton *cmdPrint;
    QPushButton *cmdExit;
    QLineEdit *txtFindAC;
    ui::Grid *mshSearch;
    QMenu *mnuPop;
    QAction *mnuEdit;

    bool m_IsNewAccount = false;
    QString m_OldTitle;
    QString m_AcStatus;
    bool m_RightButton = false;
    // Set while the program itself expands, collapses or rebuilds the tree.
    bool m_TreeByProgram = false;
};
