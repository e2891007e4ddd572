// The fee-receipt window's controls.
#include "fees/frmInsRec.h"

#include "common/format.h"
#include "common/formkit.h"
#include "common/input.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fees {

void frmInsRec::buildControls()
{
    using common::formkit::buddyLabel;
    using common::formkit::lineEdit;
    using common::formkit::pushButton;

    QVBoxLayout *outer = common::formkit::windowColumn(this, 8, 6);
    lblfrmTitle = common::formkit::title(QStringLiteral("lblfrmTitle"), windowTitle(), this);
    outer->addWidget(lblfrmTitle);
    SSTab = common::formkit::tabs(QStringLiteral("SSTab"), this, outer);

    // ---- entry tab
    const common::formkit::Page entryPage = common::formkit::tabPage(QStringLiteral("tabEntry"));
    QWidget *entry = entryPage.widget;
    QVBoxLayout *entryLayout = entryPage.column;
    entryLayout->setSpacing(6);

    // Row 1: number, date, slip number, payment mode.
    txtVouStatus = lineEdit("txtVouStatus", entry);
    txtVouStatus->setReadOnly(true);
    txtVouStatus->setText(QStringLiteral("FR-"));
    txtVouStatus->setFocusPolicy(Qt::ClickFocus);
    txtVouStatus->setFixedWidth(common::twips(600));
    txtVoucher = lineEdit("txtVoucher", entry);
    txtVoucher->setReadOnly(true);
    txtVoucher->setMaxLength(10);
    txtVoucher->setFixedWidth(common::twips(900));
    DTPicker = new ui::DatePicker(entry);
    DTPicker->setObjectName(QStringLiteral("DTPicker"));
    DTPicker->setFixedWidth(common::twips(1500));
    txtSlipNo = lineEdit("txtSlipNo", entry);
    txtSlipNo->setMaxLength(10);
    txtSlipNo->setFixedWidth(common::twips(1100));
    OptCash = new QRadioButton(QStringLiteral("Cash"), entry);
    OptCash->setObjectName(QStringLiteral("OptCash"));
    OptBank = new QRadioButton(QStringLiteral("Bank"), entry);
    OptBank->setObjectName(QStringLiteral("OptBank"));
    OptCash->setChecked(true);

    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(buddyLabel(QStringLiteral("Voucher #:"), txtVoucher, entry));
    numberRow->addWidget(txtVouStatus);
    numberRow->addWidget(txtVoucher);
    numberRow->addSpacing(6);
    numberRow->addWidget(buddyLabel(QStringLiteral("Date:"), DTPicker, entry));
    numberRow->addWidget(DTPicker);
    numberRow->addSpacing(6);
    numberRow->addWidget(buddyLabel(QStringLiteral("Book No. if any"), txtSlipNo, entry));
    numberRow->addWidget(txtSlipNo);
    numberRow->addSpacing(6);
    numberRow->addWidget(new QLabel(QStringLiteral("Payment Mode:"), entry));
    numberRow->addWidget(OptCash);
    numberRow->addWidget(OptBank);
    numberRow->addStretch(1);
    entryLayout->addLayout(numberRow);

    // Rows 2 to 5 on one grid: label or button, then its box, twice or three times.
    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);

    cmdSelectCr = pushButton("cmdSelectCr", QStringLiteral("&Student Name"), entry, false);
    cmdSelectDr = pushButton("cmdSelectDr", QStringLiteral("&Select Cash/Bank"), entry, false);
    txtCrAc = lineEdit("txtCrAc", entry);
    txtDrAc = lineEdit("txtDrAc", entry);
    for (QLineEdit *b : {txtDrAc, txtCrAc}) {
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(common::twips(2500));
    }
    fields->addWidget(cmdSelectCr, 0, 0);
    fields->addWidget(txtCrAc, 0, 1);
    fields->addWidget(cmdSelectDr, 0, 2);
    fields->addWidget(txtDrAc, 0, 3, 1, 3);

    cboSubject = new ui::DataCombo(entry);
    cboSubject->setObjectName(QStringLiteral("cboSubject"));
    txtDRCR = lineEdit("txtDRCR", entry);
    txtDRCR->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtChecque = lineEdit("txtChecque", entry);
    lblChq = buddyLabel(QStringLiteral("Checque No. :"), txtChecque, entry);
    lblChq->setObjectName(QStringLiteral("lblChq"));
    fields->addWidget(buddyLabel(QStringLiteral("Subject:"), cboSubject, entry), 1, 0);
    fields->addWidget(cboSubject, 1, 1);
    fields->addWidget(buddyLabel(QStringLiteral("Subject Fee Amount:"), txtDRCR, entry), 1, 2);
    fields->addWidget(txtDRCR, 1, 3);
    fields->addWidget(lblChq, 1, 4);
    fields->addWidget(txtChecque, 1, 5);

    cboSession = new ui::DataCombo(entry);
    cboSession->setObjectName(QStringLiteral("cboSession"));
    txtReceived = lineEdit("txtReceived", entry);
    txtRemaingAmt = lineEdit("txtRemaingAmt", entry);
    for (QLineEdit *b : {txtReceived, txtRemaingAmt}) {
        b->setReadOnly(true);
        b->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    fields->addWidget(buddyLabel(QStringLiteral("Session Name :"), cboSession, entry), 2, 0);
    fields->addWidget(cboSession, 2, 1);
    fields->addWidget(buddyLabel(QStringLiteral("Received Amount :"), txtReceived, entry), 2, 2);
    fields->addWidget(txtReceived, 2, 3);
    fields->addWidget(buddyLabel(QStringLiteral("Remaining Amount :"), txtRemaingAmt, entry), 2, 4);
    fields->addWidget(txtRemaingAmt, 2, 5);

    txtNaration = lineEdit("txtNaration", entry);
    cmdAdd = pushButton("cmdAdd", QStringLiteral("&Add"), entry, false);
    acmRemove = pushButton("acmRemove", QStringLiteral("&Remove"), entry, false);
    auto *addRemove = new QHBoxLayout;
    addRemove->addWidget(cmdAdd);
    addRemove->addWidget(acmRemove);
    fields->addWidget(buddyLabel(QStringLiteral("Remarks if any:"), txtNaration, entry), 3, 0);
    fields->addWidget(txtNaration, 3, 1, 1, 3);
    fields->addLayout(addRemove, 3, 4, 1, 2);
    fields->setColumnStretch(1, 3);
    fields->setColumnStretch(3, 2);
    fields->setColumnStretch(5, 2);
    entryLayout->addLayout(fields);

    // Kept for the voucher design; a fee receipt shows none of them.
    txtPaidTo = lineEdit("txtPaidTo", entry);
    lblPaidTo = buddyLabel(QStringLiteral("Receive From :"), txtPaidTo, entry);
    lblPaidTo->setObjectName(QStringLiteral("lblPaidTo"));
    txtFile = lineEdit("txtFile", entry);
    txtBill = lineEdit("txtBill", entry);
    txtTotAmount = lineEdit("txtTotAmount", entry);
    txtGrdRow = lineEdit("txtGrdRow", entry); // the draft knows which line is being changed
    for (QWidget *hidden :
        std::initializer_list<QWidget *> {txtPaidTo, lblPaidTo, txtFile, txtBill, txtTotAmount, txtGrdRow}) {
        hidden->hide();
        hidden->setFocusPolicy(Qt::NoFocus);
    }
    common::input::digitsBox(txtFile, 10);
    common::input::digitsBox(txtBill, 10);

    addEntryGrid(entry, entryLayout);

    const common::formkit::ButtonRow buttons
        = common::formkit::centredButtons(entryLayout, entry, common::twips(1300), false);
    cmdSave = buttons.add(QStringLiteral("cmdSave"), QStringLiteral("&Save"));
    cmdDelete = buttons.add(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"));
    cmdPrint = buttons.add(QStringLiteral("cmdPrint"), QStringLiteral("&Print"));
    cmdCancel = buttons.add(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdExit = buttons.add(QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    cmdDelete->setEnabled(false);
    SSTab->addTab(entry, QStringLiteral("Installment Receive Entry "));

    // ---- search tab
    addSearchTab();
}

} // namespace fees
