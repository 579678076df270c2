#include "platform/AppendFile.h"

#include <windows.h>

#include <climits>

#include "platform/windows/WideText.h"
#include "platform/windows/WinHandle.h"

namespace tenvor {

namespace {

// Another writer (a second copy of the tool logging at the same moment) holds the file for
// the few microseconds of its entry: waiting this long covers it, and a program that keeps the
// file open is told apart.
constexpr int kSharingRetries = 20;
constexpr DWORD kSharingWaitMs = 50;

bool WriteWhole(HANDLE file, std::string_view data)
{
    while (!data.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), INT_MAX));
        if (!::WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool AppendToFile(const std::string& path, std::string_view header, std::string_view record)
{
    // Append-only access puts every write at the end, so an entry stays whole beside other
    // writers; readers may share the file, a program that writes to it may not.
    const std::wstring widePath = WidePath(path);
    WinHandle file;
    for (int attempt = 0; attempt <= kSharingRetries && !file; ++attempt) {
        file = OwnedFile(::CreateFileW(widePath.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && ::GetLastError() == ERROR_SHARING_VIOLATION && attempt < kSharingRetries) {
            ::Sleep(kSharingWaitMs);
        } else if (!file) {
            return false;
        }
    }
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        return false;
    }
    std::string data;
    data.reserve(header.size() + record.size());
    if (size.QuadPart == 0) {
        data += header;
    }
    data += record;
    const bool written = WriteWhole(file.get(), data);
    return ::CloseHandle(file.release()) != 0 && written;
}

}  // namespace tenvor
