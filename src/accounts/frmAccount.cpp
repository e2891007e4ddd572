#include "accounts/frmAccount.h"

#include "accounts/chart.h"
#include "accounts/chart_rules.h"
#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/printing.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"
#include "platform/ui/treeview.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTabWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const QString kNew = QStringLiteral("&New");
const QString kSave = QStringLiteral("&Save");
const QString kGstMask = QStringLiteral("##-##-####-###-##");
const QString kNtnMask = QStringLiteral("#######-#");
const QString kFieldTag = QStringLiteral("D");

// Tree keys are codes in single quotes.
QString nodeKey(const QString &code)
{
    return u'\'' + code.trimmed() + u'\'';
}

db::Value key(std::int64_t rowId)
{
    return db::Value(static_cast<long long>(rowId));
}

void setBold(QWidget *w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

bool shown(const QWidget *w)
{
    return !w->isHidden();
}

void info(const QString &text)
{
    common::msgBox(text, common::Buttons::Ok, common::Icon::Information);
}

// Runs f, ignoring any error it raises.
template <class F> void ignoringErrors(F f)
{
    try {
        f();
    } catch (...) {
    }
}

QLineEdit *lineEdit(QWidget *parent, const QString &name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    return box;
}

QLabel *label(QWidget *parent, const QString &text, const QString &name = {})
{
    auto *l = new QLabel(text, parent);
    if (!name.isEmpty())
        l->setObjectName(name);
    return l;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setMinimumWidth(88);
    b->setAutoDefault(false);
    return b;
}

QCheckBox *checkBox(QWidget *parent, const QString &name, const QString &caption)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    return c;
}

} // namespace

// What a save wrote, or why it wrote nothing.
struct frmAccount::SaveResult {
    enum Kind { Refused, Gone, NewControl, NewChild, Changed, Nothing } kind = Nothing;
    QString message;
    QWidget *focus = nullptr;
    QString code; // K: the code whose path the tree shows after the save
    bool subControl = false; // a new sub-control account was written
};

