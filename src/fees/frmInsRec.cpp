#include "frmInsRec.h"

#include "controls.h"
#include "dialogs.h"
#include "errors.h"
#include "feereceipt.h"
#include "feereceipt_rules.h"
#include "fields.h"
#include "format.h"
#include "formkit.h"
#include "globals.h"
#include "grid.h"
#include "hooks.h"
#include "keys.h"
#include "picker.h"
#include "printing.h"
#include "voucher_rules.h"
#include "vousetting.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fees {

namespace {

using common::fields::accountTag;
using common::fields::amountOf;
using common::fields::focusIfEnabled;
using common::fields::keyOf;
using common::fields::setAccount;

const char *const kTag = "Tag";
const QString kDr = QStringLiteral("DR");
const QString kCr = QStringLiteral("CR");
const QString kCaption = QStringLiteral("Fee Receive Voucher");

// Entry grid columns.
enum Col {
    ColCashKey = 0,
    ColCashName = 1,
    ColStudentName = 2,
    ColAmount = 3,
    ColCheque = 4,
    ColNarration = 5,
    ColStudentKey = 6,
    ColSession = 7,
    ColSubject = 12,
    ColCount = 13
};

using common::info;

struct Column {
    const char *header;
    int width;
};

} // namespace

frmInsRec::frmInsRec()
    : common::Window(QStringLiteral("frmInsRec"))
{
    setWindowTitle(kCaption);

    using common::formkit::buddyLabel;
    using common::formkit::lineEdit;
    using common::formkit::pushButton;

    QVBoxLayout *outer = common::formkit::windowColumn(this, 8, 6);
    lblfrmTitle = common::formkit::title(QStringLiteral("lblfrmTitle"), kCaption, this);
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
        b->setProperty(kTag, QString());
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
    txtDRCR->setMaxLength(14);
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
    txtGrdRow = lineEdit("txtGrdRow", entry);
    for (QWidget *hidden :
        std::initializer_list<QWidget *> {txtPaidTo, lblPaidTo, txtFile, txtBill, txtTotAmount, txtGrdRow}) {
        hidden->hide();
        hidden->setFocusPolicy(Qt::NoFocus);
    }
    txtFile->setMaxLength(10);
    txtBill->setMaxLength(10);

    MshEntry = new ui::Grid(entry);
    MshEntry->setObjectName(QStringLiteral("MshEntry"));
    entryLayout->addWidget(MshEntry, 1);

    lblTotalAmount = common::formkit::totalLabel(entry);
    entryLayout->addWidget(lblTotalAmount);

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
    const common::formkit::VoucherSearchTab search
        = common::formkit::voucherSearchTab(SSTab, QStringLiteral("Search Voucher"));
    cboSearch = search.criterion;
    lblSearch = search.label;
    txtSearch = search.text;
    DTPSearch = search.date;
    mshSearch = search.list;

    // ---- keys
    ui::keys(txtVoucher).enterMovesNext().onEnter([this] { common::runGuarded([this] { OpenVoucher(); }); });
    ui::keys(DTPicker).enterMovesNext();
    ui::keys(txtSlipNo).upperCase().dropBlanks().enterMovesNext();
    for (QWidget *w : std::initializer_list<QWidget *> {OptCash, OptBank, cmdSelectDr, cmdSelectCr})
        ui::keys(w).enterMovesNext();
    ui::keys(txtDRCR)
        .pattern(QStringLiteral("[0-9.]"))
        .once(QStringLiteral("."))
        .dropBlanks()
        .enterMovesNext();
    ui::keys(txtChecque).enterMovesNext();
    ui::keys(txtNaration).upperCase().enterMovesNext();
    ui::keys(DTPSearch).onKey(Qt::Key_Backspace, [this] { common::runGuarded([this] { SearchGrd(); }); });
    for (QWidget *w : std::initializer_list<QWidget *> {txtVouStatus, txtReceived, txtRemaingAmt, DTPSearch})
        w->installEventFilter(this);

    using common::on;
    on(cmdSelectDr, &QPushButton::clicked, this, [this](bool) { pickCashBank(); });
    on(cmdSelectCr, &QPushButton::clicked, this, [this](bool) { pickStudent(); });
    on(OptCash, &QRadioButton::clicked, this, [this](bool) { paymentMode(); });
    on(OptBank, &QRadioButton::clicked, this, [this](bool) { paymentMode(); });
    on(cboSubject, &QComboBox::currentIndexChanged, this, [this](int) { fillAmount(); });
    on(cboSubject, &QComboBox::activated, this, [this](int) { fillAmount(); });
    on(cmdAdd, &QPushButton::clicked, this, [this](bool) { cmdAdd_Click(); });
    on(acmRemove, &QPushButton::clicked, this, [this](bool) { acmRemove_Click(); });
    on(MshEntry, &ui::Grid::cellDoubleClicked, this, [this] { MshEntry_DblClick(); });
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { cmdCancel_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdPrint, &QPushButton::clicked, this, [this](bool) { cmdPrint_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(cboSearch, &QComboBox::currentTextChanged, this, [this](const QString &) { cboSearch_Change(); });
    on(txtSearch, &QLineEdit::textChanged, this, [this](const QString &) { SearchGrd(); });
    on(DTPSearch, &QDateEdit::dateChanged, this, [this](const QDate &) { SearchGrd(); });
    on(mshSearch, &ui::Grid::cellDoubleClicked, this, [this] { mshSearch_DblClick(); });
    applyTabOrder();
}

void frmInsRec::applyTabOrder()
{
    static const char *const order[] = {"txtSlipNo", "DTPicker", "cmdSelectDr", "cmdSelectCr", "txtDRCR",
        "txtNaration", "cmdAdd", "cmdSave", "txtChecque", "txtVouStatus", "txtVoucher", "OptCash", "OptBank",
        "acmRemove", "cmdDelete", "cmdCancel", "cmdPrint", "cmdExit", "MshEntry", "cboSubject", "cboSession",
        "txtReceived", "txtRemaingAmt", "cboSearch", "txtSearch", "DTPSearch", "mshSearch"};
    QWidget *previous = nullptr;
    for (const char *name : order) {
        auto *w = findChild<QWidget *>(QString::fromLatin1(name));
        if (!w)
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

void frmInsRec::formLoad()
{
    openSessions(m_sessions, *gConn);
    cboSession->fill(m_sessions, QStringLiteral("SessionName"), QStringLiteral("SessionId"));
    if (m_sessions.recordCount() > 0) {
        m_sessions.moveLast();
        cboSession->setBoundText(m_sessions.fields(QStringLiteral("SessionId")).toString());
    }

    moveTwips(0, 0);
    setWidthTwips(15255);
    setHeightTwips(10155);
    // Never larger than the main window's client area, so nothing is cut off.
    if (QMdiArea *host = common::windows::host(); host && subWindow()) {
        const QSize room = host->viewport()->size();
        if (room.width() > 200 && room.height() > 200)
            frame()->resize(frame()->size().boundedTo(room));
    }
    setGrid();
    FixAccount();
    SetMaxlength();
    paymentMode();

    DTPicker->setDate(QDate::currentDate());
    {
        const QSignalBlocker block(DTPSearch);
        DTPSearch->setDate(QDate::currentDate());
    }
    ui::showTab(SSTab, 0);
    {
        const QSignalBlocker block(cboSearch);
        cboSearch->clear();
        cboSearch->addItems({QStringLiteral("Voucher #"), QStringLiteral("Date"), QStringLiteral("Slip No."),
            QStringLiteral("Paid To")});
        cboSearch->setCurrentIndex(0);
    }
    cboSearch_Change();
    SearchGrd();
    NewNo();
    txtSlipNo->setFocus(Qt::OtherFocusReason);
}

void frmInsRec::formActivate()
{
    if (gFindAcRowID > 0 && m_PickSide == kDr) {
        setAccount(txtDrAc, gFindAcName, QString::number(gFindAcRowID));
        focusIfEnabled(cmdSelectCr);
        gFindAcName.clear();
        gFindAcRowID = 0;
    } else if (gFindAcRowID > 0 && m_PickSide == kCr) {
        const std::int64_t account = gFindAcRowID;
        setAccount(txtCrAc, gFindAcName, QString::number(account));
        gFindAcName.clear();
        gFindAcRowID = 0;
        txtDRCR->setFocus(Qt::OtherFocusReason);
        takeStudent();
    }
    gFindAcFilter.clear();
}

void frmInsRec::takeStudent()
{
    const std::int64_t account = keyOf(accountTag(txtCrAc));
    const StudentAdmission a = studentAdmission(*gConn, account);
    if (a.found) {
        m_StudentAppId = a.appId;
        cboSession->setBoundText(a.sessionId);
    }
    fillSubjects(account);
}

void frmInsRec::fillSubjects(std::int64_t account)
{
    openStudentSubjects(m_subjects, *gConn, account);
    cboSubject->fill(m_subjects, QStringLiteral("SubName"), QStringLiteral("SubId"));
    if (m_subjects.recordCount() > 0) {
        m_subjects.moveFirst();
        cboSubject->setBoundText(m_subjects.fields(QStringLiteral("SubId")).toString());
    }
}

void frmInsRec::formUnload()
{
    ApplyMenuRights();
}

bool frmInsRec::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtVouStatus)
            DTPicker->setFocus(Qt::OtherFocusReason);
        else if (watched == txtReceived || watched == txtRemaingAmt)
            txtDRCR->setFocus(Qt::OtherFocusReason);
    } else if (watched == DTPSearch && event->type() == QEvent::MouseButtonPress) {
        common::runGuarded([this] { SearchGrd(); });
    }
    return common::Window::eventFilter(watched, event);
}

void frmInsRec::setGrid()
{
    static const Column columns[ColCount]
        = {{"", 0}, {"Account Debit:", 4000}, {"Account Credit:", 4000}, {"Amount:", 1900},
            {"Checque No. :", 1900}, {"Naration:", 4000}, {"CrAcCode:", 0}, {"Session Name", 2000},
            {"Catagory:", 0}, {"Types:", 0}, {"Size:", 0}, {"RegNo:", 0}, {"Subject ID:", 0}};
    MshEntry->setRows(1);
    MshEntry->setCols(ColCount);
    for (int c = 0; c < ColCount; ++c) {
        MshEntry->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        MshEntry->setColWidth(c, columns[c].width);
    }
}

void frmInsRec::FixAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, QStringLiteral("RI"));
    if (!s.found || (s.side != kDr && s.side != kCr))
        return;
    QLineEdit *b = s.side == kDr ? txtDrAc : txtCrAc;
    QPushButton *p = s.side == kDr ? cmdSelectDr : cmdSelectCr;
    if (!s.acTitle.isEmpty())
        setAccount(b, s.acTitle, QString::number(s.acCode));
    else
        b->clear();
    b->setEnabled(!s.fixed);
    p->setEnabled(!s.fixed);
}

