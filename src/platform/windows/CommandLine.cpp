#include "platform/CommandLine.h"

#include <windows.h>

#include <memory>

#include "platform/windows/WideText.h"

namespace tenvor {

namespace {

// The array CommandLineToArgvW allocates, given back with LocalFree however the scope is left.
struct LocalFreer {
    void operator()(wchar_t** array) const { ::LocalFree(array); }
};

}  // namespace

std::vector<std::string> ProgramArguments(int /*argc*/, char** /*argv*/)
{
    std::vector<std::string> arguments;
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreer> wide(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (wide != nullptr) {
        for (int i = 0; i < count; ++i) {
            arguments.push_back(Narrow(wide.get()[i]));
        }
    }
    return arguments;
}

}  // namespace tenvor
