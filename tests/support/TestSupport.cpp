#include "support/TestSupport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include "platform/TextCodec.h"
#endif

namespace tenvor::test {

namespace fs = std::filesystem;

std::string Join(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    path += kSeparator;
    for (const char c : name) {
        path += c == '/' ? kSeparator : c;
    }
    return path;
}

fs::path NativePath(std::string_view utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const fs::path& path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::string RootedPath(std::string_view relative)
{
#ifdef _WIN32
    return Join("C:", relative);
#else
    return Join("", relative);
#endif
}

#ifdef _WIN32

TempDir::TempDir()
{
    // mkdtemp's part: a name nobody has, created or taken by someone else in between.
    static std::atomic<unsigned> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string name = "tenvor-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(counter.fetch_add(1)) + "-" + std::to_string(now % 1000000);
        fs::path candidate = base / name;
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = Utf8Path(candidate.make_preferred());
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

#else

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "tenvor-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

#endif

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(NativePath(path_), ignored);
}

std::string TempDir::operator/(std::string_view name) const
{
    return Join(path_, name);
}

#ifdef _WIN32

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name))
{
    const std::wstring wideName = NativePath(name_).wstring();
    if (const wchar_t* old = ::_wgetenv(wideName.c_str())) {
        previous_ = Utf8Path(fs::path(old));
    }
    // An empty value removes the variable: Windows has no empty ones.
    ::_wputenv_s(wideName.c_str(), value ? NativePath(*value).c_str() : L"");
}

ScopedEnv::~ScopedEnv()
{
    ::_wputenv_s(NativePath(name_).c_str(), previous_ ? NativePath(*previous_).c_str() : L"");
}

#else

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name))
{
    if (const char* old = std::getenv(name_.c_str())) {
        previous_ = old;
    }
    if (value) {
        ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv()
{
    if (previous_) {
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

#endif

std::string ReadFile(const std::string& path)
{
    std::ifstream file(NativePath(path), std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream file(NativePath(path), std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

void MakeDir(const std::string& path)
{
    fs::create_directories(NativePath(path));
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(NativePath(path), ignored));
}

bool MakeFolderLink(const std::string& target, const std::string& link)
{
    std::error_code error;
    fs::create_directory_symlink(NativePath(target), NativePath(link), error);
#ifdef _WIN32
    if (error) {
        const std::wstring command = L"cmd /c mklink /J \"" + NativePath(link).wstring() + L"\" \"" +
                                     NativePath(target).wstring() + L"\" >NUL 2>NUL";
        static_cast<void>(::_wsystem(command.c_str()));
    }
    const DWORD attributes = ::GetFileAttributesW(NativePath(link).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    return !error && fs::is_symlink(fs::symlink_status(NativePath(link), error));
#endif
}

#ifdef _WIN32

void SetMtime(const std::string& path, std::time_t seconds, long nanoseconds)
{
    // Windows counts 100 ns steps from 1601-01-01.
    const auto ticks = static_cast<ULONGLONG>(static_cast<long long>(seconds) + 11644473600LL) * 10000000ULL +
                       static_cast<ULONGLONG>(nanoseconds / 100);
    const FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFFULL), static_cast<DWORD>(ticks >> 32)};
    HANDLE file = ::CreateFileW(NativePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool set = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, &time, &time);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (!set) {
        throw std::runtime_error("SetFileTime failed for " + path);
    }
}

#else

void SetMtime(const std::string& path, std::time_t seconds, long nanoseconds)
{
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("utimensat failed for " + path);
    }
}

#endif

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(NativePath(path))) {
        names.push_back(Utf8Path(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

#ifdef _WIN32

std::string Utf8ToCp932(std::string_view utf8)
{
    std::string out;
    AppendCp932(out, utf8);
    // The tables write "?" for what they cannot convert, where iconv fails.
    if (std::count(out.begin(), out.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
        throw std::runtime_error("text not representable in code page 932");
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932)
{
    std::string out(cp932.size() * 3 + 4, '\0');
    int outLength = static_cast<int>(out.size());
    int inLength = static_cast<int>(cp932.size());
    const int written = tenvor::Cp932ToUtf8(reinterpret_cast<unsigned char*>(out.data()), &outLength,
                                            reinterpret_cast<const unsigned char*>(cp932.data()), &inLength);
    if (written < 0 || static_cast<std::size_t>(inLength) != cp932.size()) {
        throw std::runtime_error("bytes that are not code page 932");
    }
    out.resize(static_cast<std::size_t>(outLength));
    return out;
}

LockedFile::LockedFile(const std::string& path)
    : handle_(::CreateFileW(NativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

LockedFile::~LockedFile()
{
    if (IsLocked()) {
        ::CloseHandle(static_cast<HANDLE>(handle_));
    }
}

bool LockedFile::IsLocked() const
{
    return handle_ != INVALID_HANDLE_VALUE;
}

#else

namespace {

std::string Convert(std::string_view text, const char* to, const char* from)
{
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("iconv_open failed");
    }
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1)) {
        throw std::runtime_error("iconv failed");
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8)
{
    return Convert(utf8, "CP932", "UTF-8");
}

std::string Cp932ToUtf8(std::string_view cp932)
{
    return Convert(cp932, "UTF-8", "CP932");
}

#endif

RunFixture::RunFixture() : home(dir / "home"), in(dir / "in"), out(dir / "out")
{
    MakeDir(in);
    MakeDir(out);
    engine = std::make_unique<TenvorEngine>(window, home + kSeparator);
}

void RunFixture::Start()
{
    engine->Start();
}

RunOutcome RunFixture::RunFile(const std::string& xmlPath)
{
    window.fileMode = true;
    window.inputPath = xmlPath;
    return engine->Run(window.Request()).outcome;
}

RunOutcome RunFixture::RunFolder(const std::string& folder)
{
    window.fileMode = false;
    window.inputPath = folder;
    return engine->Run(window.Request()).outcome;
}

std::string RunFixture::LogText() const
{
    return ReadFile(Join(home, "Ver1.20.log"));
}

std::vector<std::string> LogEntries(std::string text)
{
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> RunFixture::LogLines() const
{
    return LogEntries(LogText());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

}  // namespace tenvor::test
