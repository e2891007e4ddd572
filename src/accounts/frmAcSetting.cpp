#include "accounts/frmAcSetting.h"

#include "accounts/frmFindAC.h"
#include "accounts/picker.h"
#include "accounts/vousetting.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/format.h"
#include "common/globals.h"
#include "common/hooks.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace accounts {

namespace {

// An account's key as the key column's value: "" is no account.
db::Value keyValue(const QString &text)
{
    const QString key = text.trimmed();
    if (key.isEmpty())
        return {};
    bool ok = false;
    const qlonglong number = key.toLongLong(&ok);
    return ok ? db::Value(number) : db::Value(key);
}

QString side(const QRadioButton *debit, const QRadioButton *credit)
{
    if (debit->isChecked())
        return QStringLiteral("DR");
    if (credit->isChecked())
        return QStringLiteral("CR");
    return {};
}

void setSide(QButtonGroup *group, QRadioButton *debit, QRadioButton *credit, const QString &value)
{
    // Neither option may be chosen: let go of the group's rule while both are unselected.
    group->setExclusive(false);
    debit->setChecked(value == QLatin1String("DR"));
    credit->setChecked(value == QLatin1String("CR"));
    group->setExclusive(true);
}

QLineEdit *numberBox(QWidget *parent, const QString &name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->setMaxLength(8);
    box->setFixedSize(common::twips(1335), common::twips(315));
    return box;
}

QLineEdit *accountBox(QWidget *parent, const QString &name)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setMinimumWidth(common::twips(4425));
    box->setFixedHeight(common::twips(345));
    return box;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// The row's caption as a message names it.
QString rowName(const QString &caption)
{
    QString name = caption.simplified();
    while (name.endsWith(u':') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

} // namespace

// Names of one shown row's controls.
struct frmAcSetting::RowNames {
    const char *key;
    const char *caption;
    const char *number;
    const char *debit;
    const char *credit;
    const char *fix;
    const char *account;
    const char *find;
    const char *clear;
    bool sideEnabled;
};

const frmAcSetting::RowNames frmAcSetting::kRows[] = {
    {"CP", "Start Cash Payment Voucher Number:", "txtCP", "optCPDr", "optCPCr", "chkCPYN", "txtCPAcc",
        "cmdCPFindAC", "cmdClearCP", true},
    {"CR", "Start Cash Receipt Voucher Number:", "txtCR", "optCRDr", "optCRCr", "chkCRYN", "txtCRAcc",
        "cmdCRFindAC", "cmdClearCR", true},
    {"BP", "Start Bank Payment Voucher Number:", "txtBP", "optBPDr", "optBPCr", "chkBPYN", "txtBPAcc",
        "cmdBPFindAC", "cmdClearBP", true},
    {"BR", "Start Bank Receipt Voucher Number:", "txtBR", "optBRDr", "optBRCr", "chkBRYN", "txtBRAcc",
        "cmdBRFindAC", "cmdClearBR", true},
    {"JV", "Start Journal Voucher Number:", "txtJV", "optJVDr", "optJVCr", "chkJVYN", "txtJVAcc",
        "cmdJVFindAC", "cmdClearJV", true},
    {"SI", "Start Sale Invoice  Number:", "txtSalInv", "optSalInvDr", "optSalInvCr", "chkSalInvYN",
        "txtSalInvACC", "cmdSalInvFindAC", "cmdClearSalInv", false},
    {"RI", "Start Installment Receipt Vou# No. :", "txtInsRec", "optDrPurRet", "optCrPurRet", "chkPurRetYN",
        "txtInsRecACC", "cmdInsRecFindAC", "cmdClearInsRec", false},
    {"IR", "Select Application Control ", nullptr, nullptr, nullptr, nullptr, "txtAppSubACC", "cmdAppSub",
        "cmdClearAppSub", false},
};

frmAcSetting::frmAcSetting(QWidget *parent)
    : common::Window(QStringLiteral("frmAcSetting"), parent)
{
    setWindowTitle(QStringLiteral("Voucher Setup"));
    QGroupBox *setup = buildSeries();
    buildHiddenSeries(setup);
    buildButtons();
    layOut(setup);
    connectHandlers();
}

QGroupBox *frmAcSetting::buildSeries()
{
    auto *outer = new QGroupBox(QStringLiteral("[ Voucher Setup ]"), this);
    outer->setObjectName(QStringLiteral("fraVoucherSetup"));
    auto *grid = new QGridLayout(outer);
    grid->setContentsMargins(10, 16, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(2, 1);
    int line = 0;
    for (const RowNames &r : kRows)
        m_series.append(buildSeriesRow(r, outer, grid, line++));
    grid->setRowStretch(line, 1);
    return outer;
}

// One shown series: the start number in the setup's first two columns, and
// in the third a frame of the side options (or the head's label), the
// account box and its buttons.
frmAcSetting::Series frmAcSetting::buildSeriesRow(
    const RowNames &r, QGroupBox *outer, QGridLayout *grid, int line)
{
    Series s;
    s.key = QString::fromLatin1(r.key);
    s.caption = QString::fromLatin1(r.caption);

    auto *frame = new QGroupBox(outer);
    frame->setObjectName(QStringLiteral("fra") + s.key);
    frame->setFixedHeight(common::twips(825));
    auto *row = new QHBoxLayout(frame);
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(6);

    QWidget *lead = buildSeriesLead(r, &s, outer, grid, line, frame);
    row->addWidget(lead);
    row->addSpacing(6);
    s.account = accountBox(frame, QString::fromLatin1(r.account));
    row->addWidget(s.account);
    s.find = button(frame, QString::fromLatin1(r.find), QStringLiteral("Find A/C"));
    s.clear = button(frame, QString::fromLatin1(r.clear), QStringLiteral("Clear"));
    s.find->setFixedWidth(common::twips(1140));
    s.clear->setFixedWidth(common::twips(900));
    row->addSpacing(4);
    row->addWidget(s.find);
    row->addWidget(s.clear);
    grid->addWidget(frame, line, 2, Qt::AlignVCenter);
    return s;
}

QWidget *frmAcSetting::buildSeriesLead(
    const RowNames &r, Series *s, QGroupBox *outer, QGridLayout *grid, int line, QWidget *frame)
{
    // The options, or the students' head label, keep the account boxes in one column.
    auto *lead = new QWidget(frame);
    lead->setMinimumWidth(common::twips(2900));
    auto *leadRow = new QHBoxLayout(lead);
    leadRow->setContentsMargins(0, 0, 0, 0);
    leadRow->setSpacing(8);
    if (r.number) {
        auto *label = new QLabel(s->caption, outer);
        label->setObjectName(QStringLiteral("lbl") + s->key);
        s->number = numberBox(outer, QString::fromLatin1(r.number));
        label->setBuddy(s->number);
        grid->addWidget(label, line, 0, Qt::AlignVCenter);
        grid->addWidget(s->number, line, 1, Qt::AlignVCenter);
    }
    if (r.debit) {
        s->debit = new QRadioButton(QStringLiteral("Debit:"), lead);
        s->debit->setObjectName(QString::fromLatin1(r.debit));
        s->credit = new QRadioButton(QStringLiteral("Credit:"), lead);
        s->credit->setObjectName(QString::fromLatin1(r.credit));
        s->sides = new QButtonGroup(frame);
        s->sides->addButton(s->debit);
        s->sides->addButton(s->credit);
        s->fix = new QCheckBox(QStringLiteral("Fix Y/N"), lead);
        s->fix->setObjectName(QString::fromLatin1(r.fix));
        for (QWidget *w : std::initializer_list<QWidget *> {s->debit, s->credit, s->fix}) {
            w->setEnabled(r.sideEnabled);
            leadRow->addWidget(w);
        }
    } else {
        auto *label = new QLabel(s->caption, lead);
        label->setObjectName(QStringLiteral("lbl") + s->key);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        leadRow->addWidget(label);
    }
    leadRow->addStretch(1);
    return lead;
}

// The series the window keeps but does not show.
void frmAcSetting::buildHiddenSeries(QGroupBox *outer)
{
    auto *hidden = new QWidget(outer);
    hidden->setObjectName(QStringLiteral("fraHidden"));
    hidden->hide();
    auto *hiddenRows = new QGridLayout(hidden);
    // Start numbers in columns 0 and 1, report accounts in columns 2 and 3.
    const auto row = [&](QLineEdit *box, const char *caption, int at, int col) {
        hiddenRows->addWidget(new QLabel(QString::fromLatin1(caption), hidden), at, col);
        hiddenRows->addWidget(box, at, col + 1);
        return box;
    };
    const auto number = [&](const char *name) { return numberBox(hidden, QString::fromLatin1(name)); };
    const auto account = [&](const char *name) { return accountBox(hidden, QString::fromLatin1(name)); };
    txtPurOrder = row(number("txtPurOrder"), "Start Purchase Order  Number:", 0, 0);
    txtQuot = row(number("txtQuot"), "Start Quotation  Number:", 1, 0);
    txtDC = row(number("txtDC"), "Start Delivery Chelan Number:", 2, 0);
    txtTaxInv = row(number("txtTaxInv"), "Start Sales Tax Invoice Number:", 3, 0);
    txtGstInv = row(number("txtGstInv"), "Start Non GST Invoice Number:", 4, 0);
    txtSTaxACC = row(account("txtSTaxACC"), "Select Sales Tax Account (Entry)", 0, 2);
    txtShortFLLAC = row(account("txtShortFLLAC"), "Select Shor/Fll Account (Report)", 1, 2);
    txtIncTaxACRpt = row(account("txtIncTaxACRpt"), "Select Income Tax Account (Report)", 2, 2);
    txtSalTaxAcRpt = row(account("txtSalTaxAcRpt"), "Select Tax Account (Report)", 3, 2);
    txtGstACC = row(account("txtGstACC"), "", 4, 2);
}

void frmAcSetting::buildButtons()
{
    cmdSave = button(this, QStringLiteral("cmdSave"), QStringLiteral("&Save"));
    cmdClear = button(this, QStringLiteral("cmdClear"), QStringLiteral("&Clear All"));
    cmdExit = button(this, QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    for (QPushButton *b : {cmdSave, cmdClear, cmdExit})
        b->setMinimumWidth(common::twips(1400));
}

void frmAcSetting::layOut(QGroupBox *setup)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClear);
    buttons->addWidget(cmdExit);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(common::twips(60), common::twips(60), common::twips(60), common::twips(60));
    layout->setSpacing(8);
    layout->addWidget(setup, 1);
    layout->addLayout(buttons);
}

void frmAcSetting::connectHandlers()
{
    for (const Series &s : m_series) {
        const QString key = s.key;
        common::on(s.find, &QPushButton::clicked, this, [this, key](auto &&...) { findAccount(key); });
        common::on(s.clear, &QPushButton::clicked, this, [this, key](auto &&...) { clearSeries(key); });
    }
    common::on(cmdSave, &QPushButton::clicked, this, [this](auto &&...) { save(); });
    common::on(cmdClear, &QPushButton::clicked, this, [this](auto &&...) { clearAll(); });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) { unload(); });
}

