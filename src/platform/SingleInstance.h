// The guard that keeps a second copy of the tool from running, and the two other process
// services the window asks for at start-up.
//
// On Windows the guard is the named mutex itself. Elsewhere it is an advisory lock (flock) on a
// file of that name in the given folder: the kernel drops the lock when the holder closes it or
// dies, so a crashed instance never blocks the next start. The lock belongs to the open file, so
// two guards in one process also exclude each other.
#pragma once

#include <string>
#include <string_view>

#include "platform/FileDescriptor.h"

namespace tenvor {

class SingleInstance {
public:
    enum class Result {
        Acquired,       // this guard now holds the name
        HeldByAnother,  // another instance holds it
        Unavailable,    // the guard could not be set up (folder or lock file not available)
    };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the name. folder holds the lock file (ignored on Windows); it is created if missing.
    Result Acquire(std::string_view name, const std::string& folder);
    // Gives the name back; does nothing when it is not held.
    void Release();
    bool IsHeld() const;

    // The lock file's path for a name and folder (not used on Windows).
    static std::string LockFilePath(std::string_view name, const std::string& folder);

private:
#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE of the named mutex
#else
    FileDescriptor lockFile_;
#endif
};

// Keeps the system from replacing the window by a ghost window while a run blocks it (Windows);
// nothing elsewhere.
void DisableWindowGhosting();

// Lets the system restart the tool after a crash or an update, without saving or recovering any
// data (Windows restart manager); nothing elsewhere.
void RegisterForRestartOnly();

}  // namespace tenvor
