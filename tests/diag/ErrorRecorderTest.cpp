#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

TEST(MessageCatalog, InsertTextReplacesEveryPlaceholderAndOnlyThose)
{
    EXPECT_EQ(MessageText(1, "12"), "処理が完了しました。\n12件のエラーが発生しました。");
    EXPECT_EQ(MessageText(1, "%s%s"), "処理が完了しました。\n%s%s件のエラーが発生しました。");
    EXPECT_EQ(MessageText(6, "/home/u/Ver1.20.log"), "ログファイルが開かれています。\n閉じてから再実行してください。");
    EXPECT_EQ(MessageText(0, "x"), "処理が完了しました。");
    EXPECT_THROW(MessageText(8, ""), std::out_of_range);
    EXPECT_THROW(MessageText(-1, ""), std::out_of_range);
}

// The recorder with its log in a folder of its own and the window in memory.
struct Recorder {
    explicit Recorder(const std::string& home)
        : messages(window), log(home, iniData, messages), errors(window, log, messages)
    {
    }
    HeadlessWindowState window;
    StINIData iniData;
    MessageBoxes messages;
    LogFile log;
    ErrorRecorder errors;
};

TEST(ErrorRecorder, HandlerMarksTheFileFillsTheBarInFileModeOnlyRecordsAndLogs)
{
    test::TempDir dir;
    Recorder r(dir.path() + "/");
    r.window.InitializePrgBar(40);
    StXmlInfo info;
    EXPECT_EQ(r.errors.ErrorHandler(1, test::RootedPath("in/a.xml"), &info), 0);
    EXPECT_EQ(info.errorFlag, 1);
    EXPECT_EQ(std::pair(r.window.barMaximum, r.window.barPosition), std::pair(1, 1));

    r.window.fileMode = false;
    r.window.InitializePrgBar(40);
    EXPECT_EQ(r.errors.RecordExistingOutput(test::RootedPath("in/b.xml")), 0);
    EXPECT_EQ(std::pair(r.window.barMaximum, r.window.barPosition), std::pair(40, 0));
    ASSERT_EQ(r.errors.Records().size(), 2u);
    EXPECT_EQ(r.errors.Records()[1].errorKind, 0);
    EXPECT_EQ(r.errors.Records()[1].filePath, test::RootedPath("in/b.xml"));
    const std::string log = test::ReadFile(dir / "Ver1.20.log");
    const auto first = log.find("]エラー種別形式対象外 対象ファイル" + test::RootedPath("in/a.xml") + "\r\n");
    const auto second = log.find("]エラー種別同一ファイル 対象ファイル" + test::RootedPath("in/b.xml") + "\r\n");
    EXPECT_TRUE(first < second && second != std::string::npos) << log;

    // When the log cannot take the entry, the record still stands.
    test::WriteFile(dir / "home", "not a folder");
    Recorder blocked(dir / "home/");
    EXPECT_EQ(blocked.errors.ErrorHandler(3, "/in/c.xml", &info), 1);
    EXPECT_EQ(blocked.errors.Records().size(), 1u);
    EXPECT_EQ(blocked.window.messages.size(), 1u);
}

TEST(ErrorRecorder, ListShowsTheNewestFirstNumberedFromOneAndReportsTheCount)
{
    test::TempDir dir;
    Recorder r(dir.path() + "/");
    r.errors.FillErrorList();
    EXPECT_TRUE(r.window.rows.empty());
    EXPECT_EQ(r.window.fitCount, 1);
    ASSERT_EQ(r.window.messages.size(), 1u);
    EXPECT_EQ(r.window.messages[0].text, "処理が完了しました。");
    EXPECT_EQ(r.window.messages[0].caption, "完了");

    r.errors.ErrorHandler(1, "/in/A.xml", nullptr);
    r.errors.ErrorHandler(2, "/in/B.xml", nullptr);
    r.errors.RecordExistingOutput("/in/C.xml");
    r.errors.FillErrorList();
    const std::deque<HeadlessWindowState::Row> expected = {
        {"1", "選択したファイルと同名のファイルが存在します。", "/in/C.xml"},
        {"2", "選択したファイルが存在しません。", "/in/B.xml"},
        {"3", "選択したファイルの形式が正しくありません。", "/in/A.xml"},
    };
    EXPECT_EQ(r.window.rows, expected);
    EXPECT_EQ(r.window.fitCount, 2);
    ASSERT_EQ(r.window.messages.size(), 2u);
    EXPECT_EQ(r.window.messages[1].text, "処理が完了しました。\n3件のエラーが発生しました。");
    EXPECT_EQ(r.window.messages[1].caption, "完了");
    EXPECT_EQ(r.window.messages[1].type, 0u);
    EXPECT_EQ(r.messages.LastMessage().insertText, "3");
}

TEST(ErrorRecorder, ClickShowsTheGuidanceOfTheTopmostSelectedRowOrChangesNothing)
{
    test::TempDir dir;
    Recorder r(dir.path() + "/");
    r.errors.RecordExistingOutput("/in/A.xml");
    r.errors.ErrorHandler(1, "/in/B.xml", nullptr);
    r.errors.ErrorHandler(3, "/in/C.xml", nullptr);
    r.errors.FillErrorList();  // rows from the top: C (kind 3), B (kind 1), A (kind 0)

    r.window.guidance = "before";
    r.errors.ShowGuidanceForSelectedRow();
    EXPECT_EQ(r.window.guidance, "before");
    r.window.selected = {false, true, true};
    r.errors.ShowGuidanceForSelectedRow();
    EXPECT_EQ(r.window.guidance, "選択したファイルが正しいものか確認してください。");
    r.window.selected = {false, false, true};
    r.errors.ShowGuidanceForSelectedRow();
    EXPECT_EQ(r.window.guidance, "選択したファイルと同名のファイルが存在しないか確認してください。");
    r.window.rows[0][1] = "not an error text";
    r.window.selected = {true, false, false};
    r.errors.ShowGuidanceForSelectedRow();
    EXPECT_EQ(r.window.guidance, "選択したファイルと同名のファイルが存在しないか確認してください。");

    r.errors.ResetForRun();
    EXPECT_TRUE(r.window.rows.empty());
    EXPECT_TRUE(r.window.guidance.empty());
    EXPECT_TRUE(r.errors.Records().empty());
}

}  // namespace
}  // namespace tenvor
