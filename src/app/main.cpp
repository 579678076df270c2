// tenvor: the desktop window of the converter.
#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/CTenvorApp.h"

int main(int argc, char* argv[])
{
    try {
        QApplication application(argc, argv);
        // The window runs its own modal loop; when it ends the program ends, with 0 also for a
        // second instance that was refused.
        return tenvor::theApp.InitInstance() ? QApplication::exec() : 0;
    } catch (const std::exception& e) {
        // Runs never throw; this is start-up or teardown running out of memory.
        std::fprintf(stderr, "tenvor: %s\n", e.what());
        return 3;
    }
}
