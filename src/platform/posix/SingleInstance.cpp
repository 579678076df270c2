#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"

namespace tenvor {

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

}  // namespace tenvor
