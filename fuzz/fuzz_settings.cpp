// Fuzz target: arbitrary bytes as the settings file "Tenvor.ini".
//
// Besides the sanitizers' findings it stops when the result leaves its domain (debug mode is 0
// or 1; on this platform the log's drive is always "C") or when the settings read from the file
// disagree with a plain look-up of the key in the same bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MemoryFile.h"
#include "diag/Settings.h"
#include "platform/IniFile.h"

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
    file.SetContents(data, size);
    const tenvor::StINIData read = tenvor::GetTenvor_IniFileData(file.Path());
    Check(read.DebugFlag == 0 || read.DebugFlag == 1, "DebugFlag outside 0 and 1");
    Check(read.DriveName == "C", "DriveName other than C");

    // The file is read up to a limit far above any real settings file; below it, debug mode is on
    // exactly when the key's value in the text starts with 1.
    if (size <= 64 * 1024) {
        const std::string_view text(reinterpret_cast<const char*>(data), size);
        const std::string flag = tenvor::IniStringInText(text, "Msg_Print", "DebugFlag", "0");
        Check(read.DebugFlag == ((!flag.empty() && flag.front() == '1') ? 1 : 0),
              "the file and a look-up in its text give different settings");
    }
    return 0;
}
