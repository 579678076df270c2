#include "shared/OneLineText.h"

#include <cstdio>

#include "platform/TextCodec.h"

namespace tenvor {

namespace {

void AppendHexEscapes(std::string& out, std::string_view bytes)
{
    for (const char c : bytes) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        out += escape;
    }
}

bool NeedsEscape(char32_t character)
{
    return character < 0x20 || character == 0x7F || (character >= 0x80 && character <= 0x9F) || character == 0x2028 ||
           character == 0x2029;
}

}  // namespace

std::string OneLineText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t character = 0;
        const std::size_t length = DecodeUtf8(text, i, character);
        if (length == 0) {
            AppendHexEscapes(out, text.substr(i, 1));
            ++i;
            continue;
        }
        const std::string_view sequence = text.substr(i, length);
        i += length;
        if (!NeedsEscape(character)) {
            out += sequence;
        } else if (character == '\n') {
            out += "\\n";
        } else if (character == '\r') {
            out += "\\r";
        } else if (character == '\t') {
            out += "\\t";
        } else {
            AppendHexEscapes(out, sequence);
        }
    }
    return out;
}

}  // namespace tenvor
