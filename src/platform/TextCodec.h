// Conversion of the core's UTF-8 text into Windows' Shift_JIS (code page 932).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tenvor {

class Cp932Encoder {
public:
    Cp932Encoder();
    ~Cp932Encoder();
    Cp932Encoder(const Cp932Encoder&) = delete;
    Cp932Encoder& operator=(const Cp932Encoder&) = delete;

    // Appends the text in CP932. Each character the code page cannot represent, and each byte
    // that is not valid UTF-8, becomes one "?"; variation selectors (U+FE00 to U+FE0F, U+E0100
    // to U+E01EF) are left out.
    void Append(std::string& out, std::string_view utf8);

private:
    // The CP932 code of a character of the Basic Multilingual Plane, asked of iconv once per
    // character and remembered: a single byte below 0x100, two bytes (lead, trail) otherwise.
    std::uint16_t CodeOf(char32_t character);

    void* descriptor_;  // iconv_t
    std::unique_ptr<std::array<std::uint16_t, 0x10000>> codes_;
};

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
int Utf8SequenceLength(unsigned char lead);

// Decodes the UTF-8 sequence that starts at text[i] into character; returns its length, or 0
// when it is not valid UTF-8 (a stray or overlong byte, a surrogate, a value past U+10FFFF, a
// sequence cut short).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& character);

}  // namespace tenvor
