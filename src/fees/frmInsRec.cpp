#include "fees/frmInsRec.h"

#include "accounts/picker.h"
#include "accounts/vousetting.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/input.h"
#include "common/printing.h"
#include "fees/feereceipt.h"
#include "fees/feereceipt_rules.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fees {

namespace {

using common::fields::focusIfEnabled;
using common::fields::keyOf;

using accounts::Side;
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

} // namespace

frmInsRec::frmInsRec()
    : common::EntryWindow(QStringLiteral("frmInsRec"))
{
    setWindowTitle(kCaption);

    buildControls();

    // ---- keys
    ui::keys(DTPicker).enterMovesNext();
    ui::keys(txtSlipNo).upperCase().dropBlanks().enterMovesNext();
    for (QWidget *w : std::initializer_list<QWidget *> {OptCash, OptBank, cmdSelectDr, cmdSelectCr})
        ui::keys(w).enterMovesNext();
    common::input::amountBox(txtDRCR);
    ui::keys(txtDRCR).enterMovesNext();
    ui::keys(txtChecque).enterMovesNext();
    ui::keys(txtNaration).upperCase().enterMovesNext();
    for (QWidget *w : std::initializer_list<QWidget *> {txtVouStatus, txtReceived, txtRemaingAmt})
        w->installEventFilter(this);
    connectShared();
    setCashBox(txtDrAc);
    bindLineColumn(txtNaration, QStringLiteral("Naration"));
    m_draft.entry().kind = books::Kind::FR;
    m_draft.entry().payment = books::Payment::Cash;
    connect(txtSlipNo, &QLineEdit::textChanged, this,
        [this](const QString &) { m_draft.entry().slipNo = txtSlipNo->text(); });
    connect(OptBank, &QRadioButton::toggled, this,
        [this](bool bank) { m_draft.entry().payment = bank ? books::Payment::Bank : books::Payment::Cash; });

    using common::on;
    on(cmdSelectDr, &QPushButton::clicked, this,
        [this](bool) { pickAccount(txtDrAc, OptBank->isChecked() ? QStringLiteral("B") : QString()); });
    on(cmdSelectCr, &QPushButton::clicked, this, [this](bool) { pickAccount(txtCrAc, QString()); });
    on(OptCash, &QRadioButton::clicked, this, [this](bool) { paymentMode(); });
    on(OptBank, &QRadioButton::clicked, this, [this](bool) { paymentMode(); });
    on(cboSubject, &QComboBox::currentIndexChanged, this, [this](int) { fillAmount(); });
    on(cboSubject, &QComboBox::activated, this, [this](int) { fillAmount(); });
    on(cmdAdd, &QPushButton::clicked, this, [this](bool) { cmdAdd_Click(); });
    on(acmRemove, &QPushButton::clicked, this, [this](bool) { acmRemove_Click(); });
    on(MshEntry, &ui::Grid::cellDoubleClicked, this, [this] { MshEntry_DblClick(); });
    applyTabOrder({"txtSlipNo", "DTPicker", "cmdSelectDr", "cmdSelectCr", "txtDRCR", "txtNaration", "cmdAdd",
        "cmdSave", "txtChecque", "txtVouStatus", "txtVoucher", "OptCash", "OptBank", "acmRemove", "cmdDelete",
        "cmdCancel", "cmdPrint", "cmdExit", "MshEntry", "cboSubject", "cboSession", "txtReceived",
        "txtRemaingAmt", "cboSearch", "txtSearch", "DTPSearch", "mshSearch"});
}

void frmInsRec::fillSessions()
{
    openSessions(m_sessions, *gConn);
    cboSession->fill(m_sessions, QStringLiteral("SessionName"), QStringLiteral("SessionId"));
}

void frmInsRec::loadFields()
{
    fillSessions();
    if (m_sessions.recordCount() > 0) {
        m_sessions.moveLast();
        cboSession->setBoundText(m_sessions.fields(QStringLiteral("SessionId")).toString());
    }
    paymentMode();
}

QStringList frmInsRec::searchCriteria() const
{
    return {QStringLiteral("Voucher #"), QStringLiteral("Date"), QStringLiteral("Slip No."),
        QStringLiteral("Paid To")};
}

