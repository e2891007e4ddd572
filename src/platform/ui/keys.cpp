#include "platform/ui/keys.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace ui {

bool matchesPattern(QChar c, const QString &pattern)
{
    if (!(pattern.size() >= 2 && pattern.startsWith(QLatin1Char('[')) && pattern.endsWith(QLatin1Char(']'))))
        return pattern.size() == 1 && pattern.at(0) == c;
    QStringView list = QStringView(pattern).mid(1, pattern.size() - 2);
    bool negate = false;
    if (list.startsWith(QLatin1Char('!'))) {
        negate = true;
        list = list.mid(1);
    }
    bool found = false;
    for (qsizetype i = 0; i < list.size() && !found;) {
        if (i + 2 < list.size() && list.at(i + 1) == QLatin1Char('-')) {
            found = list.at(i) <= c && c <= list.at(i + 2);
            i += 3;
        } else {
            found = list.at(i) == c;
            ++i;
        }
    }
    return found != negate;
}

namespace {

QString textOf(QWidget *box)
{
    if (auto *e = qobject_cast<QLineEdit *>(box))
        return e->text();
    if (auto *c = qobject_cast<QComboBox *>(box))
        return c->currentText();
    if (auto *t = qobject_cast<QPlainTextEdit *>(box))
        return t->toPlainText();
    if (auto *t = qobject_cast<QTextEdit *>(box))
        return t->toPlainText();
    if (auto *s = qobject_cast<QAbstractSpinBox *>(box))
        return s->text();
    return {};
}

bool isEnter(const QKeyEvent *e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

// A printable character typed without Ctrl, Alt or Meta.
bool typedChar(const QKeyEvent *e, QChar *c)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString t = e->text();
    if (t.size() != 1 || !t.at(0).isPrint())
        return false;
    *c = t.at(0);
    return true;
}

} // namespace

KeyFilter::KeyFilter(QWidget *box)
    : QObject(box)
    , m_box(box)
{
    setObjectName(QStringLiteral("keyFilter"));
    box->installEventFilter(this);
    watchFocusProxy();
}

void KeyFilter::watchFocusProxy()
{
    // Composite boxes (editable combo, date picker) type into an inner line
    // edit that holds the focus. Installing twice is harmless.
    if (QWidget *proxy = m_box->focusProxy())
        proxy->installEventFilter(this);
}

KeyFilter &KeyFilter::pattern(const QString &p)
{
    m_pattern = p;
    return *this;
}

KeyFilter &KeyFilter::upperCase(bool on)
{
    m_upper = on;
    return *this;
}

KeyFilter &KeyFilter::dropBlanks(bool on)
{
    m_dropBlanks = on;
    return *this;
}

KeyFilter &KeyFilter::once(const QString &chars)
{
    m_once = chars;
    return *this;
}

KeyFilter &KeyFilter::enterMovesNext(bool on)
{
    m_enterNext = on;
    return *this;
}

KeyFilter &KeyFilter::onEnter(std::function<void()> f)
{
    m_onEnter = std::move(f);
    return *this;
}

KeyFilter &KeyFilter::onKey(int key, std::function<void()> f)
{
    m_onKey.insert(key, std::move(f));
    return *this;
}

KeyFilter &KeyFilter::selectAllOnFocus(bool on)
{
    m_selectAll = on;
    return *this;
}

bool KeyFilter::accepts(QChar c, const QString &currentText) const
{
    if (m_dropBlanks && c == QLatin1Char(' '))
        return false;
    if (m_once.contains(c) && currentText.contains(c))
        return false;
    if (!m_pattern.isEmpty() && !matchesPattern(c, m_pattern))
        return false;
    return true;
}

bool KeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && m_selectAll) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
            edit->selectAll();
            // A mouse click places the cursor after the focus arrives: select again then.
            if (static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
                QMetaObject::invokeMethod(edit, &QLineEdit::selectAll, Qt::QueuedConnection);
        }
    }
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *e = static_cast<QKeyEvent *>(event);
    if (const auto handler = m_onKey.constFind(e->key());
        handler != m_onKey.cend() && e->modifiers() == Qt::NoModifier) {
        (*handler)();
        return true;
    }
    if (isEnter(e)) {
        if (!m_enterNext && !m_onEnter)
            return false;
        if (m_enterNext)
            focusNext(m_box);
        if (m_onEnter)
            m_onEnter();
        return true;
    }
    if (e->key() == Qt::Key_Backspace)
        return false;
    QChar c;
    if (!typedChar(e, &c))
        return false;
    if (!accepts(c, textOf(m_box)))
        return true;
    if (m_upper && c.toUpper() != c) {
        // Type the upper-case letter instead; it comes back through here and passes.
        QKeyEvent upper(QEvent::KeyPress, e->key(), e->modifiers(), QString(c.toUpper()), e->isAutoRepeat(),
            ushort(e->count()));
        QCoreApplication::sendEvent(watched, &upper);
        return true;
    }
    return false;
}

KeyFilter &keys(QWidget *box)
{
    if (auto *existing
        = box->findChild<KeyFilter *>(QStringLiteral("keyFilter"), Qt::FindDirectChildrenOnly)) {
        existing->watchFocusProxy();
        return *existing;
    }
    return *new KeyFilter(box);
}

void focusNext(QWidget *from)
{
    QWidget *window = from->window();
    for (QWidget *w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if (w->window() != window || from->isAncestorOf(w) || w->isAncestorOf(from))
            continue;
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisibleTo(window))
            continue;
        // A box's inner editor is reached through the box itself.
        if (w->parentWidget() && w->parentWidget()->focusProxy() == w)
            continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
}

} // namespace ui
