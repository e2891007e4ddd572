#pragma once
// Fixture for picture tests, over any other fixture: the test runs only when
// ORU_SCREENSHOTS names a folder (run under a real display) and saves window
// frames there for a look by eye.
#include "window.h"

#include <QDir>
#include <QMdiSubWindow>
#include <QString>
#include <QTest>

#include <gtest/gtest.h>

template <class Base> class ScreenshotTest : public Base {
protected:
    void SetUp() override
    {
        m_folder = qEnvironmentVariable("ORU_SCREENSHOTS");
        if (m_folder.isEmpty())
            GTEST_SKIP() << "set ORU_SCREENSHOTS to a folder to take the pictures";
        Base::SetUp();
        QDir().mkpath(m_folder);
    }
    // Saves the window's frame as <name>.png once pending paints are done.
    void shoot(common::Window *w, const QString &name)
    {
        QTest::qWait(200);
        w->frame()->grab().save(m_folder + u'/' + name + QStringLiteral(".png"));
    }
    QString m_folder;
};
