// Reading an INI ("private profile") file as the system reads it: section and key names without
// regard to letter case, the first occurrence of a key winning, a value enclosed in quotation
// marks read without them. On Windows it is the system's own reader; elsewhere inih.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

// A key to look up, with the value it has when the file, the section or the key is missing.
struct IniKey {
    std::string_view name;
    std::string_view fallback;
};

// The values of the keys in one section of the INI file at that path, in the order of the keys.
// A missing file, a folder, or a file that cannot be read gives every fallback. Where the text is
// read here rather than by the system (not on Windows), only a regular file is read, so that a
// FIFO or a device in its place never blocks the caller, and reading stops after 64 KiB, far
// beyond any real settings file.
[[nodiscard]] std::vector<std::string> ReadIniStrings(const std::string& path, std::string_view section,
                                                      std::span<const IniKey> keys);

#ifdef _WIN32
// The key's value in the file, or fallback when the file, the section or the key is missing.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback);
#else
// The key's value in an INI file's text, or fallback when the section or the key is missing.
// The text ends at its first NUL byte.
std::string IniStringInText(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view fallback);
#endif

}  // namespace tenvor
