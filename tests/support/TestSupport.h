// Helpers shared by the tests: temporary folders, file contents, environment overrides and a
// headless run fixture whose settings and log live in a temporary folder.
#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/TenvorEngine.h"
#include "support/RecordingFrontEnd.h"

namespace tenvor::test {

// The separator the program joins paths with, so that tests can compare the paths it reports.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// folder + separator + name, each '/' inside name written as the separator.
std::string Join(std::string_view folder, std::string_view name);

// A path of the tests' UTF-8 text for std::filesystem and the file streams, and back (a narrow
// path would be read in the ANSI code page on Windows).
std::filesystem::path NativePath(std::string_view utf8);
std::string Utf8Path(const std::filesystem::path& path);

// A path at the root of the file system, for paths that are written but never opened:
// "/in/a.xml" for "in/a.xml", C:\in\a.xml on Windows.
std::string RootedPath(std::string_view relative);

// A fresh folder under the system's temporary folder, removed with everything in it. Its path
// uses the system's separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const;  // Join(path, name)

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
// The lines of a text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);
// The entries of a log file's text, without its byte-order mark and the CR LF of each line.
std::vector<std::string> LogEntries(std::string text);
void WriteFile(const std::string& path, std::string_view bytes);
void MakeDir(const std::string& path);
bool Exists(const std::string& path);
// Makes link lead to the folder target: a symbolic link; on Windows a directory symbolic link or,
// where that needs a privilege the test lacks, a junction (mklink /J). False when the system does
// not let the test make one that it then reports as a link (a reparse point on Windows).
bool MakeFolderLink(const std::string& target, const std::string& link);
// Sets the file's last-write time.
void SetMtime(const std::string& path, std::time_t seconds, long nanoseconds = 0);
// Names of the entries of a folder, sorted.
std::vector<std::string> ListDir(const std::string& path);

// Code page 932 conversions that throw on text they cannot convert. Elsewhere they are the
// system's iconv, independent of the program; Windows has no iconv, and there they are the
// program's own tables (made from the build machine's iconv).
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

#ifdef _WIN32
// Holds a file open without sharing it, as a program that locks the file would, until it goes.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool IsLocked() const;

private:
    void* handle_;  // HANDLE
};
#endif

// A run without a window: its own temporary settings folder (TENVOR_HOME), input and output
// folders, a recording front end and an engine reporting to it.
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
    RecordingFrontEnd window;
    std::unique_ptr<TenvorEngine> engine;
};

}  // namespace tenvor::test
