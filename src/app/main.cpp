// tenvor: the desktop window of the converter.
#include <QApplication>

#include "app/CTenvorApp.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The window runs its own modal loop; when it ends the program ends, with 0 also for a
    // second instance that was refused.
    return tenvor::theApp.InitInstance() ? QApplication::exec() : 0;
}
