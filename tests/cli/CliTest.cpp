#include <gtest/gtest.h>
#include <libxml/xmlversion.h>
#include <zipconf.h>
#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "PackageGenerator.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFile.h"
#include "forms/StyleNumList.h"
#include "support/TestSupport.h"
#ifdef _WIN32
#include "support/Process.h"
#endif

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

#ifdef _WIN32

struct CliOptions {
    std::string workingFolder;    // empty: this process's
    bool outputReadOnly = false;  // standard output on a handle that cannot be written
};

// Runs tenvor-cli with its settings folder in home. Windows has no fork: the program is started
// with CreateProcessW, its standard output and error in files.
Result RunCli(const std::string& home, const std::vector<std::string>& args, const CliOptions& options = {})
{
    TempDir capture;
    test::ProcessOptions process;
    process.environment = {"TENVOR_HOME=" + home};
    process.workingFolder = options.workingFolder;
    process.outputPath = capture / "out";
    process.errorPath = capture / "err";
    process.outputReadOnly = options.outputReadOnly;
    std::vector<std::string> argv{TENVOR_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    const test::ProcessResult run = test::RunProcess(argv, process);
    EXPECT_TRUE(run.started) << "cannot start " << TENVOR_CLI_PATH;
    EXPECT_FALSE(run.timedOut);
    Result result;
    result.exitCode = run.started && !run.timedOut ? static_cast<int>(run.exitCode) : -1;
    // Both streams are in text mode there: lines end with CR LF.
    result.out = test::TextModeOutput(ReadFile(process.outputPath));
    result.err = test::TextModeOutput(ReadFile(process.errorPath));
    return result;
}

#else

// The user that permissions apply to: as root, tenvor-cli runs as "nobody" where a test needs
// permission bits to deny something.
constexpr uid_t kNobody = 65534;

struct CliOptions {
    std::string workingFolder;            // empty: this process's
    std::optional<rlim_t> fileSizeLimit;  // caps the size of any file the run writes
    bool unprivileged = false;            // as nobody when the tests run as root
};

// Runs tenvor-cli with its settings folder in home.
Result RunCli(const std::string& home, const std::vector<std::string>& args, const CliOptions& options = {})
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
        if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) {
            ::_exit(126);
        }
        if (options.unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(125);
        }
        if (options.fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
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

#endif

using test::Lines;

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

// The text as a regular expression that matches exactly it.
std::string RegexQuoted(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
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
        const std::string path = test::Join(folder, name);
        WriteFile(path, made.bytes);
        test::SetMtime(path, mtime);
        expectedCsv[path] = made.expectedCsv;
        return path;
    }

    Result Run(const std::vector<std::string>& args) { return RunCli(home, args); }

    const FormCatalogue catalogue;
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
    EXPECT_EQ(result.err, "2 converted, 0 skipped (CSV exists), 0 failed\n");
    EXPECT_EQ(ReadFile(test::Join(in, "a.csv")), test::Utf8ToCp932(WithCrLf(expectedCsv[a])));
    EXPECT_EQ(ReadFile(test::Join(in, "b.csv")), test::Utf8ToCp932(WithCrLf(expectedCsv[b])));
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
    // Each row ends with its reason: the field the form defines and the person record lacks, the
    // line and column where the parser gave up.
    const std::regex rows("1\t" + std::string(kFormatError) + "\t" + RegexQuoted(newer) +
                          "\t様式N[0-9]{7}の要素「.+」がありません（[0-9]+件目の_被保険者）\n2\t" + kFormatError +
                          "\t" + RegexQuoted(older) +
                          "\tXMLとして正しくありません（1行1列）: Start tag expected, '<' not found\n" +
                          "処理が完了しました。\n2件のエラーが発生しました。\n");
    EXPECT_TRUE(std::regex_match(result.out, rows)) << result.out;
    EXPECT_EQ(result.err, "1 converted, 0 skipped (CSV exists), 2 failed\n");
    EXPECT_TRUE(Exists(test::Join(in, "good.csv")));
    EXPECT_FALSE(Exists(test::Join(in, "older.csv")));
    EXPECT_NE(ReadFile(test::Join(home, "Ver1.20.log")).find("エラー種別形式対象外 対象ファイル" + newer),
              std::string::npos);
}

