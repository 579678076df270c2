#include <gtest/gtest.h>
#ifndef _WIN32
#include <iconv.h>
#endif

#include <optional>
#include <string>
#include <vector>

#include "platform/TextCodec.h"

namespace tenvor {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

std::string Encode(std::string_view utf8)
{
    std::string out;
    AppendCp932(out, utf8);
    return out;
}

// Code page 932 bytes in UTF-8, in one call with room enough; nullopt at a byte that stands for
// no character, and what was left for the next call in rest.
std::optional<std::string> Decode(std::string_view cp932, std::string* rest = nullptr)
{
    std::string out(cp932.size() * 3 + 4, '\0');
    int outLength = static_cast<int>(out.size());
    int inLength = static_cast<int>(cp932.size());
    const int result = Cp932ToUtf8(reinterpret_cast<unsigned char*>(out.data()), &outLength,
                                   reinterpret_cast<const unsigned char*>(cp932.data()), &inLength);
    if (result < 0) {
        return std::nullopt;
    }
    EXPECT_EQ(result, outLength);
    if (rest != nullptr) {
        *rest = std::string(cp932.substr(static_cast<std::size_t>(inLength)));
    }
    out.resize(static_cast<std::size_t>(outLength));
    return out;
}

TEST(Cp932Encoder, AsciiAndControlCharactersPassUnchanged)
{
    const std::string ascii = "N2018003,[kanri]\r\n\t\x01~\\ 50%"s + '\0' + "end";
    EXPECT_EQ(Encode(ascii), ascii);
}

TEST(Cp932Encoder, JapaneseCharactersEncodeAsWindowsDoes)
{
    EXPECT_EQ(Encode("あア漢ｱ"), "\x82\xA0\x83\x41\x8A\xBF\xB1");
    // Characters whose mapping differs between Shift_JIS tables.
    EXPECT_EQ(Encode("～－①㈱髙"), "\x81\x60\x81\x7C\x87\x40\x87\x8A\xFB\xFC");
}

TEST(Cp932Encoder, UnrepresentableCharactersBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(Encode("𠮷野家"), "?\x96\xEC\x89\xC6");
    EXPECT_EQ(Encode("a😀b😀😀"), "a?b??");
    EXPECT_EQ(Encode("한"), "?");
    // Variation selectors only pick a glyph: 葛󠄀飾 (U+E0100 after 葛) is 葛飾, and so is 葛︀飾
    // (U+FE00); the edges of both ranges go, their neighbours do not.
    EXPECT_EQ(Encode("葛\U000E0100飾"), "\x8A\x8B\x8F\xFC");
    EXPECT_EQ(Encode("葛\uFE00飾\uFE0F\U000E01EF"), "\x8A\x8B\x8F\xFC");
    EXPECT_EQ(Encode("\uFDFF\uFE10\U000E00FF\U000E01F0"), "????");
}

TEST(Cp932Encoder, ReplacedCharactersAreReportedEachOnceInTheOrderTheyCame)
{
    // 髙 and ① are in the code page; 𠮷, 😀 and 한 are not. A stray byte is no character and a
    // variation selector is left out, not replaced: neither is reported.
    const std::string text = "𠮷野😀髙\xFF𠮷한①葛\U000E0100😀";
    ReplacedCharacters replaced;
    std::string out;
    AppendCp932(out, text, &replaced);
    EXPECT_EQ(out, Encode(text));  // the bytes are the same with or without the report
    EXPECT_EQ(out, "?\x96\xEC?\xFB\xFC???\x87\x40\x8A\x8B?");
    EXPECT_EQ(replaced.Listed(), (std::vector<char32_t>{0x20BB7, 0x1F600, 0xD55C}));
    EXPECT_EQ(replaced.Count(), 3u);

    // The pieces of one file add up; a character already seen is not listed again.
    AppendCp932(out, "🍣𠮷", &replaced);
    EXPECT_EQ(replaced.Listed(), (std::vector<char32_t>{0x20BB7, 0x1F600, 0xD55C, 0x1F363}));
    EXPECT_EQ(replaced.Count(), 4u);

    // Cleared for the next file, which starts afresh; text without a replacement reports none.
    replaced.Clear();
    EXPECT_TRUE(replaced.Empty());
    AppendCp932(out, "山田　髙子", &replaced);
    EXPECT_TRUE(replaced.Empty());
    AppendCp932(out, "😀", &replaced);
    EXPECT_EQ(replaced.Listed(), std::vector<char32_t>{0x1F600});

    // Past the first kListed, the rest are counted, not kept.
    replaced.Clear();
    std::string many;
    for (char32_t c = 0x1F600; c < 0x1F600 + 40; ++c) {
        AppendUtf8(many, c);
        AppendUtf8(many, c);
    }
    AppendCp932(out, many, &replaced);
    EXPECT_EQ(replaced.Count(), 40u);
    ASSERT_EQ(replaced.Listed().size(), ReplacedCharacters::kListed);
    EXPECT_EQ(replaced.Listed().front(), char32_t{0x1F600});
    EXPECT_EQ(replaced.Listed().back(), char32_t{0x1F600 + ReplacedCharacters::kListed - 1});
}

TEST(Cp932Encoder, EachInvalidByteBecomesAQuestionMarkAndTheRestSurvives)
{
    EXPECT_EQ(Encode("a\xFF"
                     "b\x80"),
              "a?b?");
    EXPECT_EQ(Encode("\xC0\xAF"
                     "あ"),
              "??\x82\xA0");  // overlong
    EXPECT_EQ(Encode("\xED\xA0\x80"
                     "あ"),
              "???\x82\xA0");  // surrogate
    // A sequence cut short, followed by a valid character, at the end, and before ASCII.
    EXPECT_EQ(Encode("\xE3\x81"
                     "あ"),
              "??\x82\xA0");
    EXPECT_EQ(Encode("\xF0\x9F\x98"
                     "漢"),
              "???\x8A\xBF");
    EXPECT_EQ(Encode("あ\xE3\x81"), "\x82\xA0??");
    EXPECT_EQ(Encode("\xE3\x81x"), "??x");
}

TEST(Cp932Encoder, LongTextAppendsToWhatIsThere)
{
    std::string out = "prefix,";
    std::string input;
    std::string expected = "prefix,";
    for (int i = 0; i < 3000; ++i) {
        input += "あ";
        expected += "\x82\xA0";
    }
    AppendCp932(out, input);
    EXPECT_EQ(out, expected);
    out.clear();
    AppendCp932(out, "\xE3");
    AppendCp932(out, "漢");
    EXPECT_EQ(out, "?\x8A\xBF");
}

TEST(Cp932Decoder, DecodesAsWindowsDoesAndStopsAtWhatStandsForNothing)
{
    EXPECT_EQ(Decode("\x82\xA0\x83\x41\x8A\xBF\xB1\\~"), "あア漢ｱ\\~");
    EXPECT_EQ(Decode("\x81\x60\x81\x7C\x87\x40\x87\x8A\xFB\xFC"), "～－①㈱髙");
    for (const std::string_view invalid : {"a\x80"sv, "\xA0"sv, "\xFD"sv, "\x85\x40"sv}) {
        EXPECT_EQ(Decode(invalid), std::nullopt) << invalid;
    }
    // A lead byte at the end waits for its trail byte.
    std::string rest;
    EXPECT_EQ(Decode("x\x8A", &rest), "x");
    EXPECT_EQ(rest, "\x8A");
    // Output that does not fit stops before the character that would not fit.
    unsigned char out[4];
    int outLength = 4;
    int inLength = 4;
    EXPECT_EQ(Cp932ToUtf8(out, &outLength, reinterpret_cast<const unsigned char*>("\x82\xA0\x82\xA2"), &inLength), 3);
    EXPECT_EQ(inLength, 2);
}

#ifndef _WIN32
// This machine's iconv, asked directly: the tables the build generated from it must agree with
// it on every character of the Basic Multilingual Plane and on every code of one or two bytes.
std::optional<std::string> Iconv(iconv_t descriptor, const std::string& input)
{
    ::iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    std::string out(16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (::iconv(descriptor, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

TEST(Cp932Tables, AgreeWithTheBuildMachinesIconvInBothDirections)
{
    const iconv_t encode = ::iconv_open("CP932", "UTF-8");
    const iconv_t decode = ::iconv_open("UTF-8", "CP932");
    ASSERT_NE(encode, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(decode, reinterpret_cast<iconv_t>(-1));
    int mismatches = 0;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if ((c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFE00 && c <= 0xFE0F)) {
            continue;
        }
        std::string utf8;
        if (c < 0x80) {
            utf8 = std::string(1, static_cast<char>(c));
        } else if (c < 0x800) {
            utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        }
        if (Encode(utf8) != Iconv(encode, utf8).value_or("?") && ++mismatches < 10) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c);
        }
    }
    for (unsigned lead = 1; lead < 0x100; ++lead) {
        const std::string single(1, static_cast<char>(lead));
        if (Iconv(decode, single)) {
            if (Decode(single) != Iconv(decode, single) && ++mismatches < 10) {
                ADD_FAILURE() << "byte " << std::hex << lead;
            }
            continue;
        }
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            if (Decode(pair) != Iconv(decode, pair) && ++mismatches < 10) {
                ADD_FAILURE() << "bytes " << std::hex << lead << " " << trail;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    ::iconv_close(encode);
    ::iconv_close(decode);
}
#endif

TEST(Cp932StrictDecoder, DecodesWholeTextOrNothing)
{
    EXPECT_EQ(Cp932ToUtf8Strict("\x8C\xF6\x95\xB6\x8F\x91(002)\\~"), "公文書(002)\\~");
    EXPECT_EQ(Cp932ToUtf8Strict("\x95\x5C"), "表");  // a trail byte that is '\' alone
    EXPECT_EQ(Cp932ToUtf8Strict(""), "");
    EXPECT_FALSE(Cp932ToUtf8Strict("abc\x82"));   // a lead byte at the end
    EXPECT_FALSE(Cp932ToUtf8Strict("a\xFFz"));    // a byte the code page does not use
    EXPECT_FALSE(Cp932ToUtf8Strict("\x85\x40"));  // a two-byte code that stands for nothing
    char32_t character = 0;
    EXPECT_EQ(DecodeCp932("\xB1", 0, character), 1u);
    EXPECT_EQ(character, U'\uFF71');  // ｱ
}

}  // namespace
}  // namespace tenvor
