#include "platform/MoveFile.h"

#include <windows.h>

#include <cerrno>

#include "platform/InputFile.h"
#include "platform/windows/WideText.h"

namespace tenvor {

FileMove MoveFileWithoutReplacing(const std::string& from, const std::string& to)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing name is refused; without
    // MOVEFILE_COPY_ALLOWED the file is renamed, never copied.
    if (::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) {
        return {};
    }
    const DWORD error = ::GetLastError();
    switch (error) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return {MoveOutcome::TargetExists, {}};
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return {MoveOutcome::Failed, SystemErrorText(ENOENT)};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return {MoveOutcome::Failed, SystemErrorText(EACCES)};
        default:
            return {MoveOutcome::Failed, "Windows error " + std::to_string(error)};
    }
}

}  // namespace tenvor