void frmAcSetting::setAccount(QLineEdit *box, const QString &title, const QString &key)
{
    box->setText(title);
    m_accountKeys.insert(box, key);
}

frmAcSetting::Series *frmAcSetting::series(const QString &key)
{
    for (Series &s : m_series) {
        if (s.key == key)
            return &s;
    }
    return nullptr;
}

void frmAcSetting::formLoad()
{
    moveTwips(0, 0);
    setWidthTwips(15300);
    setHeightTwips(10560);
    // Larger fonts than the design's must not squeeze the rows into each other.
    frame()->resize(frame()->size().expandedTo(frame()->minimumSizeHint()));
    FillVouSetting();
}

void frmAcSetting::FillVouSetting()
{
    for (const accounts::VouSettingShown &row : accounts::readVouSetting(*gConn)) {
        const QString key = row.vouStatus.trimmed().toUpper();
        const QString number = row.vouNo;
        if (key == QLatin1String("PO")) {
            txtPurOrder->setText(number);
        } else if (key == QLatin1String("QT")) {
            txtQuot->setText(number);
        } else if (key == QLatin1String("DC")) {
            txtDC->setText(number);
        } else if (key == QLatin1String("TI")) {
            txtTaxInv->setText(number);
            setAccount(txtSTaxACC, row.acTitle, row.acCode);
            setAccount(txtShortFLLAC, row.othAc, row.othAcCode);
            setAccount(txtIncTaxACRpt, row.incomeAc, row.iTaxAc);
            setAccount(txtSalTaxAcRpt, row.salTaxAc, row.sTaxAc);
        } else if (key == QLatin1String("GI")) {
            txtGstInv->setText(number);
            setAccount(txtGstACC, row.acTitle, row.acCode);
        } else if (Series *s = series(key)) {
            if (s->number)
                s->number->setText(number);
            // The fee-receipt row's side and lock are the cash receipts'; its own options stay empty.
            if (s->debit && key != QLatin1String("RI")) {
                setSide(s->sides, s->debit, s->credit, row.acStatus.trimmed().toUpper());
                s->fix->setChecked(row.fix.trimmed() == QLatin1String("Y"));
            }
            setAccount(s->account, row.acTitle, row.acCode);
        }
    }
}

