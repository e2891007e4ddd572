// Test main for GUI and database tests: one application object for the
// whole run, headless unless told otherwise.
#include "dialogscript.h"
#include "errors.h"
#include "startup.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    common::Application app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    DialogScript::installFailingDefault();
    app::registerStorage();
    return RUN_ALL_TESTS();
}
