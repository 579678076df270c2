#include "platform/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace tenvor {

namespace {

constexpr std::uint16_t kNotAsked = 0xFFFF;
constexpr std::uint16_t kUnrepresentable = 0xFFFE;

iconv_t Handle(void* descriptor)
{
    return static_cast<iconv_t>(descriptor);
}

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

Cp932Encoder::Cp932Encoder()
    : descriptor_(::iconv_open("CP932", "UTF-32LE")), codes_(std::make_unique<std::array<std::uint16_t, 0x10000>>())
{
    if (descriptor_ == reinterpret_cast<void*>(static_cast<std::intptr_t>(-1))) {
        throw std::runtime_error("iconv cannot convert to CP932");
    }
    codes_->fill(kNotAsked);
}

Cp932Encoder::~Cp932Encoder()
{
    ::iconv_close(Handle(descriptor_));
}

std::uint16_t Cp932Encoder::CodeOf(char32_t character)
{
    std::uint16_t& code = (*codes_)[character];
    if (code != kNotAsked) {
        return code;
    }
    const unsigned char in[4] = {static_cast<unsigned char>(character), static_cast<unsigned char>(character >> 8), 0,
                                 0};
    char* inPtr = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    std::size_t inLeft = sizeof in;
    char out[8];
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    ::iconv(Handle(descriptor_), nullptr, nullptr, nullptr, nullptr);
    const std::size_t rc = ::iconv(Handle(descriptor_), &inPtr, &inLeft, &outPtr, &outLeft);
    const std::size_t length = static_cast<std::size_t>(outPtr - out);
    if (rc == static_cast<std::size_t>(-1) || length == 0 || length > 2) {
        code = kUnrepresentable;
    } else if (length == 1) {
        code = static_cast<unsigned char>(out[0]);
    } else {
        code =
            static_cast<std::uint16_t>((static_cast<unsigned char>(out[0]) << 8) | static_cast<unsigned char>(out[1]));
    }
    return code;
}

void Cp932Encoder::Append(std::string& out, std::string_view utf8)
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
        // Most characters of the notifications are three-byte sequences (kana, kanji, full-width
        // forms): decoded and looked up here directly. Anything else takes the general way below.
        if ((byte & 0xF0) == 0xE0 && i + 2 < utf8.size()) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const auto third = static_cast<unsigned char>(utf8[i + 2]);
            const char32_t value = (char32_t{byte & 0x0Fu} << 12) | (char32_t{second & 0x3Fu} << 6) | (third & 0x3Fu);
            if (IsContinuation(second) && IsContinuation(third) && value >= 0x800 &&
                (value < 0xD800 || value > 0xDFFF)) {
                if (IsVariationSelector(value)) {
                    i += 3;
                    continue;
                }
                std::uint16_t code = (*codes_)[value];
                if (code == kNotAsked) {
                    code = CodeOf(value);
                }
                i += 3;
                if (code == kUnrepresentable) {
                    *write++ = '?';
                } else if (code < 0x100) {
                    *write++ = static_cast<char>(code);
                } else {
                    *write++ = static_cast<char>(code >> 8);
                    *write++ = static_cast<char>(code & 0xFF);
                }
                continue;
            }
        }
        char32_t character = 0;
        const std::size_t length = DecodeUtf8(utf8, i, character);
        if (length == 0) {
            *write++ = '?';  // a stray byte
            ++i;
            continue;
        }
        i += length;
        if (IsVariationSelector(character)) {
            continue;
        }
        const std::uint16_t code = character < 0x10000 ? CodeOf(character) : kUnrepresentable;
        if (code == kUnrepresentable) {
            *write++ = '?';
        } else if (code < 0x100) {
            *write++ = static_cast<char>(code);
        } else {
            *write++ = static_cast<char>(code >> 8);
            *write++ = static_cast<char>(code & 0xFF);
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

}  // namespace tenvor
