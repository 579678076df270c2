#include "diag/MessageCatalog.h"

namespace tenvor {

std::string MessageText(int msgIndex, const std::string& insertText)
{
    std::string text(messageList.at(static_cast<std::size_t>(msgIndex)));
    std::size_t pos = 0;
    while ((pos = text.find("%s", pos)) != std::string::npos) {
        text.replace(pos, 2, insertText);
        pos += insertText.size();
    }
    return text;
}

}  // namespace tenvor
