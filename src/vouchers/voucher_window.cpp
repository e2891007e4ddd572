#include "vouchers/voucher_window.h"

#include "accounts/picker.h"
#include "accounts/vousetting.h"
#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/input.h"
#include "common/printing.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"
#include "vouchers/voucher_rules.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vouchers {

namespace {

using accounts::Side;
using common::fields::focusIfEnabled;

using common::info;

// The search list as the grid reads it. A row or mark that cannot be read
// (the connection lost meanwhile) shows empty, and is read again when shown
// again; a voucher found gone when its row is read leaves the list.
class ListSource : public ui::GridSource {
public:
    explicit ListSource(std::unique_ptr<VoucherList> list)
        : m_list(std::move(list))
    {
    }
    int lineCount() const override { return m_list->size(); }
    int columnCount() const override { return VoucherList::kColumns; }
    QString header(int col) const override { return m_list->columnName(col); }
    QString cell(int line, int col) const override
    {
        try {
            return m_list->text(line, col);
        } catch (const std::exception &) {
            return {};
        }
    }
    std::vector<int> takeDroppedLines() const override { return m_list->takeDropped(); }

private:
    std::unique_ptr<VoucherList> m_list;
};

} // namespace

VoucherWindow::VoucherWindow(const QString &name, KindSettings settings)
    : common::EntryWindow(name)
    , m_s(std::move(settings))
{
    setWindowTitle(m_s.caption);
    const common::formkit::Page entry = createFrame();
    createControls(entry.widget);
    layOutEntryTab(entry);
    addSearchTab();
    setKeys();
    connectControls();
    applyTabOrder(m_s.tabOrder);
}

common::formkit::Page VoucherWindow::createFrame()
{
    QVBoxLayout *outer = common::formkit::windowColumn(this, 8, 6);
    lblfrmTitle = common::formkit::title(QStringLiteral("lblfrmTitle"), m_s.caption, this);
    outer->addWidget(lblfrmTitle);
    SSTab = common::formkit::tabs(QStringLiteral("SSTab"), this, outer);
    const common::formkit::Page entry = common::formkit::tabPage(QStringLiteral("tabEntry"));
    entry.column->setSpacing(6);
    return entry;
}

void VoucherWindow::createControls(QWidget *entry)
{
    using common::twips;
    using common::formkit::lineEdit;
    using common::formkit::pushButton;

    txtVouStatus = lineEdit("txtVouStatus", entry);
    txtVouStatus->setReadOnly(true);
    txtVouStatus->setText(books::kindCode(m_s.kind) + u'-');
    txtVouStatus->setFocusPolicy(Qt::ClickFocus);
    txtVouStatus->setFixedWidth(twips(600));
    txtVoucher = lineEdit("txtVoucher", entry);
    txtVoucher->setReadOnly(true);
    txtVoucher->setMaxLength(10);
    txtVoucher->setFixedWidth(twips(1500));
    DTPicker = new ui::DatePicker(entry);
    DTPicker->setObjectName(QStringLiteral("DTPicker"));
    DTPicker->setFixedWidth(twips(1700));
    txtPaidTo = lineEdit("txtPaidTo", entry);

    // Enter on a focused button clicks it, as in the other entry windows.
    cmdSelectDr = pushButton("cmdSelectDr", QStringLiteral("&Select Debit A/C"), entry, true);
    cmdSelectCr = pushButton("cmdSelectCr", QStringLiteral("&Select Credit A/C"), entry, true);
    for (QPushButton *b : {cmdSelectDr, cmdSelectCr})
        b->setMinimumWidth(twips(1800));
    txtDrAc = lineEdit("txtDrAc", entry);
    txtCrAc = lineEdit("txtCrAc", entry);
    for (QLineEdit *b : {txtDrAc, txtCrAc}) {
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setMinimumWidth(twips(2500));
    }
    txtDRCR = lineEdit("txtDRCR", entry);
    txtDRCR->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtDRCR->setFixedWidth(twips(1700));
    txtNaration = new QPlainTextEdit(entry);
    txtNaration->setObjectName(QStringLiteral("txtNaration"));
    txtNaration->setTabChangesFocus(true);
    txtNaration->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtNaration->setFixedHeight(twips(900));
    txtNaration->setMinimumWidth(twips(2500));
    cmdAdd = pushButton("cmdAdd", QStringLiteral("&Add"), entry, true);
    acmRemove = pushButton("acmRemove", QStringLiteral("&Remove"), entry, true);

    txtChecque = lineEdit("txtChecque", entry);
    txtChecque->setFixedWidth(twips(2200));
    txtFile = lineEdit("txtFile", entry);
    txtBill = lineEdit("txtBill", entry);
    for (QLineEdit *b : {txtFile, txtBill}) {
        common::input::digitsBox(b, 10);
        b->setFixedWidth(twips(1500));
    }
}

