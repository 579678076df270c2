#include "platform/NewFile.h"

#include <windows.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/OutputFolder.h"
#include "platform/PendingFile.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WinHandle.h"

namespace tenvor {

namespace {

HANDLE Handle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

std::string TempName(const std::string& folder)
{
    static std::atomic<unsigned> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, ".tenvor-%lu-%u.tmp", ::GetCurrentProcessId(), counter.fetch_add(1));
    return JoinPath(folder, name);
}

// While marked, the file goes when its last handle closes: a crash or a kill leaves nothing.
bool MarkForDeletion(HANDLE file, bool marked)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = marked ? TRUE : FALSE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Gives the open file its name; fails with ERROR_ALREADY_EXISTS rather than replacing anything.
bool RenameWithoutReplacing(HANDLE file, const std::wstring& target)
{
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    rename->FileName[target.size()] = L'\0';
    return ::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
}

bool ProcessIsRunning(DWORD pid)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) {
        return ::GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to look at
    }
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

// A process that died in the instant between un-marking its temporary file and renaming it
// leaves that file behind. The first new file of a folder removes such files of processes that
// no longer run; a folder is looked at once per process.
void RemoveLeftTemporaryFiles(const std::string& folder)
{
    static std::mutex mutex;
    static std::set<std::string> cleaned;
    {
        std::lock_guard lock(mutex);
        if (!cleaned.insert(folder).second) {
            return;
        }
    }
    WIN32_FIND_DATAW found{};
    const FindHandle search =
        OwnedSearch(::FindFirstFileExW(WidePath(JoinPath(folder, ".tenvor-*.tmp")).c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        return;
    }
    do {
        unsigned long pid = 0;
        unsigned counter = 0;
        const std::string name = Narrow(found.cFileName);
        if (std::sscanf(name.c_str(), ".tenvor-%lu-%u.tmp", &pid, &counter) == 2 && pid != ::GetCurrentProcessId() &&
            !ProcessIsRunning(static_cast<DWORD>(pid))) {
            ::DeleteFileW(WidePath(JoinPath(folder, name)).c_str());
        }
    } while (::FindNextFileW(search.get(), &found));
}

bool IsStorageError(DWORD error)
{
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == ERROR_WRITE_FAULT ||
           error == ERROR_CRC;
}

// The system's words for an error code.
std::string SystemText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    // English when the system has it, like the rest of the command line's own lines.
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

NewFile::~NewFile()
{
    Abort();
}

std::string NewFile::ErrorText() const
{
    return SystemText(static_cast<DWORD>(error_));
}

bool NewFile::Open(const std::string& targetPath)
{
    Abort();
    target_ = targetPath;
    error_ = 0;
    const std::string folder = FolderOf(targetPath);
    RemoveLeftTemporaryFiles(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TempName(folder);
        HANDLE file = ::CreateFileW(WidePath(candidate).c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            if (!MarkForDeletion(file, true)) {
                error_ = static_cast<int>(::GetLastError());
                ::CloseHandle(file);
                ::DeleteFileW(WidePath(candidate).c_str());
                return false;
            }
            handle_ = file;
            tempPath_ = std::move(candidate);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    error_ = static_cast<int>(::GetLastError());
    return false;
}

bool NewFile::Open(const OutputFolder& folder, const std::string& name)
{
    // The folder's chain is held open without sharing deletion, so its path leads to it.
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\:") != std::string::npos) {
        Abort();
        target_ = JoinPath(folder.Path(), name);
        error_ = ERROR_INVALID_NAME;
        return false;
    }
    return Open(JoinPath(folder.Path(), name));
}

bool NewFile::Write(std::string_view data)
{
    while (!data.empty()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), INT_MAX));
        if (!::WriteFile(Handle(handle_), data.data(), chunk, &written, nullptr) || written == 0) {
            error_ = static_cast<int>(::GetLastError());
            return false;
        }
        data.remove_prefix(written);
    }
    return true;
}

NewFile::Publish NewFile::Commit()
{
    if (handle_ == nullptr) {
        return Publish::WriteFailed;
    }
    HANDLE file = Handle(handle_);
    // The data must be on the disk before the file may keep its name.
    if (!::FlushFileBuffers(file)) {
        error_ = static_cast<int>(::GetLastError());
        Abort();
        return Publish::WriteFailed;
    }
    DWORD renameError = 0;
    if (!MarkForDeletion(file, false)) {
        renameError = ::GetLastError();
    } else if (!RenameWithoutReplacing(file, WidePath(AbsolutePath(target_)))) {
        renameError = ::GetLastError();
        MarkForDeletion(file, true);
    }
    if (renameError != 0) {
        error_ = static_cast<int>(renameError);
        Abort();
        if (renameError == ERROR_ALREADY_EXISTS || renameError == ERROR_FILE_EXISTS) {
            return Publish::AlreadyExists;
        }
        return IsStorageError(renameError) ? Publish::WriteFailed : Publish::Refused;
    }
    handle_ = nullptr;
    tempPath_.clear();  // it is the target now
    if (!::CloseHandle(file)) {
        error_ = static_cast<int>(::GetLastError());
        return Publish::WriteFailed;
    }
    return Publish::Done;
}

void NewFile::Abort()
{
    if (handle_ != nullptr) {
        // Marked for deletion: closing the only handle removes the temporary file.
        ::CloseHandle(Handle(handle_));
        handle_ = nullptr;
    }
    tempPath_.clear();
}

PendingFile::PendingFile(std::string targetPath)
    : target_(std::move(targetPath)), tempPath_(TempName(FolderOf(target_)))
{
}

PendingFile::~PendingFile()
{
    Discard();
}

std::string PendingFile::ErrorText() const
{
    return SystemText(static_cast<DWORD>(error_));
}

bool PendingFile::Reserve()
{
    error_ = 0;
    RemoveLeftTemporaryFiles(FolderOf(target_));
    // Not hidden: the library opens the file again to write it, and Windows refuses to overwrite
    // a hidden file that is opened without saying so.
    HANDLE file = ::CreateFileW(WidePath(tempPath_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = static_cast<int>(::GetLastError());
        return false;
    }
    reserved_ = true;
    ::CloseHandle(file);
    return true;
}

NewFile::Publish PendingFile::Publish()
{
    if (!reserved_) {
        return NewFile::Publish::WriteFailed;
    }
    // Without MOVEFILE_REPLACE_EXISTING, an existing target fails with ERROR_ALREADY_EXISTS.
    if (::MoveFileExW(WidePath(tempPath_).c_str(), WidePath(target_).c_str(), MOVEFILE_WRITE_THROUGH)) {
        reserved_ = false;  // it is the target now
        return NewFile::Publish::Done;
    }
    const DWORD error = ::GetLastError();
    error_ = static_cast<int>(error);
    Discard();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
        return NewFile::Publish::AlreadyExists;
    }
    return IsStorageError(error) ? NewFile::Publish::WriteFailed : NewFile::Publish::Refused;
}

void PendingFile::Discard()
{
    if (reserved_) {
        ::DeleteFileW(WidePath(tempPath_).c_str());
        reserved_ = false;
    }
}

}  // namespace tenvor
