#include "support/testmain.h"

#include "app/startup.h"
#include "common/errors.h"
#include "support/dialogscript.h"
#include "support/testengine.h"

#include <gtest/gtest.h>

int runTests(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    common::Application app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    DialogScript::installFailingDefault();
    app::registerStorage();
    testengine::install();
    return RUN_ALL_TESTS();
}
