#include "diag/MessageBoxes.h"

#include "state/RunObserver.h"

namespace tenvor {

RunMessage MessageBoxes::MessageOf(const StMessage& stMessage)
{
    if (stMessage.insertText.empty()) {
        return RunMessage{stMessage.msgIndex, {}};
    }
    return RunMessage{stMessage.msgIndex, {stMessage.insertText}};
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
    observer_.MessageShown(RunMessage{kMsgRunAborted, {detail}});
}

}  // namespace tenvor
