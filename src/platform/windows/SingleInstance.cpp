#include "platform/SingleInstance.h"

#include <windows.h>

#include "platform/windows/WideText.h"

namespace tenvor {

SingleInstance::Result SingleInstance::Acquire(std::string_view name, const std::string& /*folder*/)
{
    Release();
    HANDLE handle = ::CreateMutexW(nullptr, TRUE, Widen(name).c_str());
    if (handle == nullptr) {
        return Result::Unavailable;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::SetLastError(0);
        ::CloseHandle(handle);
        return Result::HeldByAnother;
    }
    handle_ = handle;
    return Result::Acquired;
}

void SingleInstance::Release()
{
    if (handle_ != nullptr) {
        ::ReleaseMutex(static_cast<HANDLE>(handle_));
        ::CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
}

bool SingleInstance::IsHeld() const
{
    return handle_ != nullptr;
}

void DisableWindowGhosting()
{
    ::DisableProcessWindowsGhosting();
}

void RegisterForRestartOnly()
{
    // Restart after a crash, a hang or an update; nothing is saved or recovered.
    ::RegisterApplicationRestart(nullptr, 0);
}

}  // namespace tenvor
