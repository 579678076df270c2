#include "package/MemberName.h"

#include "platform/TextCodec.h"

namespace tenvor {

namespace {

struct Decoding {
    DecodedName text;
    std::size_t undecodable = 0;
};

// The name in one encoding, each byte that decodes to nothing kept as kUndecodableByte + byte.
Decoding Decode(std::string_view raw, NameEncoding encoding)
{
    Decoding result;
    result.text.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        char32_t character = 0;
        const std::size_t length =
            encoding == NameEncoding::Utf8 ? DecodeUtf8(raw, i, character) : DecodeCp932(raw, i, character);
        if (length == 0) {
            result.text += static_cast<char32_t>(kUndecodableByte + static_cast<unsigned char>(raw[i]));
            ++result.undecodable;
            ++i;
        } else {
            result.text += character;
            i += length;
        }
    }
    return result;
}

bool ValidIn(std::string_view raw, NameEncoding encoding)
{
    return Decode(raw, encoding).undecodable == 0;
}

NameEncoding Other(NameEncoding encoding)
{
    return encoding == NameEncoding::Utf8 ? NameEncoding::Cp932 : NameEncoding::Utf8;
}

}  // namespace

void UnflaggedNameVote::Count(std::string_view rawName)
{
    const bool utf8 = ValidIn(rawName, NameEncoding::Utf8);
    const bool cp932 = ValidIn(rawName, NameEncoding::Cp932);
    if (utf8 && !cp932) {
        ++onlyUtf8_;
    } else if (cp932 && !utf8) {
        ++onlyCp932_;
    }
}

NameEncoding UnflaggedNameVote::Result() const
{
    return onlyCp932_ > onlyUtf8_ ? NameEncoding::Cp932 : NameEncoding::Utf8;
}

DecodedName DecodeMemberName(std::string_view rawName, bool utf8Flag, NameEncoding unflaggedEncoding)
{
    if (utf8Flag) {
        return Decode(rawName, NameEncoding::Utf8).text;
    }
    Decoding preferred = Decode(rawName, unflaggedEncoding);
    if (preferred.undecodable == 0) {
        return std::move(preferred.text);
    }
    Decoding other = Decode(rawName, Other(unflaggedEncoding));
    return other.undecodable < preferred.undecodable ? std::move(other.text) : std::move(preferred.text);
}

std::string DisplayText(std::u32string_view name)
{
    std::string text;
    text.reserve(name.size() * 3);
    for (const char32_t character : name) {
        if (character >= kUndecodableByte) {
            text += static_cast<char>(character - kUndecodableByte);
        } else {
            AppendUtf8(text, character);
        }
    }
    return text;
}

}  // namespace tenvor
