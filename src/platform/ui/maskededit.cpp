#include "platform/ui/maskededit.h"

namespace ui {

namespace {

// Our mask letters to Qt's input-mask letters; Qt's own meta characters
// appearing as literals are escaped.
QString toQtMask(const QString &mask)
{
    static const QString qtMeta = QStringLiteral("AaNnXx90Dd#HhBb><!;[]{}\\");
    QString out;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        QChar q;
        switch (c.unicode()) {
        case '#':
            q = QLatin1Char('9');
            break;
        case '9':
            q = QLatin1Char('0');
            break;
        case '?':
            q = QLatin1Char('A');
            break;
        case 'A':
            q = QLatin1Char('N');
            break;
        case 'a':
            q = QLatin1Char('n');
            break;
        case '&':
            q = QLatin1Char('X');
            break;
        case 'C':
            q = QLatin1Char('x');
            break;
        case '\\':
            if (i + 1 < mask.size()) {
                ++i;
                const QChar lit = mask.at(i);
                if (qtMeta.contains(lit))
                    out += QLatin1Char('\\');
                out += lit;
            }
            continue;
        default:
            if (qtMeta.contains(c))
                out += QLatin1Char('\\');
            out += c;
            continue;
        }
        out += q;
    }
    return out;
}

} // namespace

MaskedEdit::MaskedEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

MaskedEdit::MaskedEdit(const QString &mask, QWidget *parent)
    : QLineEdit(parent)
{
    setMask(mask);
}

void MaskedEdit::setMask(const QString &mask)
{
    m_mask = mask;
    applyMask();
}

void MaskedEdit::setPromptChar(QChar prompt)
{
    m_prompt = prompt;
    applyMask();
}

void MaskedEdit::applyMask()
{
    if (m_mask.isEmpty())
        setInputMask(QString());
    else
        setInputMask(toQtMask(m_mask) + QLatin1Char(';') + m_prompt);
}

QString MaskedEdit::text() const
{
    return m_mask.isEmpty() ? QLineEdit::text() : displayText();
}

void MaskedEdit::setText(const QString &text)
{
    QLineEdit::setText(text);
}

bool MaskedEdit::isComplete() const
{
    return !m_mask.isEmpty() && hasAcceptableInput() && !displayText().contains(m_prompt);
}

void MaskedEdit::reset()
{
    const QString mask = m_mask;
    setMask(QString());
    QLineEdit::setText(QString());
    setMask(mask);
}

} // namespace ui