TEST_F(Cli, CharactersShiftJisLacksAreReportedAndTheFileStillConverts)
{
    // 髙 is in code page 932 (an IBM extension); 𠮷 (U+20BB7) is not, and becomes "?". Every
    // name of a's persons gets both.
    const std::string a = Notification(in, "a.xml", 1000);
    const std::string b = Notification(in, "b.xml", 2000);
    std::string bytes = ReadFile(a);
    ASSERT_NE(bytes.find("　"), std::string::npos);  // the space between family and given name
    bytes = std::regex_replace(bytes, std::regex("　"), "髙𠮷　");
    expectedCsv[a] = std::regex_replace(expectedCsv[a], std::regex("　"), "髙𠮷　");
    WriteFile(a, bytes);
    test::SetMtime(a, 1000);
    WriteFile(test::Join(in, "cover.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cover>送付状</cover>\n");

    Result result = Run({"convert", "-r", in});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "処理が完了しました。\n");
    // One line for the file, then the counts with the replacements last.
    EXPECT_EQ(result.err, "tenvor-cli: " + a +
                              ": 1 character not in Shift_JIS written as \"?\": 𠮷 (U+20BB7)\n"
                              "2 converted, 0 skipped (CSV exists), 0 failed, 1 other documents, 1 with replaced "
                              "characters\n");
    const std::string csv = ReadFile(test::Join(in, "a.csv"));
    // The same bytes as ever: 𠮷 is "?" (the test's own conversion refuses what it cannot write).
    const std::string asWritten = std::regex_replace(expectedCsv[a], std::regex("𠮷"), "?");
    EXPECT_EQ(csv, test::Utf8ToCp932(WithCrLf(asWritten)));
    EXPECT_NE(csv.find(test::Utf8ToCp932("髙?　")), std::string::npos);
    EXPECT_EQ(ReadFile(test::Join(in, "b.csv")), test::Utf8ToCp932(WithCrLf(expectedCsv[b])));
    EXPECT_FALSE(Exists(home));  // nothing for the log

    // UTF-8 keeps every character and says nothing of it.
    const std::string out = dir / "out";
    test::MakeDir(out);
    result = Run({"convert", "--encoding", "utf-8", "-o", out, a});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "1 converted, 0 skipped (CSV exists), 0 failed\n");
    EXPECT_EQ(ReadFile(test::Join(out, "a.csv")), "\xEF\xBB\xBF" + WithCrLf(expectedCsv[a]));
}

