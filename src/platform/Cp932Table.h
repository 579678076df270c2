// The tables of code page 932 (Shift_JIS as Windows writes it), generated at build time from the
// build machine's iconv by tools/cp932. Both directions of every conversion of the program go
// through them, on every system.
#pragma once

#include <cstdint>

namespace tenvor::cp932 {

// The code of each character of the Basic Multilingual Plane: one byte below 0x100, two bytes
// (lead << 8 | trail) above, 0xFFFF when the code page has none.
extern const std::uint16_t kFromUnicode[0x10000];
inline constexpr std::uint16_t kNoCode = 0xFFFF;

// The character each single byte stands for; 0 when it stands for none alone (a lead byte, or
// a byte the code page does not use). Byte 0 itself is U+0000.
extern const std::uint16_t kSingleByte[0x100];
// 1 for the bytes that start two-byte codes.
extern const std::uint16_t kLeadByte[0x100];
// The character of each two-byte code (lead << 8 | trail); 0 when the code stands for none.
extern const std::uint16_t kDoubleByte[0x10000];

}  // namespace tenvor::cp932
