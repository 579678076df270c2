// The single way the tool shows a message box: through the window, remembering the last one.
#pragma once

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

    StMessage messageData;

private:
    WindowState& window_;
};

}  // namespace tenvor
