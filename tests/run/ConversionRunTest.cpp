// A whole run without a window: input checks, file order, skipping existing outputs, the counter
// and the bar, the error list and the completion message, and the stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <tuple>

#include "NotificationGenerator.h"
#include "PackageGenerator.h"
#include "platform/FileSystem.h"
#include "run/ConversionRun.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

class ConversionRunTest : public ::testing::Test {
protected:
    ConversionRunTest() : engine(window, fixture.home + test::kSeparator) { window.outputFolder = fixture.out; }

    void Good(const std::string& name, std::time_t mtime = 1767225600)
    {
        gen::NotificationSpec wanted;
        wanted.formId = "N2043003";
        wanted.persons = 2;
        test::WriteFile(test::Join(fixture.in, name), gen::Generate(engine.Catalogue(), wanted).bytes);
        test::SetMtime(test::Join(fixture.in, name), mtime);
    }
    void Bad(const std::string& name, std::time_t mtime = 1767225600)
    {
        test::WriteFile(test::Join(fixture.in, name), "<broken");
        test::SetMtime(test::Join(fixture.in, name), mtime);
    }
    RunOutcome Run(bool fileMode, const std::string& path)
    {
        window.fileMode = fileMode;
        window.inputPath = path;
        return engine.Run(window.Request()).outcome;
    }
    std::vector<std::string> RecordedNames() const
    {
        std::vector<std::string> names;
        for (const auto& info : engine.ErrorRecords()) {
            names.push_back(info.filePath.substr(info.filePath.rfind(test::kSeparator) + 1));
        }
        return names;
    }
    std::string LastMessage() const { return window.messages.empty() ? "" : window.messages.back().text; }

    test::RunFixture fixture;  // only its folders are used
    test::RecordingFrontEnd window;
    TenvorEngine engine;
};

TEST_F(ConversionRunTest, FolderFilesRunOldestFirstAndSubfoldersAreIgnored)
{
    Bad("late.xml", 1767225600 + 120);
    Bad("early.xml", 1767225600);
    Bad("middle.XML", 1767225600 + 60);
    Bad("same-b.xml", 1767225600 + 180);
    Bad("same-a.xml", 1767225600 + 180);
    test::MakeDir(test::Join(fixture.in, "folder.xml"));
    test::WriteFile(test::Join(fixture.in, "notes.txt"), "<broken");
    ASSERT_EQ(Run(false, fixture.in), RunOutcome::Completed);
    EXPECT_EQ(RecordedNames(),
              (std::vector<std::string>{"early.xml", "middle.XML", "late.xml", "same-a.xml", "same-b.xml"}));
    // The list shows the newest record first, numbered from 1.
    ASSERT_EQ(window.rows.size(), 5u);
    EXPECT_EQ(window.rows[0][0], "1");
    EXPECT_EQ(window.rows[0][2], test::Join(fixture.in, "same-b.xml"));
    EXPECT_EQ(window.rows[4][0], "5");
    EXPECT_EQ(window.rows[4][2], test::Join(fixture.in, "early.xml"));
    EXPECT_EQ(window.rows[4][1], "選択したファイルの形式が正しくありません。");
    EXPECT_EQ(window.messages.back().caption, "完了");
    EXPECT_EQ(LastMessage(), "処理が完了しました。\n5件のエラーが発生しました。");
}

TEST_F(ConversionRunTest, TheFrontEndHearsOfEachStepInOrder)
{
    Good("good.xml", 1767225600);
    Bad("bad.xml", 1767225660);
    Good("exists.xml", 1767225720);
    test::WriteFile(test::Join(fixture.in, "exists.csv"), "someone's");
    window.fileMode = false;
    window.inputPath = fixture.in;
    window.outputFolder.clear();  // the input's folder, decided when the first file is written
    const RunSummary summary = engine.Run(window.Request());
    const std::string bad = test::Join(fixture.in, "bad.xml");
    const std::string exists = test::Join(fixture.in, "exists.xml");
    EXPECT_EQ(window.events, (std::vector<std::string>{
                                 "started 3",
                                 "failed 0 " + exists,
                                 "bar 0/2",
                                 "counter 0/3",
                                 "counter 0/3",
                                 "folder " + fixture.in + test::kSeparator,
                                 "bar 1/2",
                                 "counter 1/3",
                                 "failed 1 " + bad,
                                 "bar 2/2",
                                 "bar 1/1",
                                 "counter 3/3",
                                 "finished Completed",
                             }));
    EXPECT_EQ(summary.outcome, RunOutcome::Completed);
    EXPECT_EQ(std::tuple(summary.converted, summary.skippedExisting, summary.failed), std::tuple(1, 1, 1));
    EXPECT_EQ(summary.errors,
              (std::vector<StErrorInfo>{
                  {ErrorKind::SameFile,
                   exists,
                   "出力先に同名のファイルがあります: " + test::Join(fixture.in, "exists.csv"),
                   FailureCause::Other,
                   {}},
                  {ErrorKind::FormatNotSupported, bad, summary.errors.at(1).reason, FailureCause::Other, {}}}));
    EXPECT_EQ(summary.errors[1].reason.rfind("XMLとして正しくありません（1行8列）: ", 0), 0u)
        << summary.errors[1].reason;
    ASSERT_TRUE(summary.completion.has_value());
    EXPECT_EQ(
        test::ShownMessageOf(*summary.completion),
        (test::ShownMessage{MessageKind::Completion, "完了", "処理が完了しました。\n2件のエラーが発生しました。"}));
    EXPECT_EQ(test::ReadFile(test::Join(fixture.in, "exists.csv")), "someone's");
    EXPECT_TRUE(test::Exists(test::Join(fixture.in, "good.csv")));
}

