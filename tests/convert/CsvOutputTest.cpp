// The CSV files: exact bytes in both encodings, where they go, and that nothing existing is
// ever replaced.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "NotificationGenerator.h"
#include "ZipBuilder.h"
#include "convert/CsvOutput.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

class CsvOutputTest : public ::testing::Test {
protected:
    gen::GeneratedNotification Write(const std::string& name, gen::NotificationSpec wanted, const std::string& folder)
    {
        auto notification = gen::Generate(fixture.engine->Catalogue(), wanted);
        test::WriteFile(test::Join(folder, name), notification.bytes);
        return notification;
    }
    std::vector<int> Kinds() const
    {
        std::vector<int> kinds;
        for (const auto& info : fixture.engine->ErrorRecords()) {
            kinds.push_back(ToInt(info.errorKind));
        }
        return kinds;
    }

    test::RunFixture fixture;
};

TEST_F(CsvOutputTest, ShiftJisAndUtf8FilesHoldExactlyTheExpectedBytes)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N2018003";
    wanted.persons = 2;
    wanted.specialCharacters = true;
    const auto notification = Write("a.xml", wanted, fixture.in);
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "a.xml")), RunOutcome::Completed);
    const std::string sjis = test::ReadFile(test::Join(fixture.out, "a.csv"));
    EXPECT_EQ(sjis, test::Utf8ToCp932(WithCrLf(notification.expectedCsv)));
    EXPECT_NE(sjis.substr(0, 3), "\xEF\xBB\xBF");
    fixture.window.encoding = OutputEncoding::Utf8;
    std::filesystem::rename(test::Join(fixture.out, "a.csv"), test::Join(fixture.out, "first.csv"));
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "a.xml")), RunOutcome::Completed);
    EXPECT_EQ(test::ReadFile(test::Join(fixture.out, "a.csv")), "\xEF\xBB\xBF" + WithCrLf(notification.expectedCsv));
}

TEST_F(CsvOutputTest, ShiftJisWritesAQuestionMarkPerUnrepresentableCharacterWhileUtf8KeepsIt)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N2008005";
    auto notification = gen::Generate(fixture.engine->Catalogue(), wanted);
    // The first field of the only record gets a character outside code page 932.
    const std::size_t at = notification.bytes.find("<通知書名称>") + std::string("<通知書名称>").size();
    notification.bytes.insert(at, "𠮷野家😀");
    test::WriteFile(test::Join(fixture.in, "u.xml"), notification.bytes);
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "u.xml")), RunOutcome::Completed);
    const std::string sjis = test::Cp932ToUtf8(test::ReadFile(test::Join(fixture.out, "u.csv")));
    EXPECT_NE(sjis.find("[data]\r\n?野家?"), std::string::npos) << sjis;

    fixture.window.encoding = OutputEncoding::Utf8;
    fixture.window.outputFolder = fixture.dir / "utf8";
    test::MakeDir(fixture.window.outputFolder);
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "u.xml")), RunOutcome::Completed);
    EXPECT_NE(test::ReadFile(test::Join(fixture.window.outputFolder, "u.csv")).find("[data]\r\n𠮷野家😀"),
              std::string::npos);
}

TEST_F(CsvOutputTest, TheOutputFolderDecidesThePathAndAnEmptyOneMeansBesideTheInput)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7200001";
    Write("a.b.xml", wanted, fixture.in);
    fixture.window.outputFolder = fixture.out + test::kSeparator;
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "a.b.xml")), RunOutcome::Completed);
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "a.b.csv")));

    fixture.window.outputFolder.clear();
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "a.b.xml")), RunOutcome::Completed);
    EXPECT_TRUE(test::Exists(test::Join(fixture.in, "a.b.csv")));
    EXPECT_EQ(fixture.window.outputFolder, fixture.in + test::kSeparator);
    EXPECT_TRUE(Kinds().empty());

    // With the box empty, the check before the run looks beside the input too.
    fixture.window.outputFolder.clear();
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "a.b.xml")), RunOutcome::Completed);
    EXPECT_EQ(Kinds(), std::vector<int>{0});
}

