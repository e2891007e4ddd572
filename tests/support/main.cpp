// Test main for GUI and database tests: one application object for the
// whole run, headless unless told otherwise.
#include "support/testmain.h"

#include <QByteArray>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runTests(argc, argv);
}