void VoucherWindow::layOutEntryTab(const common::formkit::Page &entry)
{
    QWidget *page = entry.widget;
    entry.column->addLayout(numberRow(page));
    entry.column->addLayout(accountRows(page));
    entry.column->addLayout(numbersRow(page));

    addEntryGrid(page, entry.column);
    txtTotAmount = common::formkit::lineEdit("txtTotAmount", page);
    txtTotAmount->hide();
    // Kept for the design; the draft knows which line is being changed.
    txtGrdRow = common::formkit::lineEdit("txtGrdRow", page);
    txtGrdRow->hide();
    addButtonRow(entry.column, page,
        {QStringLiteral("cmdSave"), QStringLiteral("cmdCancel"), QStringLiteral("cmdDelete"),
            QStringLiteral("cmdPrint"), QStringLiteral("cmdExit")},
        true);
    SSTab->addTab(page, QStringLiteral("Voucher Entry"));
}

QLayout *VoucherWindow::numberRow(QWidget *page)
{
    using common::formkit::buddyLabel;
    auto *row = new QHBoxLayout;
    row->addWidget(buddyLabel(QStringLiteral("Voucher #:"), txtVoucher, page));
    row->addWidget(txtVouStatus);
    row->addWidget(txtVoucher);
    row->addSpacing(20);
    row->addWidget(buddyLabel(QStringLiteral("Date:"), DTPicker, page));
    row->addWidget(DTPicker);
    row->addSpacing(20);
    row->addWidget(buddyLabel(m_s.paidLabel, txtPaidTo, page));
    row->addWidget(txtPaidTo, 1);
    return row;
}

QLayout *VoucherWindow::accountRows(QWidget *page)
{
    using common::formkit::buddyLabel;
    auto *top = new QGridLayout;
    top->setHorizontalSpacing(8);
    top->setVerticalSpacing(6);
    top->addWidget(cmdSelectDr, 0, 0);
    top->addWidget(txtDrAc, 0, 1);
    top->addWidget(cmdSelectCr, 1, 0);
    top->addWidget(txtCrAc, 1, 1);
    top->addWidget(buddyLabel(QStringLiteral("Amount:"), txtDRCR, page), 0, 2);
    top->addWidget(txtDRCR, 1, 2);
    top->addWidget(buddyLabel(QStringLiteral("Naration:"), txtNaration, page), 0, 3, Qt::AlignTop);
    top->addWidget(txtNaration, 0, 4, 2, 1);
    top->addWidget(cmdAdd, 0, 5);
    top->addWidget(acmRemove, 1, 5);
    top->setColumnStretch(1, 3);
    top->setColumnStretch(4, 2);
    return top;
}

QLayout *VoucherWindow::numbersRow(QWidget *page)
{
    using common::formkit::buddyLabel;
    auto *row = new QHBoxLayout;
    row->addWidget(buddyLabel(QStringLiteral("Checque No. :"), txtChecque, page));
    row->addWidget(txtChecque);
    row->addSpacing(20);
    row->addWidget(buddyLabel(QStringLiteral("File No :"), txtFile, page));
    row->addWidget(txtFile);
    row->addSpacing(20);
    row->addWidget(buddyLabel(QStringLiteral("Bill No :"), txtBill, page));
    row->addWidget(txtBill);
    row->addStretch(1);
    return row;
}

void VoucherWindow::setKeys()
{
    ui::keys(DTPicker).enterMovesNext();
    ui::keys(txtPaidTo).enterMovesNext();
    ui::keys(txtChecque).enterMovesNext();
    common::input::amountBox(txtDRCR);
    ui::keys(txtDRCR).enterMovesNext();
    ui::keys(txtFile).pattern(QStringLiteral("[0-9]")).enterMovesNext();
    ui::keys(txtBill).pattern(QStringLiteral("[0-9]")).enterMovesNext();
    txtVouStatus->installEventFilter(this);
    txtDRCR->installEventFilter(this);
}

void VoucherWindow::connectControls()
{
    connectShared();
    m_draft.entry().kind = m_s.kind;
    if (isCash())
        setCashBox(box(m_s.cashSide));
    m_pickMovesPastDate = true;

    using common::on;
    // Each pick asks for its own list: banks on the bank side, every
    // subsidiary account otherwise, whatever another window asked for last.
    on(cmdSelectDr, &QPushButton::clicked, this, [this](bool) {
        pickAccount(txtDrAc, m_s.bankSide == Side::Debit ? QStringLiteral("B") : QString());
    });
    on(cmdSelectCr, &QPushButton::clicked, this, [this](bool) {
        pickAccount(txtCrAc, m_s.bankSide == Side::Credit ? QStringLiteral("B") : QString());
    });
    connect(txtNaration, &QPlainTextEdit::textChanged, this, [this] {
        // A plain-text box has no maximum length of its own.
        if (m_narationMax > 0 && txtNaration->toPlainText().size() > m_narationMax) {
            const QSignalBlocker block(txtNaration);
            txtNaration->setPlainText(txtNaration->toPlainText().left(m_narationMax));
            txtNaration->moveCursor(QTextCursor::End);
        }
    });
}

