#include "platform/InputFile.h"

namespace tenvor {

std::optional<std::string> ReadFileHead(const std::string& path, std::size_t maxBytes)
{
    InputFile file;
    if (!file.Open(path)) {
        return std::nullopt;
    }
    std::string text(maxBytes, '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const long n = file.Read(text.data() + got, text.size() - got);
        if (n <= 0) {
            break;  // the end, or a read error: what was read stands
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

}  // namespace tenvor
