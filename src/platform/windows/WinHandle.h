// Sole owner of a Windows handle: closed when the owner goes, however the scope is left.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace tenvor {

struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
};
using WinHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

// The handle CreateFileW returned, owned; empty when it failed.
inline WinHandle OwnedFile(HANDLE handle)
{
    return WinHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A search of FindFirstFileExW, owned: FindClose when the owner goes.
struct FindCloser {
    void operator()(HANDLE handle) const { ::FindClose(handle); }
};
using FindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

// The search FindFirstFileExW started, owned; empty when it failed (GetLastError still says why).
inline FindHandle OwnedSearch(HANDLE handle)
{
    return FindHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace tenvor