QLineEdit *VoucherWindow::box(Side side) const
{
    return side == Side::Debit ? txtDrAc : txtCrAc;
}

QPushButton *VoucherWindow::picker(Side side) const
{
    return side == Side::Debit ? cmdSelectDr : cmdSelectCr;
}

QLineEdit *VoucherWindow::lineBox() const
{
    return m_s.cashSide == Side::Credit ? txtDrAc : txtCrAc;
}

QStringList VoucherWindow::searchCriteria() const
{
    return {QStringLiteral("Voucher #"), QStringLiteral("Date"), QStringLiteral("Paid To")};
}

void VoucherWindow::formActivate()
{
    if (QLineEdit *picked = takePickedAccount()) {
        if (m_s.debitPickFocusesCredit && picked == txtDrAc)
            focusIfEnabled(cmdSelectCr);
        else
            txtDRCR->setFocus(Qt::OtherFocusReason);
    }
    if (m_s.resetFilterOnActivate)
        gFindAcFilter.clear();
}

bool VoucherWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtVouStatus && event->type() == QEvent::FocusIn) {
        DTPicker->setFocus(Qt::OtherFocusReason);
    } else if (watched == txtDRCR && m_s.amountColour
        && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        QPalette p = txtDRCR->palette();
        p.setColor(
            QPalette::Base, event->type() == QEvent::FocusIn ? QColor(255, 255, 0) : QColor(255, 255, 255));
        txtDRCR->setPalette(p);
    }
    return common::EntryWindow::eventFilter(watched, event);
}

void VoucherWindow::setGrid()
{
    static const std::vector<Column> paired = {{"", 0}, {"Account Debit:", 4000}, {"Account Credit:", 4000},
        {"Amount:", 1900, true}, {"Checque No. :", 1900}, {"Naration:", 4000}, {"CrAcCode:", 0},
        {"File No:", 1200}, {"Bill No:", 1200}};
    static const std::vector<Column> single = {{"", 0}, {"Account Title:", 5000}, {"Debit:", 1900, true},
        {"Checque No. :", 1900}, {"Naration:", 5000}, {"File No:", 1200}, {"Bill No:", 1200}};
    const std::vector<Column> &cols = isCash() ? single : paired;
    MshEntry->setRows(1);
    MshEntry->setCols(int(cols.size()));
    setColumns(MshEntry, cols);
    if (isCash())
        MshEntry->setTextMatrix(0, 2, m_s.amountHeader);
}

void VoucherWindow::FixAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, books::kindCode(m_s.kind));
    if (!s.found)
        return;
    m_StartNo = s.startNo;
    if (s.side != Side::None)
        presetAccount(box(s.side), picker(s.side), s.acCode, s.acTitle, s.fixed);
}

void VoucherWindow::lineColumnsRead(db::Recordset &detail)
{
    m_narationMax = common::binding::textLength(detail, QStringLiteral("Naration"));
}

std::int64_t VoucherWindow::nextNumber()
{
    return vouchers::nextNumber(*gConn, m_s.kind, m_StartNo);
}

void VoucherWindow::clearFields()
{
    txtChecque->clear();
    txtPaidTo->clear();
    if (isCash()) {
        clearAccount(lineBox());
    } else {
        clearAccount(txtDrAc);
        clearAccount(txtCrAc);
    }
    txtDRCR->clear();
    txtNaration->clear();
    txtBill->clear();
}

QStringList VoucherWindow::cells(const books::Line &l) const
{
    if (isCash()) {
        const bool receipt = m_s.cashSide == Side::Debit;
        return {QString::number(receipt ? l.credit : l.debit), receipt ? l.creditName : l.debitName,
            common::fmt::money(l.amount), l.chequeNo, l.narration, l.fileNo, l.billNo};
    }
    return {QString::number(l.debit), l.debitName, l.creditName, common::fmt::money(l.amount), l.chequeNo,
        l.narration, QString::number(l.credit), l.fileNo, l.billNo};
}

void VoucherWindow::openPicker(const QString &filter)
{
    accounts::openAccountPicker(this, filter);
}