void frmAcSetting::formActivate()
{
    if (gFindAcRowID > 0) {
        if (Series *s = series(m_FindTarget)) {
            setAccount(s->account, gFindAcName, QString::number(gFindAcRowID));
            s->find->setFocus(Qt::OtherFocusReason);
        }
        gFindAcRowID = 0;
        gFindAcName.clear();
    }
    gFindAcFilter.clear();
}

void frmAcSetting::formUnload()
{
    ApplyMenuRights();
}

void frmAcSetting::findAccount(const QString &key)
{
    m_FindTarget = key;
    // The students' head is a sub-control account, and the fee receipts'
    // account a subsidiary one: neither list may be widened.
    if (key == QLatin1String("IR"))
        openAccountPicker(this, QStringLiteral("SUB"), false);
    else
        openAccountPicker(this, QString(), key != QLatin1String("RI"));
}

void frmAcSetting::clearSeries(const QString &key)
{
    Series *s = series(key);
    if (!s)
        return;
    if (s->number)
        s->number->clear();
    if (s->debit && key != QLatin1String("RI")) {
        setSide(s->sides, s->debit, s->credit, {});
        s->fix->setChecked(false);
    }
    setAccount(s->account, {}, {});
}

void frmAcSetting::clearAll()
{
    const auto boxes = findChildren<QLineEdit *>();
    for (QLineEdit *box : boxes)
        box->setText(QString());
    m_accountKeys.clear();
    for (const Series &s : m_series) {
        if (s.sides)
            setSide(s.sides, s.debit, s.credit, {});
    }
    const auto checks = findChildren<QCheckBox *>();
    for (QCheckBox *c : checks)
        c->setChecked(false);
}

