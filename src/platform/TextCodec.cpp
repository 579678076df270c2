#include "platform/TextCodec.h"

#include <algorithm>
#include <cstdint>

#include "platform/Cp932Table.h"

namespace tenvor {

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// A variation selector only picks the glyph of the character before it; without it the text
// stays the same, so code page 932, which has none, leaves it out.
bool IsVariationSelector(char32_t character)
{
    return (character >= 0xFE00 && character <= 0xFE0F) || (character >= 0xE0100 && character <= 0xE01EF);
}

// Writes the code of one character (not a variation selector), or "?" when there is none (and
// adds the character to replaced, if given).
char* WriteCode(char* write, char32_t character, ReplacedCharacters* replaced)
{
    const std::uint16_t code = character < 0x10000 ? cp932::kFromUnicode[character] : cp932::kNoCode;
    if (code == cp932::kNoCode) {
        *write++ = '?';
        if (replaced != nullptr) {
            replaced->Add(character);
        }
    } else if (code < 0x100) {
        *write++ = static_cast<char>(code);
    } else {
        *write++ = static_cast<char>(code >> 8);
        *write++ = static_cast<char>(code & 0xFF);
    }
    return write;
}

// The UTF-8 bytes of a character of the Basic Multilingual Plane.
int Utf8Length(char32_t character)
{
    return character < 0x80 ? 1 : character < 0x800 ? 2 : 3;
}

unsigned char* WriteUtf8(unsigned char* out, char32_t character)
{
    if (character < 0x80) {
        *out++ = static_cast<unsigned char>(character);
    } else if (character < 0x800) {
        *out++ = static_cast<unsigned char>(0xC0 | (character >> 6));
        *out++ = static_cast<unsigned char>(0x80 | (character & 0x3F));
    } else {
        *out++ = static_cast<unsigned char>(0xE0 | (character >> 12));
        *out++ = static_cast<unsigned char>(0x80 | ((character >> 6) & 0x3F));
        *out++ = static_cast<unsigned char>(0x80 | (character & 0x3F));
    }
    return out;
}

}  // namespace

std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& character)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        character = lead;
        return 1;
    }
    const int length = Utf8SequenceLength(lead);
    if (length == 1 || i + static_cast<std::size_t>(length) > text.size()) {
        return 0;
    }
    char32_t value = lead & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if (!IsContinuation(byte)) {
            return 0;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return 0;
    }
    character = value;
    return static_cast<std::size_t>(length);
}

int Utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    return 1;
}

void ReplacedCharacters::Add(char32_t character)
{
    if (character > 0x10FFFF) {
        return;
    }
    if (seen_.empty()) {
        seen_.resize(0x110000, false);
    }
    if (seen_[character]) {
        return;
    }
    seen_[character] = true;
    ++count_;
    if (listed_.size() < kListed) {
        listed_.push_back(character);
    }
}

void ReplacedCharacters::Clear()
{
    if (count_ == 0) {
        return;
    }
    std::fill(seen_.begin(), seen_.end(), false);
    listed_.clear();
    count_ = 0;
}

void AppendCp932(std::string& out, std::string_view utf8, ReplacedCharacters* replaced)
{
    // A character never takes more bytes in CP932 than in UTF-8: write in place, then trim.
    const std::size_t start = out.size();
    out.resize(start + utf8.size());
    char* write = out.data() + start;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            *write++ = static_cast<char>(byte);
            ++i;
            continue;
        }
        char32_t character = 0;
        std::size_t length = 0;
        if (byte >= 0xE0 && byte <= 0xEF && i + 2 < utf8.size()) {
            // Three bytes, as kana and kanji are: decoded here, by DecodeUtf8's rules.
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const auto third = static_cast<unsigned char>(utf8[i + 2]);
            character = static_cast<char32_t>((byte & 0x0F) << 12 | (second & 0x3F) << 6 | (third & 0x3F));
            const bool valid = IsContinuation(second) && IsContinuation(third) && character >= 0x800 &&
                               (character < 0xD800 || character > 0xDFFF);
            length = valid ? 3 : 0;
        } else {
            length = DecodeUtf8(utf8, i, character);
        }
        if (length == 0) {
            *write++ = '?';  // a stray byte
            ++i;
            continue;
        }
        i += length;
        if (!IsVariationSelector(character)) {
            write = WriteCode(write, character, replaced);
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

std::size_t DecodeCp932(std::string_view text, std::size_t i, char32_t& character)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (cp932::kLeadByte[lead] != 0) {
        if (i + 1 >= text.size()) {
            return 0;
        }
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        const char32_t value = cp932::kDoubleByte[lead << 8 | trail];
        if (value == 0) {
            return 0;
        }
        character = value;
        return 2;
    }
    const char32_t value = cp932::kSingleByte[lead];
    if (value == 0 && lead != 0) {
        return 0;
    }
    character = value;
    return 1;
}

std::optional<std::string> Cp932ToUtf8Strict(std::string_view cp932)
{
    std::string utf8;
    utf8.reserve(cp932.size() * 3 / 2);
    std::size_t i = 0;
    while (i < cp932.size()) {
        char32_t character = 0;
        const std::size_t length = DecodeCp932(cp932, i, character);
        if (length == 0) {
            return std::nullopt;
        }
        AppendUtf8(utf8, character);
        i += length;
    }
    return utf8;
}

void AppendUtf8(std::string& out, char32_t character)
{
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | (character >> 6));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else if (character < 0x10000) {
        out += static_cast<char>(0xE0 | (character >> 12));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (character >> 18));
        out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}

int Cp932ToUtf8(unsigned char* out, int* outLength, const unsigned char* in, int* inLength)
{
    const unsigned char* const inStart = in;
    const unsigned char* const inEnd = in + *inLength;
    unsigned char* const outStart = out;
    unsigned char* const outEnd = out + *outLength;
    int result = 0;
    while (in < inEnd) {
        const unsigned char lead = *in;
        char32_t character = 0;
        int consumed = 1;
        if (cp932::kLeadByte[lead] != 0) {
            if (in + 1 == inEnd) {
                break;  // the trail byte comes with the next call
            }
            character = cp932::kDoubleByte[lead << 8 | in[1]];
            consumed = 2;
        } else {
            character = cp932::kSingleByte[lead];
        }
        if (character == 0 && !(lead == 0 && consumed == 1)) {
            result = -2;
            break;
        }
        if (outEnd - out < Utf8Length(character)) {
            break;  // no room: the rest comes with the next call
        }
        out = WriteUtf8(out, character);
        in += consumed;
    }
    *inLength = static_cast<int>(in - inStart);
    *outLength = static_cast<int>(out - outStart);
    return result == 0 ? *outLength : result;
}

}  // namespace tenvor
