// Shared by the hostile-input and fault tests: running part of a test, or a program, in a child
// process with limits on time, memory and file size, its peak memory measured; a run of the
// engine on a window whose hooks let a test change the world in the middle of a run; and what
// a run leaves behind, in a form that crosses a process boundary.
//
// Windows has no fork: there a part of a test runs in the test's own process, without limits and
// unmeasured, and programs are started with CreateProcessW without limits.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "run/TenvorEngine.h"
#include "support/TestSupport.h"

namespace tenvor::test {

struct ChildLimits {
    int timeoutSeconds = 120;           // then the child is killed and the result says so
    std::size_t addressSpaceBytes = 0;  // RLIMIT_AS, not applied under AddressSanitizer; 0: none
    std::size_t fileSizeBytes = 0;      // RLIMIT_FSIZE with SIGXFSZ ignored: a full disk; 0: none
                                        // (none on Windows, where asking for one throws)
};

struct ChildResult {
    bool exited = false;  // ended by itself, not by a signal
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    std::string output;       // what the body returned, or the program's standard output
    std::string errorOutput;  // the program's standard error
    long peakRssKb = 0;       // 0 where it is not measured (Windows)
    double seconds = 0;
};

// Runs body in a forked child; what it returns comes back as output. On Windows it runs in this
// process, where neither the limits nor the memory apply; a time-out is left to CTest.
ChildResult RunInChild(const std::function<std::string()>& body, const ChildLimits& limits = {});

// Whether RunInChild runs the body in a child whose time and memory are limited and measured.
bool ChildrenAreIsolated();

// Runs a program (argv[0] is its path) with extra environment entries "NAME=value", in the
// given working folder (empty: this process's).
ChildResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       const ChildLimits& limits = {}, const std::string& workingFolder = {});

// A program started in the background with its output thrown away; killed if it still runs when
// the object goes.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool Started() const;
    // True once it has ended, without waiting for it.
    bool Ended();
    // Kills it outright (SIGKILL; TerminateProcess on Windows) and waits for its end. True when
    // the kill ended it, false when it had ended by itself.
    bool Kill();

private:
#ifdef _WIN32
    void* process_ = nullptr;  // HANDLE
#else
    pid_t pid_ = -1;
#endif
    bool ended_ = false;
};

bool UnderAddressSanitizer();

// A window whose hooks run when the run reaches a point: the bar initialised for a folder
// (after the listing and the check for existing CSV files, before any file is read), and each
// counter text ("k/N", shown before file k+1 is handled).
class HookedWindow : public RecordingFrontEnd {
public:
    void ProgressChanged(const Progress& progress) override;
    void CounterChanged(int done, int total) override;

    std::function<void()> onBarInitialized;
    std::function<void(const std::string&)> onCounter;
};

// What a run leaves in memory, encoded so that a child process can hand it back.
struct RunReport {
    std::string outcome;                                        // Refused, Stopped, Completed
    std::vector<std::pair<int, std::string>> errors;            // kind and path, in recording order
    std::vector<std::pair<std::string, std::string>> messages;  // caption and text, in order
    std::string counter;

    std::string Encode() const;
    static RunReport Decode(const std::string& text);
};

// An engine on a hooked window, with its own settings and log folder and input and output
// folders in a temporary folder; nothing outside it is touched.
class Harness {
public:
    Harness();

    RunReport RunFolder(const std::string& folder);
    RunReport RunFile(const std::string& path);
    RunReport Report(RunOutcome outcome) const;
    std::string LogText() const;

    TempDir dir;
    std::string home, in, out;
    HookedWindow window;
    TenvorEngine engine;
};

// The bytes of the CSV file a run writes for a notification, from the generator's expected
// text (UTF-8, lines ended by LF).
std::string CsvBytes(const std::string& expectedUtf8, OutputEncoding encoding);

// Every regular file below a folder (paths relative to it), sorted; hidden files included.
std::vector<std::string> FilesBelow(const std::string& folder);

// True when some file below the folder contains the text.
bool AnyFileContains(const std::string& folder, const std::string& text);

// A TCP listener on the loopback address that never accepts: any attempt to connect to it
// stays in its queue, where the test finds it.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool ok() const;
    int port() const { return port_; }
    // True when a connection has been attempted since the listener started.
    bool Contacted();

private:
#ifdef _WIN32
    std::uintptr_t socket_;  // SOCKET
#else
    int fd_ = -1;
#endif
    int port_ = 0;
};

}  // namespace tenvor::test