// With its subfolders a folder gives its XML files, then its ZIP files, then its subfolders,
// each below the output folder as it lies below the input; cover letters there are passed over.
// Without them it is the folder run it always was, where a cover letter is a wrong file.
TEST_F(ConversionRunTest, RecursiveFoldersTakeXmlThenZipThenSubfoldersAndPassOverOtherDocuments)
{
    Bad("x.xml");
    Good("a.xml");
    test::WriteFile(test::Join(fixture.in, "cover.xml"), "<DOC><TITLE>到達番号</TITLE></DOC>");
    const gen::GeneratedPackage download = gen::MakeFlatDownload(engine.Catalogue(), 7);
    test::WriteFile(test::Join(fixture.in, "P.zip"), download.bytes);
    const gen::GeneratedPackage traversal = gen::MakeHostilePackage(engine.Catalogue(), gen::HostilePackage::Traversal);
    test::WriteFile(test::Join(fixture.in, "t.zip"), traversal.bytes);
    test::SetMtime(test::Join(fixture.in, "t.zip"), 1767225600 - 60);  // older than P.zip
    test::MakeDir(test::Join(fixture.in, "sub"));
    Bad("sub/y.xml");
    Good("sub/b.xml");

    ASSERT_EQ(Run(false, fixture.in), RunOutcome::Completed);
    EXPECT_EQ(RecordedNames(), (std::vector<std::string>{"x.xml", "cover.xml"}));
    EXPECT_EQ(test::ListDir(fixture.out), std::vector<std::string>{"a.csv"});

    test::TempDir out;
    window.outputFolder = out.path();
    window.recursive = true;
    window.fileMode = false;
    window.inputPath = fixture.in;
    const RunSummary summary = engine.Run(window.Request());
    ASSERT_EQ(summary.outcome, RunOutcome::Completed);
    std::vector<std::string> recorded;
    for (const StErrorInfo& record : summary.errors) {
        recorded.push_back(record.filePath.substr(fixture.in.size() + 1));
    }
    const std::string sep(1, test::kSeparator);
    const std::string up = ".." + sep + ".." + sep + "evil.xml";
    EXPECT_EQ(recorded, (std::vector<std::string>{"x.xml", "t.zip" + sep + up, "t.zip" + sep + "a" + sep + up,
                                                  "t.zip" + sep + up, "sub" + sep + "y.xml"}));
    EXPECT_EQ(std::tuple(summary.converted, summary.failed, summary.otherDocuments), std::tuple(5, 5, 2));
    EXPECT_EQ(test::ListDir(out.path()), (std::vector<std::string>{"P", "a.csv", "sub", "t"}));
    EXPECT_EQ(test::ListDir(out / "P"), (std::vector<std::string>{"7130001.csv", "7200001.csv"}));
    EXPECT_EQ(test::ListDir(out / "t"), std::vector<std::string>{"safe.csv"});
    EXPECT_EQ(test::ListDir(out / "sub"), std::vector<std::string>{"b.csv"});
}

// A ZIP in file mode with no output folder: its notifications go into a folder named like it
// beside it, which is the output folder the window then shows; the counter counts its members.
TEST_F(ConversionRunTest, AZipInFileModeWritesBesideItselfInAFolderNamedLikeIt)
{
    const gen::GeneratedPackage download = gen::MakeFlatDownload(engine.Catalogue(), 8);
    const std::string zip = test::Join(fixture.in, download.fileName);
    test::WriteFile(zip, download.bytes);
    window.outputFolder.clear();
    window.fileMode = true;
    window.inputPath = zip;
    const RunSummary summary = engine.Run(window.Request());
    ASSERT_EQ(summary.outcome, RunOutcome::Completed);
    EXPECT_EQ(std::tuple(summary.converted, summary.failed, summary.otherDocuments), std::tuple(2, 0, 1));
    EXPECT_EQ(window.counters.back(), "(3/3)");
    EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "folder " + fixture.in + test::kSeparator), 1);
    const std::string folder = test::Join(fixture.in, "公文書(002)");
    EXPECT_EQ(test::ListDir(folder), (std::vector<std::string>{"7130001.csv", "7200001.csv"}));
    EXPECT_EQ(window.barPosition, window.barMaximum);
}

