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

void AppendUnicodeEscape(std::string& out, char32_t character)
{
    char escape[12];
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(character));
    out += escape;
}

bool NeedsEscape(char32_t character)
{
    return character < 0x20 || character == 0x7F || (character >= 0x80 && character <= 0x9F) || character == 0x2028 ||
           character == 0x2029;
}

bool IsInvisibleFormat(char32_t character)
{
    return character == 0x061C || (character >= 0x200B && character <= 0x200F) ||
           (character >= 0x202A && character <= 0x202E) || (character >= 0x2066 && character <= 0x2069) ||
           character == 0xFEFF;
}

// The one walk over the text: invisible format characters as \uHHHH; with oneLine also line
// breaks, tabs, the other control characters and bytes that are not UTF-8.
std::string Escaped(std::string_view text, bool oneLine)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t character = 0;
        const std::size_t length = DecodeUtf8(text, i, character);
        if (length == 0) {
            if (oneLine) {
                AppendHexEscapes(out, text.substr(i, 1));
            } else {
                out += text[i];
            }
            ++i;
            continue;
        }
        const std::string_view sequence = text.substr(i, length);
        i += length;
        if (IsInvisibleFormat(character)) {
            AppendUnicodeEscape(out, character);
        } else if (!oneLine || !NeedsEscape(character)) {
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

}  // namespace

std::string OneLineText(std::string_view text)
{
    return Escaped(text, true);
}

std::string VisibleText(std::string_view text)
{
    return Escaped(text, false);
}

}  // namespace tenvor
