#include "shell/frmRemoveData.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "platform/ui/controls.h"
#include "shell/admin_rules.h"
#include "shell/admin_style.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct TableButton {
    const char *button;
    const char *label;
    const char *caption;
    QStringList tables;
};

struct VoucherButton {
    const char *button;
    const char *label;
    const char *caption;
    const char *kind;
};

const TableButton tableButtons[] = {
    {"cmdApplication", "lblApplication", "Application Form", {"tblMasApp", "tblDetApp"}},
    {"cmdCarryForwardEntry", "lblCarryForwardEntry", "Carry Forward Entry",
        {"tblMasCarryForw", "tblDetCarryForw"}},
    {"cmdCompany", "lblCompany", "Company", {"Company"}},
    {"cmdTeledir", "lblTeledir", "Telephone Directory", {"tbl_Tele_Directory"}},
    {"cmdChartAC", "lblChartAC", "Chart Of Accounts", {"Accounts"}},
    {"cmdVoucher", "lblVoucher", "Voucher Setup", {"VouSetting"}},
    {"CmdSubject", "lblSubject", "Subjects", {"tblSubject"}},
    {"Cmdcourse", "lblCourse", "Course", {"tblCourse"}},
    {"CmdSession", "lblSession", "Session", {"tblSession"}},
};

const VoucherButton voucherButtons[] = {
    {"cmdCashPaymentVoucher", "lblCashPaymentVoucher", "Cash Payment Voucher", "CP"},
    {"cmdCashReceiveVoucher", "lblCashReceiveVoucher", "Cash Receive Voucher", "CR"},
    {"cmdBankPaymentVoucher", "lblBankPaymentVoucher", "Bank Payment Voucher", "BP"},
    {"cmdBankReceiveVoucher", "lblBankReceiveVoucher", "Bank Receive Voucher", "BR"},
    {"cmdJournalvoucher", "lblJournalvoucher", "Journal Voucher", "JV"},
    {"cmdFeeRecVou", "lblFeeRecVou", "Fee Receive Voucher", "FR"},
};

bool confirmed()
{
    return common::msgBox(QStringLiteral("are you sure delete "), 4) == common::Answer::Yes;
}

} // namespace

frmRemoveData::frmRemoveData()
    : common::Window(QStringLiteral("frmRemoveData"))
{
    setWindowTitle(QStringLiteral("Remove Data"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(10);
    outer->addWidget(
        common::formkit::heading(QStringLiteral("lblRemoveData"), QStringLiteral("Remove Data"), this));

    auto *columns = new QHBoxLayout;
    columns->setSpacing(14);
    outer->addLayout(columns, 1);

    auto removeButton = [](const char *name, QWidget *parent) {
        return common::formkit::pushButton(
            QString::fromLatin1(name), QStringLiteral("Remove"), parent, 90, false);
    };
    auto rowLabel = [](const char *name, const char *caption, QWidget *parent) {
        auto *l = new QLabel(QString::fromLatin1(caption), parent);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };

    // ---- section A: whole tables
    auto *sectionA = new QVBoxLayout;
    sectionA->addWidget(
        shell::admin::sectionTitle(QStringLiteral("lblSectionA"), QStringLiteral("Section  \"A\""), this));
    auto *registrations = new QGroupBox(QStringLiteral("REGISTRATIONS"), this);
    registrations->setObjectName(QStringLiteral("fraRegistrations"));
    auto *gridA = new QGridLayout(registrations);
    gridA->setColumnStretch(0, 1);
    gridA->setVerticalSpacing(6);
    int row = 0;
    for (const TableButton &t : tableButtons) {
        gridA->addWidget(rowLabel(t.label, t.caption, registrations), row, 0);
        QPushButton *b = removeButton(t.button, registrations);
        gridA->addWidget(b, row, 1);
        const QStringList tables = t.tables;
        common::on(b, &QPushButton::clicked, this, [this, tables](bool) { removeTables(tables); });
        ++row;
    }
    sectionA->addWidget(registrations);
    sectionA->addStretch(1);
    columns->addLayout(sectionA, 1);

    // ---- section B: vouchers of a date range
    auto *sectionB = new QVBoxLayout;
    sectionB->addWidget(
        shell::admin::sectionTitle(QStringLiteral("lblSectionB"), QStringLiteral("Section  \"B\""), this));
    auto *transaction = new QGroupBox(QStringLiteral("TRANSACTION"), this);
    transaction->setObjectName(QStringLiteral("fraTransaction"));
    auto *gridB = new QGridLayout(transaction);
    gridB->setColumnStretch(0, 1);
    gridB->setVerticalSpacing(6);
    gridB->addWidget(
        shell::admin::sectionTitle(QStringLiteral("lblVouchers"), QStringLiteral("Vouchers"), transaction), 0,
        0, 1, 2);
    auto *dates = new QHBoxLayout;
    auto *lblFrom = new QLabel(QStringLiteral("From :"), transaction);
    lblFrom->setObjectName(QStringLiteral("lblFrom"));
    DTPicker1 = new ui::DatePicker(transaction);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    auto *lblTo = new QLabel(QStringLiteral("To :"), transaction);
    lblTo->setObjectName(QStringLiteral("lblTo"));
    DTPicker2 = new ui::DatePicker(transaction);
    DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
    dates->addWidget(lblFrom);
    dates->addWidget(DTPicker1, 1);
    dates->addSpacing(10);
    dates->addWidget(lblTo);
    dates->addWidget(DTPicker2, 1);
    gridB->addLayout(dates, 1, 0, 1, 2);
    row = 2;
    for (const VoucherButton &v : voucherButtons) {
        gridB->addWidget(rowLabel(v.label, v.caption, transaction), row, 0);
        QPushButton *b = removeButton(v.button, transaction);
        gridB->addWidget(b, row, 1);
        const QString kind = QString::fromLatin1(v.kind);
        common::on(b, &QPushButton::clicked, this, [this, kind](bool) { removeVouchers(kind); });
        ++row;
    }
    sectionB->addWidget(transaction);
    sectionB->addStretch(1);
    columns->addLayout(sectionB, 1);

    resize(720, 450);
}

void frmRemoveData::formUnload()
{
    ApplyMenuRights();
    gLockRemoveData = false;
}

void frmRemoveData::removeTables(const QStringList &tables)
{
    if (confirmed())
        shell::admin::removeTables(*gConn, tables);
}

void frmRemoveData::removeVouchers(const QString &kind)
{
    const QDate from = DTPicker1->date();
    const QDate to = DTPicker2->date();
    if (confirmed())
        shell::admin::removeVouchers(*gConn, kind, from, to);
}
