// Saving the chart-of-accounts window's entry panel.
#include "accounts/frmAccount.h"
#include "accounts/frmAccount_p.h"

#include "accounts/chart.h"
#include "accounts/chart_entry.h"
#include "accounts/chart_rules.h"
#include "common/binding.h"
#include "common/globals.h"
#include "platform/ui/controls.h"
#include "platform/ui/maskededit.h"
#include "platform/ui/treeview.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopedValueRollback>

using namespace accounts::chartwindow;

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
    const accounts::ChartSaved r = accounts::saveChartEntry(*gConn, entryOnScreen());
    if (r.kind == accounts::ChartSaved::Refused) {
        info(r.message);
        if (QLineEdit *box = titleBox(r.focus))
            box->setFocus();
        return;
    }
    if (r.kind == accounts::ChartSaved::Gone) {
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

QLineEdit *frmAccount::titleBox(accounts::TitleBox box) const
{
    switch (box) {
    case accounts::TitleBox::Control:
        return txtAcDes;
    case accounts::TitleBox::SubControl:
        return txtSubControl;
    case accounts::TitleBox::Subsidiary:
        return txtSubsidiary;
    case accounts::TitleBox::None:
        break;
    }
    return nullptr;
}

accounts::ChartEntry frmAccount::entryOnScreen()
{
    accounts::ChartEntry e;
    e.newControl = chkHead->isChecked();
    e.isNew = m_IsNewAccount;
    e.hasSelection = !txtFindParent->text().isEmpty();
    e.selected = selectedRowId();
    e.oldTitle = m_OldTitle;
    e.open = txtAcDes->isEnabled()   ? accounts::TitleBox::Control
        : txtSubControl->isEnabled() ? accounts::TitleBox::SubControl
        : shown(frmEntry)            ? accounts::TitleBox::Subsidiary
                                     : accounts::TitleBox::None;
    e.controlTitle = txtAcDes->text();
    e.subControlTitle = txtSubControl->text();
    e.subsidiaryTitle = txtSubsidiary->text();
    if (const QString order = txtOrder->text().trimmed(); !order.isEmpty())
        e.order = order.toLongLong();

    accounts::AccountDetails &d = e.details;
    d.fields = common::binding::texts(this, kFieldTag, {QStringLiteral("OpenBal")});
    d.openDate = dtpOpening->date();
    accounts::openingBalance(txt_OpenBal->text(), &d.openBal);
    if (txt_Gstno->isComplete())
        d.gst = txt_Gstno->text();
    if (txt_Ntnno->isComplete())
        d.ntn = txt_Ntnno->text();
    d.bStatus = chkBank->isChecked() ? QStringLiteral("B")
        : chkSupplier->isChecked()   ? QStringLiteral("S")
                                     : QString();
    return e;
}

void frmAccount::afterSave(const accounts::ChartSaved &r)
{
    if (r.kind == accounts::ChartSaved::NewControl) {
        txtAcDes->clear();
    } else if (r.kind == accounts::ChartSaved::NewChild && r.subControl) {
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
        if (const std::optional<accounts::Account> a = accounts::readAccount(*gConn, selectedRowId())) {
            const QString status = a->acStatus.toUpper();
            if (status == accounts::kControl || status == accounts::kSubControl)
                cmdCreateAc->setText(kNew);
            else if (status == accounts::kSubsidiary)
                cmdCreateAc->setText(kSave);
        }
    }
    chkHead->setChecked(false);
    FillGrid();
}
