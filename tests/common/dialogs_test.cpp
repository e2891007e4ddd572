#include "common/dialogs.h"
#include "common/errors.h"
#include "support/gui.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>

using common::Answer;
using common::Buttons;
using common::Icon;

TEST(DialogSeam, NumericStylesAndTitle)
{
    DialogScript script;
    script.answer(Answer::Yes).answer(Answer::No).answer(Answer::Cancel).answer(Answer::Ok);
    struct Case {
        int style;
        Buttons buttons;
        Icon icon;
        Answer answer;
    };
    const Case cases[] = {
        {68, Buttons::YesNo, Icon::Information, Answer::Yes},
        {36, Buttons::YesNo, Icon::Question, Answer::No},
        {35, Buttons::YesNoCancel, Icon::Question, Answer::Cancel},
        {49, Buttons::OkCancel, Icon::Exclamation, Answer::Ok},
        {16, Buttons::Ok, Icon::Critical, Answer::Ok},
        {64, Buttons::Ok, Icon::Information, Answer::Ok},
        {0, Buttons::Ok, Icon::None, Answer::Ok},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(common::msgBox(QStringLiteral("text"), c.style), c.answer) << c.style;
        EXPECT_EQ(script.last().buttons, c.buttons) << c.style;
        EXPECT_EQ(script.last().icon, c.icon) << c.style;
        EXPECT_EQ(script.last().title, QStringLiteral("ORU Accounts")) << c.style;
    }
    common::msgBox(QStringLiteral("Wrong password"), 16, QStringLiteral("Login Error"));
    EXPECT_EQ(script.last().title, QStringLiteral("Login Error"));
    EXPECT_EQ(script.last().text, QStringLiteral("Wrong password"));
}

TEST(DialogSeam, UnscriptedQuestionsFailInsteadOfWaiting)
{
    bool yes = true;
    {
        DialogScript script;
        EXPECT_NONFATAL_FAILURE(yes = common::askYesNo(QStringLiteral("sure?")), "Unexpected message box");
        EXPECT_FALSE(yes);
        EXPECT_EQ(script.count(), 1);
    }
    // With no script at all, even a notice fails the test.
    EXPECT_NONFATAL_FAILURE(common::info(QStringLiteral("hello")), "no DialogScript");
}

TEST(DialogSeam, FileDialogIsScripted)
{
    DialogScript script;
    script.file(QStringLiteral("/tmp/out.pdf")).file(QString());
    EXPECT_EQ(
        common::saveFileName(QStringLiteral("Export"), QStringLiteral("a.pdf"), QStringLiteral("*.pdf")),
        QStringLiteral("/tmp/out.pdf"));
    EXPECT_EQ(common::saveFileName(QStringLiteral("Export"), QString(), QString()), QString());
    EXPECT_EQ(script.fileCaptions(), (QStringList {"Export", "Export"}));
}

TEST(DialogSeam, PopupMenusAreScripted)
{
    QMenu menu;
    QAction *edit = menu.addAction(QStringLiteral("&Edit"));
    menu.addSeparator();
    QAction *off = menu.addAction(QStringLiteral("Off"));
    off->setEnabled(false);
    int edits = 0;
    QObject::connect(edit, &QAction::triggered, [&] { ++edits; });
    DialogScript script;
    script.menu(QStringLiteral("Edit")).menu(QString()).menu(QStringLiteral("Off"));
    EXPECT_EQ(common::popupMenu(&menu, QPoint(10, 10)), edit);
    EXPECT_EQ(common::popupMenu(&menu, QPoint(10, 10)), nullptr);
    EXPECT_EQ(common::popupMenu(&menu, QPoint(10, 10)), nullptr) << "a disabled item cannot be chosen";
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(script.menusShown().value(0), QStringLiteral("Edit|Off"));
}

namespace {

class Thrower : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("event failed");
        return QObject::event(e);
    }
};

} // namespace

TEST(Errors, UncaughtErrorsAreShownAndTheProgramGoesOn)
{
    DialogScript script;
    int runs = 0;
    EXPECT_FALSE(common::runGuarded([&] {
        ++runs;
        throw std::runtime_error("Invalid column name 'x'.");
    }));
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.last().text, QStringLiteral("Invalid column name 'x'."));
    EXPECT_EQ(script.last().icon, Icon::Critical);
    EXPECT_EQ(script.last().title, QStringLiteral("ORU Accounts"));
    EXPECT_TRUE(common::runGuarded([&] { ++runs; }));
    EXPECT_EQ(runs, 2);

    // A slot connected through common::on.
    QPushButton button;
    common::on(
        &button, &QPushButton::clicked, &button, [](bool) { throw std::runtime_error("slot failed"); });
    button.click();
    EXPECT_EQ(script.last().text, QStringLiteral("slot failed"));

    // Any event handler: caught where events are dispatched.
    Thrower t;
    QEvent e(QEvent::User);
    QCoreApplication::sendEvent(&t, &e);
    EXPECT_EQ(script.last().text, QStringLiteral("event failed"));
    EXPECT_EQ(script.count(), 3);
}