TEST_F(Cli, Utf8OutputFolderExistingCsvAndSkipExisting)
{
    const std::string a = Notification(in, "a.xml", 1000);
    const std::string out = dir / "out";
    test::MakeDir(out);
    Result result = Run({"convert", "--output", out, "--encoding", "utf8", a});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(test::Join(out, "a.csv")), "\xEF\xBB\xBF" + WithCrLf(expectedCsv[a]));
    EXPECT_FALSE(Exists(test::Join(in, "a.csv")));

    // A second run finds the CSV and leaves it alone.
    WriteFile(test::Join(out, "a.csv"), "kept");
    result = Run({"convert", "--output", out, "--file", a});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1\t選択したファイルと同名のファイルが存在します。\t" + a +
                              "\t出力先に同名のファイルがあります: " + test::Join(out, "a.csv") +
                              "\n処理が完了しました。\n1件のエラーが発生しました。\n");
    EXPECT_EQ(result.err, "0 converted, 1 skipped (CSV exists), 0 failed\n");
    EXPECT_EQ(ReadFile(test::Join(out, "a.csv")), "kept");

    // Picking up after an interrupted run: the converted file is left out without a row or a log
    // entry, only the real failure is listed, and the new file is converted.
    const std::string b = Notification(in, "b.xml", 2000);
    const std::string c = Notification(in, "c.xml", 3000, gen::Fault::Truncated);
    const std::string logBefore = ReadFile(test::Join(home, "Ver1.20.log"));
    result = Run({"convert", "-o", out, "--skip-existing", in});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out.rfind("1\t" + std::string(kFormatError) + "\t" + c + "\tXMLとして正しくありません（", 0), 0u)
        << result.out;
    EXPECT_NE(result.out.find("\n処理が完了しました。\n1件のエラーが発生しました。\n"), std::string::npos);
    EXPECT_EQ(result.err, "1 converted, 1 skipped (CSV exists), 1 failed\n");
    EXPECT_EQ(ReadFile(test::Join(out, "a.csv")), "kept");
    EXPECT_TRUE(Exists(test::Join(out, "b.csv")));
    const std::string logAfter = ReadFile(test::Join(home, "Ver1.20.log"));
    EXPECT_EQ(logAfter.find("同一ファイル", logBefore.size()), std::string::npos);
    EXPECT_NE(logAfter.find("形式対象外 対象ファイル" + c, logBefore.size()), std::string::npos);
    // Once everything convertible is there, a run with nothing left to do is a clean one.
    WriteFile(c, ReadFile(b));
    result = Run({"convert", "-o", out, "--skip-existing", in});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "1 converted, 2 skipped (CSV exists), 0 failed\n");
}

TEST_F(Cli, AnOutputFolderThatIsMissingOrAFileIsRefusedBeforeAnythingIsRead)
{
    Notification(in, "a.xml", 1000);
    Notification(in, "b.xml", 2000);
    WriteFile(dir / "notafolder", "");
    const std::pair<std::string, std::string> cases[] = {
        {dir / "missing", "tenvor-cli: the output folder " + dir / "missing" + " does not exist\n"},
        {dir / "notafolder", "tenvor-cli: the output folder " + dir / "notafolder" + " is not a folder\n"},
        {dir / "missing/deeper", "tenvor-cli: the output folder " + dir / "missing/deeper" + " does not exist\n"},
    };
    for (const auto& [folder, message] : cases) {
        const Result result = Run({"convert", "-o", folder, in});
        EXPECT_EQ(result.exitCode, 3);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, message);
    }
    // Nothing was created: no folder, no CSV, not even the log.
    EXPECT_FALSE(Exists(dir / "missing"));
    EXPECT_EQ(test::ListDir(in), (std::vector<std::string>{"a.xml", "b.xml"}));
    EXPECT_FALSE(Exists(home));
}

TEST_F(Cli, AWorkbookThatWouldReplaceAFileOrHasNoFolderIsRefusedWithOneLineBeforeAnythingIsRead)
{
    const std::string a = Notification(in, "a.xml", 1000);
    Notification(in, "b.xml", 2000, gen::Fault::Truncated);  // would be logged
    const std::string existing = dir / "list.xlsx";
    WriteFile(existing, "kept");
    const std::pair<std::string, std::string> cases[] = {
        {existing, "tenvor-cli: the workbook " + existing + " already exists\n"},
        {dir / "missing/list.xlsx",
         "tenvor-cli: the folder of the workbook " + dir / "missing/list.xlsx" + " does not exist\n"},
    };
    for (const auto& [path, message] : cases) {
        const Result result = Run({"convert", "--workbook", path, in});
        EXPECT_EQ(result.exitCode, 3);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, message);
    }
    EXPECT_EQ(ReadFile(existing), "kept");
    EXPECT_EQ(test::ListDir(in), (std::vector<std::string>{"a.xml", "b.xml"}));
    EXPECT_FALSE(Exists(home));

    // A new name: the run converts as without it, and the workbook is there.
    const Result result = Run({"convert", "--workbook", dir / "new.xlsx", a});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "1 converted, 0 skipped (CSV exists), 0 failed\n");
    EXPECT_EQ(ReadFile(dir / "new.xlsx").rfind("PK", 0), 0u);
}

