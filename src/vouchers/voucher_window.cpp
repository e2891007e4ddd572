#include "voucher_window.h"

#include "controls.h"
#include "dialogs.h"
#include "errors.h"
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
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vouchers {

namespace {

using common::fields::accountTag;
using common::fields::amountOf;
using common::fields::focusIfEnabled;
using common::fields::keyOf;
using common::fields::setAccount;

const char *const kTag = "Tag";
const QString kDr = QStringLiteral("DR");
const QString kCr = QStringLiteral("CR");

using common::info;

struct Column {
    const char *header;
    int width;
};

} // namespace

VoucherWindow::VoucherWindow(const QString &name, KindSettings settings)
    : common::Window(name)
    , m_s(std::move(settings))
{
    setWindowTitle(m_s.caption);

    using common::formkit::buddyLabel;
    using common::formkit::lineEdit;
    using common::formkit::pushButton;

    QVBoxLayout *outer = common::formkit::windowColumn(this, 8, 6);
    lblfrmTitle = common::formkit::title(QStringLiteral("lblfrmTitle"), m_s.caption, this);
    outer->addWidget(lblfrmTitle);
    SSTab = common::formkit::tabs(QStringLiteral("SSTab"), this, outer);

    // ---- entry tab
    const common::formkit::Page entryPage = common::formkit::tabPage(QStringLiteral("tabEntry"));
    QWidget *entry = entryPage.widget;
    QVBoxLayout *entryLayout = entryPage.column;
    entryLayout->setSpacing(6);

    auto *top = new QGridLayout;
    top->setHorizontalSpacing(8);
    top->setVerticalSpacing(6);
    txtVouStatus = lineEdit("txtVouStatus", entry);
    txtVouStatus->setReadOnly(true);
    txtVouStatus->setText(m_s.code + u'-');
    txtVouStatus->setFocusPolicy(Qt::ClickFocus);
    txtVouStatus->setFixedWidth(common::twips(600));
    txtVoucher = lineEdit("txtVoucher", entry);
    txtVoucher->setReadOnly(true);
    txtVoucher->setMaxLength(10);
    txtVoucher->setFixedWidth(common::twips(1500));
    DTPicker = new ui::DatePicker(entry);
    DTPicker->setObjectName(QStringLiteral("DTPicker"));
    DTPicker->setFixedWidth(common::twips(1700));
    txtPaidTo = lineEdit("txtPaidTo", entry);

    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(buddyLabel(QStringLiteral("Voucher #:"), txtVoucher, entry));
    numberRow->addWidget(txtVouStatus);
    numberRow->addWidget(txtVoucher);
    numberRow->addSpacing(20);
    numberRow->addWidget(buddyLabel(QStringLiteral("Date:"), DTPicker, entry));
    numberRow->addWidget(DTPicker);
    numberRow->addSpacing(20);
    numberRow->addWidget(buddyLabel(m_s.paidLabel, txtPaidTo, entry));
    numberRow->addWidget(txtPaidTo, 1);
    entryLayout->addLayout(numberRow);

    cmdSelectDr = pushButton("cmdSelectDr", QStringLiteral("&Select Debit A/C"), entry, false);
    cmdSelectCr = pushButton("cmdSelectCr", QStringLiteral("&Select Credit A/C"), entry, false);
    for (QPushButton *b : {cmdSelectDr, cmdSelectCr})
        b->setMinimumWidth(common::twips(1800));
    txtDrAc = lineEdit("txtDrAc", entry);
    txtCrAc = lineEdit("txtCrAc", entry);
    for (QLineEdit *b : {txtDrAc, txtCrAc}) {
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setProperty(kTag, QString());
        b->setMinimumWidth(common::twips(2500));
    }
    txtDRCR = lineEdit("txtDRCR", entry);
    txtDRCR->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtDRCR->setMaxLength(14);
    txtDRCR->setFixedWidth(common::twips(1700));
    txtNaration = new QPlainTextEdit(entry);
    txtNaration->setObjectName(QStringLiteral("txtNaration"));
    txtNaration->setTabChangesFocus(true);
    txtNaration->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtNaration->setFixedHeight(common::twips(900));
    txtNaration->setMinimumWidth(common::twips(2500));
    cmdAdd = pushButton("cmdAdd", QStringLiteral("&Add"), entry, false);
    acmRemove = pushButton("acmRemove", QStringLiteral("&Remove"), entry, false);

    top->addWidget(cmdSelectDr, 0, 0);
    top->addWidget(txtDrAc, 0, 1);
    top->addWidget(cmdSelectCr, 1, 0);
    top->addWidget(txtCrAc, 1, 1);
    top->addWidget(buddyLabel(QStringLiteral("Amount:"), txtDRCR, entry), 0, 2);
    top->addWidget(txtDRCR, 1, 2);
    top->addWidget(buddyLabel(QStringLiteral("Naration:"), txtNaration, entry), 0, 3, Qt::AlignTop);
    top->addWidget(txtNaration, 0, 4, 2, 1);
    top->addWidget(cmdAdd, 0, 5);
    top->addWidget(acmRemove, 1, 5);
    top->setColumnStretch(1, 3);
    top->setColumnStretch(4, 2);
    entryLayout->addLayout(top);

    txtChecque = lineEdit("txtChecque", entry);
    txtChecque->setFixedWidth(common::twips(2200));
    txtFile = lineEdit("txtFile", entry);
    txtBill = lineEdit("txtBill", entry);
    for (QLineEdit *b : {txtFile, txtBill}) {
        b->setMaxLength(10);
        b->setFixedWidth(common::twips(1500));
    }
    auto *numbers = new QHBoxLayout;
    numbers->addWidget(buddyLabel(QStringLiteral("Checque No. :"), txtChecque, entry));
    numbers->addWidget(txtChecque);
    numbers->addSpacing(20);
    numbers->addWidget(buddyLabel(QStringLiteral("File No :"), txtFile, entry));
    numbers->addWidget(txtFile);
    numbers->addSpacing(20);
    numbers->addWidget(buddyLabel(QStringLiteral("Bill No :"), txtBill, entry));
    numbers->addWidget(txtBill);
    numbers->addStretch(1);
    entryLayout->addLayout(numbers);

    MshEntry = new ui::Grid(entry);
    MshEntry->setObjectName(QStringLiteral("MshEntry"));
    entryLayout->addWidget(MshEntry, 1);

    lblTotalAmount = common::formkit::totalLabel(entry);
    txtTotAmount = lineEdit("txtTotAmount", entry);
    txtTotAmount->hide();
    txtGrdRow = lineEdit("txtGrdRow", entry);
    txtGrdRow->hide();
    entryLayout->addWidget(lblTotalAmount);

    const common::formkit::ButtonRow buttons
        = common::formkit::centredButtons(entryLayout, entry, common::twips(1300), false);
    cmdSave = buttons.add(QStringLiteral("cmdSave"), QStringLiteral("&Save"));
    cmdCancel = buttons.add(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"));
    cmdDelete = buttons.add(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"));
    cmdPrint = buttons.add(QStringLiteral("cmdPrint"), QStringLiteral("&Print"));
    cmdExit = buttons.add(QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    cmdDelete->setEnabled(false);
    SSTab->addTab(entry, QStringLiteral("Voucher Entry"));

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
    ui::keys(txtPaidTo).enterMovesNext();
    ui::keys(txtChecque).enterMovesNext();
    ui::keys(txtDRCR).pattern(QStringLiteral("[0-9.]")).once(QStringLiteral(".")).enterMovesNext();
    ui::keys(txtFile).pattern(QStringLiteral("[0-9]")).enterMovesNext();
    ui::keys(txtBill).pattern(QStringLiteral("[0-9]")).enterMovesNext();
    ui::keys(DTPSearch).onKey(Qt::Key_Backspace, [this] { common::runGuarded([this] { SearchGrd(); }); });
    txtVouStatus->installEventFilter(this);
    txtDRCR->installEventFilter(this);
    DTPSearch->installEventFilter(this);

    using common::on;
    on(cmdSelectDr, &QPushButton::clicked, this, [this](bool) { pick(kDr); });
    on(cmdSelectCr, &QPushButton::clicked, this, [this](bool) { pick(kCr); });
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
    connect(txtNaration, &QPlainTextEdit::textChanged, this, [this] {
        // A plain-text box has no maximum length of its own.
        if (m_narationMax > 0 && txtNaration->toPlainText().size() > m_narationMax) {
            const QSignalBlocker block(txtNaration);
            txtNaration->setPlainText(txtNaration->toPlainText().left(m_narationMax));
            txtNaration->moveCursor(QTextCursor::End);
        }
    });
    applyTabOrder();
}

void VoucherWindow::applyTabOrder()
{
    QWidget *previous = nullptr;
    for (const QString &name : m_s.tabOrder) {
        auto *w = findChild<QWidget *>(name);
        if (!w)
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

QLineEdit *VoucherWindow::box(const QString &side) const
{
    return side == kDr ? txtDrAc : txtCrAc;
}

QPushButton *VoucherWindow::picker(const QString &side) const
{
    return side == kDr ? cmdSelectDr : cmdSelectCr;
}

QLineEdit *VoucherWindow::lineBox() const
{
    return m_s.cashSide == kCr ? txtDrAc : txtCrAc;
}

void VoucherWindow::formLoad()
{
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
    DTPicker->setDate(QDate::currentDate());
    {
        const QSignalBlocker block(DTPSearch);
        DTPSearch->setDate(QDate::currentDate());
    }
    ui::showTab(SSTab, 0);
    {
        const QSignalBlocker block(cboSearch);
        cboSearch->clear();
        cboSearch->addItems({QStringLiteral("Voucher #"), QStringLiteral("Date"), QStringLiteral("Paid To")});
        cboSearch->setCurrentIndex(0);
    }
    cboSearch_Change();
    SearchGrd();
    NewNo();
    if (!m_s.tabOrder.isEmpty()) {
        if (auto *first = findChild<QWidget *>(m_s.tabOrder.front()))
            first->setFocus(Qt::OtherFocusReason);
    }
}

void VoucherWindow::formActivate()
{
    if (gFindAcRowID > 0 && (m_PickSide == kDr || m_PickSide == kCr)) {
        setAccount(box(m_PickSide), gFindAcName, QString::number(gFindAcRowID));
        if (m_s.debitPickFocusesCredit && m_PickSide == kDr)
            focusIfEnabled(cmdSelectCr);
        else
            txtDRCR->setFocus(Qt::OtherFocusReason);
        gFindAcName.clear();
        gFindAcRowID = 0;
    }
    if (m_s.resetFilterOnActivate)
        gFindAcFilter.clear();
}

void VoucherWindow::formUnload()
{
    ApplyMenuRights();
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
    } else if (watched == DTPSearch && event->type() == QEvent::MouseButtonPress) {
        common::runGuarded([this] { SearchGrd(); });
    }
    return common::Window::eventFilter(watched, event);
}

void VoucherWindow::setGrid()
{
    static const Column paired[] = {{"", 0}, {"Account Debit:", 4000}, {"Account Credit:", 4000},
        {"Amount:", 1900}, {"Checque No. :", 1900}, {"Naration:", 4000}, {"CrAcCode:", 0}, {"File No:", 1200},
        {"Bill No:", 1200}};
    static const Column single[] = {{"", 0}, {"Account Title:", 5000}, {"Debit:", 1900},
        {"Checque No. :", 1900}, {"Naration:", 5000}, {"File No:", 1200}, {"Bill No:", 1200}};
    const Column *cols = isCash() ? single : paired;
    const int n = isCash() ? int(std::size(single)) : int(std::size(paired));
    MshEntry->setRows(1);
    MshEntry->setCols(n);
    for (int c = 0; c < n; ++c) {
        QString header = QString::fromLatin1(cols[c].header);
        if (isCash() && c == 2)
            header = m_s.amountHeader;
        MshEntry->setTextMatrix(0, c, header);
        MshEntry->setColWidth(c, cols[c].width);
    }
}

void VoucherWindow::FixAccount()
{
    const accounts::VoucherSetup s = accounts::readVoucherSetup(*gConn, m_s.code);
    if (!s.found)
        return;
    m_StartNo = s.startNo;
    if (s.side != kDr && s.side != kCr)
        return;
    QLineEdit *b = box(s.side);
    if (!s.acTitle.isEmpty())
        setAccount(b, s.acTitle, QString::number(s.acCode));
    else
        b->clear();
    b->setEnabled(!s.fixed);
    picker(s.side)->setEnabled(!s.fixed);
}

void VoucherWindow::SetMaxlength()
{
    OpenQuery(QStringLiteral("Select * From MasJv Where 0=1"));
    // The number box is filled by the program only; the column's byte size
    // (4) would cut numbers of five digits, so it keeps its own length.
    if (const int n = gRs->fields(QStringLiteral("PaidReceive")).definedSize(); n > 0)
        txtPaidTo->setMaxLength(n);
    OpenQuery(QStringLiteral("Select * From DetJv Where 0=1"));
    if (const int n = gRs->fields(QStringLiteral("ChecqNo")).definedSize(); n > 0)
        txtChecque->setMaxLength(n);
    m_narationMax = gRs->fields(QStringLiteral("Naration")).definedSize();
}

void VoucherWindow::totGrdAmount()
{
    lblTotalAmount->setText(QStringLiteral("Total Amount : ") + common::fmt::plainMoney(db::Money()));
    if (MshEntry->rows() < 2)
        return;
    db::Money sum;
    for (int r = 1; r < MshEntry->rows(); ++r) {
        const QString a = MshEntry->textMatrix(r, amountCol());
        if (!a.isEmpty())
            sum += amountOf(a);
    }
    lblTotalAmount->setText(QStringLiteral("Total Amount : ") + common::fmt::money(sum));
    txtTotAmount->setText(common::fmt::plainMoney(sum));
}

void VoucherWindow::NewNo()
{
    txtVoucher->setText(QString::number(nextNumber(*gConn, m_s.code, m_StartNo)));
    m_IsNewVoucher = true;
}

void VoucherWindow::ClearAll()
{
    txtVoucher->clear();
    txtChecque->clear();
    txtPaidTo->clear();
    if (isCash()) {
        setAccount(lineBox(), {}, {});
    } else {
        setAccount(txtDrAc, {}, {});
        setAccount(txtCrAc, {}, {});
    }
    txtDRCR->clear();
    txtNaration->clear();
    txtBill->clear();
    txtGrdRow->clear();
    m_stamp.clear();
    setGrid();
    totGrdAmount();
    NewNo();
}

void VoucherWindow::pick(const QString &side)
{
    m_PickSide = side;
    const QString filter = side == m_s.bankSide ? QStringLiteral("B") : gFindAcFilter;
    common::windows::unload(QStringLiteral("frmFindAC"));
    accounts::openAccountPicker(this, filter);
}

void VoucherWindow::cmdAdd_Click()
{
    if (txtDRCR->text() == QLatin1String("."))
        txtDRCR->clear();
    if (accountTag(txtDrAc).isEmpty()) {
        info(QStringLiteral("Please Select Debit Account"));
        if (m_s.cashSide != kDr)
            focusIfEnabled(cmdSelectDr);
        return;
    }
    if (accountTag(txtCrAc).isEmpty()) {
        info(QStringLiteral("Please Select Credit Account"));
        if (m_s.cashSide != kCr)
            focusIfEnabled(cmdSelectCr);
        return;
    }
    if (accountTag(txtDrAc) == accountTag(txtCrAc)) {
        info(QStringLiteral("same account title not allow, please change debit or cedit Account"));
        if (m_s.sameAccountFocusesDebit)
            focusIfEnabled(cmdSelectDr);
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
    QStringList cells;
    if (isCash()) {
        QLineEdit *l = lineBox();
        cells = {accountTag(l), l->text(), common::fmt::money(amount), txtChecque->text(),
            txtNaration->toPlainText(), txtFile->text(), txtBill->text()};
    } else {
        cells = {accountTag(txtDrAc), txtDrAc->text(), txtCrAc->text(), common::fmt::money(amount),
            txtChecque->text(), txtNaration->toPlainText(), accountTag(txtCrAc), txtFile->text(),
            txtBill->text()};
    }
    for (int c = 0; c < cells.size(); ++c)
        MshEntry->setTextMatrix(row, c, cells[c]);

    if (!m_s.lineSide.isEmpty())
        setAccount(box(m_s.lineSide), {}, {});
    txtDRCR->clear();
    txtChecque->clear();
    txtBill->clear();
    txtFile->clear();
    totGrdAmount();
    if (cmdSelectDr->isEnabled())
        cmdSelectDr->setFocus(Qt::OtherFocusReason);
    else
        focusIfEnabled(cmdSelectCr);
}

void VoucherWindow::acmRemove_Click()
{
    if (MshEntry->rows() >= 3) {
        const int r = MshEntry->row();
        if (r >= 1 && r < MshEntry->rows())
            MshEntry->removeRow(r);
    } else {
        setGrid();
    }
    setAccount(box(m_s.removeSide), {}, {});
    txtDRCR->clear();
    txtNaration->clear();
    txtGrdRow->clear();
    totGrdAmount();
}

void VoucherWindow::MshEntry_DblClick()
{
    const int r = MshEntry->row();
    if (r < 1 || r >= MshEntry->rows() || MshEntry->textMatrix(r, 0).isEmpty())
        return;
    txtGrdRow->setText(QString::number(r));
    const auto cell = [this, r](int c) { return MshEntry->textMatrix(r, c); };
    if (isCash()) {
        setAccount(lineBox(), cell(1), cell(0));
        txtDRCR->setText(common::fmt::plainMoney(amountOf(cell(2))));
        txtChecque->setText(cell(3));
        txtNaration->setPlainText(cell(4));
        txtFile->setText(cell(5));
        txtBill->setText(cell(6));
    } else {
        setAccount(txtDrAc, cell(1), cell(0));
        setAccount(txtCrAc, cell(2), cell(6));
        txtDRCR->setText(common::fmt::plainMoney(amountOf(cell(3))));
        txtChecque->setText(cell(4));
        txtNaration->setPlainText(cell(5));
        txtFile->setText(cell(7));
        txtBill->setText(cell(8));
    }
}

void VoucherWindow::cmdSave_Click()
{
    cmdDelete->setEnabled(false);
    if (MshEntry->rows() < 2) {
        info(QStringLiteral("Please enter less than one entry in detail"));
        return;
    }
    Voucher v;
    v.kind = m_s.code;
    v.isNew = m_IsNewVoucher;
    v.vouNo = txtVoucher->text().toInt();
    v.date = DTPicker->date();
    v.paidReceive = txtPaidTo->text();
    v.stamp = m_stamp;
    const std::int64_t cashKey = isCash() ? keyOf(accountTag(box(m_s.cashSide))) : 0;
    for (int r = 1; r < MshEntry->rows(); ++r) {
        const auto cell = [this, r](int c) { return MshEntry->textMatrix(r, c); };
        if (cell(0).isEmpty())
            continue;
        Line l;
        if (isCash()) {
            const std::int64_t key = keyOf(cell(0));
            l.debit = m_s.cashSide == kCr ? key : cashKey;
            l.credit = m_s.cashSide == kCr ? cashKey : key;
            l.amount = amountOf(cell(2));
            l.chequeNo = cell(3);
            l.narration = cell(4);
            l.fileNo = cell(5);
            l.billNo = cell(6);
        } else {
            l.debit = keyOf(cell(0));
            l.credit = keyOf(cell(6));
            l.amount = amountOf(cell(3));
            l.chequeNo = cell(4);
            l.narration = cell(5);
            l.fileNo = cell(7);
            l.billNo = cell(8);
        }
        v.lines.push_back(l);
    }
    try {
        saveVoucher(*gConn, v, gUserName, m_StartNo);
    } catch (const Refused &e) {
        info(e.text());
        return;
    }
    ClearAll();
    DTPicker->setFocus(Qt::OtherFocusReason);
    SearchGrd();
}

void VoucherWindow::OpenVoucher()
{
    if (txtVoucher->text().isEmpty()) {
        totGrdAmount();
        return;
    }
    const OpenedVoucher o = openVoucher(*gConn, m_s.code, txtVoucher->text().toInt());
    if (!o.found) {
        info(QStringLiteral("Voucher not found!"));
        ClearAll();
        DTPicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (o.date.isValid())
        DTPicker->setDate(o.date);
    if (m_s.openReadsMasterCheque)
        txtChecque->setText(o.chequeNo);
    txtPaidTo->setText(o.paidReceive);
    m_stamp = o.stamp;
    if (o.lines.empty()) {
        cmdDelete->setEnabled(false);
        totGrdAmount();
        return;
    }
    const Line &first = o.lines.front();
    if (m_s.openFillsSide == kCr)
        setAccount(txtCrAc, first.creditName, QString::number(first.credit));
    else if (m_s.openFillsSide == kDr)
        setAccount(txtDrAc, first.debitName, QString::number(first.debit));
    setGrid();
    for (const Line &l : o.lines) {
        if (isCash()) {
            const bool receipt = m_s.cashSide == kDr;
            MshEntry->addRow(
                {QString::number(receipt ? l.credit : l.debit), receipt ? l.creditName : l.debitName,
                    common::fmt::money(l.amount), l.chequeNo, l.narration, l.fileNo, l.billNo});
        } else {
            MshEntry->addRow(
                {QString::number(l.debit), l.debitName, l.creditName, common::fmt::money(l.amount),
                    l.chequeNo, l.narration, QString::number(l.credit), l.fileNo, l.billNo});
        }
    }
    cmdDelete->setEnabled(true);
    totGrdAmount();
}

void VoucherWindow::cmdDelete_Click()
{
    if (!txtVoucher->text().isEmpty()
        && common::msgBox(QStringLiteral("are you sure Delete this Voucher "), 68) == common::Answer::Yes) {
        try {
            deleteVoucher(*gConn, m_s.code, txtVoucher->text().toInt(), m_stamp);
            ClearAll();
            DTPicker->setFocus(Qt::OtherFocusReason);
            cmdDelete->setEnabled(false);
        } catch (const Refused &e) {
            info(e.text());
        }
    }
    SearchGrd();
    totGrdAmount();
}

void VoucherWindow::cmdCancel_Click()
{
    ClearAll();
    DTPicker->setFocus(Qt::OtherFocusReason);
    cmdDelete->setEnabled(false);
}

void VoucherWindow::cmdPrint_Click()
{
    if (txtVoucher->text().isEmpty()) {
        info(QStringLiteral("please enter voucher no."));
        DTPicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    common::printReport(printJob(m_s.code, txtVoucher->text().toInt(), gUserName, gUserPassword));
}

void VoucherWindow::cboSearch_Change()
{
    const QString text = cboSearch->currentText();
    lblSearch->setText(text);
    DTPSearch->setVisible(text == QLatin1String("Date"));
}

void VoucherWindow::SearchGrd()
{
    if (gRs->state() == 1)
        gRs->close();
    if (!searchVouchers(
            *gRs, *gConn, m_s.code, cboSearch->currentText(), txtSearch->text(), DTPSearch->date()))
        return; // a criterion of no known kind leaves the list as it is
    if (gRs->recordCount() < 1) {
        mshSearch->clearToBlank();
        return;
    }
    mshSearch->bind(*gRs);
    static const Column columns[] = {
        {"Voucher # ", 2000}, {"Voucher Date", 2000}, {"Paid To", 5000}, {"Amount", 2000}, {"Multi", 1000}};
    for (int c = 0; c < int(std::size(columns)); ++c) {
        mshSearch->setTextMatrix(0, c, QString::fromLatin1(columns[c].header));
        mshSearch->setColWidth(c, columns[c].width);
    }
}

void VoucherWindow::mshSearch_DblClick()
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
    ui::focusNext(DTPicker);
}

} // namespace vouchers
