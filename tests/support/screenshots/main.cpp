// The screenshots program: pictures of the windows for a look by eye, written
// into the folder ORU_SCREENSHOTS names. Not a test: it asserts nothing.
#include "support/testmain.h"

#include <QByteArray>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    const QString folder = qEnvironmentVariable("ORU_SCREENSHOTS");
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "set ORU_SCREENSHOTS to the folder for the pictures\n");
        return 2;
    }
    // On a real display the pictures show the platform's style; without one, offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return runTests(argc, argv);
}
