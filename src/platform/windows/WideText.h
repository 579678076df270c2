// The boundary between the core's UTF-8 text and the UTF-16 of the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; lone surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

// The absolute form of a path as the system resolves it against the current folder and drive
// (GetFullPathNameW); empty when it cannot.
std::wstring FullPathName(const std::wstring& path);

// A path for the wide file API: UTF-16, and an absolute path too long for the classic limit
// (260 characters) in its extended form (\\?\C:\... or \\?\UNC\server\share\...), which
// takes '\' only and no "." or ".." steps.
std::wstring WidePath(std::string_view utf8Path);

}  // namespace tenvor
