// Starting programs of the build on Windows, which has no fork: CreateProcessW with the arguments
// quoted so that the C runtime splits them back as given, extra environment entries, a working
// folder, and standard output and error in files.
#pragma once

#ifdef _WIN32

#include <string>
#include <vector>

namespace tenvor::test {

struct ProcessOptions {
    std::vector<std::string> environment;  // extra "NAME=value" entries, replacing those of that name
    std::string workingFolder;             // empty: this process's
    std::string outputPath;                // the file that takes standard output; empty: thrown away
    std::string errorPath;                 // the file that takes standard error; empty: thrown away
    bool outputReadOnly = false;           // standard output on a handle of that file that cannot write
    int timeoutSeconds = 120;              // then the program is killed and the result says so
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    unsigned long exitCode = 0;
    double seconds = 0;
};

// Runs a program (argv[0] is its path) and waits for its end.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options);

// Starts a program and returns its process handle (a HANDLE, for the caller to close), or nullptr
// when it could not be started.
void* StartProcess(const std::vector<std::string>& argv, const ProcessOptions& options);

// The command line that hands these arguments to a program as they are.
std::wstring CommandLine(const std::vector<std::string>& argv);

// What a program wrote to a file in text mode, each CR LF back to the LF it wrote.
std::string TextModeOutput(std::string text);

}  // namespace tenvor::test

#endif
