#include "platform/TempFile.h"

#include <windows.h>

#include <utility>

#include "platform/windows/WideText.h"

namespace tenvor {

namespace {

HANDLE AsHandle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

std::string SystemText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = ::FormatMessageW(flags, nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                    reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (length == 0) {
        length = ::FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    }
    if (length == 0 || text == nullptr) {
        return "system error " + std::to_string(error);
    }
    std::wstring message(text, length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
        message.pop_back();
    }
    return Narrow(message);
}

}  // namespace

TempFile::~TempFile()
{
    if (handle_ != nullptr) {
        ::CloseHandle(AsHandle(handle_));
    }
}

TempFile::TempFile(TempFile&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), size_(std::exchange(other.size_, 0)), error_(other.error_)
{
}

TempFile& TempFile::operator=(TempFile&& other) noexcept
{
    if (this != &other) {
        if (handle_ != nullptr) {
            ::CloseHandle(AsHandle(handle_));
        }
        handle_ = std::exchange(other.handle_, nullptr);
        size_ = std::exchange(other.size_, 0);
        error_ = other.error_;
    }
    return *this;
}

bool TempFile::Create()
{
    size_ = 0;
    error_ = 0;
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        error_ = static_cast<int>(::GetLastError());
        return false;
    }
    wchar_t name[MAX_PATH + 1];
    if (::GetTempFileNameW(folder, L"tnv", 0, name) == 0) {
        error_ = static_cast<int>(::GetLastError());
        return false;
    }
    // GetTempFileNameW made the file; it is opened again to be deleted when closed.
    const HANDLE handle = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error_ = static_cast<int>(::GetLastError());
        ::DeleteFileW(name);
        return false;
    }
    handle_ = handle;
    return true;
}

bool TempFile::IsOpen() const
{
    return handle_ != nullptr;
}

bool TempFile::Append(std::string_view data)
{
    while (!data.empty()) {
        OVERLAPPED place{};
        place.Offset = static_cast<DWORD>(size_ & 0xFFFFFFFFu);
        place.OffsetHigh = static_cast<DWORD>(size_ >> 32);
        const DWORD chunk = data.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (!::WriteFile(AsHandle(handle_), data.data(), chunk, &written, &place) || written == 0) {
            error_ = static_cast<int>(::GetLastError());
            return false;
        }
        size_ += written;
        data.remove_prefix(written);
    }
    return true;
}

long TempFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t length) const
{
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = length > (1u << 30) ? (1u << 30) : static_cast<DWORD>(length);
    DWORD got = 0;
    if (!::ReadFile(AsHandle(handle_), buffer, chunk, &got, &place)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) {
            return 0;
        }
        error_ = static_cast<int>(error);
        return -1;
    }
    return static_cast<long>(got);
}

std::string TempFile::ErrorText() const
{
    return SystemText(static_cast<DWORD>(error_));
}

}  // namespace tenvor
