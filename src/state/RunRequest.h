// What a front end asks the core to do when the user starts a run: the inputs, the output folder,
// the encoding and the options, as the front end holds them at that moment.
// The core never asks a front end for a choice during a run.
#pragma once

#include <string>
#include <vector>

#include "shared/OutputEncoding.h"

namespace tenvor {

enum class InputMode {
    File,    // one XML file, or one ZIP file of notifications
    Folder,  // the XML files directly inside a folder (and, when recursive, its ZIP files and subfolders)
};

// One input as the user gave it.
struct RunInput {
    InputMode mode = InputMode::File;
    std::string path;
};

struct RunRequest {
    // Checked in order before anything is read: the first that is missing or unusable refuses
    // the run. One run, one report, however many there are.
    std::vector<RunInput> inputs;
    // The folder the CSV files go into; empty means each input's own folder (for a ZIP, the
    // folder that holds it), which the run then reports as decided when it writes its first file.
    std::string outputFolder;
    // An output folder given that does not exist, or is a file, refuses the run before anything
    // is read or logged; otherwise each file fails on it.
    bool refuseUnusableOutputFolder = false;
    OutputEncoding encoding = OutputEncoding::ShiftJis;
    // Folder inputs also take the XML and ZIP files of their subfolders, at any depth; there, as
    // inside every ZIP, a document that is not a notification is passed over.
    bool recursive = false;
    // Inputs whose CSV file exists are left out quietly: no error record, no log entry. For runs
    // that pick up where an earlier one ended.
    bool skipExistingQuietly = false;
    // The workbook of everything the run converts (a new .xlsx file), written when the run ends;
    // empty for none.
    std::string workbookPath;
    // workbookPath is a file name for the folder the CSV files go into: the output folder, or
    // without one the first input's own folder (as for its CSV files: for a ZIP the folder that
    // holds it, for a folder input the folder itself), which is where the first CSV file goes
    // when the run has one input. The run is refused for the workbook at that path.
    bool workbookInOutputRoot = false;
};

}  // namespace tenvor
