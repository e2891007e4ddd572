#include "accounts/frmAccount.h"
#include "accounts/frmAccount_p.h"

#include "accounts/chart.h"
#include "accounts/chart_entry.h"
#include "accounts/chart_rules.h"
#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
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
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTabWidget>

using namespace accounts::chartwindow;

frmAccount::frmAccount()
    : common::Window(QStringLiteral("frmAccount"))
{
    setWindowTitle(QStringLiteral("Chart Of Accounts"));
    buildControls();
    setKeyRules();
    connectHandlers();
}

// --- Procedures ------------------------------------------------------------

void frmAccount::FillData()
{
    ClearAll();
    if (txtFindParent->text().isEmpty())
        return;
    const std::optional<accounts::Account> account = accounts::readAccount(*gConn, selectedRowId());
    if (!account)
        return;
    m_AcStatus = account->acStatus;
    if (m_AcStatus == accounts::kControl)
        showControl(*account);
    else if (m_AcStatus == accounts::kSubControl)
        showSubControl(*account);
    else if (m_AcStatus == accounts::kSubsidiary)
        showSubsidiary(*account);
}

void frmAccount::showControl(const accounts::Account &a)
{
    chkHead->setEnabled(true);
    txtAcDes->setText(a.acName);
    txtOrder->setText(a.orderStatus);
    cmdCreateAc->setText(kNew);
    m_IsNewAccount = false;
    frmEntry->hide();
    txtSubControl->hide();
    lblSubControl->hide();
    txtOrder->setEnabled(true);
    m_OldTitle = txtAcDes->text();
}

void frmAccount::showSubControl(const accounts::Account &a)
{
    chkHead->setChecked(false);
    chkHead->setEnabled(false);
    txtOrder->setEnabled(false);
    txtSubControl->setText(a.acName);
    cmdCreateAc->setText(kNew);
    m_IsNewAccount = false;
    txtSubControl->show();
    lblSubControl->show();
    frmEntry->hide();
    m_OldTitle = txtSubControl->text();
    if (const auto parent = accounts::accountByCode(*gConn, a.parentId))
        txtAcDes->setText(parent->acName);
}

void frmAccount::showSubsidiary(const accounts::Account &a)
{
    chkHead->setChecked(false);
    chkHead->setEnabled(false);
    txtOrder->setEnabled(false);
    frmEntry->show();
    txtSubControl->show();
    lblSubControl->show();
    txtSubsidiary->setText(a.acName);
    m_OldTitle = txtSubsidiary->text();

    QString grandparent;
    if (const auto parent = accounts::accountByCode(*gConn, a.parentId)) {
        txtSubControl->setText(parent->acName);
        grandparent = parent->parentId;
    }
    if (const auto top = accounts::accountByCode(*gConn, grandparent))
        txtAcDes->setText(top->acName);

    common::binding::load(this, kFieldTag, a.columns);
    dtpOpening->setDate(a.openDate.isValid() ? a.openDate : QDate::currentDate());
    txt_Gstno->reset();
    if (a.gst)
        txt_Gstno->setText(*a.gst);
    txt_Ntnno->reset();
    if (a.ntn)
        txt_Ntnno->setText(*a.ntn);
    // Each box's handler clears the other, so the one to tick goes first.
    if (a.bStatus == u"S") {
        chkSupplier->setChecked(true);
        chkBank->setChecked(false);
    } else {
        chkBank->setChecked(a.bStatus == u"B");
        chkSupplier->setChecked(false);
    }
    cmdCreateAc->setText(kSave);
    m_IsNewAccount = false;
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
    const QList<accounts::ChartNode> chart = accounts::chartNodes(*gConn);
    const QSignalBlocker quiet(lstTree);
    const QScopedValueRollback byProgram(m_TreeByProgram, true);
    lstTree->setUpdatesEnabled(false);
    const auto repaint = qScopeGuard([this] { lstTree->setUpdatesEnabled(true); });
    lstTree->clearNodes();
    for (const accounts::ChartNode &account : chart) {
        const int level = accounts::levelOf(account.acStatus);
        if (level == 0)
            continue;
        const QString parentKey = nodeKey(account.parentId);
        QTreeWidgetItem *node = nullptr;
        try {
            if (level == 1)
                node = lstTree->addRoot(parentKey, account.acName, 1);
            else
                node = lstTree->addNode(parentKey, ui::TreeView::Relation::Child, nodeKey(account.acNodes),
                    account.acName, level);
        } catch (const std::invalid_argument &) {
            // A row whose parent is missing, or whose code repeats another's,
            // has no place in the tree; the rest of the chart still shows.
            continue;
        }
        ui::TreeView::setTag(node, QString::number(account.rowId));
    }
}

