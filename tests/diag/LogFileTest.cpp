#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/TimeText.h"
#include "platform/FileSystem.h"
#include "shared/OneLineText.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::ReadFile;
using test::RootedPath;
using test::TempDir;
using test::WriteFile;

struct LogSetup {
    explicit LogSetup(std::string folder) : messages(window), log(std::move(folder), iniData, messages) {}
    test::RecordingFrontEnd window;
    StINIData iniData;
    MessageBoxes messages;
    LogFile log;
};

// The lines of a log after its byte-order mark, each with its stamp checked (the stamp of a
// second between the two clock readings) and removed.
std::vector<std::string> EntriesWithoutStamps(std::string text, std::time_t before, std::time_t after)
{
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
    text.erase(0, 3);
    static const std::regex kLine(R"((\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\])([^\r\n]*)\r\n)");
    std::vector<std::string> rests;
    std::smatch match;
    while (std::regex_search(text, match, kLine, std::regex_constants::match_continuous)) {
        bool known = false;
        for (std::time_t t = before; t <= after; ++t) {
            known = known || match.str(1) == LogTimeStamp(t);
        }
        EXPECT_TRUE(known) << match.str(1);
        rests.push_back(match.str(2));
        text = match.suffix();
    }
    EXPECT_EQ(text, "") << "not a whole line";
    return rests;
}

TEST(LogFile, FirstEntryCreatesTheFoldersAndTheFileWithOneByteOrderMarkThenAppends)
{
    TempDir dir;
    LogSetup setup(dir / "a/b/home/");
    const std::time_t before = std::time(nullptr);
    EXPECT_EQ(setup.log.OutputLogFile(2, RootedPath("in/a b.xml")), 0);
    EXPECT_EQ(setup.log.OutputLogFile(5, ""), 0);
    EXPECT_EQ(setup.log.OutputLogFile(7, " 9: 5: 3.120"), 0);
    const std::vector<std::string> expected = {"エラー種別ファイル有無 対象ファイル" + RootedPath("in/a b.xml"),
                                               "エラー種別ツール起動 ", "エラー種別測定開始  9: 5: 3.120"};
    EXPECT_EQ(EntriesWithoutStamps(ReadFile(dir / "a/b/home/Ver1.20.log"), before, std::time(nullptr)), expected);
    EXPECT_TRUE(setup.window.messages.empty());

    // A log that already has content gets no byte-order mark.
    WriteFile(dir / "Ver1.20.log", "old\r\n");
    LogSetup other(dir.path() + test::kSeparator);
    EXPECT_EQ(other.log.OutputLogFile(0, RootedPath("in/x")), 0);
    // The old line, a stamp, and the entry (whose path may hold backslashes: no regular expression).
    const std::string log = ReadFile(dir / "Ver1.20.log");
    const std::size_t stampEnd = log.find(']') + 1;
    EXPECT_TRUE(std::regex_match(log.substr(0, stampEnd), std::regex("old\r\n\\[[^\\]]+\\]"))) << log;
    EXPECT_EQ(log.substr(stampEnd), "エラー種別同一ファイル 対象ファイル" + RootedPath("in/x") + "\r\n");
}

