// The names of a ZIP's members, decoded from their stored bytes.
//
// A name with the UTF-8 flag is UTF-8. A name without it is UTF-8 or code page 932 (Windows'
// own compressed folders write code page 932 without the flag, other tools UTF-8 without it):
// the one of the two its bytes are valid in; when they are valid in both, the one that more of
// the archive's other unflagged names are valid in only, UTF-8 when none tells. (Japanese text
// in UTF-8 is valid code page 932 surprisingly often; the reverse is rare, so UTF-8 is the safe
// guess.) Bytes valid in neither keep what decodes in the encoding that decodes more of them;
// each byte that decodes to nothing is kept as kUndecodableByte + its value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tenvor {

// A name in characters; a byte that decoded to none is kUndecodableByte + the byte.
using DecodedName = std::u32string;
inline constexpr char32_t kUndecodableByte = 0x110000;

enum class NameEncoding { Utf8, Cp932 };

// Counts an archive's unflagged names to tell which encoding those valid in both are in.
class UnflaggedNameVote {
public:
    void Count(std::string_view rawName);
    NameEncoding Result() const;

private:
    std::size_t onlyCp932_ = 0;
    std::size_t onlyUtf8_ = 0;
};

DecodedName DecodeMemberName(std::string_view rawName, bool utf8Flag, NameEncoding unflaggedEncoding);

// The name in UTF-8 for showing: each undecodable byte as it was (the display escapes it).
std::string DisplayText(std::u32string_view name);

}  // namespace tenvor