void frmInsRec::SetMaxlength()
{
    OpenQuery(QStringLiteral("Select * From MasJv Where 0=1"));
    if (const int n = gRs->fields(QStringLiteral("PaidReceive")).definedSize(); n > 0)
        txtPaidTo->setMaxLength(n);
    OpenQuery(QStringLiteral("Select * From DetJv Where 0=1"));
    if (const int n = gRs->fields(QStringLiteral("ChecqNo")).definedSize(); n > 0)
        txtChecque->setMaxLength(n);
    if (const int n = gRs->fields(QStringLiteral("Naration")).definedSize(); n > 0)
        txtNaration->setMaxLength(n);
}

void frmInsRec::totGrdAmount()
{
    lblTotalAmount->setText(QStringLiteral("Total Amount : ") + common::fmt::plainMoney(db::Money()));
    if (MshEntry->rows() < 2)
        return;
    db::Money sum;
    for (int r = 1; r < MshEntry->rows(); ++r) {
        const QString a = MshEntry->textMatrix(r, ColAmount);
        if (!a.isEmpty())
            sum += amountOf(a);
    }
    lblTotalAmount->setText(QStringLiteral("Total Amount : ") + common::fmt::money(sum));
    txtTotAmount->setText(common::fmt::plainMoney(sum));
}