TEST_F(CsvOutputTest, ExistingFilesAndFoldersOfTheSameNameAreNeverReplaced)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7130001";
    for (const char* name : {"a.xml", "b.xml", "c.xml", "d.XML"}) {
        Write(name, wanted, fixture.in);
    }
    for (const auto& [name, time] :
         std::vector<std::pair<std::string, int>>{{"a.xml", 10}, {"b.xml", 20}, {"c.xml", 30}, {"d.XML", 40}}) {
        test::SetMtime(test::Join(fixture.in, name), 1767225600 + time);
    }
    test::WriteFile(test::Join(fixture.out, "a.csv"), "mine");
    test::MakeDir(test::Join(fixture.out, "c.csv"));
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_EQ(test::ReadFile(test::Join(fixture.out, "a.csv")), "mine");
    EXPECT_EQ(Kinds(), (std::vector<int>{0, 0}));
    EXPECT_EQ(fixture.engine->ErrorRecords()[0].filePath, test::Join(fixture.in, "a.xml"));
    EXPECT_EQ(fixture.engine->ErrorRecords()[1].filePath, test::Join(fixture.in, "c.xml"));
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "b.csv")));
    EXPECT_TRUE(test::Exists(test::Join(fixture.out, "d.csv")));
    EXPECT_EQ(fixture.window.messages.back().text, "処理が完了しました。\n2件のエラーが発生しました。");
}

TEST_F(CsvOutputTest, TwoInputsWithTheSameBaseNameGiveOneFileAndOneKindZero)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: Windows file names do not differ by letter case, so a.xml and a.XML cannot both "
                    "exist";
#else
    gen::NotificationSpec first;
    first.formId = "N7150001";
    gen::NotificationSpec second = first;
    second.seed = 99;
    const auto older = Write("a.xml", first, fixture.in);
    Write("a.XML", second, fixture.in);
    test::SetMtime(test::Join(fixture.in, "a.xml"), 1767225600);
    test::SetMtime(test::Join(fixture.in, "a.XML"), 1767225700);
    fixture.window.outputFolder = fixture.out;
    fixture.window.encoding = OutputEncoding::Utf8;
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_EQ(test::ReadFile(test::Join(fixture.out, "a.csv")), "\xEF\xBB\xBF" + WithCrLf(older.expectedCsv));
    ASSERT_EQ(Kinds(), std::vector<int>{0});
    EXPECT_EQ(fixture.engine->ErrorRecords()[0].filePath, test::Join(fixture.in, "a.XML"));
    EXPECT_EQ(test::ListDir(fixture.out), std::vector<std::string>{"a.csv"});  // no temporary left
#endif
}

TEST_F(CsvOutputTest, AnOutputFolderThatCannotTakeFilesIsKindThreeAndTheRunGoesOn)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7160001";
    Write("a.xml", wanted, fixture.in);
    Write("b.xml", wanted, fixture.in);
    // Missing, a file in place of the folder, and a folder inside a file.
    test::WriteFile(fixture.dir / "plain", "x");
    for (const std::string& folder : {fixture.dir / "gone", fixture.dir / "plain", fixture.dir / "plain/sub"}) {
        SCOPED_TRACE(folder);
        fixture.window.outputFolder = folder;
        ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
        EXPECT_EQ(Kinds(), (std::vector<int>{3, 3}));
    }
    EXPECT_EQ(fixture.window.rows.size(), 2u);
    EXPECT_EQ(fixture.window.rows[0][1], "選択したフォルダに書き込み権限がありません。");
}

TEST_F(CsvOutputTest, AMemberNameNoFileSystemTakesIsRefusedBeforeAnyFolderIsMade)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7160001";
    const std::string longName = std::string(250, 'n') + ".xml";  // its CSV name is 254 bytes: fine
    Write(longName, wanted, fixture.in);
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFolder(fixture.in), RunOutcome::Completed);
    EXPECT_TRUE(Kinds().empty());

    // A member of a ZIP is named by the ZIP, not by the file system: 300 bytes would give a
    // 304-byte CSV name, which no file system takes; the listing refuses it (kind 1) before
    // any folder is made.
    gen::ZipBuilder zip;
    zip.Add(std::string(300, 'x') + ".xml", gen::Generate(fixture.engine->Catalogue(), wanted).bytes);
    test::WriteFile(test::Join(fixture.in, "p.zip"), zip.Finish());
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "p.zip")), RunOutcome::Completed);
    EXPECT_EQ(Kinds(), std::vector<int>{1});
    EXPECT_FALSE(test::Exists(test::Join(fixture.out, "p")));
}

