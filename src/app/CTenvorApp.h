// The application object: it holds the single-instance guard, opens the main window modally
// with it, and the program ends when the window closes.
#pragma once

#include "platform/SingleInstance.h"

namespace tenvor {

class CTenvorApp {
public:
    CTenvorApp();

    // Registers for restart only (the system may restart the tool after a crash or an update;
    // nothing is saved or recovered), opens the main window and runs it to its end. Always
    // false: there is no loop of the application's own after the window.
    bool InitInstance();

    // The single-instance guard (the named mutex on Windows, a file lock elsewhere): the window
    // takes it at start-up, where a second instance says so and closes, and gives it back at
    // teardown.
    SingleInstance instanceGuard;
};

extern CTenvorApp theApp;

}  // namespace tenvor
