// Fuzz target: arbitrary bytes as the settings file "Tenvor.ini".
//
// Besides the sanitizers' findings it stops when the result leaves its domain (debug mode is 0
// or 1; on this platform the log's drive is always "C") or when reading the text and reading
// the same bytes as a file disagree.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diag/Settings.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }
}

struct SettingsFile {
    SettingsFile()
    {
        fd = ::memfd_create("Tenvor.ini", MFD_CLOEXEC);
        Check(fd >= 0, "memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(fd);
    }

    void SetContents(const std::uint8_t* data, std::size_t size)
    {
        Check(::ftruncate(fd, 0) == 0, "ftruncate failed");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            Check(n > 0, "pwrite failed");
            done += static_cast<std::size_t>(n);
        }
    }

    int fd = -1;
    std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static SettingsFile file;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const tenvor::StINIData parsed = tenvor::ParseSettingsText(text);
    Check(parsed.DebugFlag == 0 || parsed.DebugFlag == 1, "DebugFlag outside 0 and 1");
    Check(parsed.DriveName == "C", "DriveName other than C");

    // The file is read up to a limit far above any real settings file; below it, the file and
    // the text give the same settings.
    if (size <= 64 * 1024) {
        file.SetContents(data, size);
        const tenvor::StINIData read = tenvor::GetTenvor_IniFileData(file.path);
        Check(read.DebugFlag == parsed.DebugFlag && read.DriveName == parsed.DriveName,
              "the file and its text give different settings");
    }
    return 0;
}
