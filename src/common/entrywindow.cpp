#include "common/entrywindow.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/fields.h"
#include "common/format.h"
#include "common/formkit.h"
#include "common/globals.h"
#include "common/input.h"
#include "common/refusal.h"
#include "platform/ui/controls.h"
#include "platform/ui/grid.h"
#include "platform/ui/keys.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace common {

void Draft::put(const DraftLine &line)
{
    if (m_changing >= 1 && m_changing <= size())
        m_lines[std::size_t(m_changing - 1)] = line;
    else
        m_lines.push_back(line);
    m_changing = 0;
}

const DraftLine &Draft::takeBack(int n)
{
    m_changing = n;
    return m_lines.at(std::size_t(n - 1));
}

void Draft::remove(int n)
{
    if (n >= 1 && n <= size())
        m_lines.erase(m_lines.begin() + (n - 1));
    m_changing = 0;
}

void Draft::clear()
{
    m_lines.clear();
    m_changing = 0;
}

void Draft::assign(std::vector<DraftLine> lines)
{
    m_lines = std::move(lines);
    m_changing = 0;
}

db::Money Draft::total() const
{
    db::Money sum;
    for (const DraftLine &l : m_lines)
        sum += l.amount;
    return sum;
}

void EntryWindow::addEntryGrid(QWidget *page, QVBoxLayout *column)
{
    MshEntry = new ui::Grid(page);
    MshEntry->setObjectName(QStringLiteral("MshEntry"));
    column->addWidget(MshEntry, 1);
    lblTotalAmount = formkit::totalLabel(page);
    column->addWidget(lblTotalAmount);
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
    ui::keys(txtVoucher).enterMovesNext().onEnter([this] { runGuarded([this] { OpenVoucher(); }); });
    ui::keys(DTPSearch).onKey(Qt::Key_Backspace, [this] { runGuarded([this] { SearchGrd(); }); });
    on(cmdSave, &QPushButton::clicked, this, [this](bool) { cmdSave_Click(); });
    on(cmdCancel, &QPushButton::clicked, this, [this](bool) { cmdCancel_Click(); });
    on(cmdDelete, &QPushButton::clicked, this, [this](bool) { cmdDelete_Click(); });
    on(cmdPrint, &QPushButton::clicked, this, [this](bool) { cmdPrint_Click(); });
    on(cmdExit, &QPushButton::clicked, this, [this](bool) { unload(); });
    on(cboSearch, &QComboBox::currentTextChanged, this, [this](const QString &) { cboSearch_Change(); });
    on(txtSearch, &QLineEdit::textChanged, this, [this](const QString &) { SearchGrd(); });
    on(DTPSearch, &QDateEdit::dateChanged, this, [this](const QDate &) { SearchGrd(); });
    on(DTPSearch, &ui::DatePicker::pressed, this, [this] { SearchGrd(); });
    on(mshSearch, &ui::Grid::cellDoubleClicked, this, [this] { mshSearch_DblClick(); });
}

void EntryWindow::showDraft()
{
    setGrid();
    for (const DraftLine &l : m_draft.lines())
        MshEntry->addRow(cells(l));
}

bool EntryWindow::checkLine(const LineChecks &c, db::Money *amount)
{
    const auto refuse = [](const char *text, QWidget *focus) {
        info(QString::fromLatin1(text));
        if (focus && focus->isEnabled())
            focus->setFocus(Qt::OtherFocusReason);
        return false;
    };
    if (c.amount->text() == QLatin1String("."))
        c.amount->clear();
    const QString debit = fields::accountTag(c.debit), credit = fields::accountTag(c.credit);
    if (debit.isEmpty())
        return refuse("Please Select Debit Account", c.noDebitFocus);
    if (credit.isEmpty())
        return refuse("Please Select Credit Account", c.noCreditFocus);
    if (debit == credit)
        return refuse("same account title not allow, please change debit or cedit Account", c.sameFocus);
    db::Money value;
    if (!input::parseAmount(c.amount->text(), &value) || value <= db::Money())
        return refuse("please enter Amount", c.amount);
    *amount = value;
    return true;
}

void EntryWindow::setColumns(ui::Grid *grid, const std::vector<Column> &columns)
{
    for (int c = 0; c < int(columns.size()); ++c) {
        grid->setTextMatrix(0, c, QString::fromLatin1(columns[std::size_t(c)].header));
        grid->setColWidth(c, columns[std::size_t(c)].width);
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
    const Opening o = openStored(txtVoucher->text().toInt());
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
        saveDraft(m_IsNewVoucher, txtVoucher->text().toInt(), m_stamp);
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
            removeStored(txtVoucher->text().toInt(), m_stamp);
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
    printReport(printJob(txtVoucher->text().toInt()));
}

void EntryWindow::cboSearch_Change()
{
    const QString text = cboSearch->currentText();
    lblSearch->setText(text);
    DTPSearch->setVisible(text == QLatin1String("Date"));
}

void EntryWindow::SearchGrd()
{
    if (gRs->state() == 1)
        gRs->close();
    if (!runSearch(*gRs, cboSearch->currentText()))
        return; // a criterion of no known kind leaves the list as it is
    if (gRs->recordCount() < 1) {
        mshSearch->clearToBlank();
        return;
    }
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
