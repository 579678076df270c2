#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "state/ProgressTracker.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

TEST(MessageCatalog, InsertTextReplacesEveryPlaceholderAndOnlyThose)
{
    EXPECT_EQ(MessageText(1, "12"), "処理が完了しました。\n12件のエラーが発生しました。");
    EXPECT_EQ(MessageText(1, "%s%s"), "処理が完了しました。\n%s%s件のエラーが発生しました。");
    EXPECT_EQ(MessageText(6, "/home/u/Ver1.20.log"), "ログファイルが開かれています。\n閉じてから再実行してください。");
    EXPECT_EQ(MessageText(0, "x"), "処理が完了しました。");
    EXPECT_THROW(MessageText(static_cast<int>(messageList.size()), ""), std::out_of_range);
    EXPECT_THROW(MessageText(-1, ""), std::out_of_range);
}

// The recorder with its log in a folder of its own, reporting to a recording front end.
struct Recorder {
    explicit Recorder(const std::string& home)
        : messages(window), log(home, iniData, messages), errors(window, log), bar(window)
    {
    }
    test::RecordingFrontEnd window;
    StINIData iniData;
    MessageBoxes messages;
    LogFile log;
    ErrorRecorder errors;
    ProgressTracker bar;
};

TEST(ErrorRecorder, HandlerMarksTheFileFillsTheBarInFileModeOnlyRecordsLogsAndReports)
{
    test::TempDir dir;
    Recorder r(dir.path() + "/");
    r.errors.ResetForRun(&r.bar);  // file mode
    r.bar.Begin(40);
    StXmlInfo info;
    EXPECT_EQ(r.errors.ErrorHandler(ErrorKind::FormatNotSupported, test::RootedPath("in/a.xml"), &info, "why"),
              RunStep::GoOn);
    EXPECT_EQ(info.errorFlag, 1);
    EXPECT_EQ(std::pair(r.window.barMaximum, r.window.barPosition), std::pair(1, 1));

    r.errors.ResetForRun(nullptr);  // folder mode
    r.bar.Begin(40);
    EXPECT_EQ(r.errors.RecordExistingOutput(test::RootedPath("in/b.xml"), test::RootedPath("out/b.csv")),
              RunStep::GoOn);
    EXPECT_EQ(std::pair(r.window.barMaximum, r.window.barPosition), std::pair(40, 0));
    ASSERT_EQ(r.errors.Records().size(), 1u);
    EXPECT_EQ(r.errors.Records()[0], (StErrorInfo{ErrorKind::SameFile,
                                                  test::RootedPath("in/b.xml"),
                                                  "出力先に同名のファイルがあります: " + test::RootedPath("out/b.csv"),
                                                  FailureCause::Other,
                                                  {}}));
    const std::string log = test::ReadFile(dir / "Ver1.20.log");
    const auto first = log.find("]エラー種別形式対象外 対象ファイル" + test::RootedPath("in/a.xml") + "\r\n");
    const auto second = log.find("]エラー種別同一ファイル 対象ファイル" + test::RootedPath("in/b.xml") + "\r\n");
    EXPECT_TRUE(first < second && second != std::string::npos) << log;
    // Each failure reaches the front end when it happens.
    EXPECT_EQ(r.window.events,
              (std::vector<std::string>{"bar 0/40", "bar 1/1", "failed 1 " + test::RootedPath("in/a.xml"), "bar 0/40",
                                        "failed 0 " + test::RootedPath("in/b.xml")}));

    // When the log cannot take the entry, the record still stands and the run stops.
    test::WriteFile(dir / "home", "not a folder");
    Recorder blocked(dir / "home/");
    EXPECT_EQ(blocked.errors.ErrorHandler(ErrorKind::NoPermission, "/in/c.xml", &info, "why"), RunStep::Stop);
    EXPECT_EQ(blocked.errors.Records().size(), 1u);
    EXPECT_EQ(blocked.window.messages.size(), 1u);
}

TEST(ErrorRecorder, CompletionMessageCountsTheRecords)
{
    test::TempDir dir;
    Recorder r(dir.path() + "/");
    EXPECT_EQ(test::ShownMessageOf(r.errors.CompletionMessage()),
              (test::ShownMessage{MessageKind::Completion, "完了", "処理が完了しました。"}));

    static_cast<void>(r.errors.ErrorHandler(ErrorKind::FormatNotSupported, "/in/A.xml", nullptr, "why"));
    static_cast<void>(r.errors.ErrorHandler(ErrorKind::FileMissing, "/in/B.xml", nullptr, "why"));
    static_cast<void>(r.errors.RecordExistingOutput("/in/C.xml", "/out/C.csv"));
    EXPECT_EQ(
        test::ShownMessageOf(r.errors.CompletionMessage()),
        (test::ShownMessage{MessageKind::Completion, "完了", "処理が完了しました。\n3件のエラーが発生しました。"}));

    r.errors.ResetForRun(nullptr);
    EXPECT_TRUE(r.errors.Records().empty());
}

}  // namespace
}  // namespace tenvor
