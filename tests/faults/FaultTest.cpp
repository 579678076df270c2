// Faults made real during a run (the tests run as root, so permission bits deny nothing): a full
// disk (RLIMIT_FSIZE in a child process), folders and files that vanish or change their nature
// in the middle of a run, a log path that cannot be a file, and the process killed outright.
// Each ends as the run's rules say: which faults stop the run, which only mark one file, and
// that nothing is ever overwritten, half written or left behind. Windows limits no file size:
// there the full disk is not made.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>

#include "NotificationGenerator.h"
#include "ZipBuilder.h"
#include "diag/MessageCatalog.h"
#include "faults/ChildProcess.h"

namespace tenvor {
namespace {

namespace fs = std::filesystem;
using test::ChildLimits;
using test::Harness;
using test::RunReport;
using Errors = std::vector<std::pair<int, std::string>>;
using Messages = std::vector<std::pair<std::string, std::string>>;

const std::string kWriteFailed(messageList[kMsgWriteFailed]);
const std::string kLogUnusable(messageList[kMsgLogFileOpen]);
const std::string kError(kCaptionError);
const std::string kDone(kCaptionCompleted);

[[maybe_unused]] std::string CompletedWith(int errors)
{
    return MessageText(kMsgCompletedWithErrors, std::to_string(errors));
}

class FaultTest : public ::testing::Test {
protected:
    // A notification in the input folder with the given last-write time; returns its path.
    std::string Good(const std::string& name, std::time_t mtime, std::size_t bytes = 0)
    {
        gen::NotificationSpec wanted;
        wanted.formId = "N2018003";
        wanted.persons = 2;
        wanted.seed = static_cast<std::uint32_t>(mtime);
        wanted.targetBytes = bytes;
        const gen::GeneratedNotification notification = gen::Generate(h.engine.Catalogue(), wanted);
        const std::string path = test::Join(h.in, name) + ".xml";
        test::WriteFile(path, notification.bytes);
        test::SetMtime(path, mtime);
        expected[name + ".csv"] = test::CsvBytes(notification.expectedCsv, h.window.encoding);
        return path;
    }

    std::string Broken(const std::string& name, std::time_t mtime)
    {
        const std::string path = test::Join(h.in, name) + ".xml";
        test::WriteFile(path, "<broken");
        test::SetMtime(path, mtime);
        return path;
    }

    // Every CSV file named is in the output folder with exactly the expected bytes.
    void ExpectCsvFiles(const std::vector<std::string>& names)
    {
        for (const std::string& name : names) {
            EXPECT_EQ(test::ReadFile(test::Join(h.out, name)), expected.at(name)) << name;
        }
    }

    std::vector<std::string> LogLines() const { return test::LogEntries(h.LogText()); }

    // Runs in a child whose files may not grow beyond the limit, as on a full disk.
    RunReport WithDiskFull(const std::function<RunReport()>& run, std::size_t limit)
    {
        ChildLimits limits;
        limits.timeoutSeconds = 120;
        limits.fileSizeBytes = limit;
        const test::ChildResult result = test::RunInChild([&] { return run().Encode(); }, limits);
        EXPECT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.errorOutput;
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return RunReport::Decode(result.output);
    }

    Harness h;
    std::map<std::string, std::string> expected;  // CSV name -> bytes
};

constexpr std::time_t T0 = 1767225600;
constexpr std::size_t kDiskLimit = 16 * 1024;
#ifdef _WIN32
constexpr const char* kNoFullDisk =
    "Linux only: a full disk is made with RLIMIT_FSIZE, and Windows has no limit on the size of the files one "
    "process writes";
#endif

// --- A full disk ------------------------------------------------------------------------------

TEST_F(FaultTest, DiskFullWhileWritingStopsTheRunAndLeavesNothing)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoFullDisk;
#else
    const std::string input = Good("large", T0, 64 * 1024);
    ASSERT_GT(expected["large.csv"].size(), kDiskLimit);

