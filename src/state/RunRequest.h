// What a front end asks the core to do when the user starts a run: the input, the output folder,
// the encoding and the options, taken from the front end's controls or arguments at that moment.
// The core never asks a front end for a choice during a run.
#pragma once

#include <string>

#include "shared/OutputEncoding.h"

namespace tenvor {

enum class InputMode {
    File,    // one XML file
    Folder,  // every XML file directly inside a folder
};

struct RunRequest {
    InputMode mode = InputMode::File;
    std::string inputPath;
    // The folder the CSV files go into; empty means the input's own folder, which the run then
    // reports as decided when it writes its first file.
    std::string outputFolder;
    OutputEncoding encoding = OutputEncoding::ShiftJis;
    // Inputs whose CSV file exists are left out quietly: no error record, no log entry. For runs
    // that pick up where an earlier one ended.
    bool skipExistingQuietly = false;
};

}  // namespace tenvor