TEST_F(ConversionRunTest, AnEmptyFolderCompletesWithZeroOfZero)
{
    ASSERT_EQ(Run(false, fixture.in), RunOutcome::Completed);
    EXPECT_EQ(window.counterText, "(0/0)");
    EXPECT_TRUE(window.counterVisible);
    EXPECT_EQ(window.barMaximum, 1);
    EXPECT_EQ(window.barPosition, 1);
    EXPECT_EQ(LastMessage(), "処理が完了しました。");
    EXPECT_EQ(window.fitCount, 1);
    EXPECT_TRUE(test::ListDir(fixture.out).empty());
}

TEST_F(ConversionRunTest, TheCounterCountsFoundFilesAndTheBarOnlyThoseLeftToConvert)
{
    for (int i = 0; i < 10; ++i) {
        Good("f" + std::to_string(i) + ".xml", 1767225600 + i);
    }
    test::WriteFile(test::Join(fixture.out, "f3.csv"), "");
    test::WriteFile(test::Join(fixture.out, "f7.csv"), "");
    ASSERT_EQ(Run(false, fixture.in), RunOutcome::Completed);
    const std::vector<std::string> expected = {"(0/10)", "(0/10)", "(1/10)", "(2/10)", "(3/10)",
                                               "(4/10)", "(5/10)", "(6/10)", "(7/10)", "(10/10)"};
    EXPECT_EQ(window.counters, expected);
    EXPECT_EQ(window.barPosition, 1);  // filled at the end
    EXPECT_EQ(RecordedNames(), (std::vector<std::string>{"f3.xml", "f7.xml"}));
    EXPECT_EQ(test::ListDir(fixture.out).size(), 10u);
    EXPECT_EQ(LastMessage(), "処理が完了しました。\n2件のエラーが発生しました。");
}

TEST_F(ConversionRunTest, WrongInputIsRefusedWithItsMessageAfterClearingTheLastRun)
{
    Bad("x.xml");
    ASSERT_EQ(Run(false, fixture.in), RunOutcome::Completed);
    ASSERT_EQ(window.rows.size(), 1u);
    ASSERT_EQ(engine.ErrorRecords().size(), 1u);

    Good("fooxml");  // "xml" at its end, but no ".xml"
    test::MakeDir(test::Join(fixture.in, "dir.xml"));
    const struct {
        bool fileMode;
        std::string path;
        std::string message;
        RefusalReason reason;
    } cases[] = {
        {true, test::Join(fixture.in, "missing.xml"), "XMLファイルが存在しません。", RefusalReason::InputMissing},
        {true, test::Join(fixture.in, "fooxml"), "XMLファイルではありません。", RefusalReason::InputNotXmlFile},
        {true, test::Join(fixture.in, "dir.xml"), "XMLファイルではありません。", RefusalReason::InputNotXmlFile},
        {true, " " + test::Join(fixture.in, "x.xml"), "XMLファイルが存在しません。", RefusalReason::InputMissing},
        {false, test::Join(fixture.in, "x.xml"), "電子通知書(XML)に入力されたフォルダが存在しません。",
         RefusalReason::InputFolderMissing},
        {false, fixture.dir / "nowhere", "電子通知書(XML)に入力されたフォルダが存在しません。",
         RefusalReason::InputFolderMissing},
    };
    for (const auto& refused : cases) {
        SCOPED_TRACE(refused.path);
        const std::size_t logLines = fixture.LogLines().size();
        window.fileMode = refused.fileMode;
        window.inputPath = refused.path;
        const RunSummary summary = engine.Run(window.Request());
        EXPECT_EQ(summary.outcome, RunOutcome::Refused);
        EXPECT_EQ(summary.refusal, (RunRefusal{refused.reason, refused.path}));
        EXPECT_EQ(LastMessage(), refused.message);
        EXPECT_EQ(window.messages.back().caption, "エラー");
        EXPECT_EQ(window.events.back(), "finished Refused");
        EXPECT_TRUE(engine.ErrorRecords().empty());
        const auto lines = fixture.LogLines();
        ASSERT_EQ(lines.size(), logLines + 1);
        EXPECT_NE(lines.back().find("エラー種別ファイル有無 対象ファイル" + AbsolutePath(refused.path)),
                  std::string::npos);
    }
}

