// Helpers shared by the tests: temporary folders, file contents, environment overrides and a
// headless run fixture whose settings and log live in a temporary folder.
#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/TenvorEngine.h"
#include "state/HeadlessWindowState.h"

namespace tenvor::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const;  // path + "/" + name

private:
    std::string path_;
};

// Sets (or with nullopt unsets) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

std::string ReadFile(const std::string& path);
// The entries of a log file's text, without its byte-order mark and the CR LF of each line.
std::vector<std::string> LogEntries(std::string text);
void WriteFile(const std::string& path, std::string_view bytes);
void MakeDir(const std::string& path);
bool Exists(const std::string& path);
// Sets the file's last-write time.
void SetMtime(const std::string& path, std::time_t seconds, long nanoseconds = 0);
// Names of the entries of a folder, sorted.
std::vector<std::string> ListDir(const std::string& path);

std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

// A run without a window: its own temporary settings folder (TENVOR_HOME), input and output
// folders, the window state in memory and an engine on it.
class RunFixture {
public:
    RunFixture();

    // Starts the engine (reads the settings); call after writing a settings file, if any.
    void Start();
    RunOutcome RunFile(const std::string& xmlPath);
    RunOutcome RunFolder(const std::string& folder);

    std::string LogText() const;                // the log file's text, BOM included ("" when missing)
    std::vector<std::string> LogLines() const;  // entries without the BOM and CR LF

    TempDir dir;  // holds home/, in/ and out/
    std::string home, in, out;
    HeadlessWindowState window;
    std::unique_ptr<TenvorEngine> engine;
};

}  // namespace tenvor::test