frmAccount::frmAccount()
    : common::Window(QStringLiteral("frmAccount"))
{
    setWindowTitle(QStringLiteral("Chart Of Accounts"));
    buildControls();
    setKeyRules();
    connectHandlers();
}

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
    auto *left = new QVBoxLayout;
    auto *treeCaption = label(page0, QStringLiteral("Select Account Level"));
    setBold(treeCaption, true);
    left->addWidget(treeCaption);
    lstTree = new ui::TreeView(page0);
    lstTree->setObjectName(QStringLiteral("lstTree"));
    lstTree->setPictures(ui::TreeView::standardPictures());
    lstTree->setMinimumWidth(220);
    lstTree->setAlternatingRowColors(true);
    left->addWidget(lstTree, 1);
    txtFindParent = lineEdit(page0, QStringLiteral("txtFindParent"));
    txtFindParent->hide();
    row0->addLayout(left, 3);

    Frame1 = new ui::Frame(page0);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *panel = new QVBoxLayout(Frame1);
    auto *heads = new QGridLayout;
    heads->setColumnStretch(1, 1);
    heads->addWidget(label(Frame1, QStringLiteral("Level - 1  Control Account Title ")), 0, 0);
    txtAcDes = lineEdit(Frame1, QStringLiteral("txtAcDes"));
    heads->addWidget(txtAcDes, 0, 1, 1, 3);
    heads->addWidget(label(Frame1, QStringLiteral("Order No.")), 1, 0);
    txtOrder = lineEdit(Frame1, QStringLiteral("txtOrder"));
    txtOrder->setMaxLength(4);
    txtOrder->setFixedWidth(70);
    heads->addWidget(txtOrder, 1, 1, Qt::AlignLeft);
    chkHead = checkBox(Frame1, QStringLiteral("chkHead"), QStringLiteral("Controle Account"));
    heads->addWidget(chkHead, 1, 3, Qt::AlignRight);
    lblSubControl = label(
        Frame1, QStringLiteral("Level - 2    SubControl Account Title"), QStringLiteral("lblSubControl"));
    heads->addWidget(lblSubControl, 2, 0);
    txtSubControl = lineEdit(Frame1, QStringLiteral("txtSubControl"));
    heads->addWidget(txtSubControl, 2, 1, 1, 3);
    panel->addLayout(heads);

    // The level-3 fields.
    frmEntry = new ui::Frame(QStringLiteral("Subsidiary Account"), Frame1);
    frmEntry->setObjectName(QStringLiteral("frmEntry"));
    auto *entryColumn = new QVBoxLayout(frmEntry);
    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(label(frmEntry, QStringLiteral("Level - 3    Subsidiary Account Title")));
    txtSubsidiary = lineEdit(frmEntry, QStringLiteral("txtSubsidiary"));
    titleRow->addWidget(txtSubsidiary, 1);
    entryColumn->addLayout(titleRow);
    auto *entry = new QGridLayout;
    entryColumn->addLayout(entry);
    entry->setColumnStretch(1, 3);
    entry->setColumnStretch(3, 2);
    entry->setHorizontalSpacing(10);
    entry->setColumnMinimumWidth(2, 90);

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
        *b.box = lineEdit(frmEntry, QString::fromLatin1(b.name));
        common::binding::bind(*b.box, kFieldTag, QString::fromLatin1(b.field));
        entry->addWidget(label(frmEntry, QString::fromLatin1(b.caption)), line, 0);
        entry->addWidget(*b.box, line, 1);
        ++line;
    }

    entry->addWidget(label(frmEntry, QStringLiteral("Opening Date")), 0, 2);
    dtpOpening = new ui::DatePicker(frmEntry);
    dtpOpening->setObjectName(QStringLiteral("dtpOpening"));
    entry->addWidget(dtpOpening, 0, 3);
    entry->addWidget(label(frmEntry, QStringLiteral("Opening Balance")), 1, 2);
    txt_OpenBal = lineEdit(frmEntry, QStringLiteral("txt_OpenBal"));
    txt_OpenBal->setMaxLength(14);
    txt_OpenBal->setAlignment(Qt::AlignRight);
    common::binding::bind(txt_OpenBal, kFieldTag, QStringLiteral("OpenBal"));
    entry->addWidget(txt_OpenBal, 1, 3);
    entry->addWidget(label(frmEntry, QStringLiteral("G.S.T. No.")), 2, 2);
    txt_Gstno = new ui::MaskedEdit(kGstMask, frmEntry);
    txt_Gstno->setObjectName(QStringLiteral("txt_Gstno"));
    common::binding::bind(txt_Gstno, kFieldTag, QStringLiteral("GST"));
    entry->addWidget(txt_Gstno, 2, 3);
    entry->addWidget(label(frmEntry, QStringLiteral("N.T.N. No.")), 3, 2);
    txt_Ntnno = new ui::MaskedEdit(kNtnMask, frmEntry);
    txt_Ntnno->setObjectName(QStringLiteral("txt_Ntnno"));
    common::binding::bind(txt_Ntnno, kFieldTag, QStringLiteral("NTN"));
    entry->addWidget(txt_Ntnno, 3, 3);
    chkBank = checkBox(frmEntry, QStringLiteral("chkBank"), QStringLiteral("Bank Account"));
    entry->addWidget(chkBank, 5, 3);
    chkSupplier = checkBox(frmEntry, QStringLiteral("chkSupplier"), QStringLiteral("Supplier"));
    entry->addWidget(chkSupplier, 6, 3);
    panel->addWidget(frmEntry);
    panel->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdCreateAc = button(Frame1, QStringLiteral("cmdCreateAc"), kNew);
    cmdCancel = button(Frame1, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    Command3 = button(Frame1, QStringLiteral("Command3"), QStringLiteral("&Delete"));
    cmdPrint = button(Frame1, QStringLiteral("cmdPrint"), QStringLiteral("&Print"));
    cmdExit = button(Frame1, QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    for (QPushButton *b : {cmdCreateAc, cmdCancel, Command3, cmdPrint, cmdExit})
        buttons->addWidget(b);
    panel->addLayout(buttons);
    row0->addWidget(Frame1, 7);
    SSTab->addTab(page0, QStringLiteral("Add / Change Account"));

    // Tab 1: search.
    auto *page1 = new QWidget(SSTab);
    auto *col1 = new QVBoxLayout(page1);
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(label(page1, QStringLiteral("Search Subsidiary Accounts:")));
    txtFindAC = lineEdit(page1, QStringLiteral("txtFindAC"));
    txtFindAC->setClearButtonEnabled(true);
    searchRow->addWidget(txtFindAC, 1);
    col1->addLayout(searchRow);
    mshSearch = new ui::Grid(page1);
    mshSearch->setObjectName(QStringLiteral("mshSearch"));
    col1->addWidget(mshSearch, 1);
    SSTab->addTab(page1, QStringLiteral("Search Account"));

    // The tree's popup menu.
    mnuPop = new QMenu(this);
    mnuPop->setObjectName(QStringLiteral("mnuPop"));
    mnuEdit = mnuPop->addAction(QStringLiteral("Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));

    // Design state.
    txtAcDes->setEnabled(false);
    txtOrder->setEnabled(false);
    txtSubControl->setEnabled(false);
    txtSubControl->hide();
    lblSubControl->hide();
    frmEntry->hide();

    // Enter moves through the level-3 fields in this order.
    QWidget *order[] = {txtSubsidiary, txtContactPerson, txt_address, txtAdd2, txt_telno, txt_faxno,
        txt_email, txt_website, txtLocation, dtpOpening, txt_OpenBal, txt_Gstno, txt_Ntnno, chkBank,
        chkSupplier, cmdCreateAc};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
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
    ui::keys(txt_OpenBal)
        .dropBlanks()
        .once(QStringLiteral(".-"))
        .pattern(QStringLiteral("[0-9 . -]"))
        .enterMovesNext()
        .selectAllOnFocus();
    ui::keys(txtOrder).dropBlanks().pattern(QStringLiteral("[0-9]"));
    ui::keys(txt_Gstno).enterMovesNext();
    ui::keys(txt_Ntnno).enterMovesNext();
    ui::keys(dtpOpening).enterMovesNext();
}

void frmAccount::connectHandlers()
{
    common::on(cmdCreateAc, &QPushButton::clicked, this, [this](auto &&...) { cmdCreateAcClick(); });
    common::on(chkBank, &QCheckBox::toggled, this, [this](auto &&...) { chkBankClick(); });
    common::on(chkSupplier, &QCheckBox::toggled, this, [this](auto &&...) { chkSupplierClick(); });
    common::on(chkHead, &QCheckBox::toggled, this, [this](auto &&...) { chkHeadClick(); });
    common::on(cmdCancel, &QPushButton::clicked, this, [this](auto &&...) { cmdCancelClick(); });
    common::on(Command3, &QPushButton::clicked, this, [this](auto &&...) { Command3Click(); });
    common::on(cmdPrint, &QPushButton::clicked, this, [this](auto &&...) { cmdPrintClick(); });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) { cmdExitClick(); });
    common::on(lstTree, &QTreeWidget::itemCollapsed, this, [this](auto &&...) {
        if (!m_TreeByProgram)
            lstTreeCollapseExpand();
    });
    common::on(lstTree, &QTreeWidget::itemExpanded, this, [this](auto &&...) {
        if (!m_TreeByProgram)
            lstTreeCollapseExpand();
    });
    common::on(lstTree, &ui::TreeView::mousePressed, this,
        [this](Qt::MouseButton b) { m_RightButton = (b == Qt::RightButton); });
    common::on(lstTree, &ui::TreeView::nodeClicked, this, [this](auto &&...) { lstTreeNodeClick(); });
    common::on(mnuEdit, &QAction::triggered, this, [this](auto &&...) { mnuEditClick(); });
    common::on(txtFindAC, &QLineEdit::textChanged, this, [this](auto &&...) { FillGrid(); });
    common::on(mshSearch, &ui::Grid::cellDoubleClicked, this, [this](auto &&...) { mshSearchDblClick(); });
}

// --- Procedures ------------------------------------------------------------

void frmAccount::FillData()
{
    ClearAll();
    if (txtFindParent->text().isEmpty())
        return;
    OpenQuery(QStringLiteral("Select * From Accounts Where RowId = ?"), {key(selectedRowId())});
    if (gRs->eof())
        return;
    m_AcStatus = gRs->fields(QStringLiteral("AcStatus")).toString().trimmed();
    const QString parentId = gRs->fields(QStringLiteral("ParentID")).toString().trimmed();
    const QString title = gRs->fields(QStringLiteral("AcName")).toString();

    if (m_AcStatus == accounts::kControl) {
        chkHead->setEnabled(true);
        txtAcDes->setText(title);
        txtOrder->setText(gRs->fields(QStringLiteral("OrderStatus")).toString());
        cmdCreateAc->setText(kNew);
        m_IsNewAccount = false;
        frmEntry->hide();
        txtSubControl->hide();
        lblSubControl->hide();
        txtOrder->setEnabled(true);
        m_OldTitle = txtAcDes->text();
    } else if (m_AcStatus == accounts::kSubControl) {
        chkHead->setChecked(false);
        chkHead->setEnabled(false);
        txtOrder->setEnabled(false);
        txtSubControl->setText(title);
        cmdCreateAc->setText(kNew);
        m_IsNewAccount = false;
        txtSubControl->show();
        lblSubControl->show();
        frmEntry->hide();
        m_OldTitle = txtSubControl->text();
        OpenQuery3(QStringLiteral("select acname from accounts where acnodes = ?"), {parentId});
        if (!gRs3->eof())
            txtAcDes->setText(gRs3->fields(0).toString());
    } else if (m_AcStatus == accounts::kSubsidiary) {
        chkHead->setChecked(false);
        chkHead->setEnabled(false);
        txtOrder->setEnabled(false);
        frmEntry->show();
        txtSubControl->show();
        lblSubControl->show();
        txtSubsidiary->setText(title);
        m_OldTitle = txtSubsidiary->text();

        QString grandparent;
        OpenQuery3(QStringLiteral("select acname,ParentID from accounts where acnodes = ?"), {parentId});
        if (!gRs3->eof()) {
            txtSubControl->setText(gRs3->fields(0).toString());
            grandparent = gRs3->fields(1).toString().trimmed();
        }
        OpenQuery3(QStringLiteral("select acname from accounts where acnodes = ?"), {grandparent});
        if (!gRs3->eof())
            txtAcDes->setText(gRs3->fields(0).toString());

        common::binding::load(this, kFieldTag, *gRs);
        const QDate opened = gRs->fields(QStringLiteral("openDate")).toDate();
        dtpOpening->setDate(opened.isValid() ? opened : QDate::currentDate());
        const db::Value gst = gRs->fields(QStringLiteral("GST")).value();
        txt_Gstno->reset();
        if (!gst.isNull())
            txt_Gstno->setText(gst.toString());
        const db::Value ntn = gRs->fields(QStringLiteral("NTN")).value();
        txt_Ntnno->reset();
        if (!ntn.isNull())
            txt_Ntnno->setText(ntn.toString());
        const QString bank = gRs->fields(QStringLiteral("BStatus")).toString().trimmed().toUpper();
        if (bank == u"B") {
            chkBank->setChecked(true);
            chkSupplier->setChecked(false);
        } else if (bank == u"S") {
            chkSupplier->setChecked(true);
            chkBank->setChecked(false);
        } else {
            chkBank->setChecked(false);
            chkSupplier->setChecked(false);
        }
        cmdCreateAc->setText(kSave);
        m_IsNewAccount = false;
    }
}

void frmAccount::ClearAll()
{
    txtAcDes->clear();
    txtOrder->clear();
    txtSubControl->clear();
    txtSubsidiary->clear();
    common::binding::clear(this, kFieldTag);
    txt_Gstno->reset();
    txt_Ntnno->reset();
    dtpOpening->setDate(QDate::currentDate());
}

void frmAccount::FillTreeData()
{
    OpenQuery(QStringLiteral("Select * from accounts order by acnodes"));
    const QSignalBlocker quiet(lstTree);
    const QScopedValueRollback byProgram(m_TreeByProgram, true);
    lstTree->setUpdatesEnabled(false);
    const auto repaint = qScopeGuard([this] { lstTree->setUpdatesEnabled(true); });
    lstTree->clearNodes();
    const int status = gRs->indexOf(QStringLiteral("AcStatus"));
    const int parent = gRs->indexOf(QStringLiteral("ParentID"));
    const int nodes = gRs->indexOf(QStringLiteral("AcNodes"));
    const int name = gRs->indexOf(QStringLiteral("AcName"));
    const int rowId = gRs->indexOf(QStringLiteral("RowID"));
    for (int r = 0, n = gRs->recordCount(); r < n; ++r) {
        const QString s = gRs->at(r, status).toString().trimmed().toUpper();
        const int level = accounts::levelOf(s);
        if (level == 0)
            continue;
        const QString parentKey = nodeKey(gRs->at(r, parent).toString());
        QTreeWidgetItem *node = nullptr;
        try {
            if (level == 1)
                node = lstTree->addRoot(parentKey, gRs->at(r, name).toString(), 1);
            else
                node = lstTree->addNode(parentKey, ui::TreeView::Relation::Child,
                    nodeKey(gRs->at(r, nodes).toString()), gRs->at(r, name).toString(), level);
        } catch (const std::invalid_argument &) {
            // A row whose parent is missing, or whose code repeats another's,
            // has no place in the tree; the rest of the chart still shows.
            continue;
        }
        ui::TreeView::setTag(node, gRs->at(r, rowId).toString());
    }
}

void frmAccount::SetMaxlength()
{
    OpenQuery(QStringLiteral("Select * from accounts where 0=1"));
    common::binding::setMaxLengths(this, kFieldTag, *gRs, {QStringLiteral("OpenBal")});
    const int titleSize = gRs->column(gRs->indexOf(QStringLiteral("AcName"))).definedSize;
    if (titleSize > 0)
        for (QLineEdit *box : {txtAcDes, txtSubControl, txtSubsidiary})
            box->setMaxLength(titleSize);
}

void frmAccount::FillGrid()
{
    OpenQuery(QStringLiteral(
                  "Select RowID,AcNodes,AcName,Location,Contact,Fax,Email,OpenBal,Addr,Addr2,ParentID,"
                  "AcNodes From Accounts Where acStatus='DD' and AcName Like ? ESCAPE '\\' order by AcName"),
        {db::likeContains(txtFindAC->text())});
    if (gRs->recordCount() == 0) {
        mshSearch->clearToBlank();
        setGrid();
        return;
    }
    mshSearch->setUpdatesEnabled(false);
    mshSearch->bind(*gRs);
    mshSearch->setUpdatesEnabled(true);
    setGrid();
}

void frmAccount::setGrid()
{
    struct Column {
        const char *header;
        int width;
    };
    static const Column columns[] = {{"RowNo", 0}, {"Code", 1200}, {"Account Title", 5000},
        {"Location", 2000}, {"Contact", 2000}, {"Fax", 2000}, {"E-Mail", 2000}, {"Opening Balance", 1800},
        {"Address 1", 3500}, {"Address 2", 3500}};
    mshSearch->setCols(int(std::size(columns)));
    mshSearch->setFixedCols(0);
    for (int c = 0; c < int(std::size(columns)); ++c) {
        mshSearch->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        mshSearch->setColWidth(c, columns[c].width);
    }
}

void frmAccount::EditAC(std::int32_t rowId)
{
    if (lstTree->nodeCount() == 0)
        return;
    const QString tag = QString::number(rowId);
    const QScopedValueRollback byProgram(m_TreeByProgram, true);
    for (QTreeWidgetItem *node : lstTree->nodes()) {
        if (ui::TreeView::tagOf(node) == tag) {
            lstTree->setFocus();
            node->setExpanded(true);
            lstTree->selectNode(node);
            txtFindParent->setText(tag);
            FillData();
        } else {
            node->setExpanded(false);
        }
    }
}

// --- Handlers --------------------------------------------------------------

void frmAccount::formLoad()
{
    // Top left of the main window, as large as the panel needs and the host allows.
    QSize size(1060, 620);
    if (QMdiArea *area = common::windows::host())
        size = size.boundedTo(area->viewport()->size());
    moveTwips(0, 0);
    setWidthTwips(common::toTwips(size.width()));
    setHeightTwips(common::toTwips(size.height()));

    ui::showTab(SSTab, 0);
    dtpOpening->setDate(QDate::currentDate());
    FillTreeData();
    SetMaxlength();
    FillGrid();
    cmdCreateAc->setText(kNew);
    m_IsNewAccount = false;
}

void frmAccount::formUnload()
{
    ApplyMenuRights();
}

void frmAccount::cmdCreateAcClick()
{
    if (cmdCreateAc->text() == kNew)
        newAccount();
    else
        saveAccount();
}

void frmAccount::newAccount()
{
    cmdCreateAc->setText(kSave);
    m_IsNewAccount = true;
    ClearAll();
    if (chkHead->isChecked() || lstTree->nodeCount() == 0) {
        txtAcDes->setEnabled(true);
        txtOrder->setEnabled(true);
        txtAcDes->setFocus();
    }
    if (!txtFindParent->text().isEmpty()) {
        OpenQuery(QStringLiteral("Select acstatus,acname,parentid from accounts where rowid = ?"),
            {key(selectedRowId())});
        if (!gRs->eof()) {
            const QString status = gRs->fields(QStringLiteral("acstatus")).toString().trimmed().toUpper();
            const QString title = gRs->fields(QStringLiteral("acname")).toString();
            if (status == accounts::kControl && chkHead->isChecked()) {
                txtAcDes->setEnabled(true);
                txtAcDes->setFocus();
                frmEntry->hide();
                txtSubControl->hide();
                lblSubControl->hide();
            } else if (status == accounts::kControl) {
                txtAcDes->setEnabled(false);
                txtAcDes->setText(title);
                txtSubControl->setText(title);
                chkHead->setChecked(false);
                chkHead->setEnabled(false);
                txtSubControl->show();
                txtSubControl->setEnabled(true);
                lblSubControl->show();
                txtSubControl->setFocus();
            } else if (status == accounts::kSubControl) {
                frmEntry->show();
                txtSubControl->show();
                txtSubControl->setEnabled(false);
                txtSubControl->setText(title);
                lblSubControl->show();
                txtSubsidiary->setFocus();
                const QString parentId = gRs->fields(QStringLiteral("parentid")).toString().trimmed();
                OpenQuery3(QStringLiteral("select acname from accounts where acnodes = ?"), {parentId});
                if (!gRs3->eof())
                    txtAcDes->setText(gRs3->fields(0).toString());
            }
        }
    }
    FillGrid();
}

void frmAccount::saveAccount()
{
    if (txtAcDes->text().isEmpty()) {
        info(QStringLiteral("please enter Account Title"));
        return;
    }
    if (shown(frmEntry) && txt_OpenBal->text() == u".")
        txt_OpenBal->clear();
    // Text that is no amount is never stored; the lone signs count as none.
    db::Value balance;
    if (shown(frmEntry) && !accounts::openingBalance(txt_OpenBal->text(), &balance)) {
        info(QStringLiteral("please enter a valid Opening Balance"));
        txt_OpenBal->setFocus();
        return;
    }
    const QString order = txtOrder->text().trimmed();
    if (!order.isEmpty() && !QRegularExpression(QStringLiteral("^[0-9]+$")).match(order).hasMatch()) {
        info(QStringLiteral("please enter the Order No. in digits"));
        txtOrder->setFocus();
        return;
    }

    // The checks and the write share one transaction; boxes are shown only
    // once it has ended, so no other copy waits on a message box.
    SaveResult r;
    {
        db::Transaction tx(*gConn);
        r = writeAccount();
        if (r.kind != SaveResult::Refused && r.kind != SaveResult::Gone)
            tx.commit();
    }
    if (r.kind == SaveResult::Refused) {
        info(r.message);
        if (r.focus)
            r.focus->setFocus();
        return;
    }
    if (r.kind == SaveResult::Gone) {
        info(r.message);
        FillTreeData();
        ClearAll();
        txtFindParent->clear();
        cmdCreateAc->setText(kNew);
        frmEntry->hide();
        txtSubControl->setEnabled(false);
        chkHead->setChecked(false);
        FillGrid();
        return;
    }
    afterSave(r);
}

frmAccount::SaveResult frmAccount::writeAccount()
{
    db::Connection &conn = *gConn;
    SaveResult r;
    auto refuse = [&](const QString &message, QWidget *focus) {
        r.kind = SaveResult::Refused;
        r.message = message;
        r.focus = focus;
        return r;
    };
    auto fromOutcome = [&](const accounts::Outcome &o, QWidget *focus, SaveResult::Kind kind) {
        if (o.refusal == accounts::Refusal::AccountMissing) {
            r.kind = SaveResult::Gone;
            r.message = o.message;
        } else if (!o.ok()) {
            refuse(o.message, focus);
        } else {
            r.kind = kind;
        }
        return r;
    };

    const bool updating = !m_IsNewAccount && !chkHead->isChecked();
    const std::int64_t self = updating ? selectedRowId() : 0;
    auto taken = [&](QLineEdit *box) {
        if (!m_IsNewAccount && box->text() == m_OldTitle)
            return false;
        return accounts::titleTaken(conn, box->text(), self);
    };
    const QString takenMessage
        = QStringLiteral("Account Titel is already exitis, please change Account Title");
    if (txtAcDes->isEnabled()) {
        if (taken(txtAcDes))
            return refuse(takenMessage, txtAcDes);
    } else if (txtSubControl->isEnabled()) {
        // sub-control titles are not checked
    } else if (shown(frmEntry)) {
        if (taken(txtSubsidiary))
            return refuse(takenMessage, txtSubsidiary);
    }
    const auto changed = [&](QLineEdit *box) {
        return box->text() != m_OldTitle ? accounts::TitleCheck::Chart : accounts::TitleCheck::None;
    };
    const QString order = txtOrder->text().trimmed();
    const db::Value orderValue
        = order.isEmpty() ? db::Value() : db::Value(static_cast<long long>(order.toLongLong()));

    if (chkHead->isChecked())
        return fromOutcome(accounts::addControlAccount(conn, txtAcDes->text(), orderValue), txtAcDes,
            SaveResult::NewControl);

    if (txtFindParent->text().isEmpty())
        return refuse(QStringLiteral("please select any one type or create a control account "), nullptr);

    db::Recordset selected;
    selected.open(QStringLiteral("select * from accounts where rowid = ?"), conn, {key(selectedRowId())});
    if (selected.eof()) {
        r.kind = SaveResult::Gone;
        r.message = QStringLiteral("This account no longer exists; another user may have deleted it.");
        return r;
    }
    const QString status = selected.fields(QStringLiteral("AcStatus")).toString().trimmed().toUpper();

    // The level-3 fields of the row being written.
    db::Value balance;
    accounts::openingBalance(txt_OpenBal->text(), &balance);
    const accounts::FillRow level3 = [this, balance](db::Recordset &rs) {
        rs.fields(QStringLiteral("openDate")).setValue(dtpOpening->date());
        common::binding::save(this, kFieldTag, rs, {QStringLiteral("OpenBal")});
        rs.fields(QStringLiteral("OpenBal")).setValue(balance);
        if (txt_Gstno->isComplete())
            rs.fields(QStringLiteral("GST")).setValue(txt_Gstno->text());
        if (txt_Ntnno->isComplete())
            rs.fields(QStringLiteral("NTN")).setValue(txt_Ntnno->text());
        rs.fields(QStringLiteral("BStatus"))
            .setValue(chkBank->isChecked()     ? db::Value("B")
                    : chkSupplier->isChecked() ? db::Value("S")
                                               : db::Value());
    };

    if (status == accounts::kControl) {
        r.code = selected.fields(QStringLiteral("ParentID")).toString().trimmed();
        r.subControl = m_IsNewAccount;
        if (m_IsNewAccount)
            return fromOutcome(accounts::addChildAccount(conn, r.code, txtSubControl->text()), txtSubControl,
                SaveResult::NewChild);
        return fromOutcome(
            accounts::updateAccount(
                conn, selectedRowId(), txtAcDes->text(),
                [&](db::Recordset &rs) { rs.fields(QStringLiteral("OrderStatus")).setValue(orderValue); },
                changed(txtAcDes)),
            txtAcDes, SaveResult::Changed);
    }
    if (status == accounts::kSubControl) {
        r.code = selected.fields(QStringLiteral("AcNodes")).toString().trimmed();
        if (m_IsNewAccount)
            return fromOutcome(accounts::addChildAccount(conn, r.code, txtSubsidiary->text(), level3),
                txtSubsidiary, SaveResult::NewChild);
        return fromOutcome(accounts::updateAccount(
                               conn, selectedRowId(), txtSubControl->text(), {}, accounts::TitleCheck::None),
            txtSubControl, SaveResult::Changed);
    }
    if (status == accounts::kSubsidiary) {
        r.code = selected.fields(QStringLiteral("AcNodes")).toString().trimmed();
        return fromOutcome(accounts::updateAccount(
                               conn, selectedRowId(), txtSubsidiary->text(), level3, changed(txtSubsidiary)),
            txtSubsidiary, SaveResult::Changed);
    }
    r.kind = SaveResult::Nothing;
    return r;
}

void frmAccount::afterSave(const SaveResult &r)
{
    if (r.kind == SaveResult::NewControl) {
        txtAcDes->clear();
    } else if (r.kind == SaveResult::NewChild && r.subControl) {
        txtAcDes->clear();
        txtSubControl->clear();
    }
    cmdCreateAc->setText(kNew);
    txtSubControl->setEnabled(false);
    FillTreeData();
    if (!chkHead->isChecked() && m_IsNewAccount) {
        expandPath(r.code);
    } else if (!chkHead->isChecked()) {
        expandPath(r.code);
        lstTree->setFocus();
        if (QTreeWidgetItem *node = lstTree->node(nodeKey(r.code))) {
            const QScopedValueRollback byProgram(m_TreeByProgram, true);
            lstTree->selectNode(node);
        }
        OpenQuery(QStringLiteral("Select AcStatus from accounts where rowid = ?"), {key(selectedRowId())});
        if (!gRs->eof()) {
            const QString status = gRs->fields(0).toString().trimmed().toUpper();
            if (status == accounts::kControl || status == accounts::kSubControl)
                cmdCreateAc->setText(kNew);
            else if (status == accounts::kSubsidiary)
                cmdCreateAc->setText(kSave);
        }
    }
    chkHead->setChecked(false);
    FillGrid();
}

void frmAccount::expandPath(const QString &code)
{
    const QStringList parts = code.split(u'.');
    const QScopedValueRollback byProgram(m_TreeByProgram, true);
    if (!code.isEmpty())
        if (QTreeWidgetItem *n = lstTree->node(nodeKey(parts[0])))
            n->setExpanded(true);
    if (parts.size() >= 2)
        if (QTreeWidgetItem *n = lstTree->node(nodeKey(parts[0] + u'.' + parts[1])))
            n->setExpanded(true);
}

void frmAccount::chkBankClick()
{
    setBold(chkBank, chkBank->isChecked());
    if (chkBank->isChecked())
        chkSupplier->setChecked(false);
}

void frmAccount::chkSupplierClick()
{
    setBold(chkSupplier, chkSupplier->isChecked());
    if (chkSupplier->isChecked())
        chkBank->setChecked(false);
}

void frmAccount::chkHeadClick()
{
    setBold(chkHead, chkHead->isChecked());
    if (!chkHead->isChecked())
        txtAcDes->setEnabled(false);
}

void frmAccount::cmdCancelClick()
{
    ClearAll();
    frmEntry->hide();
    txtSubControl->setEnabled(false);
    txtAcDes->setEnabled(false);
    cmdCreateAc->setText(kNew);
    chkHead->setChecked(false);
    lstTree->setFocus();
}

void frmAccount::Command3Click()
{
    const std::int64_t rowId = selectedRowId();
    const QString refusal = accounts::deleteRefusal(*gConn, rowId);
    if (!refusal.isEmpty()) {
        info(refusal);
        return;
    }
    if (common::msgBox(QStringLiteral("are you sure delete this account"), common::Buttons::YesNo,
            common::Icon::Information)
        == common::Answer::Yes) {
        // Checked again with the delete: another copy may have posted to it meanwhile.
        const QString late = accounts::deleteAccount(*gConn, rowId);
        if (!late.isEmpty()) {
            info(late);
            return;
        }
        FillTreeData();
        frmEntry->hide();
        txtSubControl->setEnabled(false);
        lstTree->setFocus();
        ClearAll();
        txtFindParent->clear();
    }
    FillGrid();
}

void frmAccount::cmdPrintClick()
{
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rptChartAC.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
    common::printReport(job);
}

void frmAccount::cmdExitClick()
{
    if (gLookupMode) {
        hideWindow();
        return;
    }
    unload();
    ApplyMenuRights();
}

void frmAccount::lstTreeCollapseExpand()
{
    ClearAll();
    ignoringErrors([this] { txtFindParent->setText(ui::TreeView::tagOf(lstTree->selectedNode())); });
    ignoringErrors([this] { FillData(); });
    ignoringErrors([this] {
        cmdCreateAc->setText(kNew);
        txtAcDes->setEnabled(false);
        txtOrder->setEnabled(false);
        txtSubControl->setEnabled(false);
        chkHead->setChecked(false);
        frmEntry->hide();
    });
}

void frmAccount::lstTreeNodeClick()
{
    txtFindParent->setText(ui::TreeView::tagOf(lstTree->selectedNode()));
    FillData();
    chkHead->setChecked(false);
    txtAcDes->setEnabled(false);
    txtOrder->setEnabled(false);
    txtSubControl->setEnabled(false);
    if (m_RightButton && (m_AcStatus == accounts::kControl || m_AcStatus == accounts::kSubControl))
        common::popupMenu(mnuPop, QCursor::pos());
    m_RightButton = false;
    m_AcStatus.clear();
}

void frmAccount::mnuEditClick()
{
    cmdCreateAc->setText(kSave);
    chkHead->setChecked(false);
    chkHead->setEnabled(false);
    if (m_AcStatus == accounts::kControl) {
        txtAcDes->setEnabled(true);
        txtOrder->setEnabled(true);
        txtAcDes->setFocus();
        txtSubControl->setEnabled(false);
        txtSubControl->hide();
        lblSubControl->hide();
    } else if (m_AcStatus == accounts::kSubControl) {
        txtAcDes->setEnabled(false);
        txtOrder->setEnabled(false);
        txtSubControl->setEnabled(true);
        txtSubControl->show();
        lblSubControl->show();
        txtSubControl->setFocus();
    }
}

void frmAccount::mshSearchDblClick()
{
    const int row = mshSearch->row();
    if (row < 1)
        return;
    const QString id = mshSearch->textMatrix(row, 0);
    if (id.isEmpty())
        return;
    EditAC(std::int32_t(id.toLong()));
    ui::showTab(SSTab, 0);
}

std::int64_t frmAccount::selectedRowId() const
{
    return txtFindParent->text().trimmed().toLongLong();
}

namespace accounts {

void registerChartWindow()
{
    common::windows::registerWindow(QStringLiteral("frmAccount"), [] { return new frmAccount; });
}

} // namespace accounts
