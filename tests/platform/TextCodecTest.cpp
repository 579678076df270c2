#include <gtest/gtest.h>

#include <string>

#include "platform/TextCodec.h"

namespace tenvor {
namespace {

using namespace std::string_literals;

std::string Encode(std::string_view utf8)
{
    Cp932Encoder encoder;
    std::string out;
    encoder.Append(out, utf8);
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

TEST(Cp932Encoder, LongTextAppendsToWhatIsThereAndTheEncoderIsReusable)
{
    Cp932Encoder encoder;
    std::string out = "prefix,";
    std::string input;
    std::string expected = "prefix,";
    for (int i = 0; i < 3000; ++i) {
        input += "あ";
        expected += "\x82\xA0";
    }
    encoder.Append(out, input);
    EXPECT_EQ(out, expected);
    out.clear();
    encoder.Append(out, "\xE3");
    encoder.Append(out, "漢");
    EXPECT_EQ(out, "?\x8A\xBF");
}

}  // namespace
}  // namespace tenvor
