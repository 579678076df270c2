#include "diag/MessageBoxes.h"

#include "state/RunObserver.h"

namespace tenvor {

RunMessage MessageBoxes::MessageOf(const StMessage& stMessage)
{
    return RunMessage{MessageKindOf(stMessage.msgIndex), stMessage.caption,
                      MessageText(stMessage.msgIndex, stMessage.insertText)};
}

void MessageBoxes::OutputMessage(const StMessage& stMessage)
{
    observer_.MessageShown(MessageOf(stMessage));
}

void MessageBoxes::Show(int msgIndex, std::string_view caption, std::string insertText)
{
    messageData = StMessage{msgIndex, 0, std::string(caption), std::move(insertText)};
    OutputMessage(messageData);
}

void MessageBoxes::ShowRunAborted(const std::string& detail)
{
    std::string text(kRunAbortedText);
    text += detail;
    observer_.MessageShown(RunMessage{MessageKind::Error, std::string(kCaptionError), std::move(text)});
}

}  // namespace tenvor
