// Reading an INI ("private profile") file as the system reads it: section and key names without
// regard to letter case, the first occurrence of a key winning, a value enclosed in quotation
// marks read without them. On Windows it is the system's own reader; elsewhere inih.
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

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
