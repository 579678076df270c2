// The application object: it opens the main window modally, and the program ends when the
// window closes.
#pragma once

namespace tenvor {

class CTenvorApp {
public:
    CTenvorApp();

    // Registers for restart only (the system may restart the tool after a crash or an update;
    // nothing is saved or recovered), opens the main window and runs it to its end. Always
    // false: there is no loop of the application's own after the window.
    bool InitInstance();
};

extern CTenvorApp theApp;

}  // namespace tenvor
