#include "diag/MessageBoxes.h"

#include "ui/WindowState.h"

namespace tenvor {

int MessageBoxes::OutputMessage(StMessage stMessage)
{
    return window_.ShowMessageBox(MessageText(stMessage.msgIndex, stMessage.insertText), stMessage.caption,
                                  stMessage.msgType);
}

int MessageBoxes::Show(int msgIndex, std::string_view caption, std::string insertText)
{
    messageData = StMessage{msgIndex, 0, std::string(caption), std::move(insertText)};
    return OutputMessage(messageData);
}

}  // namespace tenvor
