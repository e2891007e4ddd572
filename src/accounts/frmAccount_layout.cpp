// The chart-of-accounts window's controls, their key rules and handlers.
#include "accounts/frmAccount.h"
#include "accounts/frmAccount_p.h"

#include "common/binding.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/hooks.h"
#include "common/input.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"
#include "platform/ui/treeview.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace accounts::chartwindow;
namespace kit = common::formkit;

namespace {

const QString kGstMask = QStringLiteral("##-##-####-###-##");
const QString kNtnMask = QStringLiteral("#######-#");

} // namespace

void frmAccount::buildControls()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    SSTab = new QTabWidget(this);
    SSTab->setObjectName(QStringLiteral("SSTab"));
    outer->addWidget(SSTab);

    // Tab 0: the tree on the left, the entry panel on the right.
    auto *page0 = new QWidget(SSTab);
    auto *row0 = new QHBoxLayout(page0);
    row0->addLayout(buildTreeColumn(page0), 3);
    Frame1 = new ui::Frame(page0);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *panel = new QVBoxLayout(Frame1);
    panel->addLayout(buildHeads());
    panel->addWidget(buildEntryFrame());
    panel->addStretch(1);
    panel->addLayout(buildButtons());
    row0->addWidget(Frame1, 7);
    SSTab->addTab(page0, QStringLiteral("Add / Change Account"));

    buildSearchTab();
    buildPopupMenu();
    setDesignState();
}

QVBoxLayout *frmAccount::buildTreeColumn(QWidget *page)
{
    auto *left = new QVBoxLayout;
    auto *treeCaption = kit::buddyLabel(QStringLiteral("Select Account Level"), nullptr, page);
    setBold(treeCaption, true);
    left->addWidget(treeCaption);
    lstTree = new ui::TreeView(page);
    lstTree->setObjectName(QStringLiteral("lstTree"));
    lstTree->setPictures(ui::TreeView::standardPictures());
    lstTree->setMinimumWidth(220);
    lstTree->setAlternatingRowColors(true);
    left->addWidget(lstTree, 1);
    txtFindParent = kit::lineEdit(QStringLiteral("txtFindParent"), page);
    txtFindParent->hide();
    return left;
}

// The level-1 and level-2 titles above the subsidiary account's fields.
QGridLayout *frmAccount::buildHeads()
{
    auto *heads = new QGridLayout;
    heads->setColumnStretch(1, 1);
    heads->addWidget(
        kit::buddyLabel(QStringLiteral("Level - 1  Control Account Title "), nullptr, Frame1), 0, 0);
    txtAcDes = kit::lineEdit(QStringLiteral("txtAcDes"), Frame1);
    heads->addWidget(txtAcDes, 0, 1, 1, 3);
    heads->addWidget(kit::buddyLabel(QStringLiteral("Order No."), nullptr, Frame1), 1, 0);
    txtOrder = kit::lineEdit(QStringLiteral("txtOrder"), Frame1);
    txtOrder->setFixedWidth(70);
    heads->addWidget(txtOrder, 1, 1, Qt::AlignLeft);
    chkHead = kit::checkBox(QStringLiteral("chkHead"), QStringLiteral("Controle Account"), Frame1);
    heads->addWidget(chkHead, 1, 3, Qt::AlignRight);
    lblSubControl = kit::buddyLabel(QStringLiteral("Level - 2    SubControl Account Title"), nullptr, Frame1);
    lblSubControl->setObjectName(QStringLiteral("lblSubControl"));
    heads->addWidget(lblSubControl, 2, 0);
    txtSubControl = kit::lineEdit(QStringLiteral("txtSubControl"), Frame1);
    heads->addWidget(txtSubControl, 2, 1, 1, 3);
    return heads;
}

// The level-3 fields: the title, the contact boxes on the left, the opening
// figures, tax numbers and kind on the right.
QGroupBox *frmAccount::buildEntryFrame()
{
    frmEntry = new ui::Frame(QStringLiteral("Subsidiary Account"), Frame1);
    frmEntry->setObjectName(QStringLiteral("frmEntry"));
    auto *entryColumn = new QVBoxLayout(frmEntry);
    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(
        kit::buddyLabel(QStringLiteral("Level - 3    Subsidiary Account Title"), nullptr, frmEntry));
    txtSubsidiary = kit::lineEdit(QStringLiteral("txtSubsidiary"), frmEntry);
    titleRow->addWidget(txtSubsidiary, 1);
    entryColumn->addLayout(titleRow);
    auto *entry = new QGridLayout;
    entryColumn->addLayout(entry);
    entry->setColumnStretch(1, 3);
    entry->setColumnStretch(3, 2);
    entry->setHorizontalSpacing(10);
    entry->setColumnMinimumWidth(2, 90);
    buildContactFields(entry);
    buildOpeningFields(entry);
    return frmEntry;
}