void frmInsRec::formActivate()
{
    // Sessions, subjects and fees received changed elsewhere (another
    // window, another copy) show at once.
    {
        const QString chosen = cboSession->boundText();
        fillSessions();
        cboSession->setBoundText(chosen);
    }
    if (m_subjectsAccount > 0) {
        const QString chosen = cboSubject->boundText();
        openStudentSubjects(m_subjects, *gConn, m_subjectsAccount);
        cboSubject->fill(m_subjects, QStringLiteral("SubName"), QStringLiteral("SubId"));
        cboSubject->setBoundText(chosen);
        fillAmount();
    }
    if (QLineEdit *picked = takePickedAccount(); picked == txtDrAc) {
        focusIfEnabled(cmdSelectCr);
    } else if (picked == txtCrAc) {
        txtDRCR->setFocus(Qt::OtherFocusReason);
        takeStudent();
    }
    gFindAcFilter.clear();
}

void frmInsRec::takeStudent()
{
    const std::int64_t account = accountKey(txtCrAc);
    const StudentAdmission a = studentAdmission(*gConn, account);
    if (a.found) {
        m_StudentAppId = a.appId;
        cboSession->setBoundText(a.sessionId);
    }
    fillSubjects(account);
}

void frmInsRec::fillSubjects(std::int64_t account)
{
    m_subjectsAccount = account;
    openStudentSubjects(m_subjects, *gConn, account);
    cboSubject->fill(m_subjects, QStringLiteral("SubName"), QStringLiteral("SubId"));
    if (m_subjects.recordCount() > 0) {
        m_subjects.moveFirst();
        cboSubject->setBoundText(m_subjects.fields(QStringLiteral("SubId")).toString());
    }
}

bool frmInsRec::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtVouStatus)
            DTPicker->setFocus(Qt::OtherFocusReason);
        else if (watched == txtReceived || watched == txtRemaingAmt)
            txtDRCR->setFocus(Qt::OtherFocusReason);
    }
    return common::EntryWindow::eventFilter(watched, event);
}

void frmInsRec::setGrid()
{
    MshEntry->setRows(1);
    MshEntry->setCols(ColCount);
    setColumns(MshEntry,
        {{"", 0}, {"Account Debit:", 4000}, {"Account Credit:", 4000}, {"Amount:", 1900, true},
            {"Checque No. :", 1900}, {"Naration:", 4000}, {"CrAcCode:", 0}, {"Session Name", 2000},
            {"Catagory:", 0}, {"Types:", 0}, {"Size:", 0}, {"RegNo:", 0}, {"Subject ID:", 0}});
}

void frmInsRec::restoreCashAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, QStringLiteral("RI"));
    if (s.found && s.side == Side::Debit && !s.acTitle.isEmpty())
        setAccount(txtDrAc, s.acCode, s.acTitle);
    else
        clearAccount(txtDrAc);
}

void frmInsRec::FixAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, QStringLiteral("RI"));
    if (!s.found || s.side == Side::None)
        return;
    if (s.side == Side::Debit)
        presetAccount(txtDrAc, cmdSelectDr, s.acCode, s.acTitle, s.fixed);
    else
        presetAccount(txtCrAc, cmdSelectCr, s.acCode, s.acTitle, s.fixed);
}

std::int64_t frmInsRec::nextNumber()
{
    return nextReceiptNo(*gConn);
}

void frmInsRec::clearFields()
{
    txtChecque->clear();
    txtPaidTo->clear();
    clearAccount(txtCrAc);
    txtDRCR->clear();
    txtNaration->clear();
    cboSession->setBoundText({});
    txtBill->clear();
    txtReceived->clear();
    txtRemaingAmt->clear();
    // Back to Cash: a bank account chosen for a bank receipt must not stay
    // as the account the next cash receipt posts to.
    const bool wasBank = OptBank->isChecked();
    OptCash->setChecked(true);
    paymentMode();
    if (wasBank)
        restoreCashAccount();
    cboSubject->clear();
    m_subjectsAccount = 0;
}

QStringList frmInsRec::cells(const books::Line &l) const
{
    QStringList row(ColCount);
    row[ColCashKey] = QString::number(l.debit);
    row[ColCashName] = l.debitName;
    row[ColStudentName] = l.creditName;
    row[ColAmount] = common::fmt::money(l.amount);
    row[ColCheque] = l.chequeNo;
    row[ColNarration] = l.narration;
    row[ColStudentKey] = QString::number(l.credit);
    row[ColSession] = l.sessionId > 0 ? QString::number(l.sessionId) : QString();
    row[ColSubject] = l.subId > 0 ? QString::number(l.subId) : QString();
    return row;
}

void frmInsRec::paymentMode()
{
    const bool bank = OptBank->isChecked();
    txtChecque->setVisible(bank);
    lblChq->setVisible(bank);
}

void frmInsRec::openPicker(const QString &filter)
{
    accounts::openAccountPicker(this, filter);
}

