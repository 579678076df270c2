#include "faults/ChildProcess.h"

#ifdef _WIN32
#include <winsock2.h>
// After winsock2.h, which must come first.
#include <windows.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "platform/FileSystem.h"
#ifdef _WIN32
#include "support/Process.h"
#include "support/RecordingFrontEnd.h"
#endif

namespace tenvor::test {

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32

void ApplyLimits(const ChildLimits& limits)
{
    if (limits.addressSpaceBytes != 0 && !UnderAddressSanitizer()) {
        const rlimit limit{limits.addressSpaceBytes, limits.addressSpaceBytes};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    if (limits.fileSizeBytes != 0) {
        // Without the signal ignored the process would be killed; ignored, writes come up
        // short and then fail with EFBIG, as on a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limits.fileSizeBytes, limits.fileSizeBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
}

// Forks; the child redirects its standard output and error into pipes and runs inChild, which
// must not return. The parent collects both outputs until the child ends or the time is up.
ChildResult Collect(const std::function<void()>& inChild, const ChildLimits& limits)
{
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ApplyLimits(limits);
        inChild();
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);

    ChildResult result;
    const auto deadline = start + std::chrono::seconds(limits.timeoutSeconds);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                continue;
            }
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.output : result.errorOutput).append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) {
            ::close(fd.fd);
        }
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.peakRssKb = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        result.exited = !result.timedOut;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra)
{
    std::vector<std::string> entries;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra) {
            replaced = replaced || x.substr(0, x.find('=')) == name;
        }
        if (!replaced) {
            entries.push_back(entry);
        }
    }
    entries.insert(entries.end(), extra.begin(), extra.end());
    return entries;
}

#endif

std::string Escape(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string Unescape(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            plain += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

}  // namespace

bool UnderAddressSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

#ifdef _WIN32

bool ChildrenAreIsolated()
{
    return false;
}

ChildResult RunInChild(const std::function<std::string()>& body, const ChildLimits& limits)
{
    if (limits.fileSizeBytes != 0) {
        throw std::invalid_argument("Windows has no limit on the size of the files a process writes");
    }
    ChildResult result;
    const auto start = std::chrono::steady_clock::now();
    try {
        result.output = body();
        result.exitCode = 0;
    } catch (const std::exception& error) {
        result.output = std::string("exception: ") + error.what();
        result.exitCode = 3;
    }
    result.exited = true;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

ChildResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       const ChildLimits& limits, const std::string& workingFolder)
{
    if (limits.fileSizeBytes != 0 || limits.addressSpaceBytes != 0) {
        throw std::invalid_argument("Windows has no limits on a process's files or address space");
    }
    TempDir capture;
    ProcessOptions options;
    options.environment = environment;
    options.workingFolder = workingFolder;
    options.outputPath = capture / "out";
    options.errorPath = capture / "err";
    options.timeoutSeconds = limits.timeoutSeconds;
    const ProcessResult run = RunProcess(argv, options);
    if (!run.started) {
        throw std::runtime_error("cannot start " + argv.at(0));
    }
    ChildResult result;
    result.exited = !run.timedOut;
    result.timedOut = run.timedOut;
    result.exitCode = static_cast<int>(run.exitCode);
    // Both streams are in text mode there: lines end with CR LF.
    result.output = TextModeOutput(ReadFile(options.outputPath));
    result.errorOutput = TextModeOutput(ReadFile(options.errorPath));
    result.seconds = run.seconds;
    return result;
}

namespace {

// The exit status TerminateProcess gives a killed program; tenvor-cli never exits with it.
constexpr UINT kKilled = 0xDEAD;

}  // namespace

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
{
    ProcessOptions options;
    options.environment = environment;
    process_ = StartProcess(argv, options);
}

BackgroundProgram::~BackgroundProgram()
{
    Kill();
    if (process_ != nullptr) {
        ::CloseHandle(static_cast<HANDLE>(process_));
    }
}

bool BackgroundProgram::Started() const
{
    return process_ != nullptr;
}

bool BackgroundProgram::Ended()
{
    if (!ended_ && process_ != nullptr) {
        ended_ = ::WaitForSingleObject(static_cast<HANDLE>(process_), 0) == WAIT_OBJECT_0;
    }
    return ended_;
}

bool BackgroundProgram::Kill()
{
    if (process_ == nullptr || ended_) {
        return false;
    }
    HANDLE process = static_cast<HANDLE>(process_);
    const bool terminated = ::TerminateProcess(process, kKilled) != 0;
    ::WaitForSingleObject(process, INFINITE);
    ended_ = true;
    DWORD exitCode = 0;
    return terminated && ::GetExitCodeProcess(process, &exitCode) && exitCode == kKilled;
}

#else

bool ChildrenAreIsolated()
{
    return true;
}

ChildResult RunInChild(const std::function<std::string()>& body, const ChildLimits& limits)
{
    return Collect(
        [&] {
            std::string report;
            int code = 0;
            try {
                report = body();
            } catch (const std::exception& error) {
                report = std::string("exception: ") + error.what();
                code = 3;
            }
            (void)WriteAll(STDOUT_FILENO, report);  // the parent reads what arrives
            // No destructors, no exit handlers: the parent owns everything but this report.
            ::_exit(code);
        },
        limits);
}

ChildResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       const ChildLimits& limits, const std::string& workingFolder)
{
    std::vector<std::string> args = argv;
    std::vector<std::string> env = EnvironmentWith(environment);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    return Collect(
        [&] {
            const int devNull = ::open("/dev/null", O_RDONLY);
            ::dup2(devNull, STDIN_FILENO);
            if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) {
                ::_exit(125);
            }
            ::execve(argp[0], argp.data(), envp.data());
            ::_exit(126);
        },
        limits);
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment)
{
    std::vector<std::string> args = argv;
    std::vector<std::string> env = EnvironmentWith(environment);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    pid_ = ::fork();
    if (pid_ == 0) {
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(126);
    }
}