void frmAccount::buildContactFields(QGridLayout *entry)
{
    struct Bound {
        QLineEdit **box;
        const char *name;
        const char *field;
        const char *caption;
    };
    const Bound contacts[] = {
        {&txtContactPerson, "txtContactPerson", "ContactPer", "Contact Person"},
        {&txt_address, "txt_address", "Addr", "Address 1"},
        {&txtAdd2, "txtAdd2", "Addr2", "Address 2"},
        {&txt_telno, "txt_telno", "Contact", "Contact No."},
        {&txt_faxno, "txt_faxno", "Fax", "Fax No."},
        {&txt_email, "txt_email", "Email", "E-Mail "},
        {&txt_website, "txt_website", "WebSite", "Web Site"},
        {&txtLocation, "txtLocation", "Location", "Location"},
    };
    int line = 0;
    for (const Bound &b : contacts) {
        *b.box
            = kit::boundEdit(QString::fromLatin1(b.name), kFieldTag, QString::fromLatin1(b.field), frmEntry);
        entry->addWidget(kit::buddyLabel(QString::fromLatin1(b.caption), nullptr, frmEntry), line, 0);
        entry->addWidget(*b.box, line, 1);
        ++line;
    }
}

void frmAccount::buildOpeningFields(QGridLayout *entry)
{
    entry->addWidget(kit::buddyLabel(QStringLiteral("Opening Date"), nullptr, frmEntry), 0, 2);
    dtpOpening = new ui::DatePicker(frmEntry);
    dtpOpening->setObjectName(QStringLiteral("dtpOpening"));
    entry->addWidget(dtpOpening, 0, 3);
    entry->addWidget(kit::buddyLabel(QStringLiteral("Opening Balance"), nullptr, frmEntry), 1, 2);
    txt_OpenBal = kit::lineEdit(QStringLiteral("txt_OpenBal"), frmEntry);
    txt_OpenBal->setAlignment(Qt::AlignRight);
    common::binding::bind(txt_OpenBal, kFieldTag, QStringLiteral("OpenBal"));
    entry->addWidget(txt_OpenBal, 1, 3);
    const auto masked
        = [&](const char *caption, const char *name, const QString &mask, const char *field, int line) {
              entry->addWidget(kit::buddyLabel(QString::fromLatin1(caption), nullptr, frmEntry), line, 2);
              auto *box = new ui::MaskedEdit(mask, frmEntry);
              box->setObjectName(QString::fromLatin1(name));
              common::binding::bind(box, kFieldTag, QString::fromLatin1(field));
              entry->addWidget(box, line, 3);
              return box;
          };
    txt_Gstno = masked("G.S.T. No.", "txt_Gstno", kGstMask, "GST", 2);
    txt_Ntnno = masked("N.T.N. No.", "txt_Ntnno", kNtnMask, "NTN", 3);
    chkBank = kit::checkBox(QStringLiteral("chkBank"), QStringLiteral("Bank Account"), frmEntry);
    entry->addWidget(chkBank, 5, 3);
    chkSupplier = kit::checkBox(QStringLiteral("chkSupplier"), QStringLiteral("Supplier"), frmEntry);
    entry->addWidget(chkSupplier, 6, 3);
}

