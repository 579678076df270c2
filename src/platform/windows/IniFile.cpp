#include "platform/IniFile.h"

#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/windows/WideText.h"

namespace tenvor {

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback)
{
    wchar_t value[1024] = {};
    ::GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(fallback).c_str(), value,
                               static_cast<DWORD>(std::size(value)), WidePath(path).c_str());
    return Narrow(value);
}

std::vector<std::string> ReadIniStrings(const std::string& path, std::string_view section, std::span<const IniKey> keys)
{
    const bool readable = PathExists(path) && !IsDirectory(path);
    std::vector<std::string> values;
    for (const IniKey& key : keys) {
        values.push_back(readable ? ReadIniString(path, section, key.name, key.fallback) : std::string(key.fallback));
    }
    return values;
}

}  // namespace tenvor