    const RunReport report = WithDiskFull([&] { return h.RunFile(input); }, kDiskLimit);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kWriteFailed}}));
    EXPECT_TRUE(report.errors.empty());  // stopped, not recorded
    EXPECT_EQ(report.counter, "(1/1)");
    // Neither a partial file nor a temporary one.
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    const std::vector<std::string> log = LogLines();
    ASSERT_EQ(log.size(), 1u) << h.LogText();
    EXPECT_NE(log[0].find("]エラー種別権限有無 対象ファイル" + input), std::string::npos) << log[0];

    // With room on the disk again, the same input converts normally.
    const RunReport next = h.RunFile(input);
    EXPECT_EQ(next.outcome, "Completed");
    EXPECT_TRUE(next.errors.empty());
    EXPECT_EQ(next.messages, (Messages{{kDone, std::string(messageList[kMsgCompleted])}}));
    ExpectCsvFiles({"large.csv"});
#endif
}

// A member of a ZIP: the folders made for its CSV file go with the file.
TEST_F(FaultTest, DiskFullBelowAZipsFolderLeavesNoFolderEither)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoFullDisk;
#else
    const std::string input = Good("large", T0, 64 * 1024);
    gen::ZipBuilder zip;
    zip.Add("D/E/large.xml", test::ReadFile(input));
    const std::string package = test::Join(h.in, "P.zip");
    test::WriteFile(package, zip.Finish());

    const RunReport report = WithDiskFull([&] { return h.RunFile(package); }, kDiskLimit);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kWriteFailed}}));
    EXPECT_TRUE(fs::is_empty(test::NativePath(h.out)));
#endif
}

TEST_F(FaultTest, DiskFullInAFolderRunStopsAtThatFile)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoFullDisk;
#else
    const std::string a = Good("a", T0);
    const std::string b = Good("b", T0 + 1);
    Good("c", T0 + 2, 64 * 1024);
    Good("d", T0 + 3);
    Good("e", T0 + 4);
    ASSERT_LT(expected["a.csv"].size(), kDiskLimit);

    const RunReport report = WithDiskFull([&] { return h.RunFolder(h.in); }, kDiskLimit);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kWriteFailed}}));
    EXPECT_EQ(report.counter, "(5/5)");
    EXPECT_EQ(test::FilesBelow(h.out), (std::vector<std::string>{"a.csv", "b.csv"}));
    ExpectCsvFiles({"a.csv", "b.csv"});

    // The next run skips what was written and converts exactly the rest.
    const RunReport next = h.RunFolder(h.in);
    EXPECT_EQ(next.outcome, "Completed");
    EXPECT_EQ(next.errors, (Errors{{0, a}, {0, b}}));
    EXPECT_EQ(test::FilesBelow(h.out), (std::vector<std::string>{"a.csv", "b.csv", "c.csv", "d.csv", "e.csv"}));
    ExpectCsvFiles({"a.csv", "b.csv", "c.csv", "d.csv", "e.csv"});
#endif
}

TEST_F(FaultTest, DiskFullThroughTheCommandLine)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoFullDisk;
#else
    const std::string input = Good("large", T0, 64 * 1024);
    ChildLimits limits;
    limits.fileSizeBytes = kDiskLimit;
    const test::ChildResult full = test::RunProgram({TENVOR_CLI_PATH, "convert", "--output", h.out, "--file", input},
                                                    {"TENVOR_HOME=" + h.home}, limits);
    EXPECT_EQ(full.exitCode, 3) << full.output << full.errorOutput;
    EXPECT_NE(full.errorOutput.find(kError + ": " + kWriteFailed), std::string::npos) << full.errorOutput;
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});

    const test::ChildResult next =
        test::RunProgram({TENVOR_CLI_PATH, "convert", "--output", h.out, "--file", input}, {"TENVOR_HOME=" + h.home});
    EXPECT_EQ(next.exitCode, 0) << next.output << next.errorOutput;
    ExpectCsvFiles({"large.csv"});
#endif
}

TEST_F(FaultTest, FullDiskUnderTheLogStopsTheRun)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoFullDisk;
#else
    std::string oldLog = "\xEF\xBB\xBF";
    while (oldLog.size() < 2 * kDiskLimit) {
        oldLog += "[2026/01/01 00:00:00]エラー種別形式対象外 対象ファイル/old/entry.xml\r\n";
    }
    test::MakeDir(h.home);
    test::WriteFile(test::Join(h.home, "Ver1.20.log"), oldLog);
    const std::string broken = Broken("broken", T0);
    Good("good", T0 + 1);

    const RunReport report = WithDiskFull([&] { return h.RunFolder(h.in); }, kDiskLimit);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kLogUnusable}}));
    EXPECT_EQ(report.errors, (Errors{{1, broken}}));
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    EXPECT_EQ(h.LogText(), oldLog);
#endif
}