QHBoxLayout *frmAccount::buildButtons()
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const kit::ButtonRow row(buttons, Frame1, 88, false);
    cmdCreateAc = row.add(QStringLiteral("cmdCreateAc"), kNew);
    cmdCancel = row.add(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    Command3 = row.add(QStringLiteral("Command3"), QStringLiteral("&Delete"));
    cmdPrint = row.add(QStringLiteral("cmdPrint"), QStringLiteral("&Print"));
    cmdExit = row.add(QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    return buttons;
}

void frmAccount::buildSearchTab()
{
    auto *page1 = new QWidget(SSTab);
    auto *col1 = new QVBoxLayout(page1);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(kit::buddyLabel(QStringLiteral("Search Subsidiary Accounts:"), nullptr, page1));
    txtFindAC = kit::lineEdit(QStringLiteral("txtFindAC"), page1);
    txtFindAC->setClearButtonEnabled(true);
    searchRow->addWidget(txtFindAC, 1);
    col1->addLayout(searchRow);
    mshSearch = new ui::Grid(page1);
    mshSearch->setObjectName(QStringLiteral("mshSearch"));
    col1->addWidget(mshSearch, 1);
    SSTab->addTab(page1, QStringLiteral("Search Account"));
}

// The tree's popup menu.
void frmAccount::buildPopupMenu()
{
    mnuPop = new QMenu(this);
    mnuPop->setObjectName(QStringLiteral("mnuPop"));
    mnuEdit = mnuPop->addAction(QStringLiteral("Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
}

void frmAccount::setDesignState()
{
    txtAcDes->setEnabled(false);
    txtOrder->setEnabled(false);
    txtSubControl->setEnabled(false);
    txtSubControl->hide();
    lblSubControl->hide();
    frmEntry->hide();

    // Enter moves through the level-3 fields in this order.
    kit::tabOrder(
        {txtSubsidiary, txtContactPerson, txt_address, txtAdd2, txt_telno, txt_faxno, txt_email, txt_website,
            txtLocation, dtpOpening, txt_OpenBal, txt_Gstno, txt_Ntnno, chkBank, chkSupplier, cmdCreateAc});
}

void frmAccount::setKeyRules()
{
    ui::keys(txtAcDes).upperCase();
    ui::keys(txtSubControl).upperCase();
    for (QLineEdit *box : {txtSubsidiary, txtContactPerson, txtLocation})
        ui::keys(box).upperCase().enterMovesNext();
    for (QLineEdit *box : {txt_address, txtAdd2, txt_email, txt_website})
        ui::keys(box).enterMovesNext();
    for (QLineEdit *box : {txt_telno, txt_faxno})
        ui::keys(box).dropBlanks().pattern(QStringLiteral("[0-9 ,]")).enterMovesNext();
    common::input::amountBox(txt_OpenBal, common::input::Sign::Signed);
    ui::keys(txt_OpenBal).enterMovesNext().selectAllOnFocus();
    ui::keys(txtOrder).dropBlanks().pattern(QStringLiteral("[0-9]"));
    // A paste is checked as a whole: refused with a word, never cut.
    common::input::digitsBox(txtOrder, 4);
    ui::keys(txt_Gstno).enterMovesNext();
    ui::keys(txt_Ntnno).enterMovesNext();
    ui::keys(dtpOpening).enterMovesNext();
}

void frmAccount::connectHandlers()
{
    common::on(cmdCreateAc, &QPushButton::clicked, this, [this](auto &&...) { cmdCreateAc_Click(); });
    common::on(chkBank, &QCheckBox::toggled, this, [this](auto &&...) { chkBank_Click(); });
    common::on(chkSupplier, &QCheckBox::toggled, this, [this](auto &&...) { chkSupplier_Click(); });
    common::on(chkHead, &QCheckBox::toggled, this, [this](auto &&...) { chkHead_Click(); });
    common::on(cmdCancel, &QPushButton::clicked, this, [this](auto &&...) { cmdCancel_Click(); });
    common::on(Command3, &QPushButton::clicked, this, [this](auto &&...) { Command3_Click(); });
    common::on(cmdPrint, &QPushButton::clicked, this, [this](auto &&...) { cmdPrint_Click(); });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) { cmdExit_Click(); });
    common::on(lstTree, &QTreeWidget::itemCollapsed, this, [this](auto &&...) {
        if (!m_TreeByProgram)
            lstTree_CollapseExpand();
    });
    common::on(lstTree, &QTreeWidget::itemExpanded, this, [this](auto &&...) {
        if (!m_TreeByProgram)
            lstTree_CollapseExpand();
    });
    common::on(lstTree, &ui::TreeView::mousePressed, this,
        [this](Qt::MouseButton b) { m_RightButton = (b == Qt::RightButton); });
    common::on(lstTree, &ui::TreeView::nodeClicked, this, [this](auto &&...) { lstTree_NodeClick(); });
    common::on(mnuEdit, &QAction::triggered, this, [this](auto &&...) { mnuEdit_Click(); });
    common::on(txtFindAC, &QLineEdit::textChanged, this, [this](auto &&...) { FillGrid(); });
    common::on(mshSearch, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { mshSearch_DblClick(); });
}