TEST(LogFile, EveryEntryIsOneLineOfUtf8NamingTheFullPathWhateverTheNameHolds)
{
    TempDir dir;
    LogSetup setup(dir / "home/");
    const std::time_t before = std::time(nullptr);
    // A line feed that would forge a second entry, other control characters, bytes that are not
    // UTF-8 (a Shift_JIS name), a backslash, and a path given relative to the current folder.
    const std::string in = RootedPath("in/");
    const std::string forged = in + "a.xml\n[2026/01/05 09:03:07]エラー種別権限有無 対象ファイル/in/b.xml";
    ASSERT_EQ(setup.log.OutputLogFile(1, forged), 0);
    ASSERT_EQ(setup.log.OutputLogFile(2, in + "\t\r\x01\x7F\xC2\x85\xE2\x80\xA8.xml"), 0);
    ASSERT_EQ(setup.log.OutputLogFile(2, in + "\x8A\xBF\xC3(\\.xml"), 0);
    ASSERT_EQ(setup.log.OutputLogFile(3, "in/髙橋.xml"), 0);
    // Characters that change how a name shows without showing themselves: a right-to-left
    // override (the name would read "a.xml"), a zero-width space, a byte-order mark, an isolate.
    ASSERT_EQ(setup.log.OutputLogFile(1, in + "\u202Elmx.\u200Ba\uFEFF\u2066.xml"), 0);
    const std::vector<std::string> expected = {
        "エラー種別形式対象外 対象ファイル" + in +
            "a.xml\\n[2026/01/05 09:03:07]エラー種別権限有無 対象ファイル/in/b.xml",
        "エラー種別ファイル有無 対象ファイル" + in + "\\t\\r\\x01\\x7F\\xC2\\x85\\xE2\\x80\\xA8.xml",
        "エラー種別ファイル有無 対象ファイル" + in + "\\x8A\\xBF\\xC3(\\.xml",
        "エラー種別権限有無 対象ファイル" + AbsolutePath("in/髙橋.xml"),
        "エラー種別形式対象外 対象ファイル" + in + "\\u202Elmx.\\u200Ba\\uFEFF\\u2066.xml",
    };
    EXPECT_EQ(EntriesWithoutStamps(ReadFile(dir / "home/Ver1.20.log"), before, std::time(nullptr)), expected);
#ifdef _WIN32
    EXPECT_EQ(AbsolutePath("in/髙橋.xml").substr(1, 2), ":\\");
#else
    EXPECT_EQ(AbsolutePath("in/髙橋.xml").front(), '/');
#endif
}

TEST(OneLineText, InvisibleFormatCharactersAreWrittenOutAndTheirNeighboursKept)
{
    // The edges of each range, and the characters just outside them, which stay.
    EXPECT_EQ(OneLineText("\u200A\u200B\u200F\u2010|\u2029\u202A\u202E\u202F|\u2065\u2066\u2069\u206A|"
                          "\uFEFE\uFEFF\uFF00|\u061C"),
              "\u200A\\u200B\\u200F\u2010|\\xE2\\x80\\xA9\\u202A\\u202E\u202F|\u2065\\u2066\\u2069\u206A|"
              "\uFEFE\\uFEFF\uFF00|\\u061C");
    // The window's texts keep their lines; bytes that are not UTF-8 are left to the window.
    EXPECT_EQ(VisibleText("処理が完了しました。\n一覧表: C:\\x\u202Egpj.exe\t\xFF"),
              "処理が完了しました。\n一覧表: C:\\x\\u202Egpj.exe\t\xFF");
    EXPECT_EQ(VisibleText(OneLineText("\u202E")), OneLineText("\u202E"));  // written out once only
}