void frmInsRec::NewNo()
{
    txtVoucher->setText(QString::number(nextReceiptNo(*gConn)));
    m_IsNewVoucher = true;
}

void frmInsRec::ClearAll()
{
    txtVoucher->clear();
    txtChecque->clear();
    txtPaidTo->clear();
    setAccount(txtCrAc, {}, {});
    txtDRCR->clear();
    txtNaration->clear();
    cboSession->setBoundText({});
    txtBill->clear();
    txtGrdRow->clear();
    txtReceived->clear();
    txtRemaingAmt->clear();
    OptCash->setChecked(true);
    paymentMode();
    cboSubject->clear();
    m_stamp.clear();
    setGrid();
    totGrdAmount();
    NewNo();
}

void frmInsRec::paymentMode()
{
    const bool bank = OptBank->isChecked();
    txtChecque->setVisible(bank);
    lblChq->setVisible(bank);
}

void frmInsRec::pickCashBank()
{
    m_PickSide = kDr;
    const QString filter = OptBank->isChecked() ? QStringLiteral("B") : QString();
    common::windows::unload(QStringLiteral("frmFindAC"));
    accounts::openAccountPicker(this, filter);
}

void frmInsRec::pickStudent()
{
    m_PickSide = kCr;
    common::windows::unload(QStringLiteral("frmFindAC"));
    accounts::openAccountPicker(this, gFindAcFilter);
}

