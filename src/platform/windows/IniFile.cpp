#include "platform/IniFile.h"

#include <windows.h>

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

}  // namespace tenvor