void frmAccount::SetMaxlength()
{
    const QString table = QStringLiteral("accounts");
    common::binding::setMaxLengths(this, kFieldTag, *gConn, table, {QStringLiteral("OpenBal")});
    common::binding::setMaxLength(
        {txtAcDes, txtSubControl, txtSubsidiary}, *gConn, table, QStringLiteral("AcName"));
}

void frmAccount::FillGrid()
{
    QList<QStringList> lines;
    for (const accounts::SubsidiaryRow &r : accounts::findSubsidiaries(*gConn, txtFindAC->text()))
        lines.push_back({QString::number(r.rowId), r.acNodes, r.acName, r.location, r.contact, r.fax, r.email,
            r.openBal ? r.openBal->toString() : QString(), r.addr, r.addr2});
    if (lines.isEmpty()) {
        mshSearch->clearToBlank();
        setGrid();
        return;
    }
    mshSearch->setUpdatesEnabled(false);
    mshSearch->setLines({QStringLiteral("RowID"), QStringLiteral("AcNodes"), QStringLiteral("AcName"),
                            QStringLiteral("Location"), QStringLiteral("Contact"), QStringLiteral("Fax"),
                            QStringLiteral("Email"), QStringLiteral("OpenBal"), QStringLiteral("Addr"),
                            QStringLiteral("Addr2")},
        lines);
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

void frmAccount::EditAC(std::int64_t rowId)
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

void frmAccount::cmdCreateAc_Click()
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
        if (const std::optional<accounts::Account> a = accounts::readAccount(*gConn, selectedRowId())) {
            const QString status = a->acStatus.toUpper();
            const QString title = a->acName;
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
                if (const auto parent = accounts::accountByCode(*gConn, a->parentId))
                    txtAcDes->setText(parent->acName);
            }
        }
    }
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

void frmAccount::chkBank_Click()
{
    setBold(chkBank, chkBank->isChecked());
    if (chkBank->isChecked())
        chkSupplier->setChecked(false);
}

void frmAccount::chkSupplier_Click()
{
    setBold(chkSupplier, chkSupplier->isChecked());
    if (chkSupplier->isChecked())
        chkBank->setChecked(false);
}

void frmAccount::chkHead_Click()
{
    setBold(chkHead, chkHead->isChecked());
    if (!chkHead->isChecked())
        txtAcDes->setEnabled(false);
}

void frmAccount::cmdCancel_Click()
{
    ClearAll();
    frmEntry->hide();
    txtSubControl->setEnabled(false);
    txtAcDes->setEnabled(false);
    cmdCreateAc->setText(kNew);
    chkHead->setChecked(false);
    lstTree->setFocus();
}

void frmAccount::Command3_Click()
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

void frmAccount::cmdPrint_Click()
{
    common::PrintJob job = common::sessionJob(QStringLiteral("\\rptChartAC.rpt"));
    common::printReport(job);
}

void frmAccount::cmdExit_Click()
{
    if (gLookupMode) {
        hideWindow();
        return;
    }
    unload();
    ApplyMenuRights();
}

void frmAccount::lstTree_CollapseExpand()
{
    ClearAll();
    txtFindParent->setText(ui::TreeView::tagOf(lstTree->selectedNode()));
    try {
        FillData();
    } catch (const db::Error &) {
        // Opening or closing a branch only refreshes the panel: a failed read
        // leaves it cleared, and the panel is still put back to browsing.
    }
    cmdCreateAc->setText(kNew);
    txtAcDes->setEnabled(false);
    txtOrder->setEnabled(false);
    txtSubControl->setEnabled(false);
    chkHead->setChecked(false);
    frmEntry->hide();
}

void frmAccount::lstTree_NodeClick()
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

void frmAccount::mnuEdit_Click()
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

void frmAccount::mshSearch_DblClick()
{
    const int row = mshSearch->row();
    if (row < 1)
        return;
    const QString id = mshSearch->textMatrix(row, 0);
    if (id.isEmpty())
        return;
    EditAC(id.toLongLong());
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