void frmInsRec::fillAmount()
{
    if (!m_IsNewVoucher || cboSubject->boundText().isEmpty())
        return;
    const std::int64_t account = keyOf(accountTag(txtCrAc));
    if (account <= 0)
        return;
    const SubjectFigures f = subjectFigures(*gConn, account, m_StudentAppId, keyOf(cboSubject->boundText()));
    if (!f.found)
        return;
    txtReceived->setText(common::fmt::money(f.received));
    txtRemaingAmt->setText(common::fmt::money(f.remaining));
}

void frmInsRec::cmdAdd_Click()
{
    if (cboSubject->text().isEmpty() || cboSubject->boundText().isEmpty()) {
        info(QStringLiteral("please select subject "));
        cboSubject->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (txtDRCR->text() == QLatin1String("."))
        txtDRCR->clear();
    if (accountTag(txtDrAc).isEmpty()) {
        info(QStringLiteral("Please Select Debit Account"));
        return;
    }
    if (accountTag(txtCrAc).isEmpty()) {
        info(QStringLiteral("Please Select Credit Account"));
        focusIfEnabled(cmdSelectCr);
        return;
    }
    if (accountTag(txtDrAc) == accountTag(txtCrAc)) {
        info(QStringLiteral("same account title not allow, please change debit or cedit Account"));
        return;
    }
    db::Money amount;
    if (!db::Money::tryParse(txtDRCR->text(), &amount) || amount <= db::Money()) {
        info(QStringLiteral("please enter Amount"));
        txtDRCR->setFocus(Qt::OtherFocusReason);
        return;
    }

    int row = 0;
    if (txtGrdRow->text().isEmpty()) {
        row = MshEntry->addRow();
    } else {
        row = txtGrdRow->text().toInt();
        txtGrdRow->clear();
        if (row < 1 || row >= MshEntry->rows())
            row = MshEntry->addRow();
    }
    MshEntry->setTextMatrix(row, ColCashKey, accountTag(txtDrAc));
    MshEntry->setTextMatrix(row, ColCashName, txtDrAc->text());
    MshEntry->setTextMatrix(row, ColStudentName, txtCrAc->text());
    MshEntry->setTextMatrix(row, ColAmount, common::fmt::money(amount));
    MshEntry->setTextMatrix(row, ColCheque, txtChecque->text());
    MshEntry->setTextMatrix(row, ColNarration, txtNaration->text());
    MshEntry->setTextMatrix(row, ColStudentKey, accountTag(txtCrAc));
    MshEntry->setTextMatrix(row, ColSession, cboSession->boundText());
    MshEntry->setTextMatrix(row, ColSubject, cboSubject->boundText());

    setAccount(txtCrAc, {}, {});
    txtDRCR->clear();
    txtChecque->clear();
    txtNaration->clear();
    cboSession->setBoundText({});
    cboSubject->clear();
    totGrdAmount();
    if (cmdSelectDr->isEnabled())
        cmdSelectDr->setFocus(Qt::OtherFocusReason);
    else
        focusIfEnabled(cmdSelectCr);
}

void frmInsRec::acmRemove_Click()
{
    if (MshEntry->rows() > 2) {
        const int r = MshEntry->row();
        if (r >= 1 && r < MshEntry->rows())
            MshEntry->removeRow(r);
    } else {
        setGrid();
    }
    txtDRCR->clear();
    txtNaration->clear();
    cboSession->setBoundText({});
    txtGrdRow->clear();
    setAccount(txtCrAc, {}, {});
    totGrdAmount();
}

void frmInsRec::MshEntry_DblClick()
{
    const int r = MshEntry->row();
    if (r < 1 || r >= MshEntry->rows() || MshEntry->textMatrix(r, ColCashKey).isEmpty())
        return;
    const auto cell = [this, r](int c) { return MshEntry->textMatrix(r, c); };
    txtGrdRow->setText(QString::number(r));
    setAccount(txtDrAc, cell(ColCashName), cell(ColCashKey));
    setAccount(txtCrAc, cell(ColStudentName), cell(ColStudentKey));
    txtDRCR->setText(common::fmt::plainMoney(amountOf(cell(ColAmount))));
    txtChecque->setText(cell(ColCheque));
    txtNaration->setText(cell(ColNarration));
    cboSession->setBoundText(cell(ColSession));
    // The figures shown belong to this line's own student, not the last one picked.
    const std::int64_t account = keyOf(cell(ColStudentKey));
    if (const StudentAdmission a = studentAdmission(*gConn, account); a.found)
        m_StudentAppId = a.appId;
    fillSubjects(account);
    if (!cell(ColSubject).isEmpty())
        cboSubject->setBoundText(cell(ColSubject));
}

void frmInsRec::cmdSave_Click()
{
    cmdDelete->setEnabled(false);
    if (MshEntry->rows() < 2) {
        info(QStringLiteral("Please enter less than one entry in detail"));
        return;
    }
    Receipt rec;
    rec.isNew = m_IsNewVoucher;
    rec.vouNo = txtVoucher->text().toInt();
    rec.date = DTPicker->date();
    rec.paidReceive = txtPaidTo->text();
    rec.slipNo = txtSlipNo->text();
    rec.bank = OptBank->isChecked();
    rec.stamp = m_stamp;
    for (int r = 1; r < MshEntry->rows(); ++r) {
        const auto cell = [this, r](int c) { return MshEntry->textMatrix(r, c); };
        if (cell(ColCashKey).isEmpty())
            continue;
        ReceiptLine l;
        l.cashAccount = keyOf(cell(ColCashKey));
        l.student = keyOf(cell(ColStudentKey));
        l.amount = amountOf(cell(ColAmount));
        l.chequeNo = cell(ColCheque);
        l.narration = cell(ColNarration);
        l.sessionId = keyOf(cell(ColSession));
        l.subId = keyOf(cell(ColSubject));
        rec.lines.push_back(l);
    }
    try {
        saveReceipt(*gConn, rec, gUserName);
    } catch (const vouchers::Refused &e) {
        info(e.text());
        return;
    }
    ClearAll();
    DTPicker->setFocus(Qt::OtherFocusReason);
    SearchGrd();
}

void frmInsRec::OpenVoucher()
{
    if (txtVoucher->text().isEmpty()) {
        totGrdAmount();
        return;
    }
    const OpenedReceipt o = openReceipt(*gConn, txtVoucher->text().toInt());
    if (!o.found) {
        info(QStringLiteral("Voucher not found!"));
        ClearAll();
        DTPicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (o.date.isValid())
        DTPicker->setDate(o.date);
    txtChecque->setText(o.chequeNo);
    txtPaidTo->setText(o.paidReceive);
    txtSlipNo->setText(o.slipNo);
    (o.irStatus.compare(QLatin1String("CASH"), Qt::CaseInsensitive) == 0 ? OptCash : OptBank)
        ->setChecked(true);
    paymentMode();
    m_stamp = o.stamp;
    if (o.lines.empty()) {
        cmdDelete->setEnabled(false);
        totGrdAmount();
        return;
    }
    const ReceiptLine &first = o.lines.front();
    setAccount(txtDrAc, first.cashName, QString::number(first.cashAccount));
    setGrid();
    for (const ReceiptLine &l : o.lines) {
        const int row = MshEntry->addRow();
        MshEntry->setTextMatrix(row, ColCashKey, QString::number(l.cashAccount));
        MshEntry->setTextMatrix(row, ColCashName, l.cashName);
        MshEntry->setTextMatrix(row, ColStudentName, l.studentName);
        MshEntry->setTextMatrix(row, ColAmount, common::fmt::money(l.amount));
        MshEntry->setTextMatrix(row, ColCheque, l.chequeNo);
        MshEntry->setTextMatrix(row, ColNarration, l.narration);
        MshEntry->setTextMatrix(row, ColStudentKey, QString::number(l.student));
        MshEntry->setTextMatrix(row, ColSession, l.sessionId > 0 ? QString::number(l.sessionId) : QString());
        MshEntry->setTextMatrix(row, ColSubject, l.subId > 0 ? QString::number(l.subId) : QString());
    }
    cmdDelete->setEnabled(true);
    totGrdAmount();
}

void frmInsRec::cmdDelete_Click()
{
    if (!txtVoucher->text().isEmpty()
        && common::msgBox(QStringLiteral("are you sure Delete this Voucher "), 68) == common::Answer::Yes) {
        try {
            deleteReceipt(*gConn, txtVoucher->text().toInt(), m_stamp);
            ClearAll();
            txtGrdRow->clear();
            DTPicker->setFocus(Qt::OtherFocusReason);
            cmdDelete->setEnabled(false);
        } catch (const vouchers::Refused &e) {
            info(e.text());
        }
    }
    SearchGrd();
    totGrdAmount();
}

void frmInsRec::cmdCancel_Click()
{
    ClearAll();
    DTPicker->setFocus(Qt::OtherFocusReason);
    cmdDelete->setEnabled(false);
}

void frmInsRec::cmdPrint_Click()
{
    if (txtVoucher->text().isEmpty()) {
        info(QStringLiteral("please enter voucher no."));
        DTPicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    common::printReport(slipJob(txtVoucher->text().toInt(), gUserName, gUserPassword));
}

void frmInsRec::cboSearch_Change()
{
    const QString text = cboSearch->currentText();
    lblSearch->setText(text);
    DTPSearch->setVisible(text == QLatin1String("Date"));
}

void frmInsRec::SearchGrd()
{
    if (gRs->state() == 1)
        gRs->close();
    if (!searchReceipts(*gRs, *gConn, cboSearch->currentText(), txtSearch->text(), DTPSearch->date()))
        return; // a criterion of no known kind leaves the list as it is
    if (gRs->recordCount() < 1) {
        mshSearch->clearToBlank();
        return;
    }
    mshSearch->bind(*gRs);
    static const Column columns[] = {{"Voucher # ", 1500}, {"Voucher Date", 2000}, {"Slip No.", 1600},
        {"Paid To", 4000}, {"Amount", 2000}, {"Multi", 1000}, {"Status", 1000}};
    for (int c = 0; c < int(std::size(columns)); ++c) {
        mshSearch->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        mshSearch->setColWidth(c, columns[c].width);
    }
}

void frmInsRec::mshSearch_DblClick()
{
    const int r = mshSearch->row();
    if (mshSearch->rows() < 2 || r < 1 || r >= mshSearch->rows() || mshSearch->textMatrix(r, 0).isEmpty())
        return;
    const QString no = mshSearch->textMatrix(r, 0);
    ClearAll();
    txtVoucher->setText(no);
    ui::showTab(SSTab, 0);
    OpenVoucher();
    m_IsNewVoucher = false;
    DTPicker->setFocus(Qt::OtherFocusReason);
}

void registerFeeReceiptWindow()
{
    common::windows::registerWindow(QStringLiteral("frmInsRec"), [] { return new frmInsRec; });
}

} // namespace fees
