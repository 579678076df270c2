#include "cli/ConvertCommand.h"

#include <cstdio>

#include "cli/ConsoleWindowState.h"
#include "platform/FileSystem.h"
#include "run/TenvorEngine.h"

namespace tenvor::cli {

namespace {

constexpr int kExitClean = 0;
constexpr int kExitWithErrors = 1;
constexpr int kExitRefused = 3;

}  // namespace

std::string PrintablePath(const std::string& path)
{
    std::string printable;
    printable.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            printable += "\\t";
        } else if (c == '\n') {
            printable += "\\n";
        } else if (c == '\r') {
            printable += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            printable += escape;
        } else {
            printable += c;
        }
    }
    return printable;
}

ExitStatus RunConvert(const ConvertOptions& options)
{
    ConsoleWindowState window;
    window.fileMode = options.folderMode ? !*options.folderMode : !IsDirectory(options.path);
    window.inputPath = options.path;
    window.outputFolder = options.outputFolder;
    window.encoding = options.utf8 ? OutputEncoding::Utf8 : OutputEncoding::ShiftJis;

    TenvorEngine engine(window);
    engine.Start();
    const RunSummary summary = engine.Run();
    window.FinishCounter();
    engine.Finish();

    if (summary.outcome != RunOutcome::Completed) {
        return ExitStatus::RefusedOrStopped;
    }
    for (const auto& row : window.rows) {
        std::printf("%s\t%s\t%s\n", row[0].c_str(), row[1].c_str(), PrintablePath(row[2]).c_str());
    }
    std::printf("%s\n", window.completionMessage.c_str());
    std::fflush(stdout);
    return engine.ErrorRecords().empty() ? ExitStatus::Clean : ExitStatus::CompletedWithErrors;
}

}  // namespace tenvor::cli
