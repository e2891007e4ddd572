#include "common/entrywindow.h"

#include "common/binding.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/hooks.h"
#include "common/input.h"
#include "common/refusal.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace common {

namespace {

// The tags binding the boxes to the columns of the master and the detail rows.
const QString kMasterTag = QStringLiteral("M");
const QString kLineTag = QStringLiteral("D");

} // namespace

void Draft::put(const books::Line &line)
{
    if (m_changing >= 1 && m_changing <= size())
        m_entry.lines[std::size_t(m_changing - 1)] = line;
    else
        m_entry.lines.push_back(line);
    m_changing = 0;
}

const books::Line &Draft::takeBack(int n)
{
    m_changing = n;
    return m_entry.lines.at(std::size_t(n - 1));
}

void Draft::remove(int n)
{
    if (n >= 1 && n <= size())
        m_entry.lines.erase(m_entry.lines.begin() + (n - 1));
    m_changing = 0;
}

void Draft::clear()
{
    m_entry.lines.clear();
    m_changing = 0;
}

void Draft::assign(std::vector<books::Line> lines)
{
    m_entry.lines = std::move(lines);
    m_changing = 0;
}

db::Money Draft::total() const
{
    return books::total(m_entry);
}

void EntryWindow::addEntryGrid(QWidget *page, QVBoxLayout *column)
{
    MshEntry = new ui::Grid(page);
    MshEntry->setObjectName(QStringLiteral("MshEntry"));
    column->addWidget(MshEntry, 1);
    lblTotalAmount = formkit::totalLabel(page);
    column->addWidget(lblTotalAmount);
}

void EntryWindow::addButtonRow(QVBoxLayout *column, QWidget *page, const QStringList &order, bool enterClicks)
{
    static const std::pair<const char *, const char *> captions[] = {{"cmdSave", "&Save"},
        {"cmdCancel", "&Cancel"}, {"cmdDelete", "&Delete"}, {"cmdPrint", "&Print"}, {"cmdExit", "E&xit"}};
    QPushButton **buttons[] = {&cmdSave, &cmdCancel, &cmdDelete, &cmdPrint, &cmdExit};
    const formkit::ButtonRow row = formkit::centredButtons(column, page, twips(1300), enterClicks);
    for (const QString &name : order)
        for (std::size_t i = 0; i < std::size(captions); ++i)
            if (name == QLatin1String(captions[i].first))
                *buttons[i] = row.add(name, QString::fromLatin1(captions[i].second));
    cmdDelete->setEnabled(false);
}

void EntryWindow::addSearchTab()
{
    const formkit::VoucherSearchTab search
        = formkit::voucherSearchTab(SSTab, QStringLiteral("Search Voucher"));
    cboSearch = search.criterion;
    lblSearch = search.label;
    txtSearch = search.text;
    DTPSearch = search.date;
    mshSearch = search.list;
}

