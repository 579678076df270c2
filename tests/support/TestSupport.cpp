#include "support/TestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tenvor::test {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "tenvor-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(std::string_view name) const
{
    return path_ + "/" + std::string(name);
}

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

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

void MakeDir(const std::string& path)
{
    fs::create_directories(path);
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

void SetMtime(const std::string& path, std::time_t seconds, long nanoseconds)
{
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("utimensat failed for " + path);
    }
}

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

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

RunFixture::RunFixture() : home(dir / "home"), in(dir / "in"), out(dir / "out")
{
    MakeDir(in);
    MakeDir(out);
    engine = std::make_unique<TenvorEngine>(window, home + "/");
}

void RunFixture::Start()
{
    engine->Start();
}

RunOutcome RunFixture::RunFile(const std::string& xmlPath)
{
    window.fileMode = true;
    window.inputPath = xmlPath;
    return engine->Run().outcome;
}

RunOutcome RunFixture::RunFolder(const std::string& folder)
{
    window.fileMode = false;
    window.inputPath = folder;
    return engine->Run().outcome;
}

std::string RunFixture::LogText() const
{
    return ReadFile(home + "/Ver1.20.log");
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

}  // namespace tenvor::test