TEST_F(Cli, AFolderThatCannotBeListedIsRefusedAndEntriesThatCannotBeExaminedAreErrors)
{
#ifdef _WIN32
    GTEST_SKIP()
        << "Linux only: needs symbolic links (a privilege on Windows) and permission bits with a user to run as";
#else
    // Links that lead nowhere: examined by nobody, reported as missing files.
    const std::string links = dir / "links";
    test::MakeDir(links);
    Notification(links, "good.xml", 1000);
    ASSERT_EQ(::symlink("gone.xml", (links + "/dangling.xml").c_str()), 0);
    ASSERT_EQ(::symlink("loop.xml", (links + "/loop.xml").c_str()), 0);
    Result result = Run({"convert", links});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1\t選択したファイルが存在しません。\t" + links +
                              "/loop.xml\tファイルを読み込めません: シンボリックリンクが多すぎるか循環しています\n" +
                              "2\t選択したファイルが存在しません。\t" + links +
                              "/dangling.xml\tファイルを読み込めません: 見つかりません\n" +
                              "処理が完了しました。\n2件のエラーが発生しました。\n");
    EXPECT_EQ(result.err, "1 converted, 0 skipped (CSV exists), 2 failed\n");

    // Permission bits deny root nothing: as root the program runs as nobody, in folders nobody
    // may enter.
    if (::geteuid() == 0 && ::getpwuid(kNobody) == nullptr) {
        GTEST_SKIP() << "no user " << kNobody << " to run as: unreadable folders not tested";
    }
    const std::string nobodysHome = dir / "nobody";
    for (const std::string& open : {dir.path(), nobodysHome}) {
        test::MakeDir(open);
        ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    }
    const std::string unlistable = dir / "unlistable";  // may be entered, not read
    const std::string blind = dir / "blind";            // may be read, not entered
    for (const std::string& folder : {unlistable, blind}) {
        test::MakeDir(folder);
        Notification(folder, "a.xml", 1000);
    }
    ASSERT_EQ(::chmod(unlistable.c_str(), 0333), 0);
    ASSERT_EQ(::chmod(blind.c_str(), 0444), 0);
    CliOptions asNobody;
    asNobody.unprivileged = true;
    result = RunCli(nobodysHome, {"convert", "-o", nobodysHome, unlistable}, asNobody);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "エラー: 電子通知書(XML)に入力されたフォルダが存在しません。\n");
    EXPECT_NE(ReadFile(nobodysHome + "/Ver1.20.log").find("エラー種別ファイル有無 対象ファイル" + unlistable + "\r\n"),
              std::string::npos);

    result = RunCli(nobodysHome, {"convert", "-o", nobodysHome, blind}, asNobody);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1\t選択したファイルが存在しません。\t" + blind +
                              "/a.xml\tファイルを読み込めません: "
                              "アクセスが拒否されました（権限がないか、ほかのプログラムが使用中です）\n"
                              "処理が完了しました。\n1件のエラーが発生しました。\n");
    EXPECT_EQ(result.err, "0 converted, 0 skipped (CSV exists), 1 failed\n");
    for (const std::string& folder : {unlistable, blind}) {
        ::chmod(folder.c_str(), 0755);  // for the temporary folder's removal
    }
#endif
}

// Every file below a folder, by its path relative to it ('/' between folders), with its bytes.
std::map<std::string, std::string> FilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    const std::filesystem::path root = test::NativePath(folder);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            std::string relative = test::Utf8Path(entry.path().lexically_relative(root));
            std::replace(relative.begin(), relative.end(), '\\', '/');
            files[relative] = ReadFile(test::Utf8Path(entry.path()));
        }
    }
    return files;
}

