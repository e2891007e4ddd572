// Test main for GUI and database tests: one application object for the
// whole run, headless unless told otherwise.
#include "common/errors.h"
#include "support/dialogscript.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    common::Application app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    DialogScript::installFailingDefault();
    return RUN_ALL_TESTS();
}