common::EntryWindow::LineChecks VoucherWindow::lineChecks() const
{
    LineChecks checks {txtDrAc, txtCrAc, txtDRCR};
    // The cash account's own button is not where a missing account is picked.
    checks.noDebitFocus = m_s.cashSide != Side::Debit ? cmdSelectDr : nullptr;
    checks.noCreditFocus = m_s.cashSide != Side::Credit ? cmdSelectCr : nullptr;
    checks.sameFocus = m_s.sameAccountFocusesDebit ? cmdSelectDr : nullptr;
    return checks;
}

// A cash voucher's cash account is the voucher's: its lines take it when saved.
void VoucherWindow::readLine(books::Line &l) const
{
    l.chequeNo = txtChecque->text();
    l.narration = txtNaration->toPlainText();
    l.fileNo = txtFile->text();
    l.billNo = txtBill->text();
}

void VoucherWindow::clearAddedLine()
{
    if (m_s.lineSide != Side::None)
        clearAccount(box(m_s.lineSide));
    txtDRCR->clear();
    txtChecque->clear();
    txtBill->clear();
    txtFile->clear();
}

void VoucherWindow::clearRemovedLine()
{
    clearAccount(box(m_s.removeSide));
    txtDRCR->clear();
    txtNaration->clear();
}

void VoucherWindow::showLine(const books::Line &l)
{
    if (isCash()) {
        const bool receipt = m_s.cashSide == Side::Debit;
        setAccount(lineBox(), receipt ? l.credit : l.debit, receipt ? l.creditName : l.debitName);
    } else {
        setAccount(txtDrAc, l.debit, l.debitName);
        setAccount(txtCrAc, l.credit, l.creditName);
    }
    txtDRCR->setText(common::fmt::plainMoney(l.amount));
    txtChecque->setText(l.chequeNo);
    txtNaration->setPlainText(l.narration);
    txtFile->setText(l.fileNo);
    txtBill->setText(l.billNo);
}

void VoucherWindow::saveDraft(bool isNew, std::int64_t number, const QString &stamp)
{
    Voucher v;
    static_cast<books::Entry &>(v) = m_draft.entry();
    v.number = number;
    v.isNew = isNew;
    v.stamp = stamp;
    nameCashAccount(v);
    saveVoucher(*gConn, v, gUserName, m_StartNo);
}

common::Opening VoucherWindow::openStored(std::int64_t number)
{
    const OpenedVoucher o = openVoucher(*gConn, m_s.kind, number);
    common::Opening out;
    if (!o.found)
        return out;
    out.found = true;
    out.stamp = o.stamp;
    if (o.date.isValid())
        DTPicker->setDate(o.date);
    if (m_s.openReadsMasterCheque)
        txtChecque->setText(o.chequeNo);
    txtPaidTo->setText(o.paidReceive);
    if (o.lines.empty())
        return out; // the grid and the account boxes keep what they show
    out.hasLines = true;
    const books::Line &first = o.lines.front();
    if (m_s.openFillsSide == Side::Credit)
        setAccount(txtCrAc, first.credit, first.creditName);
    else if (m_s.openFillsSide == Side::Debit)
        setAccount(txtDrAc, first.debit, first.debitName);
    m_draft.assign(o.lines);
    showDraft();
    return out;
}

void VoucherWindow::removeStored(std::int64_t number, const QString &stamp)
{
    deleteVoucher(*gConn, m_s.kind, number, stamp);
}

bool VoucherWindow::runSearch(db::Recordset &rs, const QString &criterion)
{
    return searchVouchers(
        rs, *gConn, books::kindCode(m_s.kind), criterion, txtSearch->text(), DTPSearch->date());
}

std::shared_ptr<const ui::GridSource> VoucherWindow::searchList(const QString &criterion, bool typed)
{
    const QString kind = books::kindCode(m_s.kind);
    if (!m_numbers || &m_numbers->connection() != gConn)
        m_numbers = std::make_shared<VoucherNumbers>(*gConn, kind);
    else if (!typed)
        m_numbers->invalidate();
    auto list = std::make_unique<VoucherList>(*gConn, kind, m_numbers);
    if (!list->open(criterion, txtSearch->text(), DTPSearch->date()))
        return nullptr; // runSearch then leaves the list as it is
    return std::make_shared<ListSource>(std::move(list));
}

void VoucherWindow::labelSearch()
{
    setColumns(mshSearch,
        {{"Voucher # ", 2000}, {"Voucher Date", 2000}, {"Paid To", 5000}, {"Amount", 2000, true},
            {"Multi", 1000}});
}

common::PrintJob VoucherWindow::printJob(std::int64_t number) const
{
    return vouchers::printJob(m_s.kind, number, gUserName, gUserPassword);
}

} // namespace vouchers
