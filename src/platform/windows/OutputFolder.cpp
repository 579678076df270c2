#include "platform/OutputFolder.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/InputFile.h"
#include "platform/windows/WideText.h"

namespace tenvor {

namespace {

bool IsUsableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string WindowsErrorText(DWORD error)
{
    return error == ERROR_ACCESS_DENIED    ? SystemErrorText(EACCES)
           : error == ERROR_PATH_NOT_FOUND ? SystemErrorText(ENOENT)
                                           : "Windows error " + std::to_string(error);
}

// Opens the folder itself, not what a reparse point there leads to (unless followReparsePoint),
// with listing and traversal access, which take part in sharing: without FILE_SHARE_DELETE nobody
// can rename or remove the folder while the handle is open.
HANDLE OpenFolder(const std::string& path, bool followReparsePoint)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followReparsePoint ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return ::CreateFileW(WidePath(path).c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

}  // namespace

OutputFolder::~OutputFolder()
{
    Close();
}

bool OutputFolder::IsOpen() const
{
    return !handles_.empty();
}

void* OutputFolder::Handle() const
{
    return handles_.empty() ? nullptr : handles_.back();
}

std::size_t OutputFolder::MadeCount() const
{
    return static_cast<std::size_t>(std::count(made_.begin(), made_.end(), true));
}

void OutputFolder::Close()
{
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it) {
        ::CloseHandle(static_cast<HANDLE>(*it));
    }
    handles_.clear();
    root_.clear();
    path_.clear();
    names_.clear();
    made_.clear();
}

OutputFolder::Entered OutputFolder::Enter(const std::string& root, const std::vector<std::string>& names)
{
    Close();
    // The root is the user's choice: a link or junction there is followed.
    const std::string rootPath = root.empty() ? std::string(".") : root;
    HANDLE rootHandle = OpenFolder(rootPath, true);
    if (rootHandle == INVALID_HANDLE_VALUE) {
        return {Refusal::System, root, WindowsErrorText(::GetLastError())};
    }
    handles_.push_back(rootHandle);
    root_ = root;
    path_ = root;
    for (const std::string& name : names) {
        const std::string folder = JoinPath(path_, name);
        if (!IsUsableName(name)) {
            RemoveMadeFolders();
            return {Refusal::BadName, folder, {}};
        }
        const bool made = ::CreateDirectoryW(WidePath(folder).c_str(), nullptr) != 0;
        if (!made && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            const DWORD error = ::GetLastError();
            RemoveMadeFolders();
            return {Refusal::System, folder, WindowsErrorText(error)};
        }
        // Checked on the handle that then holds the folder: what is checked is what stays.
        HANDLE child = OpenFolder(folder, false);
        if (child == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (made) {
                ::RemoveDirectoryW(WidePath(folder).c_str());
            }
            RemoveMadeFolders();
            return {Refusal::System, folder, WindowsErrorText(error)};
        }
        BY_HANDLE_FILE_INFORMATION info{};
        const bool examined = ::GetFileInformationByHandle(child, &info) != 0;
        const DWORD attributes = examined ? info.dwFileAttributes : 0;
        if (!examined || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(child);
            RemoveMadeFolders();
            if (!examined) {
                return {Refusal::System, folder, WindowsErrorText(error)};
            }
            return {(attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Refusal::Link : Refusal::NotAFolder, folder, {}};
        }
        handles_.push_back(child);
        names_.push_back(name);
        made_.push_back(made);
        path_ = folder;
    }
    return {};
}

void OutputFolder::RemoveMadeFolders()
{
    // Deepest first: each folder's handle is closed, then the folder goes if it was made and is
    // empty. Its parent is still held, so the path still leads where it led.
    std::vector<std::string> paths;
    std::string path = root_;
    for (const std::string& name : names_) {
        path = JoinPath(path, name);
        paths.push_back(path);
    }
    for (std::size_t depth = names_.size(); depth > 0; --depth) {
        ::CloseHandle(static_cast<HANDLE>(handles_.back()));
        handles_.pop_back();
        if (made_[depth - 1]) {
            ::RemoveDirectoryW(WidePath(paths[depth - 1]).c_str());
        }
    }
    Close();
}

}  // namespace tenvor
