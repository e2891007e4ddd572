#include "common/input.h"

#include "common/dialogs.h"
#include "platform/ui/controls.h"
#include "platform/ui/keys.h"
#include "platform/ui/maskededit.h"

#include <QAbstractSpinBox>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QValidator>

#include <algorithm>

namespace common::input {

namespace {

const char *const kGuarded = "oruInputGuarded";

// Digits, one point, decimals and a leading minus, counted; false when the
// text breaks the rule even as a start of an amount.
bool scanAmount(QStringView t, Sign sign, bool *anyDigit)
{
    qsizetype i = 0;
    if (sign == Sign::Signed && i < t.size() && t[i] == u'-')
        ++i;
    int whole = 0, decimals = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9') {
            if (point ? ++decimals > kDecimals : ++whole > kWholeDigits)
                return false;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    *anyDigit = whole + decimals > 0;
    return true;
}

// Shows the message once the box has undone the refused edit; a value that
// code set stays in the box and is not a typing mistake.
void tellLater(QLineEdit *box, const QString &refused, QString message)
{
    QMetaObject::invokeMethod(
        box,
        [box = QPointer<QLineEdit>(box), refused, message = std::move(message)] {
            if (box && box->text() != refused)
                info(message);
        },
        Qt::QueuedConnection);
}

class AmountValidator : public QValidator {
public:
    AmountValidator(QLineEdit *box, Sign sign)
        : QValidator(box)
        , m_box(box)
        , m_sign(sign)
    {
    }

    State validate(QString &input, int &) const override
    {
        if (isPartialAmount(input, m_sign))
            return Acceptable;
        tellLater(m_box, input, amountRefusal(m_sign));
        return Invalid;
    }

private:
    QLineEdit *m_box;
    Sign m_sign;
};

class DigitsValidator : public QValidator {
public:
    DigitsValidator(QLineEdit *box, int maxDigits)
        : QValidator(box)
        , m_box(box)
        , m_max(maxDigits)
    {
    }

    State validate(QString &input, int &) const override
    {
        const bool digits
            = std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (digits && input.size() <= m_max)
            return Acceptable;
        tellLater(m_box, input, digitsRefusal(m_max));
        return Invalid;
    }

private:
    QLineEdit *m_box;
    int m_max;
};

bool hasControls(const QString &text, bool multiLine)
{
    for (QChar c : text)
        if (c.category() == QChar::Other_Control && !(multiLine && (c == u'\n' || c == u'\t')))
            return true;
    return false;
}

const QString kControlsLeftOut
    = QStringLiteral("The text held control characters, which cannot be stored; they were left out.");

void guardLineEdit(QLineEdit *box)
{
    QObject::connect(box, &QLineEdit::textEdited, box, [box](const QString &text) {
        if (!hasControls(text, false))
            return;
        const int cursor = int(withoutControls(text.left(box->cursorPosition())).size());
        box->setText(withoutControls(text));
        box->setCursorPosition(cursor);
        info(kControlsLeftOut);
    });
}

void guardPlainText(QPlainTextEdit *box)
{
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box] {
        const QString text = box->toPlainText();
        if (!hasControls(text, true))
            return;
        box->setPlainText(withoutControls(text, true));
        box->moveCursor(QTextCursor::End);
        info(kControlsLeftOut);
    });
}

} // namespace

bool parseAmount(QStringView text, db::Money *out, Sign sign)
{
    const QStringView t = text.trimmed();
    bool anyDigit = false;
    if (!scanAmount(t, sign, &anyDigit) || !anyDigit)
        return false;
    // The rule leaves nothing to round and nothing past 64 bits.
    return db::Money::tryParse(t, out);
}

bool isPartialAmount(QStringView text, Sign sign)
{
    bool anyDigit = false;
    return scanAmount(text, sign, &anyDigit);
}

QString amountRefusal(Sign sign)
{
    return sign == Sign::Signed
        ? QStringLiteral("Please enter an amount of at most 999999999999.99 (digits, one point, at most two "
                         "decimals, a minus in front for a credit balance).")
        : QStringLiteral("Please enter an amount of at most 999999999999.99 (digits, one point, at most two "
                         "decimals).");
}

void amountBox(QLineEdit *box, Sign sign)
{
    // A limit on characters would cut a longer paste or a value set from
    // code before the rule sees it.
    box->setMaxLength(32767);
    box->setValidator(new AmountValidator(box, sign));
    // Every other character reaches the rule, which tells why it is refused.
    ui::keys(box).pattern(QString()).once(QString()).dropBlanks();
}

QString digitsRefusal(int maxDigits)
{
    return QStringLiteral("Please enter a number of at most %1 digits (0 to 9 only).").arg(maxDigits);
}

void digitsBox(QLineEdit *box, int maxDigits)
{
    // The validator keeps the limit: a length limit would cut a long paste
    // before anything could say so.
    box->setMaxLength(32767);
    box->setValidator(new DigitsValidator(box, maxDigits));
}

QString withoutControls(const QString &text, bool multiLine)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.category() != QChar::Other_Control || (multiLine && (c == u'\n' || c == u'\t')))
            out += c;
    return out;
}

void guardWidget(QObject *object, QEvent *event)
{
    if (event->type() != QEvent::Polish || !object->isWidgetType() || object->property(kGuarded).toBool())
        return;
    object->setProperty(kGuarded, true);
    if (auto *picker = qobject_cast<ui::DatePicker *>(object)) {
        QObject::connect(picker, &ui::DatePicker::dateRefused, picker, [](const QString &text) {
            info(QStringLiteral("%1 is not a date. Please enter a valid date.").arg(text));
        });
        return;
    }
    if (auto *box = qobject_cast<QLineEdit *>(object)) {
        // A masked box takes only what its mask allows; a spin box's editor
        // only what its own validator allows.
        if (qobject_cast<ui::MaskedEdit *>(box) || qobject_cast<QAbstractSpinBox *>(box->parentWidget()))
            return;
        guardLineEdit(box);
        return;
    }
    if (auto *text = qobject_cast<QPlainTextEdit *>(object))
        guardPlainText(text);
}

} // namespace common::input
