// Saving the chart-of-accounts window's entry panel.
#include "accounts/frmAccount.h"
#include "accounts/frmAccount_p.h"

#include "accounts/chart.h"
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

// What a save wrote, or why it wrote nothing.
struct frmAccount::SaveResult {
    enum Kind { Refused, Gone, NewControl, NewChild, Changed, Nothing } kind = Nothing;
    QString message;
    QWidget *focus = nullptr;
    QString code; // K: the code whose path the tree shows after the save
    bool subControl = false; // a new sub-control account was written
};

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