// A folder below the output folder that is a link fails its file, and nothing is written where it
// leads; the other inputs convert. The output folder itself may be a link: the user chose it.
TEST_F(CsvOutputTest, ALinkBelowTheOutputFolderFailsItsFileAndTheOutputFolderMayBeALink)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7130001";
    const std::string notification = gen::Generate(fixture.engine->Catalogue(), wanted).bytes;
    for (const char* name : {"sym", "other"}) {
        gen::ZipBuilder zip;
        zip.Add("a.xml", notification);
        test::WriteFile(test::Join(fixture.in, name) + ".zip", zip.Finish());
    }
    const std::string elsewhere = fixture.dir / "elsewhere";
    test::MakeDir(elsewhere);
    if (!test::MakeFolderLink(elsewhere, test::Join(fixture.out, "sym"))) {
        GTEST_SKIP() << "the system does not let the test make a link to a folder (or junction)";
    }
    fixture.window.outputFolder = fixture.out;
    fixture.window.moreInputPaths = {test::Join(fixture.in, "other.zip")};
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "sym.zip")), RunOutcome::Completed);
    ASSERT_EQ(Kinds(), std::vector<int>{3});
    EXPECT_EQ(fixture.engine->ErrorRecords()[0].reason,
              "フォルダがリンクのため出力できません: " + test::Join(fixture.out, "sym"));
    EXPECT_TRUE(test::ListDir(elsewhere).empty());
    EXPECT_EQ(test::ListDir(test::Join(fixture.out, "other")), std::vector<std::string>{"a.csv"});

    const std::string real = fixture.dir / "real";
    test::MakeDir(real);
    ASSERT_TRUE(test::MakeFolderLink(real, fixture.dir / "chosen"));
    fixture.window.outputFolder = fixture.dir / "chosen";
    fixture.window.moreInputPaths.clear();
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "other.zip")), RunOutcome::Completed);
    EXPECT_TRUE(Kinds().empty());
    EXPECT_EQ(test::ListDir(test::Join(real, "other")), std::vector<std::string>{"a.csv"});
}

// Names that differ only in letter case or in Unicode normalisation are one file on Windows and
// macOS: on every system the first gives the CSV file and the second is kind 0.
TEST_F(CsvOutputTest, NamesThatDifferOnlyInLetterCaseOrNormalisationGiveOneFileEverywhere)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7130001";
    const std::string notification = gen::Generate(fixture.engine->Catalogue(), wanted).bytes;
    gen::ZipBuilder zip;
    for (const char* name : {"A.xml", "a.xml", "\u00E9.xml", "e\u0301.xml", "Sub/x.xml", "sub/X.xml"}) {
        zip.Add(name, notification);
    }
    test::WriteFile(test::Join(fixture.in, "case.zip"), zip.Finish());
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "case.zip")), RunOutcome::Completed);
    const std::string folder = test::Join(fixture.out, "case");
    EXPECT_EQ(test::ListDir(folder), (std::vector<std::string>{"A.csv", "Sub", "\u00E9.csv"}));
    EXPECT_EQ(test::ListDir(test::Join(folder, "Sub")), std::vector<std::string>{"x.csv"});
    ASSERT_EQ(Kinds(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(fixture.engine->ErrorRecords()[0].filePath, test::Join(fixture.in, "case.zip/a.xml"));
    EXPECT_EQ(fixture.engine->ErrorRecords()[0].reason,
              "出力先に同名のファイルがあります: " + test::Join(folder, "A.csv"));
}

// A folder that cannot be made (a file is where it belongs) fails its file alone; a name no file
// system takes is refused by the listing before its folders are made (a file that fails after its
// folders were made, on a full disk, is the fault tests' case).
TEST_F(CsvOutputTest, AFolderThatCannotBeMadeFailsItsFileAloneAndLeavesNoFolder)
{
    gen::NotificationSpec wanted;
    wanted.formId = "N7130001";
    const std::string notification = gen::Generate(fixture.engine->Catalogue(), wanted).bytes;
    gen::ZipBuilder zip;
    zip.Add("x/y/a.xml", notification);
    zip.Add("n/m/" + std::string(300, 'l') + ".xml", notification);  // a CSV name no file system takes
    zip.Add("z/c.xml", notification);
    test::WriteFile(test::Join(fixture.in, "p.zip"), zip.Finish());
    const std::string folder = test::Join(fixture.out, "p");
    test::MakeDir(folder);
    test::WriteFile(test::Join(folder, "x"), "not a folder");
    fixture.window.outputFolder = fixture.out;
    ASSERT_EQ(fixture.RunFile(test::Join(fixture.in, "p.zip")), RunOutcome::Completed);
    ASSERT_EQ(Kinds(), (std::vector<int>{3, 1}));
    EXPECT_EQ(fixture.engine->ErrorRecords()[0].reason,
              "フォルダを作成できません: " + test::Join(folder, "x") + ": フォルダではないファイルがあります");
    EXPECT_EQ(test::ListDir(folder), (std::vector<std::string>{"x", "z"}));
    EXPECT_EQ(test::ListDir(test::Join(folder, "z")), std::vector<std::string>{"c.csv"});
}

}  // namespace
}  // namespace tenvor