// Four downloads as users get them, in one step: the CSV files of each below a folder named like
// it, the cover letters and the return slip passed over, and the same files, byte for byte, as
// the downloads extracted by hand and converted with their subfolders.
TEST_F(Cli, DownloadsConvertInOneStepExactlyAsTheirExtractedFolders)
{
    const std::string downloads = dir / "dl";
    const std::string extracted = dir / "extracted";
    std::vector<std::string> args{"convert", "-o", dir / "csv"};
    int notifications = 0;
    int others = 0;
    for (gen::GeneratedPackage package : {gen::MakeFlatDownload(catalogue, 1), gen::MakeFlatDownload(catalogue, 2),
                                          gen::MakeReturnNotice(3), gen::MakeBulkExport(catalogue, 4, 2)}) {
        if (args.size() == 4) {
            package.fileName = "公文書(002) (1).zip";  // the browser's name for the second one
        }
        const std::string path = test::Join(downloads, package.fileName);
        test::MakeDir(downloads);
        WriteFile(path, package.bytes);
        args.push_back(path);
        // Extracted into a folder named like the download, a nested ZIP into one named like it.
        const std::string folder = test::Join(extracted, package.fileName.substr(0, package.fileName.size() - 4));
        for (const gen::PackagedXml& member : package.xml) {
            const std::string relative = std::regex_replace(member.path, std::regex(R"(\.zip/)"), "/");
            const std::string file = test::Join(folder, relative);
            test::MakeDir(file.substr(0, file.find_last_of("/\\")));
            WriteFile(file, member.bytes);
            (member.documentElement.front() == 'N' ? notifications : others) += 1;
        }
    }
    test::MakeDir(dir / "csv");
    Result result = Run(args);
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.out, "処理が完了しました。\n");
    const std::string counts = std::to_string(notifications) + " converted, 0 skipped (CSV exists), 0 failed, " +
                               std::to_string(others) + " other documents\n";
    EXPECT_EQ(result.err, counts);
    const std::map<std::string, std::string> fromDownloads = FilesBelow(dir / "csv");
    ASSERT_EQ(fromDownloads.size(), static_cast<std::size_t>(notifications));
    EXPECT_TRUE(fromDownloads.count("公文書(002)/7130001.csv"));
    EXPECT_TRUE(fromDownloads.count("公文書(002) (1)/7130001.csv"));

    test::MakeDir(dir / "csv-extracted");
    result = Run({"convert", "-r", "-o", dir / "csv-extracted", extracted});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_EQ(result.err, counts);
    EXPECT_EQ(FilesBelow(dir / "csv-extracted"), fromDownloads);

    // The same downloads again: every notification is there already, listed by its member path.
    result = Run(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("\t選択したファイルと同名のファイルが存在します。\t" +
                              test::Join(test::Join(downloads, "公文書(002).zip"), "7130001.xml") +
                              "\t出力先に同名のファイルがあります: " +
                              test::Join(test::Join(dir / "csv", "公文書(002)"), "7130001.csv") + "\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.err, "0 converted, " + std::to_string(notifications) + " skipped (CSV exists), 0 failed, " +
                              std::to_string(others) + " other documents\n");
    EXPECT_EQ(FilesBelow(dir / "csv"), fromDownloads);

    // One PATH missing refuses the whole run before anything is read.
    test::MakeDir(dir / "csv-refused");
    result = Run({"convert", "-o", dir / "csv-refused", args[3], dir / "missing.zip"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "エラー: XMLファイルが存在しません。\n");
    EXPECT_TRUE(FilesBelow(dir / "csv-refused").empty());
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
        {{"convert", test::Join(in, "missing.xml")}, "エラー: XMLファイルが存在しません。\n"},
        {{"convert", test::Join(in, "fooxml")}, "エラー: XMLファイルではありません。\n"},
#ifndef _WIN32
        // File names differ by letter case here: A.XML is not a.xml.
        {{"convert", test::Join(in, "A.XML")}, "エラー: XMLファイルが存在しません。\n"},
#endif
    };
    WriteFile(test::Join(in, "fooxml"), ReadFile(a));  // "xml" at its end, but no ".xml"
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const Result result = Run(c.args);
        EXPECT_EQ(result.exitCode, 3);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err);
    }
    // ".XML" in any letter case is an XML file, as in a folder.
    WriteFile(test::Join(in, "upper.XML"), ReadFile(a));
    const Result result = Run({"convert", test::Join(in, "upper.XML")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "1 converted, 0 skipped (CSV exists), 0 failed\n");
    EXPECT_TRUE(Exists(test::Join(in, "upper.csv")));
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
#ifdef _WIN32
    GTEST_SKIP()
        << "Linux only: a full disk is made with RLIMIT_FSIZE, and Windows has no limit on the size of the files one "
           "process writes";
#else
    gen::NotificationSpec wanted;
    wanted.targetBytes = 20000;
    const std::string big = in + "/big.xml";
    WriteFile(big, gen::Generate(catalogue, wanted).bytes);
    CliOptions smallFiles;
    smallFiles.fileSizeLimit = 8000;
    const Result result = RunCli(home, {"convert", big}, smallFiles);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out, "");
    // The message box's line, then the file and the system's reason.
    EXPECT_EQ(result.err, "エラー: ファイルの書き込みに失敗しました。\ntenvor-cli: cannot write " + in +
                              "/big.csv: File too large\n");
    EXPECT_FALSE(Exists(in + "/big.csv"));
    EXPECT_NE(ReadFile(home + "/Ver1.20.log").find("エラー種別権限有無 対象ファイル" + big), std::string::npos);
