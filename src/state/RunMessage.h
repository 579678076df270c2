// A message the core has for the user: a message box in the window, a line on the command line.
#pragma once

#include <string>

namespace tenvor {

// What a message reports: the completion of a run, or an error that refused or stopped one (or
// the start of a second instance).
enum class MessageKind { Completion, Error };

struct RunMessage {
    MessageKind kind = MessageKind::Error;
    std::string caption;  // "エラー" or "完了"
    std::string text;     // from the message catalogue, "%s" filled in

    bool operator==(const RunMessage&) const = default;
};

}  // namespace tenvor
