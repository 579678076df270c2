#include "workbook/WorkbookTarget.h"

#include "platform/FileSystem.h"

namespace tenvor {

std::optional<RefusalReason> CheckWorkbookTarget(const std::string& path)
{
    if (PathExists(path)) {
        return RefusalReason::WorkbookExists;
    }
    std::string folder = FolderOf(path);
    if (IsDirectory(folder)) {
        return std::nullopt;
    }
    while (folder.size() > 1 && IsPathSeparator(folder.back())) {
        folder.pop_back();  // "file/" does not exist where "file" is a file
    }
    return PathExists(folder) ? RefusalReason::WorkbookFolderNotFolder : RefusalReason::WorkbookFolderMissing;
}

std::string DefaultWorkbookName(const std::string& localTimeDigits)
{
    std::string digits = localTimeDigits.substr(0, 14);
    digits.resize(14, '0');
    return "一覧_" + digits.substr(0, 8) + "_" + digits.substr(8) + ".xlsx";
}

}  // namespace tenvor