BackgroundProgram::~BackgroundProgram()
{
    Kill();
}

bool BackgroundProgram::Started() const
{
    return pid_ > 0;
}

bool BackgroundProgram::Ended()
{
    int status = 0;
    if (!ended_ && pid_ > 0) {
        ended_ = ::waitpid(pid_, &status, WNOHANG) == pid_;
    }
    return ended_;
}

bool BackgroundProgram::Kill()
{
    if (pid_ <= 0 || ended_) {
        return false;
    }
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    ended_ = true;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

#endif

void HookedWindow::ProgressChanged(const Progress& progress)
{
    RecordingFrontEnd::ProgressChanged(progress);
    // A bar at 0 is a new one: the core never moves a bar back.
    if (progress.done == 0 && onBarInitialized) {
        onBarInitialized();
    }
}

void HookedWindow::CounterChanged(int done, int total)
{
    RecordingFrontEnd::CounterChanged(done, total);
    if (onCounter) {
        onCounter(std::to_string(done) + "/" + std::to_string(total));
    }
}

std::string RunReport::Encode() const
{
    std::string text = "outcome\t" + outcome + "\n";
    for (const auto& [kind, path] : errors) {
        text += "error\t" + std::to_string(kind) + "\t" + Escape(path) + "\n";
    }
    for (const auto& [caption, message] : messages) {
        text += "message\t" + Escape(caption) + "\t" + Escape(message) + "\n";
    }
    text += "counter\t" + Escape(counter) + "\n";
    return text;
}

RunReport RunReport::Decode(const std::string& text)
{
    RunReport report;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        const std::string key = line.substr(0, tab);
        const std::string rest = tab == std::string::npos ? "" : line.substr(tab + 1);
        const std::size_t second = rest.find('\t');
        if (key == "outcome") {
            report.outcome = rest;
        } else if (key == "error" && second != std::string::npos) {
            report.errors.emplace_back(std::stoi(rest.substr(0, second)), Unescape(rest.substr(second + 1)));
        } else if (key == "message" && second != std::string::npos) {
            report.messages.emplace_back(Unescape(rest.substr(0, second)), Unescape(rest.substr(second + 1)));
        } else if (key == "counter") {
            report.counter = Unescape(rest);
        } else {
            report.outcome = "undecodable report: " + text;
            return report;
        }
    }
    return report;
}

