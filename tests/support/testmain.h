#pragma once
// The run every test program shares: one application object, the dialog
// seam failing on an unscripted dialog, every subsystem's schema registered
// as the program registers it, then the tests.
int runTests(int argc, char **argv);
