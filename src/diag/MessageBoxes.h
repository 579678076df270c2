// The single way the tool shows a message box: through the window, remembering the last one.
#pragma once

#include <string>
#include <string_view>

#include "diag/MessageCatalog.h"

namespace tenvor {

class WindowState;

class MessageBoxes {
public:
    explicit MessageBoxes(WindowState& window) : window_(window) {}

    // Shows the box the record describes and returns the button pressed.
    int OutputMessage(StMessage stMessage);

    // Sets messageData to {msgIndex, 0, caption, insertText} and shows it.
    int Show(int msgIndex, std::string_view caption, std::string insertText = {});

    // The box of a run stopped by a failure that belongs to no file; detail says what failed.
    void ShowRunAborted(const std::string& detail);

    // The last message of the catalogue shown.
    const StMessage& LastMessage() const { return messageData; }

private:
    WindowState& window_;
    StMessage messageData;  // the last message shown
};

}  // namespace tenvor
