#pragma once
// Scripted message boxes for tests: every box shown is recorded; a box that
// asks a question takes the next queued answer, an OK-only notice needs none.
// A question with no answer queued fails the test (answered Cancel/No)
// instead of waiting for a click.
#include "common/dialogs.h"

#include <QList>
#include <QStringList>

class DialogScript {
public:
    DialogScript();
    ~DialogScript(); // fails the test when queued answers were left over
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    // Answers for the next question boxes, in order.
    DialogScript &answer(common::Answer a);
    // The next file dialog returns `path` ("" = cancelled).
    DialogScript &file(const QString &path);
    // The next popup menu chooses the item with that caption ("&" ignored);
    // "" dismisses it.
    DialogScript &menu(const QString &caption);
    // When set, OK notices take queued answers too, and one with none queued
    // fails the test.
    DialogScript &strict(bool on = true);

    const QList<common::dialogs::Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    int count() const { return int(m_shown.size()); }
    common::dialogs::Shown last() const;
    QStringList fileCaptions() const { return m_fileCaptions; }
    // The item captions of each popup menu shown, "|"-separated.
    QStringList menusShown() const { return m_menus; }
    // Forgets what was shown and what is queued.
    void clear();

    // What is installed when no script is: every box fails the test.
    static void installFailingDefault();

private:
    QList<common::dialogs::Shown> m_shown;
    QList<common::Answer> m_answers;
    QStringList m_files;
    QStringList m_fileCaptions;
    QStringList m_menuChoices;
    QStringList m_menus;
    bool m_strict = false;
};
