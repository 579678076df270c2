#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "forms/DataTbl.h"
#include "forms/StyleNumList.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::Exists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tenvor-cli with its settings folder in home; fileSizeLimit caps the size of any file the
// run writes.
Result RunCli(const std::string& home, const std::vector<std::string>& args,
              std::optional<rlim_t> fileSizeLimit = std::nullopt, const std::string& workingFolder = {})
{
    TempDir capture;
    const std::string outPath = capture / "out";
    const std::string errPath = capture / "err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::setenv("TENVOR_HOME", home.c_str(), 1);
        if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) {
            ::_exit(126);
        }
        if (fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*fileSizeLimit, *fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(TENVOR_CLI_PATH)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(TENVOR_CLI_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    Result result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
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

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

const char kFormatError[] = "選択したファイルの形式が正しくありません。";

// A settings folder and an input folder with notifications made for the test.
class Cli : public ::testing::Test {
protected:
    // Writes a notification and returns its path; mtime orders the files of a folder.
    std::string Notification(const std::string& folder, const std::string& name, std::time_t mtime,
                             gen::Fault fault = gen::Fault::None)
    {
        gen::NotificationSpec wanted;
        wanted.persons = 2;
        wanted.seed = static_cast<std::uint32_t>(mtime);
        wanted.fault = fault;
        const gen::GeneratedNotification made = gen::Generate(catalogue, wanted);
        const std::string path = folder + "/" + name;
        WriteFile(path, made.bytes);
        test::SetMtime(path, mtime);
        expectedCsv[path] = made.expectedCsv;
        return path;
    }

    Result Run(const std::vector<std::string>& args) { return RunCli(home, args); }

    const DataTbl catalogue;
    TempDir dir;
    const std::string home = dir / "home";
    const std::string in = dir / "in";
    std::map<std::string, std::string> expectedCsv;

    void SetUp() override { test::MakeDir(in); }
};

TEST_F(Cli, CleanFolderConvertsBesideEachFileInShiftJisAndExitsZero)
{
    const std::string a = Notification(in, "a.xml", 1000);
    const std::string b = Notification(in, "b.XML", 2000);
    const Result result = Run({"convert", in});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "処理が完了しました。\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFile(in + "/a.csv"), test::Utf8ToCp932(WithCrLf(expectedCsv[a])));
    EXPECT_EQ(ReadFile(in + "/b.csv"), test::Utf8ToCp932(WithCrLf(expectedCsv[b])));
    // Nothing to log without errors or debug mode.
    EXPECT_FALSE(Exists(home));
}

TEST_F(Cli, FailuresAreListedNewestFirstThenTheCompletionMessage)
{
    const std::string older = Notification(in, "older.xml", 1000, gen::Fault::NotXml);
    Notification(in, "good.xml", 2000);
    const std::string newer = Notification(in, "newer.xml", 3000, gen::Fault::MissingField);
    const Result result = Run({"convert", "--folder", in});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out, "1\t" + std::string(kFormatError) + "\t" + newer + "\n" + "2\t" + kFormatError + "\t" +
                              older + "\n" + "処理が完了しました。\n2件のエラーが発生しました。\n");
    EXPECT_TRUE(Exists(in + "/good.csv"));
    EXPECT_FALSE(Exists(in + "/older.csv"));
    EXPECT_NE(ReadFile(home + "/Ver1.20.log").find("エラー種別形式対象外 対象ファイル" + newer), std::string::npos);
}

TEST_F(Cli, Utf8OutputFolderExistingCsvAndUnwritableFolder)
{
    const std::string a = Notification(in, "a.xml", 1000);
    const std::string out = dir / "out";
    test::MakeDir(out);
    Result result = Run({"convert", "--output", out, "--encoding", "utf8", a});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(out + "/a.csv"), "\xEF\xBB\xBF" + WithCrLf(expectedCsv[a]));
    EXPECT_FALSE(Exists(in + "/a.csv"));

    // A second run finds the CSV and leaves it alone.
    WriteFile(out + "/a.csv", "kept");
    result = Run({"convert", "--output", out, "--file", a});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1\t選択したファイルと同名のファイルが存在します。\t" + a +
                              "\n処理が完了しました。\n1件のエラーが発生しました。\n");
    EXPECT_EQ(ReadFile(out + "/a.csv"), "kept");

    // An output folder that is a file.
    WriteFile(dir / "notafolder", "");
    result = Run({"convert", "--output", dir / "notafolder", a});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(Lines(result.out).at(0), "1\t選択したフォルダに書き込み権限がありません。\t" + a);
}

