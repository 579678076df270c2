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

std::string MessageText(const RunMessage& message)
{
    std::string text(messageList.at(static_cast<std::size_t>(message.id)));
    std::size_t pos = 0;
    std::size_t next = 0;
    while ((pos = text.find("%s", pos)) != std::string::npos) {
        const std::string argument = next < message.arguments.size() ? message.arguments[next] : std::string();
        ++next;
        text.replace(pos, 2, argument);
        pos += argument.size();
    }
    return text;
}

std::optional<std::string> ReplacedCharactersLine(const RunSummary& summary)
{
    if (summary.replacedCharacters.empty()) {
        return std::nullopt;
    }
    std::string text(kCompletionReplacedCharacters);
    const std::string count = std::to_string(summary.replacedCharacters.size());
    text.replace(text.find("%s"), 2, count);
    return text;
}

}  // namespace tenvor
