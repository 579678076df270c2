// Conversions between the core's UTF-8 text and code page 932 (Shift_JIS as Windows writes it),
// through the tables of Cp932Table.h, and the UTF-8 decoding they rest on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

// The byte-order mark that starts every UTF-8 file the tool writes: UTF-8 CSV files and the log.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The characters a conversion into code page 932 replaced with "?" because the code page has no
// code for them: each once, in the order they first came. The first kListed are kept to be
// named; the rest are counted. Memory stays the same whatever the text: one bit per code point,
// taken when the first character is replaced.
class ReplacedCharacters {
public:
    static constexpr std::size_t kListed = 16;

    void Add(char32_t character);
    void Clear();

    bool Empty() const { return count_ == 0; }
    // How many different characters were replaced.
    std::size_t Count() const { return count_; }
    // The first of them (at most kListed), in the order they first came.
    const std::vector<char32_t>& Listed() const { return listed_; }

private:
    std::vector<char32_t> listed_;
    std::vector<bool> seen_;  // by code point; empty until a character is replaced
    std::size_t count_ = 0;
};

// Appends the text in code page 932. Each character the code page cannot represent, and each
// byte that is not valid UTF-8, becomes one "?"; variation selectors (U+FE00 to U+FE0F, U+E0100
// to U+E01EF) are left out. When replaced is given, each character that became "?" is added to
// it (a byte that is not valid UTF-8 is no character and is not).
void AppendCp932(std::string& out, std::string_view utf8, ReplacedCharacters* replaced = nullptr);

// Converts code page 932 bytes into UTF-8, as the XML parser's input conversions do: reads up to
// *inLength bytes of in and writes up to *outLength bytes to out, then sets both to what was
// read and written. A two-byte code cut off at the end of in is left for the next call. Returns
// the number of bytes written, or -2 at a byte that stands for no character (the counts then
// say how far the conversion got).
int Cp932ToUtf8(unsigned char* out, int* outLength, const unsigned char* in, int* inLength);

// Decodes the code page 932 character that starts at text[i] into character; returns its length
// (1 or 2), or 0 when the byte stands for no character alone or with the byte after it (an unused
// byte, an unmapped two-byte code, a lead byte at the end). Byte 0 is U+0000.
std::size_t DecodeCp932(std::string_view text, std::size_t i, char32_t& character);

// The code page 932 text in UTF-8, or nullopt when any byte of it stands for no character.
std::optional<std::string> Cp932ToUtf8Strict(std::string_view cp932);

// Appends the character (at most U+10FFFF, no surrogate) in UTF-8.
void AppendUtf8(std::string& out, char32_t character);

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
int Utf8SequenceLength(unsigned char lead);

// Decodes the UTF-8 sequence that starts at text[i] into character; returns its length, or 0
// when it is not valid UTF-8 (a stray or overlong byte, a surrogate, a value past U+10FFFF, a
// sequence cut short).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& character);

}  // namespace tenvor