#endif
}

TEST_F(Cli, RelativeFileAndFolderPathsWriteIntoTheirOwnFolder)
{
    Notification(in, "a.xml", 1000);
    test::MakeDir(test::Join(in, "sub"));
    Notification(test::Join(in, "sub"), "b.xml", 1000);
    CliOptions inInput;
    inInput.workingFolder = in;
    Result result = RunCli(home, {"convert", "a.xml"}, inInput);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(Exists(test::Join(in, "a.csv")));
    result = RunCli(home, {"convert", "sub"}, inInput);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::ListDir(test::Join(in, "sub")), (std::vector<std::string>{"b.csv", "b.xml"}));
}

TEST_F(Cli, DebugModeLogsTheRunAndSendsTheTimingTextsToStandardError)
{
    Notification(in, "a.xml", 1000);
    test::MakeDir(home);
    WriteFile(test::Join(home, "Tenvor.ini"), "[Msg_Print]\r\nDebugFlag=1\r\n");
    const Result result = Run({"convert", in});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "処理が完了しました。\n");
#ifdef _WIN32
    // The timing texts go to the debugger there (OutputDebugString), standard error has the counts.
    EXPECT_EQ(result.err, "1 converted, 0 skipped (CSV exists), 0 failed\n");
#else
    const std::regex timing(
        R"([ \d]\d:[ \d]\d:[ \d]\d\.[ \d]{2}\d\n[ \d]\d:[ \d]\d:[ \d]\d\.[ \d]{2}\d\n1 converted, 0 skipped \(CSV exists\), 0 failed\n)");
    EXPECT_TRUE(std::regex_match(result.err, timing)) << result.err;
#endif
    const std::string log = ReadFile(test::Join(home, "Ver1.20.log"));
    std::size_t at = 0;
    for (const char* label : {"デバッグモード ", "ツール起動 ", "測定開始 ", "測定終了 ", "ツール終了 "}) {
        at = log.find(std::string("]エラー種別") + label, at);
        EXPECT_NE(at, std::string::npos) << label;
    }
}

TEST_F(Cli, ControlCharactersInPathsAreEscaped)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: Windows file names can hold neither control characters nor bytes that are not UTF-8 "
                    "(they are UTF-16), and a backslash is a separator there";
