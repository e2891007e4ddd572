#include "support/dialogscript.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

using common::Answer;
using common::Buttons;
using common::dialogs::Shown;

namespace {

Answer refusal(Buttons b)
{
    switch (b) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        break;
    }
    return Answer::Cancel;
}

QString plain(QString caption)
{
    return caption.remove(QLatin1Char('&'));
}

QString captionsOf(QMenu *menu)
{
    QStringList captions;
    for (QAction *a : menu->actions()) {
        if (!a->isSeparator())
            captions << plain(a->text());
    }
    return captions.join(QLatin1Char('|'));
}

} // namespace

DialogScript::DialogScript()
{
    common::dialogs::setHandler([this](const Shown &s) {
        m_shown << s;
        // Plain notices need no answer; only strict scripts queue Ok for them.
        if (s.buttons == Buttons::Ok && !m_strict)
            return Answer::Ok;
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        ADD_FAILURE() << "Unexpected message box \"" << s.title.toStdString()
                      << "\": " << s.text.toStdString();
        return refusal(s.buttons);
    });
    common::dialogs::setFileHandler([this](const QString &caption, const QString &) {
        m_fileCaptions << caption;
        if (m_files.isEmpty()) {
            ADD_FAILURE() << "Unexpected file dialog: " << caption.toStdString();
            return QString();
        }
        return m_files.takeFirst();
    });
    common::dialogs::setMenuHandler([this](QMenu *menu) -> QAction * {
        m_menus << captionsOf(menu);
        if (m_menuChoices.isEmpty()) {
            ADD_FAILURE() << "Unexpected popup menu: " << m_menus.last().toStdString();
            return nullptr;
        }
        const QString wanted = m_menuChoices.takeFirst();
        if (wanted.isEmpty())
            return nullptr;
        for (QAction *a : menu->actions()) {
            if (plain(a->text()) == plain(wanted))
                return a;
        }
        ADD_FAILURE() << "Popup menu has no item " << wanted.toStdString() << ": "
                      << m_menus.last().toStdString();
        return nullptr;
    });
}

DialogScript::~DialogScript()
{
    EXPECT_TRUE(m_answers.isEmpty()) << m_answers.size() << " scripted answer(s) not used";
    EXPECT_TRUE(m_files.isEmpty()) << m_files.size() << " scripted file answer(s) not used";
    EXPECT_TRUE(m_menuChoices.isEmpty()) << m_menuChoices.size() << " scripted menu choice(s) not used";
    installFailingDefault();
}

DialogScript &DialogScript::answer(Answer a)
{
    m_answers << a;
    return *this;
}

DialogScript &DialogScript::file(const QString &path)
{
    m_files << path;
    return *this;
}

DialogScript &DialogScript::menu(const QString &caption)
{
    m_menuChoices << caption;
    return *this;
}

DialogScript &DialogScript::strict(bool on)
{
    m_strict = on;
    return *this;
}

QStringList DialogScript::texts() const
{
    QStringList t;
    for (const Shown &s : m_shown)
        t << s.text;
    return t;
}

Shown DialogScript::last() const
{
    if (m_shown.isEmpty()) {
        ADD_FAILURE() << "No message box was shown";
        return {};
    }
    return m_shown.last();
}

void DialogScript::clear()
{
    m_shown.clear();
    m_answers.clear();
    m_files.clear();
    m_fileCaptions.clear();
    m_menuChoices.clear();
    m_menus.clear();
}

void DialogScript::installFailingDefault()
{
    common::dialogs::setHandler([](const Shown &s) {
        ADD_FAILURE() << "Message box with no DialogScript \"" << s.title.toStdString()
                      << "\": " << s.text.toStdString();
        return refusal(s.buttons);
    });
    common::dialogs::setFileHandler([](const QString &caption, const QString &) {
        ADD_FAILURE() << "File dialog with no DialogScript: " << caption.toStdString();
        return QString();
    });
    common::dialogs::setMenuHandler([](QMenu *menu) -> QAction * {
        ADD_FAILURE() << "Popup menu with no DialogScript: " << captionsOf(menu).toStdString();
        return nullptr;
    });
}