// --- Folders and files that change under the run --------------------------------------------

TEST_F(FaultTest, OutputFolderRemovedDuringTheRun)
{
    std::vector<std::string> inputs;
    for (int i = 0; i < 5; ++i) {
        inputs.push_back(Good(std::string(1, static_cast<char>('a' + i)), T0 + i));
    }
    bool removed = false;
    h.window.onCounter = [&](const std::string& counter) {
        if (counter == "2/5") {
            std::error_code error;
            removed = fs::remove_all(h.out, error) != static_cast<std::uintmax_t>(-1) && !error;
        }
    };
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
#ifdef _WIN32
    // Windows holds the folders it writes into open without sharing their deletion: the folder
    // cannot be taken away under the run, which converts everything.
    EXPECT_FALSE(removed);
    EXPECT_EQ(report.errors, Errors{});
    EXPECT_TRUE(test::Exists(test::Join(h.out, "e.csv")));
#else
    EXPECT_TRUE(removed);
    EXPECT_EQ(report.errors, (Errors{{3, inputs[2]}, {3, inputs[3]}, {3, inputs[4]}}));
    EXPECT_EQ(report.messages, (Messages{{kDone, CompletedWith(3)}}));
    EXPECT_FALSE(test::Exists(h.out));
#endif
}

TEST_F(FaultTest, OutputFolderReplacedByAFileDuringTheRun)
{
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; ++i) {
        inputs.push_back(Good(std::string(1, static_cast<char>('a' + i)), T0 + i));
    }
    bool replaced = false;
    h.window.onCounter = [&](const std::string& counter) {
        if (counter == "1/4") {
            std::error_code error;
            if (fs::remove_all(h.out, error) != static_cast<std::uintmax_t>(-1) && !error) {
                test::WriteFile(h.out, "not a folder");
                replaced = true;
            }
        }
    };
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
#ifdef _WIN32
    EXPECT_FALSE(replaced);  // held open by the run, as above
    EXPECT_EQ(report.errors, Errors{});
#else
    EXPECT_TRUE(replaced);
    EXPECT_EQ(report.errors, (Errors{{3, inputs[1]}, {3, inputs[2]}, {3, inputs[3]}}));
    EXPECT_EQ(test::ReadFile(h.out), "not a folder");
#endif
}

TEST_F(FaultTest, InputsVanishingBetweenListingAndReading)
{
    const std::string a = Good("a", T0);
    const std::string b = Good("b", T0 + 1);
    const std::string c = Good("c", T0 + 2);
    Good("d", T0 + 3);
    h.window.onBarInitialized = [&] {
        fs::remove(b);
        fs::remove(c);
        test::MakeDir(c);  // a folder where the file was
    };
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (Errors{{2, b}, {2, c}}));
    EXPECT_EQ(test::FilesBelow(h.out), (std::vector<std::string>{"a.csv", "d.csv"}));
    ExpectCsvFiles({"a.csv", "d.csv"});
}

TEST_F(FaultTest, InputVanishingInFileMode)
{
    const std::string a = Good("a", T0);
    h.window.onCounter = [&](const std::string&) { fs::remove(a); };
    const RunReport report = h.RunFile(a);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (Errors{{2, a}}));
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
}

TEST_F(FaultTest, CsvAppearingAfterTheCheckIsNeverOverwritten)
{
    const std::string a = Good("a", T0);
    const std::string b = Good("b", T0 + 1);
    const std::string c = Good("c", T0 + 2);
    Good("d", T0 + 3);
    h.window.onBarInitialized = [&] {
        test::WriteFile(test::Join(h.out, "b.csv"), "someone else's file");
        test::MakeDir(test::Join(h.out, "c.csv"));
    };
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (Errors{{0, b}, {0, c}}));
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "b.csv")), "someone else's file");
    EXPECT_TRUE(fs::is_directory(test::Join(h.out, "c.csv")));
    EXPECT_EQ(test::FilesBelow(h.out), (std::vector<std::string>{"a.csv", "b.csv", "d.csv"}));
    ExpectCsvFiles({"a.csv", "d.csv"});
}

TEST_F(FaultTest, CsvAppearingAfterTheCheckInFileMode)
{
    const std::string a = Good("a", T0);
    h.window.onCounter = [&](const std::string&) {
        if (!test::Exists(test::Join(h.out, "a.csv"))) {
            test::WriteFile(test::Join(h.out, "a.csv"), "first");
        }
    };
    const RunReport report = h.RunFile(a);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.errors, (Errors{{0, a}}));
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "a.csv")), "first");
}