TEST(LogFile, LogThatCannotBeWrittenShowsMessageSixAndFails)
{
    // How the log is blocked, and that the blocking entry is left as it was.
    struct Blocker {
        std::function<void(const TempDir&)> block;
        std::function<void(const TempDir&)> untouched;
    };
#ifdef _WIN32
    std::unique_ptr<test::LockedFile> locked;
#endif
    const Blocker blockers[] = {
        {[](const TempDir& dir) { test::MakeDir(dir / "home/Ver1.20.log"); },
         [](const TempDir& dir) { EXPECT_TRUE(test::ListDir(dir / "home/Ver1.20.log").empty()); }},
        {[](const TempDir& dir) { WriteFile(dir / "home", "not a folder"); },
         [](const TempDir& dir) { EXPECT_EQ(ReadFile(dir / "home"), "not a folder"); }},
#ifndef _WIN32
        {[](const TempDir& dir) {
             test::MakeDir(dir / "home");
             ASSERT_EQ(::mkfifo((dir / "home/Ver1.20.log").c_str(), 0600), 0);  // must not block either
         },
         [](const TempDir& dir) { EXPECT_EQ(test::ListDir(dir / "home"), std::vector<std::string>{"Ver1.20.log"}); }},
#else
        // A program that holds the log open without sharing it: waited for a while, then given up.
        {[&locked](const TempDir& dir) {
             test::MakeDir(dir / "home");
             locked = std::make_unique<test::LockedFile>(dir / "home/Ver1.20.log");
             ASSERT_TRUE(locked->IsLocked());
         },
         [&locked](const TempDir& dir) {
             locked.reset();
             EXPECT_EQ(ReadFile(dir / "home/Ver1.20.log"), "");
         }},
#endif
    };
    for (const Blocker& blocker : blockers) {
        TempDir dir;
        blocker.block(dir);
        LogSetup setup(dir / "home/");
        EXPECT_EQ(setup.log.OutputLogFile(1, "/in/a.xml"), 1);
        ASSERT_EQ(setup.window.messages.size(), 1u);
        EXPECT_EQ(setup.window.messages[0].text, "ログファイルが開かれています。\n閉じてから再実行してください。");
        EXPECT_EQ(setup.window.messages[0].caption, "エラー");
        EXPECT_EQ(setup.window.messages[0].kind, MessageKind::Error);
        EXPECT_EQ(setup.messages.LastMessage().insertText, setup.log.Path());
        blocker.untouched(dir);
    }
}

TEST(LogFile, EntryThatCannotBeWrittenInFullIsAFailure)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: a full disk is made with RLIMIT_FSIZE, and Windows has no limit on the size of "
                    "the files one process writes";
#else
    TempDir dir;
    WriteFile(dir / "Ver1.20.log", std::string(100, 'x'));
    LogSetup setup(dir.path() + "/");
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 110;  // the file may grow by 10 bytes only
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int result = setup.log.OutputLogFile(1, "/in/a.xml");
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(setup.window.messages.size(), 1u);
#endif
}

TEST(LogFile, DebugModeAddsStartAndEndEntriesWithoutMovingTheLog)
{
    test::RunFixture quiet;
    quiet.Start();
    quiet.engine->Finish();
    EXPECT_FALSE(test::Exists(quiet.home));

    test::RunFixture debug;
    test::MakeDir(debug.home);
    WriteFile(debug.home + "/Tenvor.ini", "[Msg_Print]\nDebugFlag=1\nDriveName=D\n");
    const std::time_t before = std::time(nullptr);
    debug.Start();
    debug.engine->Finish();
    const std::vector<std::string> expected = {"エラー種別デバッグモード ", "エラー種別ツール起動 ",
                                               "エラー種別ツール終了 "};
    EXPECT_EQ(EntriesWithoutStamps(debug.LogText(), before, std::time(nullptr)), expected);
}

TEST(TimeText, LocalTimeWithBlankPaddedNumbersAndTruncatedMilliseconds)
{
    EXPECT_EQ(FormatTimeText(9, 5, 3, 120), " 9: 5: 3.120");
    EXPECT_EQ(FormatTimeText(14, 30, 0, 5), "14:30: 0.  5");
    using namespace std::chrono;
    const auto reading = sys_days{year{2026} / January / 5} + minutes{3} + seconds{7} + microseconds{120999};
    {
        test::ScopedEnv tz("TZ", "JST-9");
        ::tzset();
        EXPECT_EQ(TimeTextOf(reading), " 9: 3: 7.120");
        EXPECT_EQ(LogTimeStamp(system_clock::to_time_t(reading)), "[2026/01/05 09:03:07]");
        // Before the epoch the milliseconds still count forward from the whole second.
        EXPECT_EQ(TimeTextOf(system_clock::time_point{} - milliseconds{1500}), " 8:59:58.500");
    }
    ::tzset();
}

}  // namespace
}  // namespace tenvor