// Every start number, checked before anything is written; false (with the
// refusal shown) when a shown one is no whole number.
bool frmAcSetting::startNumbers(QHash<QString, db::Value> *values)
{
    struct Number {
        QString key;
        QLineEdit *box;
        QString caption;
    };
    QList<Number> numbers;
    for (const Series &s : m_series) {
        if (s.number)
            numbers.append({s.key, s.number, s.caption});
    }
    numbers.append({QStringLiteral("PO"), txtPurOrder, QStringLiteral("Start Purchase Order  Number:")});
    numbers.append({QStringLiteral("QT"), txtQuot, QStringLiteral("Start Quotation  Number:")});
    numbers.append({QStringLiteral("DC"), txtDC, QStringLiteral("Start Delivery Chelan Number:")});
    numbers.append({QStringLiteral("TI"), txtTaxInv, QStringLiteral("Start Sales Tax Invoice Number:")});
    numbers.append({QStringLiteral("GI"), txtGstInv, QStringLiteral("Start Non GST Invoice Number:")});
    for (const Number &n : numbers) {
        db::Value value;
        if (!parseStartNumber(n.box->text(), &value)) {
            // A hidden row goes back as it was read: nobody can see or mend it here.
            if (!n.box->isVisibleTo(this)) {
                values->insert(n.key, n.box->text().isEmpty() ? db::Value() : db::Value(n.box->text()));
                continue;
            }
            common::info(QStringLiteral("%1 must be a whole number: \"%2\" is not.")
                             .arg(rowName(n.caption), n.box->text()));
            n.box->setFocus(Qt::OtherFocusReason);
            n.box->selectAll();
            return false;
        }
        values->insert(n.key, value);
    }
    return true;
}

// The row of series `key` as the window shows it, its number from `numbers`.
VouSettingRow frmAcSetting::settingRow(const QString &key, const QHash<QString, db::Value> &numbers)
{
    const auto sideOf = [](const Series *s) {
        const QString v = side(s->debit, s->credit);
        return v.isEmpty() ? db::Value() : db::Value(v);
    };
    const auto fixOf = [](const Series *s) { return db::Value(s->fix->isChecked() ? "Y" : "N"); };
    VouSettingRow row;
    row.vouStatus = key;
    row.vouNo = numbers.value(key);
    if (key == QLatin1String("TI")) {
        row.acCode = keyValue(accountKey(txtSTaxACC));
        row.othAcCode = keyValue(accountKey(txtShortFLLAC));
        row.iTaxAc = keyValue(accountKey(txtIncTaxACRpt));
        row.sTaxAc = keyValue(accountKey(txtSalTaxAcRpt));
    } else if (key == QLatin1String("GI")) {
        row.acCode = keyValue(accountKey(txtGstACC));
    } else if (key == QLatin1String("IR")) {
        row.vouNo = 0;
        row.acCode = keyValue(accountKey(series(key)->account));
    } else if (key == QLatin1String("RI")) {
        const Series *cashReceipts = series(QStringLiteral("CR"));
        row.acStatus = sideOf(cashReceipts);
        row.acCode = keyValue(accountKey(series(key)->account));
        row.fix = fixOf(cashReceipts);
    } else if (const Series *s = series(key)) {
        row.acStatus = sideOf(s);
        row.acCode = keyValue(accountKey(s->account));
        row.fix = fixOf(s);
    }
    return row;
}

void frmAcSetting::save()
{
    QHash<QString, db::Value> numbers;
    if (!startNumbers(&numbers))
        return;
    std::vector<VouSettingRow> rows;
    for (const QString &key : vouSettingKeys())
        rows.push_back(settingRow(key, numbers));
    writeVouSetting(*gConn, rows);
    common::msgBox(QStringLiteral("Sucessfully  save you Voucher Setting"), common::Buttons::Ok,
        common::Icon::Information);
}

} // namespace accounts