TEST_F(Cli, RefusedInputIsReportedOnStandardErrorWithExitThree)
{
    const std::string a = Notification(in, "a.xml", 1000);
    struct Case {
        std::vector<std::string> args;
        const char* err;
    };
    const Case cases[] = {
        {{"convert", "--file", in}, "エラー: XMLファイルではありません。\n"},
        {{"convert", "--folder", a}, "エラー: 電子通知書(XML)に入力されたフォルダが存在しません。\n"},
        {{"convert", in + "/missing.xml"}, "エラー: XMLファイルが存在しません。\n"},
        {{"convert", in + "/A.XML"}, "エラー: XMLファイルが存在しません。\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const Result result = Run(c.args);
        EXPECT_EQ(result.exitCode, 3);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
    }
    WriteFile(in + "/upper.XML", ReadFile(a));
    const Result result = Run({"convert", in + "/upper.XML"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "エラー: XMLファイルではありません。\n");
}

TEST_F(Cli, UnwritableLogStopsTheRun)
{
    const std::string bad = Notification(in, "bad.xml", 1000, gen::Fault::Empty);
    WriteFile(home, "a file where the settings folder belongs");
    const Result result = Run({"convert", bad});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "エラー: ログファイルが開かれています。\n閉じてから再実行してください。\n");
}

TEST_F(Cli, FailedCsvWriteStopsTheRunAndLeavesNoPartialFile)
{
    gen::NotificationSpec wanted;
    wanted.targetBytes = 20000;
    const std::string big = in + "/big.xml";
    WriteFile(big, gen::Generate(catalogue, wanted).bytes);
    const Result result = RunCli(home, {"convert", big}, 8000);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "エラー: ファイルの書き込みに失敗しました。\n");
    EXPECT_FALSE(Exists(in + "/big.csv"));
    EXPECT_NE(ReadFile(home + "/Ver1.20.log").find("エラー種別権限有無 対象ファイル" + big), std::string::npos);
}

TEST_F(Cli, RelativeFileAndFolderPathsWriteIntoTheirOwnFolder)
{
    Notification(in, "a.xml", 1000);
    test::MakeDir(in + "/sub");
    Notification(in + "/sub", "b.xml", 1000);
    Result result = RunCli(home, {"convert", "a.xml"}, std::nullopt, in);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Exists(in + "/a.csv"));
    result = RunCli(home, {"convert", "sub"}, std::nullopt, in);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::ListDir(in + "/sub"), (std::vector<std::string>{"b.csv", "b.xml"}));
}

TEST_F(Cli, DebugModeLogsTheRunAndSendsTheTimingTextsToStandardError)
{
    Notification(in, "a.xml", 1000);
    test::MakeDir(home);
    WriteFile(home + "/Tenvor.ini", "[Msg_Print]\r\nDebugFlag=1\r\n");
    const Result result = Run({"convert", in});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "処理が完了しました。\n");
    const std::regex timing(R"([ \d]\d:[ \d]\d:[ \d]\d\.[ \d]{2}\d\n[ \d]\d:[ \d]\d:[ \d]\d\.[ \d]{2}\d\n)");
    EXPECT_TRUE(std::regex_match(result.err, timing)) << result.err;
    const std::string log = ReadFile(home + "/Ver1.20.log");
    std::size_t at = 0;
    for (const char* label : {"デバッグモード ", "ツール起動 ", "測定開始 ", "測定終了 ", "ツール終了 "}) {
        at = log.find(std::string("]エラー種別") + label, at);
        EXPECT_NE(at, std::string::npos) << label;
    }
}

TEST_F(Cli, ControlCharactersInPathsAreEscaped)
{
    const std::string folder = dir / "line\nbreak\tand\x01";
    test::MakeDir(folder);
    Notification(folder, "x\r.xml", 1000, gen::Fault::NotXml);
    const Result result = Run({"convert", folder});
    EXPECT_EQ(result.exitCode, 1);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "1\t" + std::string(kFormatError) + "\t" + dir.path() + "/line\\nbreak\\tand\\x01/x\\r.xml");
}

TEST_F(Cli, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"convert"},
        {"convert", "--encoding", "latin1", in},
        {"convert", "--folder", "--file", in},
        {"convert", in, "extra"},
        {"unknown"},
        {"forms", "N9999999"},
        {"forms", "n2018003"},
        {"forms", ""},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "(none)" : args.back());
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err, "");
    }
    EXPECT_FALSE(Exists(home));
}

TEST_F(Cli, FormsListsTheIdsAndTheColumnsOfOneForm)
{
    Result result = Run({"forms"});
    EXPECT_EQ(result.exitCode, 0);
    std::string ids;
    for (const std::string_view id : styleNumList) {
        ids += std::string(id) + "\n";
    }
    EXPECT_EQ(result.out, ids);

    result = Run({"forms", "N2018003"});
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 30u);
    const DataDifLists& lists = catalogue.dataDifMap.at("N2018003");
    const StDataDif& first = lists[0].front();
    const StDataDif& last = lists[1].back();
    EXPECT_EQ(lines.front(), "common\t1\t" + first.sNodename + "\t" + std::to_string(first.iBytes));
    EXPECT_EQ(lines.back(), "insured\t14\t" + last.sNodename + "\t" + std::to_string(last.iBytes));
    EXPECT_EQ(lines[16].rfind("insured\t1\t", 0), 0u);

    result = Run({"forms", "N2008005"});
    EXPECT_EQ(Lines(result.out).size(), 65u);
    EXPECT_EQ(result.out.rfind("insured\t1\t", 0), 0u);
}

TEST_F(Cli, AReportThatCannotBeWrittenIsNotSuccess)
{
    // Standard output is a file here; a 64-byte limit cuts the list of forms (297 bytes) short
    // and still leaves room for the complaint on standard error.
    const Result result = RunCli(home, {"forms"}, rlim_t{64});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("cannot write to standard output"), std::string::npos);
}

}  // namespace
}  // namespace tenvor