void frmInsRec::fillAmount()
{
    if (!isNewVoucher() || cboSubject->boundText().isEmpty())
        return;
    const std::int64_t account = accountKey(txtCrAc);
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
    // A fee is received for a session; a line without one counts for none.
    if (cboSession->boundText().isEmpty()) {
        info(QStringLiteral("please select session "));
        cboSession->setFocus(Qt::OtherFocusReason);
        return;
    }
    LineChecks checks {txtDrAc, txtCrAc, txtDRCR};
    checks.noCreditFocus = cmdSelectCr;
    db::Money amount;
    if (!checkLine(checks, &amount))
        return;

    // The line takes the cash or bank account the box shows now.
    books::Line l = nextLine();
    l.amount = amount;
    l.chequeNo = txtChecque->text();
    l.narration = txtNaration->text();
    l.sessionId = keyOf(cboSession->boundText());
    l.subId = keyOf(cboSubject->boundText());
    m_draft.put(l);
    showDraft();

    clearAccount(txtCrAc);
    txtDRCR->clear();
    txtChecque->clear();
    txtNaration->clear();
    cboSession->setBoundText({});
    cboSubject->clear();
    m_subjectsAccount = 0;
    totGrdAmount();
    if (cmdSelectDr->isEnabled())
        cmdSelectDr->setFocus(Qt::OtherFocusReason);
    else
        focusIfEnabled(cmdSelectCr);
}

void frmInsRec::acmRemove_Click()
{
    if (m_draft.size() >= 2)
        m_draft.remove(MshEntry->row());
    else
        m_draft.clear();
    showDraft();
    txtDRCR->clear();
    txtNaration->clear();
    cboSession->setBoundText({});
    clearAccount(txtCrAc);
    totGrdAmount();
}

void frmInsRec::MshEntry_DblClick()
{
    const int r = MshEntry->row();
    if (r < 1 || r > m_draft.size())
        return;
    const books::Line l = m_draft.takeBack(r);
    setAccount(txtDrAc, l.debit, l.debitName);
    setAccount(txtCrAc, l.credit, l.creditName);
    txtDRCR->setText(common::fmt::plainMoney(l.amount));
    txtChecque->setText(l.chequeNo);
    txtNaration->setText(l.narration);
    cboSession->setBoundText(l.sessionId > 0 ? QString::number(l.sessionId) : QString());
    // The figures shown belong to this line's own student, not the last one picked.
    if (const StudentAdmission a = studentAdmission(*gConn, l.credit); a.found)
        m_StudentAppId = a.appId;
    fillSubjects(l.credit);
    if (l.subId > 0)
        cboSubject->setBoundText(QString::number(l.subId));
}

void frmInsRec::saveDraft(bool isNew, std::int64_t number, const QString &stamp)
{
    Receipt rec;
    static_cast<books::Entry &>(rec) = m_draft.entry();
    rec.number = number;
    rec.isNew = isNew;
    rec.stamp = stamp;
    saveReceipt(*gConn, rec, gUserName);
}

common::Opening frmInsRec::openStored(std::int64_t number)
{
    const OpenedReceipt o = openReceipt(*gConn, number);
    common::Opening out;
    if (!o.found)
        return out;
    out.found = true;
    out.stamp = o.stamp;
    if (o.date.isValid())
        DTPicker->setDate(o.date);
    txtChecque->setText(o.chequeNo);
    txtPaidTo->setText(o.paidReceive);
    txtSlipNo->setText(o.slipNo);
    (o.payment == books::Payment::Cash ? OptCash : OptBank)->setChecked(true);
    paymentMode();
    if (o.lines.empty())
        return out; // the grid and the cash or bank box keep what they show
    out.hasLines = true;
    setAccount(txtDrAc, o.cashAccount, o.cashName);
    m_draft.assign(o.lines);
    showDraft();
    return out;
}

void frmInsRec::removeStored(std::int64_t number, const QString &stamp)
{
    deleteReceipt(*gConn, number, stamp);
}

bool frmInsRec::runSearch(db::Recordset &rs, const QString &criterion)
{
    return searchReceipts(rs, *gConn, criterion, txtSearch->text(), DTPSearch->date());
}

void frmInsRec::labelSearch()
{
    setColumns(mshSearch,
        {{"Voucher # ", 1500}, {"Voucher Date", 2000}, {"Slip No.", 1600}, {"Paid To", 4000},
            {"Amount", 2000, true}, {"Multi", 1000}, {"Status", 1000}});
}

common::PrintJob frmInsRec::printJob(std::int64_t number) const
{
    return slipJob(number, gUserName, gUserPassword);
}

void registerFeeReceiptWindow()
{
    common::windows::registerWindow(QStringLiteral("frmInsRec"), [] { return new frmInsRec; });
}

} // namespace fees
