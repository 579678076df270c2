#include "diag/MessageBoxes.h"

#include "state/WindowState.h"

namespace tenvor {

int MessageBoxes::OutputMessage(StMessage stMessage)
{
    return window_.ShowMessageBox(MessageText(stMessage.msgIndex, stMessage.insertText), stMessage.caption,
                                  stMessage.msgType, MessageKindOf(stMessage.msgIndex));
}

int MessageBoxes::Show(int msgIndex, std::string_view caption, std::string insertText)
{
    messageData = StMessage{msgIndex, 0, std::string(caption), std::move(insertText)};
    return OutputMessage(messageData);
}

void MessageBoxes::ShowRunAborted(const std::string& detail)
{
    std::string text(kRunAbortedText);
    text += detail;
    window_.ShowMessageBox(text, std::string(kCaptionError), 0, MessageKind::Error);
}

}  // namespace tenvor
