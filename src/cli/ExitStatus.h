// The exit statuses of tenvor-cli.
#pragma once

namespace tenvor::cli {

enum class ExitStatus : int {
    Clean = 0,                // the run completed with no error record
    CompletedWithErrors = 1,  // the run completed with error records
    Usage = 2,                // the command line was wrong
    RefusedOrStopped = 3,     // the run was refused or stopped, or the report could not be written
};

inline int ToInt(ExitStatus status)
{
    return static_cast<int>(status);
}

}  // namespace tenvor::cli