// --- A log that cannot be written -------------------------------------------------------------

class UnusableLogTest : public FaultTest {
protected:
    UnusableLogTest() { test::MakeDir(logPath); }  // a folder where the log file should be

    void ExpectLogUntouched() { EXPECT_TRUE(fs::is_directory(logPath) && fs::is_empty(logPath)); }

    const std::string logPath = test::Join(h.home, "Ver1.20.log");
};

TEST_F(UnusableLogTest, FailedFileStopsTheRunBeforeAnythingIsWritten)
{
    const std::string broken = Broken("broken", T0);
    Good("later", T0 + 1);
    Good("last", T0 + 2);
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kLogUnusable}}));
    EXPECT_EQ(report.errors, (Errors{{1, broken}}));
    EXPECT_EQ(report.counter, "(3/3)");
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    ExpectLogUntouched();
}

TEST_F(UnusableLogTest, ExistingCsvRefusesTheRun)
{
    Good("first", T0);
    Good("second", T0 + 1);
    test::WriteFile(test::Join(h.out, "second.csv"), "kept");
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Refused");
    EXPECT_EQ(report.messages, (Messages{{kError, kLogUnusable}}));
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{"second.csv"});
    EXPECT_EQ(test::ReadFile(test::Join(h.out, "second.csv")), "kept");
    ExpectLogUntouched();
}

TEST_F(UnusableLogTest, RefusedInputShowsOnlyTheLogMessage)
{
    const RunReport report = h.RunFile(test::Join(h.in, "missing.xml"));
    EXPECT_EQ(report.outcome, "Refused");
    EXPECT_EQ(report.messages, (Messages{{kError, kLogUnusable}}));
    ExpectLogUntouched();
}

TEST_F(UnusableLogTest, WriteFailureShowsOnlyTheLogMessage)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoFullDisk;
#else
    const std::string input = Good("large", T0, 64 * 1024);
    const RunReport report = WithDiskFull([&] { return h.RunFile(input); }, kDiskLimit);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kLogUnusable}}));
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    ExpectLogUntouched();
#endif
}

TEST_F(UnusableLogTest, RunWithoutFailuresNeedsNoLog)
{
    Good("a", T0);
    Good("b", T0 + 1);
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(report.messages, (Messages{{kDone, std::string(messageList[kMsgCompleted])}}));
    ExpectCsvFiles({"a.csv", "b.csv"});
}

TEST_F(UnusableLogTest, TimingEntriesInDebugModeDoNotStopTheRun)
{
    test::WriteFile(test::Join(h.home, "Tenvor.ini"), "[Msg_Print]\nDebugFlag=1\n");
    h.engine.Start();
    ASSERT_EQ(h.engine.Settings().DebugFlag, 1);
    Good("a", T0);
    Good("b", T0 + 1);
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Completed");
    EXPECT_EQ(
        report.messages,
        (Messages{{kError, kLogUnusable}, {kError, kLogUnusable}, {kDone, std::string(messageList[kMsgCompleted])}}));
    ExpectCsvFiles({"a.csv", "b.csv"});
    ExpectLogUntouched();
}

TEST_F(FaultTest, LogFolderThatIsAFileStopsTheRun)
{
    fs::remove_all(h.home);
    test::WriteFile(h.home, "a file where the folder should be");
    const std::string broken = Broken("broken", T0);
    Good("good", T0 + 1);
    const RunReport report = h.RunFolder(h.in);
    EXPECT_EQ(report.outcome, "Stopped");
    EXPECT_EQ(report.messages, (Messages{{kError, kLogUnusable}}));
    EXPECT_EQ(test::FilesBelow(h.out), std::vector<std::string>{});
    EXPECT_EQ(test::ReadFile(h.home), "a file where the folder should be");
}

// --- The process killed in the middle of a folder run ---------------------------------------

std::size_t CountEntries(const std::string& folder)
{
    std::size_t count = 0;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            count += name != "." && name != ".." ? 1 : 0;
        }
        ::closedir(dir);
    }
    return count;
}

