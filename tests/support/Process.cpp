#include "support/Process.h"

#include <windows.h>

#include <chrono>
#include <cwchar>

#include "support/TestSupport.h"

namespace tenvor::test {

namespace {

std::wstring Wide(const std::string& utf8)
{
    return NativePath(utf8).wstring();
}

// As the C runtime splits a command line: an argument with blanks or quotes (or an empty one)
// goes in quotes, a quote inside it and the backslashes just before a quote are escaped.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    for (auto it = argument.begin();; ++it) {
        std::size_t backslashes = 0;
        while (it != argument.end() && *it == L'\\') {
            ++it;
            ++backslashes;
        }
        if (it == argument.end()) {
            quoted.append(backslashes * 2, L'\\');
            break;
        }
        if (*it == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        quoted += *it;
    }
    quoted += L'"';
    return quoted;
}

// This process's environment with the extra entries in place of those of the same name (names
// compared without letter case, as Windows does), as a block for CreateProcessW.
std::wstring EnvironmentBlock(const std::vector<std::string>& extra)
{
    std::vector<std::wstring> entries;
    for (const std::string& entry : extra) {
        entries.push_back(Wide(entry));
    }
    auto nameOf = [](const std::wstring& entry) {
        // Entries such as "=C:=C:\dir" start with '=': their name runs up to the second one.
        return entry.substr(0, entry.find(L'=', 1));
    };
    std::wstring block;
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            const std::wstring name = nameOf(entry);
            bool replaced = false;
            for (const std::wstring& wanted : entries) {
                replaced = replaced || ::_wcsicmp(nameOf(wanted).c_str(), name.c_str()) == 0;
            }
            if (!replaced) {
                block += entry;
                block += L'\0';
            }
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

// A handle the child inherits: the file created empty (or opened for reading only), or NUL.
HANDLE InheritedFile(const std::string& path, bool write, bool readOnly)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (path.empty()) {
        return ::CreateFileW(L"NUL", write ? GENERIC_WRITE : GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, nullptr);
    }
    if (!readOnly) {
        return ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    }
    HANDLE created =
        ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) {
        return created;
    }
    ::CloseHandle(created);
    return ::CreateFileW(Wide(path).c_str(), GENERIC_READ, share, &inherit, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

}  // namespace

std::wstring CommandLine(const std::vector<std::string>& argv)
{
    std::wstring line;
    for (const std::string& argument : argv) {
        if (!line.empty()) {
            line += L' ';
        }
        line += Quoted(Wide(argument));
    }
    return line;
}

void* StartProcess(const std::vector<std::string>& argv, const ProcessOptions& options)
{
    if (argv.empty()) {
        return nullptr;
    }
    // The program's path as this process resolves it, whatever folder the program starts in.
    const std::wstring given = Wide(argv[0]);
    std::wstring program(MAX_PATH * 4, L'\0');
    const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(program.size()), program.data(), nullptr);
    if (length == 0 || length >= program.size()) {
        return nullptr;
    }
    program.resize(length);

    HANDLE input = InheritedFile("", false, false);
    HANDLE output = InheritedFile(options.outputPath, true, options.outputReadOnly);
    HANDLE error = InheritedFile(options.errorPath, true, false);
    PROCESS_INFORMATION process{};
    bool started = false;
    if (input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE && error != INVALID_HANDLE_VALUE) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = error;
        std::wstring commandLine = CommandLine(argv);
        std::wstring environment = EnvironmentBlock(options.environment);
        const std::wstring folder = Wide(options.workingFolder);
        started = ::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                   CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                                   folder.empty() ? nullptr : folder.c_str(), &startup, &process) != 0;
    }
    for (HANDLE handle : {input, output, error}) {
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
    if (!started) {
        return nullptr;
    }
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options)
{
    ProcessResult result;
    const auto start = std::chrono::steady_clock::now();
    HANDLE process = StartProcess(argv, options);
    if (process == nullptr) {
        return result;
    }
    result.started = true;
    if (::WaitForSingleObject(process, static_cast<DWORD>(options.timeoutSeconds) * 1000) == WAIT_TIMEOUT) {
        result.timedOut = true;
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, INFINITE);
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process, &exitCode);
    ::CloseHandle(process);
    result.exitCode = exitCode;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

std::string TextModeOutput(std::string text)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            text[kept++] = text[i];
        }
    }
    text.resize(kept);
    return text;
}

}  // namespace tenvor::test
