// Fuzz target: arbitrary bytes as the settings file "Tenvor.ini".
//
// Besides the sanitizers' findings it stops when the result leaves its domain (debug mode is 0
// or 1; on this platform the log's drive is always "C") or when reading the text and reading
// the same bytes as a file disagree.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MemoryFile.h"
#include "diag/Settings.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static tenvor::fuzz::MemoryFile file("Tenvor.ini");
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const tenvor::StINIData parsed = tenvor::ParseSettingsText(text);
    Check(parsed.DebugFlag == 0 || parsed.DebugFlag == 1, "DebugFlag outside 0 and 1");
    Check(parsed.DriveName == "C", "DriveName other than C");

    // The file is read up to a limit far above any real settings file; below it, the file and
    // the text give the same settings.
    if (size <= 64 * 1024) {
        file.SetContents(data, size);
        const tenvor::StINIData read = tenvor::GetTenvor_IniFileData(file.Path());
        Check(read.DebugFlag == parsed.DebugFlag && read.DriveName == parsed.DriveName,
              "the file and its text give different settings");
    }
    return 0;
}