TEST_F(ConversionRunTest, AnUnwritableLogStopsTheRunAtTheFirstErrorWithOneMessage)
{
    Good("a.xml", 1767225600);
    Bad("b.xml", 1767225660);
    Good("c.xml", 1767225720);
    test::MakeDir(fixture.home);
    test::MakeDir(test::Join(fixture.home, "Ver1.20.log"));  // a folder where the log file belongs
    ASSERT_EQ(Run(false, fixture.in), RunOutcome::Stopped);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(LastMessage(), "ログファイルが開かれています。\n閉じてから再実行してください。");
    EXPECT_EQ(window.messages.back().caption, "エラー");
    EXPECT_TRUE(window.rows.empty());  // the list is filled by completed runs only
    EXPECT_EQ(window.counterText, "(3/3)");
    EXPECT_EQ(test::ListDir(fixture.out), std::vector<std::string>{"a.csv"});
}

TEST_F(ConversionRunTest, FileModeConvertsOneFileAndFillsTheBar)
{
    Good("one.xml");
    ASSERT_EQ(Run(true, test::Join(fixture.in, "one.xml")), RunOutcome::Completed);
    EXPECT_EQ(window.counters.front(), "(0/1)");
    EXPECT_EQ(window.counterText, "(1/1)");
    EXPECT_EQ(window.barPosition, window.barMaximum);
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "one.csv")));
    EXPECT_EQ(LastMessage(), "処理が完了しました。");
}

TEST_F(ConversionRunTest, FileModeTakesDotXmlInAnyLetterCaseAsAFolderDoes)
{
    Good("upper.XML");
    ASSERT_EQ(Run(true, test::Join(fixture.in, "upper.XML")), RunOutcome::Completed);
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "upper.csv")));
    EXPECT_EQ(LastMessage(), "処理が完了しました。");
}

TEST_F(ConversionRunTest, AnUnusableOutputFolderRefusesARunThatAsksBeforeAnythingIsReadOrLogged)
{
    Good("a.xml");
    test::MakeDir(fixture.home);
    test::WriteFile(test::Join(fixture.home, "Tenvor.ini"), "[Msg_Print]\nDebugFlag=1\nDriveName=D\n");
    test::WriteFile(fixture.dir / "afile", "");
    window.fileMode = false;
    window.inputPath = fixture.in;
    RunRequest request = window.Request();
    request.refuseUnusableOutputFolder = true;
    const std::pair<std::string, RefusalReason> cases[] = {
        {fixture.dir / "missing", RefusalReason::OutputFolderMissing},
        {fixture.dir / "afile", RefusalReason::OutputFolderNotFolder},
    };
    for (const auto& [folder, reason] : cases) {
        SCOPED_TRACE(folder);
        request.outputFolder = folder;
        const RunSummary summary = engine.RunAlone(request);
        EXPECT_EQ(summary.outcome, RunOutcome::Refused);
        EXPECT_EQ(summary.refusal, (RunRefusal{reason, folder}));
        EXPECT_EQ(window.events, std::vector<std::string>{"finished Refused"});  // no message: the caller words it
        EXPECT_TRUE(fixture.LogLines().empty());                                 // not even the start of debug mode
        window.events.clear();
    }
    EXPECT_FALSE(test::Exists(fixture.dir / "missing"));

    // Without asking, each file fails on the folder, as the window's runs always have.
    request.refuseUnusableOutputFolder = false;
    request.outputFolder = fixture.dir / "missing";
    const RunSummary summary = engine.Run(request);
    EXPECT_EQ(summary.outcome, RunOutcome::Completed);
    EXPECT_FALSE(summary.refusal.has_value());
    ASSERT_EQ(summary.errors.size(), 1u);
    EXPECT_EQ(summary.errors[0].errorKind, ErrorKind::NoPermission);
}

TEST_F(ConversionRunTest, DebugModeLogsStartEndAndTheTimesOfEachRun)
{
    test::MakeDir(fixture.home);
    test::WriteFile(test::Join(fixture.home, "Tenvor.ini"), "[msg_print]\ndebugflag=1\n");
    engine.Start();
    Good("one.xml");
    ASSERT_EQ(Run(true, test::Join(fixture.in, "one.xml")), RunOutcome::Completed);
    engine.Finish();
    const auto lines = fixture.LogLines();
    ASSERT_EQ(lines.size(), 5u);
    const std::string stamp = R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\])";
    const std::string time = R"([ \d]\d:[ \d]\d:[ \d]\d\.[ \d]{2}\d)";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + "エラー種別デバッグモード "))) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + "エラー種別ツール起動 "))) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(stamp + "エラー種別測定開始 " + time))) << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(stamp + "エラー種別測定終了 " + time))) << lines[3];
    EXPECT_TRUE(std::regex_match(lines[4], std::regex(stamp + "エラー種別ツール終了 "))) << lines[4];
    EXPECT_EQ(lines[2].substr(lines[2].size() - 12), engine.Timing().startTime);
}

}  // namespace
}  // namespace tenvor
