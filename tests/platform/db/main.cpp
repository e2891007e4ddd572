// The data layer's tests run over the program's schema (their fixtures use
// Menus, Company, LctPswd) and its server setup, registered as the program
// does: a server the administration tool makes opens here too.
#include "app/startup.h"
#include "support/testengine.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    app::registerStorage();
    testengine::install();
    return RUN_ALL_TESTS();
}
