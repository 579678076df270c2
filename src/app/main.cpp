// tenvor: the desktop window of the converter.
//   tenvor              opens the window
//   tenvor --version    prints the version and those of the libraries it runs with, and ends
#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "TenvorVersion.h"
#include "app/CTenvorApp.h"
#include "platform/LibraryVersions.h"
#include "platform/LocalTime.h"

namespace {

// The version text on standard output; 0 once it is written, 3 when it could not be.
int PrintVersion()
{
    std::vector<tenvor::LibraryVersion> libraries = tenvor::LibraryVersions();
    libraries.push_back({"Qt", qVersion()});
    const std::string text = tenvor::VersionText("tenvor " + std::string(tenvor::kVersion), libraries) + "\n";
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return written && std::fflush(stdout) == 0 ? 0 : 3;
}

}  // namespace

int main(int argc, char* argv[])
{
    tenvor::ReadTimeZoneOnce();
    try {
        if (argc == 2 && std::string_view(argv[1]) == "--version") {
            return PrintVersion();
        }
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
