// Gives a file another name in the same file system without ever replacing a file that has that
// name already: the one step that keeps a file while making room for its successor.
#pragma once

#include <string>

namespace tenvor {

enum class MoveOutcome {
    Moved,         // the file has the new name, and the old name is free
    TargetExists,  // something has the new name; nothing was changed
    Failed,        // the system refused (see systemText); nothing was changed
};

struct FileMove {
    MoveOutcome outcome = MoveOutcome::Moved;
    std::string systemText;  // the system's reason, in the user's words, when Failed
};

FileMove MoveFileWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace tenvor