#else
    const std::string folder = dir / "line\nbreak\tand\x01";
    test::MakeDir(folder);
    Notification(folder, "x\r.xml", 1000, gen::Fault::NotXml);
    Notification(folder, "\x8A\xBF\\.xml", 2000, gen::Fault::NotXml);  // a Shift_JIS name
    // A right-to-left override would show the name reversed; a zero-width space and a byte-order
    // mark would not show at all.
    Notification(folder, "\u202Elmx.\u200Bb\uFEFF.xml", 3000, gen::Fault::NotXml);
    const Result result = Run({"convert", folder});
    EXPECT_EQ(result.exitCode, 1);
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 5u);
    const std::string printed = dir.path() + "/line\\nbreak\\tand\\x01/";
    const std::string reason = "\tXMLとして正しくありません（1行1列）: Start tag expected, '<' not found";
    EXPECT_EQ(lines[0], "1\t" + std::string(kFormatError) + "\t" + printed + "\\u202Elmx.\\u200Bb\\uFEFF.xml" + reason);
    EXPECT_EQ(lines[1], "2\t" + std::string(kFormatError) + "\t" + printed + "\\x8A\\xBF\\.xml" + reason);
    EXPECT_EQ(lines[2], "3\t" + std::string(kFormatError) + "\t" + printed + "x\\r.xml" + reason);
    // The log's entries are one line each too, and name the same files.
    const std::vector<std::string> entries = test::LogEntries(ReadFile(home + "/Ver1.20.log"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_NE(entries[0].find("対象ファイル" + printed + "x\\r.xml"), std::string::npos);
    EXPECT_NE(entries[2].find("対象ファイル" + printed + "\\u202Elmx.\\u200Bb\\uFEFF.xml"), std::string::npos);
#endif
}

TEST_F(Cli, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"convert"},
        {"convert", "--encoding", "latin1", in},
        {"convert", "--encoding", "", in},
        {"convert", "--folder", "--file", in},
        {"unknown"},
        {"--version", "unknown"},
        {"help", "unknown"},
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
    // A word that is no command is named, with the commands there are.
    const Result result = Run({"frobnicate", in});
    EXPECT_NE(result.err.find("'frobnicate'"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("convert, forms, help"), std::string::npos) << result.err;
    EXPECT_FALSE(Exists(home));
}

TEST_F(Cli, EncodingNamesVersionAndHelpForBatchUse)
{
    const std::string a = Notification(in, "a.xml", 1000);
    const std::string sjis = test::Utf8ToCp932(WithCrLf(expectedCsv[a]));
    const std::string utf8 = "\xEF\xBB\xBF" + WithCrLf(expectedCsv[a]);
    const std::pair<const char*, const std::string*> names[] = {
        {"sjis", &sjis},  {"SJIS", &sjis},        {"Shift_JIS", &sjis}, {"shift-jis", &sjis}, {"CP932", &sjis},
        {"ms932", &sjis}, {"Windows-31J", &sjis}, {"utf8", &utf8},      {"UTF-8", &utf8},     {"utf-8", &utf8},
    };
    int count = 0;
    for (const auto& [name, bytes] : names) {
        // Numbered: folder names may not differ by letter case alone (Windows).
        const std::string out = dir / ("out-" + std::to_string(++count));
        test::MakeDir(out);
        const Result result = Run({"convert", "-o", out, "--encoding", name, a});
        EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
        EXPECT_EQ(ReadFile(test::Join(out, "a.csv")), *bytes) << name;
    }

    Result result = Run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    // The program's version, then the libraries it runs with.
    EXPECT_EQ(result.out, "tenvor-cli 1.20\nlibxml2 " LIBXML_DOTTED_VERSION "\nlibzip " LIBZIP_VERSION "\n");
    result = Run({"help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("convert"), std::string::npos);
    result = Run({"help", "convert"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("code page 932"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("--skip-existing"), std::string::npos) << result.out;
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
    ASSERT_EQ(lines.size(), 31u);
    const FormDefinition& form = *catalogue.Definition("N2018003");
    const StDataDif& first = form.commonList.front();
    const StDataDif& last = form.insuredList.back();
    EXPECT_EQ(lines.front(), "form\tN2018003\trecords");
    EXPECT_EQ(lines[1], "common\t1\t" + first.sNodename + "\t" + std::to_string(first.iBytes));
    EXPECT_EQ(lines.back(), "insured\t14\t" + last.sNodename + "\t" + std::to_string(last.iBytes));
    EXPECT_EQ(lines[17].rfind("insured\t1\t", 0), 0u);

    result = Run({"forms", "N2008005"});
    EXPECT_EQ(Lines(result.out).size(), 66u);
    EXPECT_EQ(result.out.rfind("form\tN2008005\tsingle\ninsured\t1\t", 0), 0u);
}

TEST_F(Cli, AReportThatCannotBeWrittenIsNotSuccess)
{
#ifdef _WIN32
    // Standard output is a file opened for reading only: every write to it fails.
    CliOptions options;
    options.outputReadOnly = true;
#else
    // Standard output is a file here; a 64-byte limit cuts the list of forms (297 bytes) short
    // and still leaves room for the complaint on standard error.
    CliOptions options;
    options.fileSizeLimit = 64;
#endif
    const Result result = RunCli(home, {"forms"}, options);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("cannot write to standard output"), std::string::npos);
}

TEST_F(Cli, FormFilesAreListedWithTheirPathsAndPrintedAsTheyReadBack)
{
    const std::string forms = test::Join(home, "forms");
    test::MakeDir(home);
    test::MakeDir(forms);
    // "tenvor-cli forms N7130001 > forms/N7130001.tsv": the shell makes the file, empty, before
    // the command reads the folder; the command prints the built-in form into it.
    const std::string file = test::Join(forms, "N7130001.tsv");
    WriteFile(file, "");
    Result result = Run({"forms", "N7130001"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("form\tN7130001\trecords\n", 0), 0u);
    WriteFile(file, result.out);

    // Read back, the file gives the same definitions, and prints as it was written.
    result = Run({"forms", "N7130001"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, ReadFile(file));
    const Expected<FormDefinition, FormFileProblem> read = ParseFormFile(ReadFile(file), "N7130001");
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, *catalogue.Definition("N7130001"));

    // One form added: listed after the built-in ones, with its file, as each replaced form is.
    FormDefinition added = *catalogue.Definition("N2018003");
    added.id = "N7012001";
    WriteFile(test::Join(forms, "N7012001.tsv"), FormFileText(added));
    result = Run({"forms"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::string ids;
    for (const std::string_view id : styleNumList) {
        ids += std::string(id) + (id == "N7130001" ? "\t" + file : "") + "\n";
    }
    EXPECT_EQ(result.out, ids + "N7012001\t" + test::Join(forms, "N7012001.tsv") + "\n");
    result = Run({"forms", "N7012001"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, FormFileText(added));
}

TEST_F(Cli, AFormFileThatIsNotRightRefusesConvertAndFormsWithOneLine)
{
    const std::string a = Notification(in, "a.xml", 1000);
    const std::string forms = test::Join(home, "forms");
    test::MakeDir(home);
    test::MakeDir(forms);
    const std::string file = test::Join(forms, "N2018003.tsv");
    WriteFile(file, "form\tN2018003\trecords\r\n# 被保険者\r\ninsured\t1\t氏名\r\n");
    const std::string line =
        "エラー: 様式定義ファイルに誤りがあります。" + file +
        "(3行目): 定義の行は「common」または「insured」、位置、要素名、バイト数をタブで区切った4項目です。\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"convert", in}, std::vector<std::string>{"forms"},
          std::vector<std::string>{"forms", "N2018003"}}) {
        SCOPED_TRACE(args.back());
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 3);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, line);
    }
    EXPECT_FALSE(Exists(test::Join(in, "a.csv")));
    EXPECT_EQ(test::ListDir(home), std::vector<std::string>{"forms"});  // no log
    // Put right, the same file lets the run go.
    WriteFile(file, FormFileText(*catalogue.Definition("N2018003")));
    const Result result = Run({"convert", in});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(test::Join(in, "a.csv")), test::Utf8ToCp932(WithCrLf(expectedCsv[a])));
}

}  // namespace
}  // namespace tenvor
