// The workbook a run is asked to write: a new file in a folder that exists. Checked before the
// run reads or logs anything, since the workbook never replaces a file.
#pragma once

#include <optional>
#include <string>

namespace tenvor {

enum class WorkbookTargetProblem {
    Exists,            // something of that name is already there
    FolderMissing,     // the folder it would go into does not exist
    FolderNotAFolder,  // that folder is a file
};

// What is wrong with the path, or nothing when a run can write the workbook there.
std::optional<WorkbookTargetProblem> CheckWorkbookTarget(const std::string& path);

// One line for the command line, naming the file: "the workbook FILE already exists".
std::string WorkbookTargetLine(const std::string& path, WorkbookTargetProblem problem);

// The text of the message box that refuses the run, the path on its second line.
std::string WorkbookTargetMessage(const std::string& path, WorkbookTargetProblem problem);

// The name of a workbook the window makes: 一覧_YYYYMMDD_HHMMSS.xlsx for the local time given as
// "YYYYMMDDHHMMSS".
std::string DefaultWorkbookName(const std::string& localTimeDigits);

}  // namespace tenvor
