#include "package/MemberPath.h"

#include <array>

#include "package/MemberName.h"

namespace tenvor {

namespace {

bool IsSeparator(char32_t c)
{
    return c == U'/' || c == U'\\';
}

// Characters no Windows file name holds (the separators are split off before).
bool IsForbidden(char32_t c)
{
    return c < 0x20 || c >= kUndecodableByte || c == U'\\' || c == U':' || c == U'*' || c == U'?' || c == U'"' ||
           c == U'<' || c == U'>' || c == U'|' || c == U'/';
}

char32_t AsciiUpper(char32_t c)
{
    return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
}

bool EqualsIgnoringCase(std::u32string_view text, std::u32string_view upper)
{
    if (text.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (AsciiUpper(text[i]) != upper[i]) {
            return false;
        }
    }
    return true;
}

// The names Windows gives to devices, whatever extension follows them.
bool IsReservedName(std::u32string_view stem)
{
    while (!stem.empty() && stem.back() == U' ') {
        stem.remove_suffix(1);
    }
    static constexpr std::array<std::u32string_view, 6> kNames = {U"CON", U"PRN",    U"AUX",
                                                                  U"NUL", U"CONIN$", U"CONOUT$"};
    for (const std::u32string_view name : kNames) {
        if (EqualsIgnoringCase(stem, name)) {
            return true;
        }
    }
    if (stem.size() != 4 ||
        !(EqualsIgnoringCase(stem.substr(0, 3), U"COM") || EqualsIgnoringCase(stem.substr(0, 3), U"LPT"))) {
        return false;
    }
    const char32_t number = stem[3];
    return (number >= U'0' && number <= U'9') || number == U'\u00B9' || number == U'\u00B2' || number == U'\u00B3';
}

std::string Utf8(std::u32string_view text)
{
    return DisplayText(text);  // no undecodable bytes are left in a sanitised name
}

// UTF-8 text in characters, each invalid byte marked as undecodable.
DecodedName Characters(std::string_view utf8)
{
    return DecodeMemberName(utf8, true, NameEncoding::Utf8);
}

}  // namespace

std::string SanitiseComponent(std::u32string_view component)
{
    std::u32string name(component);
    for (char32_t& c : name) {
        if (IsForbidden(c)) {
            c = U'_';
        }
    }
    for (std::size_t i = name.size(); i > 0 && (name[i - 1] == U'.' || name[i - 1] == U' '); --i) {
        name[i - 1] = U'_';
    }
    const std::size_t dot = name.find(U'.');
    if (IsReservedName(std::u32string_view(name).substr(0, dot))) {
        name = U"_" + (dot == std::u32string::npos ? std::u32string() : name.substr(dot));
    }
    if (name.empty()) {
        name = U"_";
    }
    return Utf8(name);
}

std::string SanitiseFileName(std::string_view utf8Name)
{
    return SanitiseComponent(Characters(utf8Name));
}

std::variant<MemberPath, UnsafeMemberPath> SplitMemberPath(std::u32string_view decodedName)
{
    if (!decodedName.empty() && IsSeparator(decodedName[0])) {
        const std::size_t length = decodedName.size() > 1 && IsSeparator(decodedName[1]) ? 2 : 1;
        return UnsafeMemberPath{Utf8(decodedName.substr(0, length))};
    }
    if (decodedName.size() >= 2 && AsciiUpper(decodedName[0]) >= U'A' && AsciiUpper(decodedName[0]) <= U'Z' &&
        decodedName[1] == U':') {
        return UnsafeMemberPath{Utf8(decodedName.substr(0, 2))};
    }
    MemberPath path;
    std::size_t start = 0;
    while (start <= decodedName.size()) {
        std::size_t end = start;
        while (end < decodedName.size() && !IsSeparator(decodedName[end])) {
            ++end;
        }
        const std::u32string_view component = decodedName.substr(start, end - start);
        if (component == U"..") {
            return UnsafeMemberPath{".."};
        }
        if (!component.empty() && component != U".") {
            path.display.push_back(DisplayText(component));
            path.output.push_back(SanitiseComponent(component));
        }
        start = end + 1;
    }
    return path;
}

bool HasExtension(std::u32string_view name, std::string_view extension)
{
    if (name.size() < extension.size()) {
        return false;
    }
    const std::u32string_view tail = name.substr(name.size() - extension.size());
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (AsciiUpper(tail[i]) != AsciiUpper(static_cast<unsigned char>(extension[i]))) {
            return false;
        }
    }
    return true;
}

std::string PackageFolderName(std::u32string_view zipFileName)
{
    if (HasExtension(zipFileName, ".zip")) {
        zipFileName.remove_suffix(4);
    }
    return SanitiseComponent(zipFileName);
}

std::string PackageFolderName(std::string_view zipFileNameUtf8)
{
    return PackageFolderName(Characters(zipFileNameUtf8));
}

}  // namespace tenvor
