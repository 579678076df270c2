// The path of a ZIP member, made safe to put below an output folder.
//
// The decoded name is split on '/' and '\'. A name that would leave the folder it is put in is
// unsafe and nothing of it is used: a ".." component, an absolute path (leading '/' or '\', which
// covers "//server" and "\\server"), or a drive ("C:" at the start). "." components and empty
// ones are dropped. Each remaining component is sanitised the same way on every system, so
// that it is a valid Windows file name:
//   - the characters \ : * ? " < > | and U+0000 to U+001F, and each undecodable byte, become '_';
//   - each dot or space of a trailing run of them becomes '_' ("a." is "a_");
//   - a reserved device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9, LPT0 to LPT9,
//     and COM/LPT with ¹ ² ³, in any letter case, before the first dot, trailing spaces
//     ignored) has that whole part replaced by one '_': "CON.xml" is "_.xml", "lpt1" is "_".
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tenvor {

struct MemberPath {
    std::vector<std::string> display;  // the components as decoded (undecodable bytes as they were)
    std::vector<std::string> output;   // the same components, sanitised
};

struct UnsafeMemberPath {
    std::string part;  // what makes it unsafe: "..", "/", "\\", "C:"
};

std::variant<MemberPath, UnsafeMemberPath> SplitMemberPath(std::u32string_view decodedName);

// One component (no separator in it, not "." or ".."), sanitised as above; never empty.
std::string SanitiseComponent(std::u32string_view component);

// A file name from elsewhere (UTF-8; invalid bytes become '_'), sanitised as a component; ".",
// ".." and the empty name become underscores.
std::string SanitiseFileName(std::string_view utf8Name);

// Whether the name ends with the extension (".xml", ".zip": ASCII, any letter case).
bool HasExtension(std::u32string_view name, std::string_view extension);

// The folder a ZIP's members go to: its file name without ".zip" (any letter case), sanitised.
std::string PackageFolderName(std::u32string_view zipFileName);
std::string PackageFolderName(std::string_view zipFileNameUtf8);

}  // namespace tenvor
