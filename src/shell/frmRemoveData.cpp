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

QPushButton *removeButton(const char *name, QWidget *parent)
{
    return common::formkit::pushButton(
        QString::fromLatin1(name), QStringLiteral("Remove"), parent, 90, false);
}

QLabel *rowLabel(const char *name, const char *caption, QWidget *parent)
{
    auto *l = new QLabel(QString::fromLatin1(caption), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// A section's column: its title over its frame, whose grid of rows the
// caller fills.
struct Section {
    QGroupBox *frame;
    QGridLayout *grid;
};
Section section(QWidget *window, QBoxLayout *columns, const QString &titleName, const QString &title,
    const char *frameName, const QString &caption)
{
    auto *column = new QVBoxLayout;
    column->addWidget(shell::admin::sectionTitle(titleName, title, window));
    auto *frame = new QGroupBox(caption, window);
    frame->setObjectName(QLatin1String(frameName));
    auto *grid = new QGridLayout(frame);
    grid->setColumnStretch(0, 1);
    grid->setVerticalSpacing(6);
    column->addWidget(frame);
    column->addStretch(1);
    columns->addLayout(column, 1);
    return {frame, grid};
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
    buildTablesSection(columns);
    buildVouchersSection(columns);
    resize(720, 450);
}

// Section A: whole tables.
void frmRemoveData::buildTablesSection(QBoxLayout *columns)
{
    const auto [registrations, grid] = section(this, columns, QStringLiteral("lblSectionA"),
        QStringLiteral("Section  \"A\""), "fraRegistrations", QStringLiteral("REGISTRATIONS"));
    int row = 0;
    for (const TableButton &t : tableButtons) {
        grid->addWidget(rowLabel(t.label, t.caption, registrations), row, 0);
        QPushButton *b = removeButton(t.button, registrations);
        grid->addWidget(b, row, 1);
        const QStringList tables = t.tables;
        common::on(b, &QPushButton::clicked, this, [this, tables](bool) { removeTables(tables); });
        ++row;
    }
}

// Section B: vouchers of a date range.
void frmRemoveData::buildVouchersSection(QBoxLayout *columns)
{
    const auto [transaction, grid] = section(this, columns, QStringLiteral("lblSectionB"),
        QStringLiteral("Section  \"B\""), "fraTransaction", QStringLiteral("TRANSACTION"));
    grid->addWidget(
        shell::admin::sectionTitle(QStringLiteral("lblVouchers"), QStringLiteral("Vouchers"), transaction), 0,
        0, 1, 2);
    auto *dates = new QHBoxLayout;
    auto *lblFrom = rowLabel("lblFrom", "From :", transaction);
    DTPicker1 = new ui::DatePicker(transaction);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    auto *lblTo = rowLabel("lblTo", "To :", transaction);
    DTPicker2 = new ui::DatePicker(transaction);
    DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
    dates->addWidget(lblFrom);
    dates->addWidget(DTPicker1, 1);
    dates->addSpacing(10);
    dates->addWidget(lblTo);
    dates->addWidget(DTPicker2, 1);
    grid->addLayout(dates, 1, 0, 1, 2);
    int row = 2;
    for (const VoucherButton &v : voucherButtons) {
        grid->addWidget(rowLabel(v.label, v.caption, transaction), row, 0);
        QPushButton *b = removeButton(v.button, transaction);
        grid->addWidget(b, row, 1);
        const QString kind = QString::fromLatin1(v.kind);
        common::on(b, &QPushButton::clicked, this, [this, kind](bool) { removeVouchers(kind); });
        ++row;
    }
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
