#include "platform/MoveFile.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/InputFile.h"

namespace tenvor {

FileMove MoveFileWithoutReplacing(const std::string& from, const std::string& to)
{
    int error = 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        error = errno;
        if (error == EINVAL || error == ENOSYS) {
            // File systems without RENAME_NOREPLACE: a hard link also refuses an existing name.
            error = ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
            if (error == 0 && ::unlink(from.c_str()) != 0) {
                error = errno;
                ::unlink(to.c_str());  // the file keeps its old name only
            }
        }
    }
    if (error == 0) {
        return {};
    }
    if (error == EEXIST) {
        return {MoveOutcome::TargetExists, {}};
    }
    return {MoveOutcome::Failed, SystemErrorText(error)};
}

}  // namespace tenvor
