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
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace fees {

namespace {

using common::fields::accountTag;
using common::fields::focusIfEnabled;
using common::fields::keyOf;
using common::fields::setAccount;

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

void frmInsRec::fillSessions()
{
    openSessions(m_sessions, *gConn);
    cboSession->fill(m_sessions, QStringLiteral("SessionName"), QStringLiteral("SessionId"));
}

void frmInsRec::formLoad()
{
    fillSessions();
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
    if (gFindAcRowID > 0 && m_PickSide == Side::Debit) {
        setAccount(txtDrAc, gFindAcName, QString::number(gFindAcRowID));
        focusIfEnabled(cmdSelectCr);
        gFindAcName.clear();
        gFindAcRowID = 0;
    } else if (gFindAcRowID > 0 && m_PickSide == Side::Credit) {
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
    m_subjectsAccount = account;
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
    }
    return common::EntryWindow::eventFilter(watched, event);
}

void frmInsRec::setGrid()
{
    MshEntry->setRows(1);
    MshEntry->setCols(ColCount);
    setColumns(MshEntry,
        {{"", 0}, {"Account Debit:", 4000}, {"Account Credit:", 4000}, {"Amount:", 1900},
            {"Checque No. :", 1900}, {"Naration:", 4000}, {"CrAcCode:", 0}, {"Session Name", 2000},
            {"Catagory:", 0}, {"Types:", 0}, {"Size:", 0}, {"RegNo:", 0}, {"Subject ID:", 0}});
}

void frmInsRec::restoreCashAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, QStringLiteral("RI"));
    if (s.found && s.side == Side::Debit && !s.acTitle.isEmpty())
        setAccount(txtDrAc, s.acTitle, QString::number(s.acCode));
    else
        setAccount(txtDrAc, {}, {});
}

void frmInsRec::FixAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, QStringLiteral("RI"));
    if (!s.found || s.side == Side::None)
        return;
    QLineEdit *b = s.side == Side::Debit ? txtDrAc : txtCrAc;
    QPushButton *p = s.side == Side::Debit ? cmdSelectDr : cmdSelectCr;
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

std::int32_t frmInsRec::nextNumber()
{
    return nextReceiptNo(*gConn);
}

void frmInsRec::clearFields()
{
    txtChecque->clear();
    txtPaidTo->clear();
    setAccount(txtCrAc, {}, {});
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

QStringList frmInsRec::cells(const common::DraftLine &l) const
{
    QStringList row(ColCount);
    row[ColCashKey] = QString::number(l.debit);
    row[ColCashName] = l.debitName;
    row[ColStudentName] = l.creditName;
    row[ColAmount] = common::fmt::money(l.amount);
    row[ColCheque] = l.chequeNo;
    row[ColNarration] = l.narration;
    row[ColStudentKey] = QString::number(l.credit);
    row[ColSession] = l.sessionId;
    row[ColSubject] = l.subId > 0 ? QString::number(l.subId) : QString();
    return row;
}

void frmInsRec::paymentMode()
{
    const bool bank = OptBank->isChecked();
    txtChecque->setVisible(bank);
    lblChq->setVisible(bank);
}

void frmInsRec::pickCashBank()
{
    m_PickSide = Side::Debit;
    const QString filter = OptBank->isChecked() ? QStringLiteral("B") : QString();
    common::windows::unload(QStringLiteral("frmFindAC"));
    accounts::openAccountPicker(this, filter);
}

void frmInsRec::pickStudent()
{
    m_PickSide = Side::Credit;
    common::windows::unload(QStringLiteral("frmFindAC"));
    accounts::openAccountPicker(this, QString());
}

void frmInsRec::fillAmount()
{
    if (!isNewVoucher() || cboSubject->boundText().isEmpty())
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

    common::DraftLine l;
    l.debit = keyOf(accountTag(txtDrAc));
    l.debitName = txtDrAc->text();
    l.credit = keyOf(accountTag(txtCrAc));
    l.creditName = txtCrAc->text();
    l.amount = amount;
    l.chequeNo = txtChecque->text();
    l.narration = txtNaration->text();
    l.sessionId = cboSession->boundText();
    l.subId = keyOf(cboSubject->boundText());
    m_draft.put(l);
    showDraft();

    setAccount(txtCrAc, {}, {});
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
    setAccount(txtCrAc, {}, {});
    totGrdAmount();
}

void frmInsRec::MshEntry_DblClick()
{
    const int r = MshEntry->row();
    if (r < 1 || r > m_draft.size())
        return;
    const common::DraftLine l = m_draft.takeBack(r);
    setAccount(txtDrAc, l.debitName, QString::number(l.debit));
    setAccount(txtCrAc, l.creditName, QString::number(l.credit));
    txtDRCR->setText(common::fmt::plainMoney(l.amount));
    txtChecque->setText(l.chequeNo);
    txtNaration->setText(l.narration);
    cboSession->setBoundText(l.sessionId);
    // The figures shown belong to this line's own student, not the last one picked.
    if (const StudentAdmission a = studentAdmission(*gConn, l.credit); a.found)
        m_StudentAppId = a.appId;
    fillSubjects(l.credit);
    if (l.subId > 0)
        cboSubject->setBoundText(QString::number(l.subId));
}

void frmInsRec::saveDraft(bool isNew, std::int32_t number, const QString &stamp)
{
    Receipt rec;
    rec.isNew = isNew;
    rec.vouNo = number;
    rec.date = DTPicker->date();
    rec.paidReceive = txtPaidTo->text();
    rec.slipNo = txtSlipNo->text();
    rec.bank = OptBank->isChecked();
    rec.stamp = stamp;
    for (const common::DraftLine &d : m_draft.lines()) {
        ReceiptLine l;
        l.cashAccount = d.debit;
        l.student = d.credit;
        l.amount = d.amount;
        l.chequeNo = d.chequeNo;
        l.narration = d.narration;
        l.sessionId = keyOf(d.sessionId);
        l.subId = d.subId;
        rec.lines.push_back(l);
    }
    saveReceipt(*gConn, rec, gUserName);
}

common::Opening frmInsRec::openStored(std::int32_t number)
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
    (o.irStatus.compare(QLatin1String("CASH"), Qt::CaseInsensitive) == 0 ? OptCash : OptBank)
        ->setChecked(true);
    paymentMode();
    if (o.lines.empty())
        return out; // the grid and the cash or bank box keep what they show
    out.hasLines = true;
    const ReceiptLine &first = o.lines.front();
    setAccount(txtDrAc, first.cashName, QString::number(first.cashAccount));
    std::vector<common::DraftLine> lines;
    for (const ReceiptLine &l : o.lines) {
        common::DraftLine d;
        d.debit = l.cashAccount;
        d.debitName = l.cashName;
        d.credit = l.student;
        d.creditName = l.studentName;
        d.amount = l.amount;
        d.chequeNo = l.chequeNo;
        d.narration = l.narration;
        d.sessionId = l.sessionId > 0 ? QString::number(l.sessionId) : QString();
        d.subId = l.subId;
        lines.push_back(d);
    }
    m_draft.assign(std::move(lines));
    showDraft();
    return out;
}

void frmInsRec::removeStored(std::int32_t number, const QString &stamp)
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
            {"Amount", 2000}, {"Multi", 1000}, {"Status", 1000}});
}

common::PrintJob frmInsRec::printJob(std::int32_t number) const
{
    return slipJob(number, gUserName, gUserPassword);
}

void registerFeeReceiptWindow()
{
    common::windows::registerWindow(QStringLiteral("frmInsRec"), [] { return new frmInsRec; });
}

} // namespace fees
