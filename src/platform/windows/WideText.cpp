#include "platform/windows/WideText.h"

#include <windows.h>

namespace tenvor {

std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view utf16)
{
    if (utf16.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf16.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::wstring FullPathName(const std::wstring& path)
{
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return {};
    }
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        return {};
    }
    full.resize(written);
    return full;
}

std::wstring WidePath(std::string_view utf8Path)
{
    std::wstring path = Widen(utf8Path);
    constexpr std::size_t kClassicLimit = 248;  // a folder's limit, below MAX_PATH
    if (path.size() < kClassicLimit || path.rfind(L"\\\\?\\", 0) == 0) {
        return path;
    }
    const std::wstring full = FullPathName(path);
    if (full.empty()) {
        return path;
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

}  // namespace tenvor
