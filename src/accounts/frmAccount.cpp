#include "accounts/frmAccount.h"
#include "accounts/frmAccount_p.h"

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
    common::PrintJob job;
    job.reportFile = QStringLiteral("\\rptChartAC.rpt");
    job.user = gUserName;
    job.password = gUserPassword;
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
