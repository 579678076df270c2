#include "workbook/WorkbookTarget.h"

#include "platform/FileSystem.h"
#include "shared/OneLineText.h"

namespace tenvor {

std::optional<WorkbookTargetProblem> CheckWorkbookTarget(const std::string& path)
{
    if (PathExists(path)) {
        return WorkbookTargetProblem::Exists;
    }
    std::string folder = FolderOf(path);
    if (IsDirectory(folder)) {
        return std::nullopt;
    }
    while (folder.size() > 1 && IsPathSeparator(folder.back())) {
        folder.pop_back();  // "file/" does not exist where "file" is a file
    }
    return PathExists(folder) ? WorkbookTargetProblem::FolderNotAFolder : WorkbookTargetProblem::FolderMissing;
}

std::string WorkbookTargetLine(const std::string& path, WorkbookTargetProblem problem)
{
    const std::string shown = OneLineText(path);
    switch (problem) {
        case WorkbookTargetProblem::Exists:
            return "the workbook " + shown + " already exists";
        case WorkbookTargetProblem::FolderMissing:
            return "the folder of the workbook " + shown + " does not exist";
        case WorkbookTargetProblem::FolderNotAFolder:
            return "the folder of the workbook " + shown + " is not a folder";
    }
    return "the workbook " + shown + " cannot be written";
}

std::string WorkbookTargetMessage(const std::string& path, WorkbookTargetProblem problem)
{
    switch (problem) {
        case WorkbookTargetProblem::Exists:
            return "一覧表と同名のファイルが存在します。\n" + path;
        case WorkbookTargetProblem::FolderMissing:
        case WorkbookTargetProblem::FolderNotAFolder:
            return "一覧表の保存先フォルダが存在しません。\n" + path;
    }
    return path;
}

std::string DefaultWorkbookName(const std::string& localTimeDigits)
{
    std::string digits = localTimeDigits.substr(0, 14);
    digits.resize(14, '0');
    return "一覧_" + digits.substr(0, 8) + "_" + digits.substr(8) + ".xlsx";
}

}  // namespace tenvor
