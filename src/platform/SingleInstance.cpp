#include "platform/SingleInstance.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"

namespace tenvor {

SingleInstance::~SingleInstance()
{
    Release();
}

std::string SingleInstance::LockFilePath(std::string_view name, const std::string& folder)
{
    return JoinPath(folder, std::string(name) + ".lock");
}

#ifdef _WIN32

SingleInstance::Result SingleInstance::Acquire(std::string_view name, const std::string& /*folder*/)
{
    Release();
    const std::string narrowName(name);
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, narrowName.c_str(), -1, nullptr, 0);
    std::wstring wideName(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, narrowName.c_str(), -1, wideName.data(), length);
    HANDLE handle = ::CreateMutexW(nullptr, TRUE, wideName.c_str());
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

#else

SingleInstance::Result SingleInstance::Acquire(std::string_view name, const std::string& folder)
{
    Release();
    if (!CreateFolders(folder)) {
        return Result::Unavailable;
    }
    const std::string path = LockFilePath(name, folder);
    FileDescriptor lockFile(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lockFile.IsOpen()) {
        return Result::Unavailable;
    }
    int status;
    do {
        status = ::flock(lockFile.Get(), LOCK_EX | LOCK_NB);
    } while (status != 0 && errno == EINTR);
    if (status != 0) {
        return errno == EWOULDBLOCK ? Result::HeldByAnother : Result::Unavailable;
    }
    lockFile_ = std::move(lockFile);
    return Result::Acquired;
}

void SingleInstance::Release()
{
    if (lockFile_.IsOpen()) {
        // Closing the only descriptor of the open file drops the lock. The file stays: removing
        // it would let a starting instance lock a file that a third one is about to replace.
        ::flock(lockFile_.Get(), LOCK_UN);
        lockFile_.Close();
    }
}

bool SingleInstance::IsHeld() const
{
    return lockFile_.IsOpen();
}

void DisableWindowGhosting() {}

void RegisterForRestartOnly() {}

#endif

}  // namespace tenvor
