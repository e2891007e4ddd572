#include "common/window.h"
#include "support/gui.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <stdexcept>

using common::Window;
namespace windows = common::windows;

namespace {

// What the probe windows did, in order: "frmA:load", "frmA:activate", ...
QStringList &events()
{
    static QStringList e;
    return e;
}

class Probe : public Window {
    Q_OBJECT
public:
    explicit Probe(const QString &name)
        : Window(name)
    {
        setWindowTitle(name + QStringLiteral(" caption"));
        box = new QLineEdit(QStringLiteral("design"), this);
        box->setObjectName(QStringLiteral("txtBox"));
        cmdExit = new QPushButton(QStringLiteral("E&xit"), this);
        cmdExit->setObjectName(QStringLiteral("cmdExit"));
        cmdExit->move(0, 40);
        connect(cmdExit, &QPushButton::clicked, this, [this] {
            unload();
            // Still safe: the object is deleted later.
            box->setText(QStringLiteral("after unload"));
        });
        resize(300, 200);
    }
    QLineEdit *box;
    QPushButton *cmdExit;

protected:
    void formLoad() override
    {
        events() << windowName() + QStringLiteral(":load");
        if (windowName() == QStringLiteral("frmBroken"))
            throw std::runtime_error("load failed");
    }
    void formActivate() override { events() << windowName() + QStringLiteral(":activate"); }
    void formUnload() override { events() << windowName() + QStringLiteral(":unload"); }
};

class WindowModel : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        events().clear();
        for (const char *name : {"frmA", "frmB", "frmC", "frmBroken"})
            windows::registerWindow(
                QString::fromLatin1(name), [n = QString::fromLatin1(name)] { return new Probe(n); });
        windows::registerWindow(QStringLiteral("frmLone"), [] {
            auto *w = new Probe(QStringLiteral("frmLone"));
            w->setStandalone(true);
            return w;
        });
    }
    void TearDown() override
    {
        GuiTest::TearDown();
        windows::setClosingDown(false);
    }
    static Probe *get(const char *name) { return windows::get<Probe>(QString::fromLatin1(name)); }
};

TEST_F(WindowModel, FirstTouchLoadsOneInstance)
{
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmA")), nullptr);
    Probe *a = get("frmA");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(get("frmA"), a);
    EXPECT_EQ(events(), QStringList {"frmA:load"});
    EXPECT_FALSE(a->isVisible()) << "touching a window does not show it";
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmA")), a);
    EXPECT_EQ(windows::loadedNames(), QStringList {"frmA"});
    EXPECT_EQ(windows::get(QStringLiteral("frmNobody")), nullptr);
}

TEST_F(WindowModel, UnloadDiscardsAndNextTouchLoadsDesignValues)
{
    QPointer<Probe> a = get("frmA");
    a->showWindow();
    a->box->setText(QStringLiteral("typed"));
    a->unload();
    a->unload();
    EXPECT_EQ(events().count(QStringLiteral("frmA:unload")), 1);
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmA")), nullptr);
    flushDeferred();
    EXPECT_TRUE(a.isNull());

    Probe *again = get("frmA");
    EXPECT_EQ(again->box->text(), QStringLiteral("design"));
    EXPECT_EQ(events().count(QStringLiteral("frmA:load")), 2);
}

TEST_F(WindowModel, UnloadFromOwnHandlerIsSafe)
{
    QPointer<Probe> a = get("frmA");
    a->showWindow();
    click(a->cmdExit);
    EXPECT_EQ(events().count(QStringLiteral("frmA:unload")), 1);
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmA")), nullptr);
    flushDeferred();
    EXPECT_TRUE(a.isNull());
}

TEST_F(WindowModel, CloseBoxUnloads)
{
    QPointer<Probe> a = get("frmA");
    a->showWindow();
    ASSERT_NE(a->subWindow(), nullptr);
    a->subWindow()->close();
    EXPECT_EQ(events().count(QStringLiteral("frmA:unload")), 1);
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmA")), nullptr);
    flushDeferred();
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(host()->subWindowList().isEmpty());

    QPointer<Probe> lone = get("frmLone");
    lone->showWindow();
    EXPECT_TRUE(lone->isWindow());
    lone->close();
    EXPECT_EQ(events().count(QStringLiteral("frmLone:unload")), 1);
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmLone")), nullptr);
}

TEST_F(WindowModel, ActivateFiresOnShowAndOnReturn)
{
    Probe *a = get("frmA");
    Probe *b = get("frmB");
    a->showWindow();
    a->showWindow(); // already active: no second activation
    b->showWindow();
    EXPECT_EQ(events(), (QStringList {"frmA:load", "frmB:load", "frmA:activate", "frmB:activate"}));

    events().clear();
    host()->setActiveSubWindow(a->subWindow()); // the user clicks A
    a->activateWindowNow(); // and the program activates it too: once
    EXPECT_EQ(events(), QStringList {"frmA:activate"});
    EXPECT_EQ(host()->activeSubWindow(), a->subWindow());
}

