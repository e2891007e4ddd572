#pragma once
// Pictures of the windows for a look by eye. The screenshots program writes
// them into the folder ORU_SCREENSHOTS names (run under a real display to see
// the platform's own style; offscreen works too).
#include "common/window.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QString>
#include <QTest>

#include <gtest/gtest.h>

// The folder the pictures go to; the program's main makes sure it is set.
inline QString screenshotFolder()
{
    return qEnvironmentVariable("ORU_SCREENSHOTS");
}

// Fixture for picture tests over any other fixture.
template <class Base> class ScreenshotTest : public Base {
protected:
    void SetUp() override
    {
        m_folder = screenshotFolder();
        Base::SetUp();
    }
    // Saves the window's frame as <name>.png once pending paints are done.
    void shoot(common::Window *w, const QString &name)
    {
        QTest::qWait(200);
        w->frame()->grab().save(m_folder + u'/' + name + QStringLiteral(".png"));
    }
    QString m_folder;
};