void EntryWindow::connectShared()
{
    // The header lives in the draft; the boxes show it and tell it what is typed.
    m_draft.entry().date = DTPicker->date();
    connect(DTPicker, &QDateEdit::dateChanged, this,
        [this](const QDate &) { m_draft.entry().date = DTPicker->date(); });
    // What the box holds once the change is done: a guard that mends typed
    // text sets it again inside the change, before the change is told.
    connect(txtPaidTo, &QLineEdit::textChanged, this,
        [this](const QString &) { m_draft.entry().paidReceive = txtPaidTo->text(); });
    binding::bind(txtPaidTo, kMasterTag, QStringLiteral("PaidReceive"));
    bindLineColumn(txtChecque, QStringLiteral("ChecqNo"));
    ui::keys(txtVoucher).enterMovesNext().onEnter([this] { runGuarded([this] { OpenVoucher(); }); });
    ui::keys(DTPSearch).onKey(Qt::Key_Backspace, [this] { runGuarded([this] { SearchGrd(); }); });
    on(cmdAdd, &QPushButton::clicked, this, [this](bool) { cmdAdd_Click(); });
    on(acmRemove, &QPushButton::clicked, this, [this](bool) { acmRemove_Click(); });
    on(MshEntry, &ui::Grid::cellDoubleClicked, this, [this] { MshEntry_DblClick(); });
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { cmdCancel_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdPrint, &QPushButton::clicked, this, [this](bool) { cmdPrint_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(cboSearch, &QComboBox::currentTextChanged, this, [this](const QString &) { cboSearch_Change(); });
    on(txtSearch, &QLineEdit::textChanged, this, [this](const QString &) { showSearchList(true); });
    on(DTPSearch, &QDateEdit::dateChanged, this, [this](const QDate &) { SearchGrd(); });
    on(DTPSearch, &ui::DatePicker::pressed, this, [this] { SearchGrd(); });
    on(mshSearch, &ui::Grid::cellDoubleClicked, this, [this] { mshSearch_DblClick(); });
}

void EntryWindow::applyTabOrder(const QStringList &names)
{
    m_tabOrder = names;
    QWidget *previous = nullptr;
    for (const QString &name : names) {
        auto *w = findChild<QWidget *>(name);
        if (!w)
            continue;
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
}

void EntryWindow::formLoad()
{
    moveTwips(0, 0);
    setWidthTwips(15255);
    setHeightTwips(10155);
    // Never larger than the main window's client area, so nothing is cut off.
    if (QMdiArea *host = windows::host(); host && subWindow()) {
        const QSize room = host->viewport()->size();
        if (room.width() > 200 && room.height() > 200)
            frame()->resize(frame()->size().boundedTo(room));
    }
    setGrid();
    FixAccount();
    SetMaxlength();
    loadFields();
    DTPicker->setDate(QDate::currentDate());
    {
        const QSignalBlocker block(DTPSearch);
        DTPSearch->setDate(QDate::currentDate());
    }
    ui::showTab(SSTab, 0);
    {
        const QSignalBlocker block(cboSearch);
        cboSearch->clear();
        cboSearch->addItems(searchCriteria());
        cboSearch->setCurrentIndex(0);
    }
    cboSearch_Change();
    SearchGrd();
    NewNo();
    if (!m_tabOrder.isEmpty()) {
        if (auto *first = findChild<QWidget *>(m_tabOrder.front()))
            first->setFocus(Qt::OtherFocusReason);
    }
}

void EntryWindow::formUnload()
{
    ApplyMenuRights();
}

void EntryWindow::SetMaxlength()
{
    // The number box is filled by the program only; the column's byte size
    // (4) would cut numbers of five digits, so it keeps its own length.
    OpenQuery(QStringLiteral("Select * From MasJv Where 0=1"));
    binding::setMaxLengths(this, kMasterTag, *gRs);
    OpenQuery(QStringLiteral("Select * From DetJv Where 0=1"));
    binding::setMaxLengths(this, kLineTag, *gRs);
    lineColumnsRead(*gRs);
}

std::int64_t &EntryWindow::keySlot(const QLineEdit *box)
{
    books::Entry &e = m_draft.entry();
    if (box == m_cashBox)
        return e.cashAccount;
    return box == txtDrAc ? m_draft.next().debit : m_draft.next().credit;
}

QString &EntryWindow::titleSlot(const QLineEdit *box)
{
    books::Entry &e = m_draft.entry();
    if (box == m_cashBox)
        return e.cashName;
    return box == txtDrAc ? m_draft.next().debitName : m_draft.next().creditName;
}

std::int64_t EntryWindow::accountKey(const QLineEdit *box) const
{
    if (box == m_cashBox)
        return m_draft.entry().cashAccount;
    return box == txtDrAc ? m_draft.next().debit : m_draft.next().credit;
}

void EntryWindow::bindLineColumn(QLineEdit *box, const QString &column)
{
    binding::bind(box, kLineTag, column);
}

void EntryWindow::setAccount(QLineEdit *box, std::int64_t key, const QString &title)
{
    keySlot(box) = key;
    titleSlot(box) = title;
    box->setText(title);
}

books::Line EntryWindow::nextLine() const
{
    books::Line l = m_draft.next();
    const books::Entry &e = m_draft.entry();
    if (m_cashBox == txtDrAc) {
        l.debit = e.cashAccount;
        l.debitName = e.cashName;
    } else if (m_cashBox == txtCrAc) {
        l.credit = e.cashAccount;
        l.creditName = e.cashName;
    }
    return l;
}

void EntryWindow::presetAccount(
    QLineEdit *box, QPushButton *button, std::int64_t key, const QString &title, bool fixed)
{
    if (!title.isEmpty())
        setAccount(box, key, title);
    else
        box->clear();
    box->setEnabled(!fixed);
    button->setEnabled(!fixed);
}

void EntryWindow::pickAccount(QLineEdit *box, const QString &filter)
{
    m_pickBox = box;
    windows::unload(QStringLiteral("frmFindAC"));
    openPicker(filter);
}

QLineEdit *EntryWindow::takePickedAccount()
{
    if (gFindAcRowID <= 0 || !m_pickBox)
        return nullptr;
    setAccount(m_pickBox, gFindAcRowID, gFindAcName);
    gFindAcName.clear();
    gFindAcRowID = 0;
    return m_pickBox;
}

void EntryWindow::showDraft()
{
    setGrid();
    for (const books::Line &l : m_draft.lines())
        MshEntry->addRow(cells(l));
}

bool EntryWindow::checkLine(const LineChecks &c, db::Money *amount) const
{
    const auto refuse = [](const QString &text, QWidget *focus) {
        info(text);
        if (focus && focus->isEnabled())
            focus->setFocus(Qt::OtherFocusReason);
        return false;
    };
    if (c.amount->text() == QLatin1String("."))
        c.amount->clear();
    const std::int64_t debit = accountKey(c.debit), credit = accountKey(c.credit);
    if (debit <= 0)
        return refuse(QStringLiteral("Please Select Debit Account"), c.noDebitFocus);
    if (credit <= 0)
        return refuse(QStringLiteral("Please Select Credit Account"), c.noCreditFocus);
    if (debit == credit)
        return refuse(QStringLiteral("same account title not allow, please change debit or cedit Account"),
            c.sameFocus);
    // An empty or non-positive amount is not entered yet; anything else the
    // box holds that is no amount gets the rule spelt out.
    db::Money value;
    const QString typed = c.amount->text().trimmed();
    if (!typed.isEmpty() && !input::parseAmount(typed, &value))
        return refuse(input::amountRefusal(), c.amount);
    if (typed.isEmpty() || value <= db::Money())
        return refuse(QStringLiteral("please enter Amount"), c.amount);
    *amount = value;
    return true;
}

void EntryWindow::cmdAdd_Click()
{
    db::Money amount;
    if (!lineMayBeAdded() || !checkLine(lineChecks(), &amount))
        return;
    books::Line l = nextLine();
    l.amount = amount;
    readLine(l);
    m_draft.put(l);
    showDraft();
    clearAddedLine();
    totGrdAmount();
    if (cmdSelectDr->isEnabled())
        cmdSelectDr->setFocus(Qt::OtherFocusReason);
    else if (cmdSelectCr->isEnabled())
        cmdSelectCr->setFocus(Qt::OtherFocusReason);
}

void EntryWindow::acmRemove_Click()
{
    if (m_draft.size() >= 2)
        m_draft.remove(MshEntry->row());
    else
        m_draft.clear();
    showDraft();
    clearRemovedLine();
    totGrdAmount();
}

void EntryWindow::MshEntry_DblClick()
{
    const int r = MshEntry->row();
    if (r < 1 || r > m_draft.size())
        return;
    const books::Line l = m_draft.takeBack(r);
    showLine(l);
}

void EntryWindow::setColumns(ui::Grid *grid, const std::vector<Column> &columns)
{
    static const QString widest = fmt::money(db::Money::fromCents(99999999999999));
    for (int c = 0; c < int(columns.size()); ++c) {
        const Column &column = columns[std::size_t(c)];
        grid->setTextMatrix(0, c, QString::fromLatin1(column.header));
        grid->setColWidth(
            c, column.amount ? std::max(column.width, grid->widthToShow(widest)) : column.width);
    }
}

void EntryWindow::totGrdAmount()
{
    lblTotalAmount->setText(QStringLiteral("Total Amount : ") + fmt::plainMoney(db::Money()));
    if (m_draft.empty())
        return; // the hidden total keeps what it held
    try {
        const db::Money sum = m_draft.total();
        lblTotalAmount->setText(QStringLiteral("Total Amount : ") + fmt::money(sum));
        txtTotAmount->setText(fmt::plainMoney(sum));
    } catch (const db::OverflowError &) {
        // Shown as too large rather than wrapped; the journal refuses to save it.
        lblTotalAmount->setText(QStringLiteral("Total Amount : too large"));
        txtTotAmount->clear();
    }
}

void EntryWindow::NewNo()
{
    txtVoucher->setText(QString::number(nextNumber()));
    m_IsNewVoucher = true;
}

void EntryWindow::ClearAll()
{
    txtVoucher->clear();
    clearFields();
    m_draft.clear();
    // Nothing read from the database is shown any more, so nothing may be deleted.
    m_stamp.clear();
    cmdDelete->setEnabled(false);
    showDraft();
    totGrdAmount();
    NewNo();
}

void EntryWindow::OpenVoucher()
{
    if (txtVoucher->text().isEmpty()) {
        totGrdAmount();
        return;
    }
    const Opening o = openStored(txtVoucher->text().toLongLong());
    if (!o.found) {
        info(QStringLiteral("Voucher not found!"));
        cmdDelete->setEnabled(false);
        // Lines typed and not yet saved are kept; an empty window starts afresh.
        if (m_draft.empty()) {
            ClearAll();
            DTPicker->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    // Whatever way it was opened, Save now replaces this voucher.
    m_IsNewVoucher = false;
    m_stamp = o.stamp;
    cmdDelete->setEnabled(o.hasLines);
    totGrdAmount();
}

void EntryWindow::cmdSave_Click()
{
    cmdDelete->setEnabled(false);
    if (m_draft.empty()) {
        info(QStringLiteral("Please enter less than one entry in detail"));
        return;
    }
    try {
        saveDraft(m_IsNewVoucher, txtVoucher->text().toLongLong(), m_stamp);
    } catch (const Refused &e) {
        if (!m_IsNewVoucher && e.conflict() != Refused::Conflict::None)
            keepLinesAsNewVoucher(e.conflict());
        else
            info(e.text());
        return;
    } catch (const db::OverflowError &e) {
        info(e.text());
        return;
    }
    ClearAll();
    DTPicker->setFocus(Qt::OtherFocusReason);
    SearchGrd();
}

void EntryWindow::keepLinesAsNewVoucher(Refused::Conflict conflict)
{
    // What was typed stays; only the tie to the stored voucher goes, so the
    // next Save posts the lines under a new number and overwrites nothing.
    const QString opened = txtVoucher->text();
    m_stamp.clear();
    cmdDelete->setEnabled(false);
    NewNo();
    const QString kept = txtVoucher->text();
    if (conflict == Refused::Conflict::Gone)
        info(QStringLiteral("Voucher %1 has been deleted by another user since it was opened; it was not "
                            "saved. Its lines are kept here as new voucher %2: Save posts them.")
                 .arg(opened, kept));
    else
        info(QStringLiteral("Voucher %1 has been changed by another user since it was opened; it was not "
                            "saved. Its lines are kept here as new voucher %2: Save posts them as a new "
                            "voucher, or open voucher %1 again from the search list to see the other "
                            "user's version (the lines typed here are then dropped).")
                 .arg(opened, kept));
    SearchGrd();
}

void EntryWindow::cmdDelete_Click()
{
    // Only a voucher read from the database may be deleted, and only as it was read.
    if (!txtVoucher->text().isEmpty() && !m_stamp.isEmpty()
        && msgBox(QStringLiteral("are you sure Delete this Voucher "), 68) == Answer::Yes) {
        try {
            removeStored(txtVoucher->text().toLongLong(), m_stamp);
            ClearAll();
            DTPicker->setFocus(Qt::OtherFocusReason);
        } catch (const Refused &e) {
            info(e.text());
        }
    }
    SearchGrd();
    totGrdAmount();
}

void EntryWindow::cmdCancel_Click()
{
    ClearAll();
    DTPicker->setFocus(Qt::OtherFocusReason);
}

void EntryWindow::cmdPrint_Click()
{
    if (txtVoucher->text().isEmpty()) {
        info(QStringLiteral("please enter voucher no."));
        DTPicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    printReport(printJob(txtVoucher->text().toLongLong()));
}

void EntryWindow::cboSearch_Change()
{
    const QString text = cboSearch->currentText();
    lblSearch->setText(text);
    DTPSearch->setVisible(text == QLatin1String("Date"));
}

void EntryWindow::SearchGrd()
{
    showSearchList(false);
}

void EntryWindow::showSearchList(bool typed)
{
    if (gRs->state() == 1)
        gRs->close();
    const QString criterion = cboSearch->currentText();
    std::shared_ptr<const ui::GridSource> list = searchList(criterion, typed);
    if (!list && !runSearch(*gRs, criterion))
        return; // a criterion of no known kind leaves the list as it is
    if ((list ? list->lineCount() : gRs->recordCount()) < 1) {
        mshSearch->clearToBlank();
        return;
    }
    if (list)
        mshSearch->bind(std::move(list));
    else
        mshSearch->bind(*gRs);
    labelSearch();
}

void EntryWindow::mshSearch_DblClick()
{
    const int r = mshSearch->row();
    if (mshSearch->rows() < 2 || r < 1 || r >= mshSearch->rows() || mshSearch->textMatrix(r, 0).isEmpty())
        return;
    const QString no = mshSearch->textMatrix(r, 0);
    ClearAll();
    txtVoucher->setText(no);
    ui::showTab(SSTab, 0);
    OpenVoucher(); // the voucher is opened only when it is still there
    DTPicker->setFocus(Qt::OtherFocusReason);
    if (m_pickMovesPastDate)
        ui::focusNext(DTPicker);
}

} // namespace common