Harness::Harness() : home(dir / "home"), in(dir / "in"), out(dir / "out"), engine(window, home + kSeparator)
{
    MakeDir(in);
    MakeDir(out);
    window.outputFolder = out;
    engine.Start();
}

RunReport Harness::Report(RunOutcome outcome) const
{
    RunReport report;
    report.outcome = OutcomeName(outcome);
    for (const auto& info : engine.ErrorRecords()) {
        report.errors.emplace_back(ToInt(info.errorKind), info.filePath);
    }
    for (const auto& box : window.messages) {
        report.messages.emplace_back(box.caption, box.text);
    }
    report.counter = window.counterText;
    return report;
}

RunReport Harness::RunFolder(const std::string& folder)
{
    window.fileMode = false;
    window.inputPath = folder;
    window.messages.clear();
    return Report(engine.Run(window.Request()).outcome);
}

RunReport Harness::RunFile(const std::string& path)
{
    window.fileMode = true;
    window.inputPath = path;
    window.messages.clear();
    return Report(engine.Run(window.Request()).outcome);
}

std::string Harness::LogText() const
{
    return ReadFile(Join(home, "Ver1.20.log"));
}

std::string CsvBytes(const std::string& expectedUtf8, OutputEncoding encoding)
{
    std::string crlf;
    for (const char c : expectedUtf8) {
        if (c == '\n') {
            crlf += '\r';
        }
        crlf += c;
    }
    if (encoding == OutputEncoding::Utf8) {
        return "\xEF\xBB\xBF" + crlf;
    }
    return Utf8ToCp932(crlf);
}

std::vector<std::string> FilesBelow(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    const fs::path root = NativePath(folder);
    for (auto it = fs::recursive_directory_iterator(root, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        if (it->is_regular_file(error)) {
            files.push_back(Utf8Path(fs::relative(it->path(), root)));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool AnyFileContains(const std::string& folder, const std::string& text)
{
    for (const std::string& file : FilesBelow(folder)) {
        if (ReadFile(Join(folder, file)).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

#ifdef _WIN32

LoopbackListener::LoopbackListener() : socket_(INVALID_SOCKET)
{
    static const bool winsock = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!winsock) {
        return;
    }
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) {
        return;
    }
    u_long nonBlocking = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (::ioctlsocket(listener, FIONBIO, &nonBlocking) != 0 ||
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::closesocket(listener);
        return;
    }
    socket_ = listener;
    port_ = ntohs(address.sin_port);
}

bool LoopbackListener::ok() const
{
    return socket_ != INVALID_SOCKET;
}

LoopbackListener::~LoopbackListener()
{
    if (ok()) {
        ::closesocket(socket_);
    }
}

bool LoopbackListener::Contacted()
{
    const SOCKET connection = ::accept(socket_, nullptr, nullptr);
    if (connection != INVALID_SOCKET) {
        ::closesocket(connection);
        return true;
    }
    return false;
}

#else

LoopbackListener::LoopbackListener()
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
}

bool LoopbackListener::ok() const
{
    return fd_ >= 0;
}

LoopbackListener::~LoopbackListener()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool LoopbackListener::Contacted()
{
    const int connection = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (connection >= 0) {
        ::close(connection);
        return true;
    }
    return false;
}

#endif

}  // namespace tenvor::test