TEST_F(FaultTest, KilledRunLeavesOnlyCompleteFilesAndTheNextRunDoesTheRest)
{
    gen::FolderSpec wanted;
    wanted.count = 3000;
    wanted.seed = 11;
    const std::vector<gen::GeneratedFile> files = gen::GenerateFolder(h.engine.Catalogue(), h.in, wanted);
    std::map<std::string, std::string> expectedCsv;  // CSV name -> bytes
    std::set<std::string> brokenInputs;
    for (const gen::GeneratedFile& file : files) {
        const std::string base = file.name.substr(0, file.name.rfind('.'));
        if (file.convertible) {
            expectedCsv[base + ".csv"] = test::CsvBytes(file.expectedCsv, OutputEncoding::Utf8);
        } else {
            brokenInputs.insert(test::Join(h.in, file.name));
        }
    }
    const std::vector<std::string> command = {TENVOR_CLI_PATH, "convert", "--output", h.out,
                                              "--encoding",    "utf8",    "--folder", h.in};
    const std::vector<std::string> environment = {"TENVOR_HOME=" + h.home};

    // Every file in the output folder is a complete CSV file of a convertible input. On Windows a
    // run killed in the instant between un-marking its temporary file and renaming it leaves that
    // hidden file, which the next run removes: it may stand only until then.
    auto isLeftTemporary = [](const std::string& name) {
#ifdef _WIN32
        return name.rfind(".tenvor-", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".tmp";
#else
        (void)name;
        return false;
#endif
    };
    auto checkOutput = [&](bool afterKill) {
        for (const std::string& name : test::FilesBelow(h.out)) {
            if (afterKill && isLeftTemporary(name)) {
                continue;
            }
            const auto it = expectedCsv.find(name);
            ASSERT_NE(it, expectedCsv.end()) << "unexpected file " << name;
            ASSERT_EQ(test::ReadFile(test::Join(h.out, name)), it->second) << name << " is not complete";
        }
    };

    int interrupted = 0;
    for (const double share : {0.15, 0.45, 0.75}) {
        const auto target = static_cast<std::size_t>(share * static_cast<double>(expectedCsv.size()));
        test::BackgroundProgram program(command, environment);
        ASSERT_TRUE(program.Started());
        bool ended = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!ended && CountEntries(h.out) < target && std::chrono::steady_clock::now() < deadline) {
            ended = program.Ended();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!ended) {
            interrupted += program.Kill() ? 1 : 0;
        }
        checkOutput(true);
        if (HasFatalFailure()) {
            return;
        }
    }
    if (interrupted == 0) {
        GTEST_SKIP() << "every run finished before it could be killed";
    }
    std::printf("[ figures  ] %d of 3 runs killed midway, %zu of %zu CSV files written before the last run\n",
                interrupted, test::FilesBelow(h.out).size(), expectedCsv.size());

    // The next run finds what exists and converts exactly the rest.
    std::set<std::string> existing;
    for (const std::string& name : test::FilesBelow(h.out)) {
        if (!isLeftTemporary(name)) {
            existing.insert(test::Join(h.in, name.substr(0, name.size() - 4) + ".xml"));
        }
    }
    EXPECT_LT(existing.size(), expectedCsv.size());
    const test::ChildResult last = test::RunProgram(command, environment);
    ASSERT_EQ(last.exitCode, 1) << last.errorOutput;
    std::set<std::string> sameFile;
    std::set<std::string> notConvertible;
    std::istringstream rows(last.output);
    std::string row;
    while (std::getline(rows, row)) {
        const std::size_t first = row.find('\t');
        const std::size_t second = row.find('\t', first + 1);
        if (second == std::string::npos) {
            continue;  // the completion message
        }
        const std::size_t third = row.find('\t', second + 1);  // then the reason
        const std::string text = row.substr(first + 1, second - first - 1);
        const std::string path = row.substr(second + 1, third - second - 1);
        if (text == errorContentList[kSameFile]) {
            sameFile.insert(path);
        } else if (text == errorContentList[kFormatNotSupported]) {
            notConvertible.insert(path);
        } else {
            ADD_FAILURE() << "unexpected row " << row;
        }
    }
    EXPECT_EQ(sameFile, existing);
    EXPECT_EQ(notConvertible, brokenInputs);
    std::vector<std::string> all;
    for (const auto& [name, bytes] : expectedCsv) {
        all.push_back(name);
    }
    EXPECT_EQ(test::FilesBelow(h.out), all);
    checkOutput(false);
}

}  // namespace
}  // namespace tenvor
