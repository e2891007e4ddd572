#include "accounts/frmAcSetting.h"

#include "accounts/frmFindAC.h"
#include "accounts/picker.h"
#include "accounts/vousetting.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/fields.h"
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

using common::fields::accountTag;
using common::fields::setAccount;

const char *const kTag = "Tag";

// A text box's tag as the key column's value: "" is no account.
db::Value keyValue(const QLineEdit *box)
{
    const QString tag = accountTag(box).trimmed();
    if (tag.isEmpty())
        return {};
    bool ok = false;
    const qlonglong key = tag.toLongLong(&ok);
    return ok ? db::Value(key) : db::Value(tag);
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
    box->setProperty(kTag, QString());
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

// Names of one shown row's controls.
struct RowNames {
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

const RowNames kRows[] = {
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

// The row's caption as a message names it.
QString rowName(const QString &caption)
{
    QString name = caption.simplified();
    while (name.endsWith(u':') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

} // namespace

frmAcSetting::frmAcSetting(QWidget *parent)
    : common::Window(QStringLiteral("frmAcSetting"), parent)
{
    setWindowTitle(QStringLiteral("Voucher Setup"));

    auto *outer = new QGroupBox(QStringLiteral("[ Voucher Setup ]"), this);
    outer->setObjectName(QStringLiteral("fraVoucherSetup"));
    auto *grid = new QGridLayout(outer);
    grid->setContentsMargins(10, 16, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(2, 1);

    // The options, or the students' head label, keep the account boxes in one column.
    const int leadWidth = common::twips(2900);
    int line = 0;
    for (const RowNames &r : kRows) {
        Series s;
        s.key = QString::fromLatin1(r.key);
        s.caption = QString::fromLatin1(r.caption);

        auto *frame = new QGroupBox(outer);
        frame->setObjectName(QStringLiteral("fra") + s.key);
        frame->setFixedHeight(common::twips(825));
        auto *row = new QHBoxLayout(frame);
        row->setContentsMargins(8, 2, 8, 2);
        row->setSpacing(6);

        auto *lead = new QWidget(frame);
        lead->setMinimumWidth(leadWidth);
        auto *leadRow = new QHBoxLayout(lead);
        leadRow->setContentsMargins(0, 0, 0, 0);
        leadRow->setSpacing(8);
        if (r.number) {
            auto *label = new QLabel(s.caption, outer);
            label->setObjectName(QStringLiteral("lbl") + s.key);
            s.number = numberBox(outer, QString::fromLatin1(r.number));
            label->setBuddy(s.number);
            grid->addWidget(label, line, 0, Qt::AlignVCenter);
            grid->addWidget(s.number, line, 1, Qt::AlignVCenter);
        }
        if (r.debit) {
            s.debit = new QRadioButton(QStringLiteral("Debit:"), lead);
            s.debit->setObjectName(QString::fromLatin1(r.debit));
            s.credit = new QRadioButton(QStringLiteral("Credit:"), lead);
            s.credit->setObjectName(QString::fromLatin1(r.credit));
            s.sides = new QButtonGroup(frame);
            s.sides->addButton(s.debit);
            s.sides->addButton(s.credit);
            s.fix = new QCheckBox(QStringLiteral("Fix Y/N"), lead);
            s.fix->setObjectName(QString::fromLatin1(r.fix));
            s.debit->setEnabled(r.sideEnabled);
            s.credit->setEnabled(r.sideEnabled);
            s.fix->setEnabled(r.sideEnabled);
            leadRow->addWidget(s.debit);
            leadRow->addWidget(s.credit);
            leadRow->addWidget(s.fix);
        } else {
            auto *label = new QLabel(s.caption, lead);
            label->setObjectName(QStringLiteral("lbl") + s.key);
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
            leadRow->addWidget(label);
        }
        leadRow->addStretch(1);
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
        ++line;
        m_series.append(s);
    }
    grid->setRowStretch(line, 1);

    // The series the window keeps but does not show.
    auto *hidden = new QWidget(outer);
    hidden->setObjectName(QStringLiteral("fraHidden"));
    hidden->hide();
    auto *hiddenRows = new QGridLayout(hidden);
    const auto hiddenNumber = [&](const char *name, const char *caption, int at) {
        hiddenRows->addWidget(new QLabel(QString::fromLatin1(caption), hidden), at, 0);
        QLineEdit *box = numberBox(hidden, QString::fromLatin1(name));
        hiddenRows->addWidget(box, at, 1);
        return box;
    };
    txtPurOrder = hiddenNumber("txtPurOrder", "Start Purchase Order  Number:", 0);
    txtQuot = hiddenNumber("txtQuot", "Start Quotation  Number:", 1);
    txtDC = hiddenNumber("txtDC", "Start Delivery Chelan Number:", 2);
    txtTaxInv = hiddenNumber("txtTaxInv", "Start Sales Tax Invoice Number:", 3);
    txtGstInv = hiddenNumber("txtGstInv", "Start Non GST Invoice Number:", 4);
    const auto hiddenAccount = [&](const char *name, const char *caption, int at) {
        hiddenRows->addWidget(new QLabel(QString::fromLatin1(caption), hidden), at, 2);
        QLineEdit *box = accountBox(hidden, QString::fromLatin1(name));
        hiddenRows->addWidget(box, at, 3);
        return box;
    };
    txtSTaxACC = hiddenAccount("txtSTaxACC", "Select Sales Tax Account (Entry)", 0);
    txtShortFLLAC = hiddenAccount("txtShortFLLAC", "Select Shor/Fll Account (Report)", 1);
    txtIncTaxACRpt = hiddenAccount("txtIncTaxACRpt", "Select Income Tax Account (Report)", 2);
    txtSalTaxAcRpt = hiddenAccount("txtSalTaxAcRpt", "Select Tax Account (Report)", 3);
    txtGstACC = hiddenAccount("txtGstACC", "", 4);

    cmdSave = button(this, QStringLiteral("cmdSave"), QStringLiteral("&Save"));
    cmdClear = button(this, QStringLiteral("cmdClear"), QStringLiteral("&Clear All"));
    cmdExit = button(this, QStringLiteral("cmdExit"), QStringLiteral("E&xit"));
    for (QPushButton *b : {cmdSave, cmdClear, cmdExit})
        b->setMinimumWidth(common::twips(1400));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClear);
    buttons->addWidget(cmdExit);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(common::twips(60), common::twips(60), common::twips(60), common::twips(60));
    layout->setSpacing(8);
    layout->addWidget(outer, 1);
    layout->addLayout(buttons);

    for (const Series &s : m_series) {
        const QString key = s.key;
        common::on(s.find, &QPushButton::clicked, this, [this, key](auto &&...) { findAccount(key); });
        common::on(s.clear, &QPushButton::clicked, this, [this, key](auto &&...) { clearSeries(key); });
    }
    common::on(cmdSave, &QPushButton::clicked, this, [this](auto &&...) { save(); });
    common::on(cmdClear, &QPushButton::clicked, this, [this](auto &&...) { clearAll(); });
    common::on(cmdExit, &QPushButton::clicked, this, [this](auto &&...) { unload(); });
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
        setAccount(box, {}, {});
    for (const Series &s : m_series) {
        if (s.sides)
            setSide(s.sides, s.debit, s.credit, {});
    }
    const auto checks = findChildren<QCheckBox *>();
    for (QCheckBox *c : checks)
        c->setChecked(false);
}

void frmAcSetting::save()
{
    // Every start number is checked before anything is written.
    struct Number {
        QString key;
        QLineEdit *box;
        QString caption;
        db::Value value;
    };
    QList<Number> numbers;
    for (const Series &s : m_series) {
        if (s.number)
            numbers.append({s.key, s.number, s.caption, {}});
    }
    numbers.append({QStringLiteral("PO"), txtPurOrder, QStringLiteral("Start Purchase Order  Number:"), {}});
    numbers.append({QStringLiteral("QT"), txtQuot, QStringLiteral("Start Quotation  Number:"), {}});
    numbers.append({QStringLiteral("DC"), txtDC, QStringLiteral("Start Delivery Chelan Number:"), {}});
    numbers.append({QStringLiteral("TI"), txtTaxInv, QStringLiteral("Start Sales Tax Invoice Number:"), {}});
    numbers.append({QStringLiteral("GI"), txtGstInv, QStringLiteral("Start Non GST Invoice Number:"), {}});
    for (Number &n : numbers) {
        if (!parseStartNumber(n.box->text(), &n.value)) {
            // A hidden row goes back as it was read: nobody can see or mend it here.
            if (!n.box->isVisibleTo(this)) {
                n.value = n.box->text().isEmpty() ? db::Value() : db::Value(n.box->text());
                continue;
            }
            common::info(QStringLiteral("%1 must be a whole number: \"%2\" is not.")
                             .arg(rowName(n.caption), n.box->text()));
            n.box->setFocus(Qt::OtherFocusReason);
            n.box->selectAll();
            return;
        }
    }
    const auto number = [&numbers](const QString &key) {
        for (const Number &n : numbers) {
            if (n.key == key)
                return n.value;
        }
        return db::Value();
    };
    const auto sideOf = [](const Series *s) {
        const QString v = side(s->debit, s->credit);
        return v.isEmpty() ? db::Value() : db::Value(v);
    };
    const auto fixOf = [](const Series *s) { return db::Value(s->fix->isChecked() ? "Y" : "N"); };

    std::vector<VouSettingRow> rows;
    for (const QString &key : vouSettingKeys()) {
        VouSettingRow row;
        row.vouStatus = key;
        if (key == QLatin1String("TI")) {
            row.vouNo = number(key);
            row.acCode = keyValue(txtSTaxACC);
            row.othAcCode = keyValue(txtShortFLLAC);
            row.iTaxAc = keyValue(txtIncTaxACRpt);
            row.sTaxAc = keyValue(txtSalTaxAcRpt);
        } else if (key == QLatin1String("GI")) {
            row.vouNo = number(key);
            row.acCode = keyValue(txtGstACC);
        } else if (key == QLatin1String("IR")) {
            row.vouNo = 0;
            row.acCode = keyValue(series(key)->account);
        } else if (key == QLatin1String("RI")) {
            const Series *cashReceipts = series(QStringLiteral("CR"));
            row.vouNo = number(key);
            row.acStatus = sideOf(cashReceipts);
            row.acCode = keyValue(series(key)->account);
            row.fix = fixOf(cashReceipts);
        } else if (const Series *s = series(key)) {
            row.vouNo = number(key);
            row.acStatus = sideOf(s);
            row.acCode = keyValue(s->account);
            row.fix = fixOf(s);
        } else {
            row.vouNo = number(key);
        }
        rows.push_back(row);
    }
    writeVouSetting(*gConn, rows);
    common::msgBox(QStringLiteral("Sucessfully  save you Voucher Setting"), common::Buttons::Ok,
        common::Icon::Information);
}

} // namespace accounts