TEST_F(WindowModel, ClosingOrHidingTheActiveWindowReactivatesTheOneBefore)
{
    // A opens the picker B; C was opened earlier and stays behind.
    Probe *c = get("frmC");
    c->showWindow();
    Probe *a = get("frmA");
    a->showWindow();
    Probe *b = get("frmB");
    b->showWindow();
    events().clear();

    b->unload();
    EXPECT_EQ(events(), (QStringList {"frmB:unload", "frmA:activate"}));
    EXPECT_EQ(host()->activeSubWindow(), a->subWindow());

    b = get("frmB");
    b->showWindow();
    events().clear();
    b->hideWindow();
    EXPECT_EQ(events(), QStringList {"frmA:activate"});
    EXPECT_FALSE(b->frame()->isVisible());
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmB")), b) << "hidden windows stay loaded";

    events().clear();
    b->showWindow();
    EXPECT_EQ(events(), QStringList {"frmB:activate"});

    // The user closes B with its close box.
    events().clear();
    b->subWindow()->close();
    EXPECT_EQ(events(), (QStringList {"frmB:unload", "frmA:activate"}));
    EXPECT_EQ(host()->activeSubWindow(), a->subWindow());
    flushDeferred();
    events().clear();
    host()->setActiveSubWindow(c->subWindow());
    EXPECT_EQ(events(), QStringList {"frmC:activate"}) << "the platform and our own record agree";
}

TEST_F(WindowModel, ClosingDownLoadsNothing)
{
    Probe *a = get("frmA");
    windows::setClosingDown(true);
    EXPECT_EQ(get("frmA"), a) << "a loaded window stays reachable";
    EXPECT_EQ(get("frmB"), nullptr);
    EXPECT_EQ(windows::show(QStringLiteral("frmB")), nullptr);
    windows::setClosingDown(false);
    EXPECT_NE(get("frmB"), nullptr);
}

TEST_F(WindowModel, UnloadAllRunsEveryUnloadExceptTheKept)
{
    get("frmA")->showWindow();
    get("frmB")->showWindow();
    get("frmC");
    windows::unloadAll({QStringLiteral("frmB")});
    EXPECT_EQ(windows::loadedNames(), QStringList {"frmB"});
    EXPECT_EQ(events().count(QStringLiteral("frmA:unload")), 1);
    EXPECT_EQ(events().count(QStringLiteral("frmC:unload")), 1);
}

TEST_F(WindowModel, MainWindowUnloadsItsChildrenFirst)
{
    // A main window of our own holding the host, as the program's main window does.
    windows::registerWindow(QStringLiteral("frmMain"), [] {
        auto *w = new Probe(QStringLiteral("frmMain"));
        w->setStandalone(true);
        auto *area = new QMdiArea(w);
        area->resize(800, 600);
        windows::setHost(area);
        return w;
    });
    QPointer<Probe> main = get("frmMain");
    main->showWindow();
    QPointer<Probe> a = get("frmA");
    a->showWindow();
    get("frmB")->showWindow();
    ASSERT_NE(a->subWindow(), nullptr);
    EXPECT_EQ(a->subWindow()->mdiArea(), windows::host());
    events().clear();

    main->close(); // the main window's close box
    EXPECT_EQ(events(), (QStringList {"frmB:unload", "frmA:unload", "frmMain:unload"}));
    EXPECT_TRUE(windows::loadedNames().isEmpty());
    flushDeferred();
    EXPECT_TRUE(main.isNull() && a.isNull());
    EXPECT_EQ(windows::host(), nullptr);
}

TEST_F(WindowModel, FailedLoadLeavesNothingLoaded)
{
    EXPECT_THROW(get("frmBroken"), std::runtime_error);
    EXPECT_EQ(windows::ifLoaded(QStringLiteral("frmBroken")), nullptr);
    flushDeferred();
    EXPECT_TRUE(host()->subWindowList().isEmpty());
}

TEST_F(WindowModel, PlacementInTwipsAndCaption)
{
    Probe *a = get("frmA");
    a->moveTwips(1500, 300);
    a->setWidthTwips(7860);
    a->setHeightTwips(5835);
    a->showWindow();
    ASSERT_NE(a->subWindow(), nullptr);
    EXPECT_EQ(a->subWindow()->parentWidget(), host()->viewport());
    EXPECT_EQ(a->subWindow()->pos(), QPoint(100, 20));
    EXPECT_EQ(a->subWindow()->size(), QSize(524, 389));
    EXPECT_EQ(a->leftTwips(), 1500);
    EXPECT_EQ(a->topTwips(), 300);
    EXPECT_EQ(a->subWindow()->windowTitle(), QStringLiteral("frmA caption"));
    a->setWindowTitle(QStringLiteral("Changed"));
    EXPECT_EQ(a->subWindow()->windowTitle(), QStringLiteral("Changed"));

    a->setLeft(0);
    a->setTop(0);
    EXPECT_EQ(a->subWindow()->pos(), QPoint(0, 0));

    Probe *b = get("frmB");
    b->setMaximized();
    b->showWindow();
    EXPECT_TRUE(b->isMaximizedWindow());
    EXPECT_FALSE(a->isMaximizedWindow()) << "maximizing one child leaves the others";
}

} // namespace

#include "window_test.moc"
