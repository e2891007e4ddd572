#include "support/gui.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMainWindow>
#include <QTest>

void typeText(QWidget *box, const QString &text)
{
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(box, text);
}

void pressEnter(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Return);
}

void pressKey(QWidget *w, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(w, key, modifiers);
}

void click(QAbstractButton *button)
{
    if (!button->isVisible()) {
        ADD_FAILURE() << "Button \"" << button->objectName().toStdString() << "\" is not visible";
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

void clickButton(QObject *window, const QString &name)
{
    click(findControl<QAbstractButton>(window, name));
}

void flushDeferred()
{
    common::windows::flushDeleted();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget *focusIn(QWidget *w)
{
    return w->window()->focusWidget();
}

MdiHost::MdiHost()
    : m_main(std::make_unique<QMainWindow>())
    , m_area(new QMdiArea)
{
    m_main->setObjectName(QStringLiteral("testMainWindow"));
    m_area->setObjectName(QStringLiteral("testMdiArea"));
    m_main->setCentralWidget(m_area);
    // The offscreen platform's screen is 800x800: clicks beyond it are lost.
    m_main->resize(800, 780);
    m_main->show();
    common::windows::setHost(m_area);
    m_main->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(m_main.get())) << "test main window did not become active";
}

MdiHost::~MdiHost()
{
    common::windows::setClosingDown(false);
    try {
        common::windows::unloadAll();
    } catch (const std::exception &e) {
        ADD_FAILURE() << "Unloading the windows failed: " << e.what();
    }
    flushDeferred();
    common::windows::setHost(nullptr);
    m_main.reset();
    flushDeferred();
}

void GuiTest::SetUp()
{
    common::windows::setClosingDown(false);
    m_dialogs = std::make_unique<DialogScript>();
    m_host = std::make_unique<MdiHost>();
}

void GuiTest::TearDown()
{
    m_host.reset();
    m_dialogs.reset();
}
