// tenvor-cli forms --from: the draft on standard output and its differences on standard error,
// --save into the forms folder, the conversion that then succeeds, refusals with one line, and a
// form file that is never lost when the new one cannot be written.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "NotificationGenerator.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFile.h"
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

// Runs tenvor-cli with its settings folder in home; fileSizeLimit caps every file it writes.
Result RunCli(const std::string& home, const std::vector<std::string>& args,
              [[maybe_unused]] std::optional<long> fileSizeLimit = std::nullopt)
{
    TempDir capture;
    const std::string outPath = capture / "out";
    const std::string errPath = capture / "err";
    Result result;
#ifdef _WIN32
    test::ProcessOptions process;
    process.environment = {"TENVOR_HOME=" + home};
    process.outputPath = outPath;
    process.errorPath = errPath;
    std::vector<std::string> argv{TENVOR_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    const test::ProcessResult run = test::RunProcess(argv, process);
    result.exitCode = run.started && !run.timedOut ? static_cast<int>(run.exitCode) : -1;
    result.out = test::TextModeOutput(ReadFile(outPath));
    result.err = test::TextModeOutput(ReadFile(errPath));
#else
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        ::setenv("TENVOR_HOME", home.c_str(), 1);
        if (fileSizeLimit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(*fileSizeLimit), static_cast<rlim_t>(*fileSizeLimit)};
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
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
#endif
    return result;
}

using test::Lines;

class DraftCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::MakeDir(home);
        test::MakeDir(in);
        test::MakeDir(out);
        // N7130001 as its issuer revised it: the third field renamed.
        revised = *FormCatalogue().Definition("N7130001");
        revised.insuredList[2].sNodename = "通知日";
        gen::NotificationSpec wanted;
        wanted.formId = revised.id;
        wanted.persons = 2;
        WriteFile(notification, gen::Generate(std::span<const FormDefinition>(&revised, 1), wanted).bytes);
    }

    Result Run(const std::vector<std::string>& args) { return RunCli(home, args); }

    TempDir dir;
    const std::string home = dir / "home";
    const std::string in = dir / "in";
    const std::string out = dir / "out";
    const std::string forms = test::Join(home, "forms");
    const std::string notification = test::Join(in, "7130001.xml");
    FormDefinition revised;
};

TEST_F(DraftCli, ASavedDraftMakesTheFailingNotificationConvert)
{
    Result result = Run({"convert", "-o", out, notification});
    ASSERT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("\t様式N7130001に定義されていない要素「通知日」があります（1件目の_被保険者）\n"),
              std::string::npos)
        << result.out;

    // Printed: the form file on standard output, the differences on standard error, nothing saved.
    result = Run({"forms", "--from", notification});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string draft = result.out;
    const Expected<FormDefinition, FormFileProblem> parsed = ParseFormFile(draft, "N7130001");
    ASSERT_TRUE(parsed) << draft;
    EXPECT_EQ(Lines(draft).front(), "form\tN7130001\trecords");
    const std::vector<std::string> differences = Lines(result.err);
    ASSERT_EQ(differences.size(), 2U) << result.err;
    EXPECT_EQ(differences[0], "-\tinsured\t3\t通知年月日\t16");
    EXPECT_EQ(differences[1], "+\tinsured\t3\t通知日\t" + std::to_string(parsed->insuredList[2].iBytes));
    EXPECT_FALSE(Exists(forms));

    // Saved: the path on standard output, the same text in the file.
    result = Run({"forms", "--from", notification, "--save"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string file = test::Join(forms, "N7130001.tsv");
    EXPECT_EQ(result.out, file + "\n");
    EXPECT_EQ(Lines(result.err), differences);
    EXPECT_EQ(ReadFile(file), draft);

    result = Run({"convert", "-o", out, notification});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_TRUE(Exists(test::Join(out, "7130001.csv")));

    // The form now matches: nothing printed on standard error, nothing saved again.
    result = Run({"forms", "--from", notification});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, draft);
    EXPECT_EQ(result.err, "");
    result = Run({"forms", "--from", notification, "--save"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(Exists(test::Join(forms, "old")));
}

TEST_F(DraftCli, ARefusalIsOneLineWithStatusThreeAndSavesNothing)
{
    const std::string nested = test::Join(in, "nested.xml");
    WriteFile(nested, "<N7990040><_被保険者><氏名><姓>山田</姓></氏名></_被保険者></N7990040>");
    Result result = Run({"forms", "--from", notification, nested, "--save"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err,
              "tenvor-cli: " + nested + ": 文書要素「N7990040」が" + notification + "の「N7130001」と異なります\n");
    result = Run({"forms", "--from", nested, "--save"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "tenvor-cli: " + nested + ": 要素「氏名」の中に要素があります（1件目の_被保険者）\n");
    result = Run({"forms", "--from", test::Join(in, "missing.xml")});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "tenvor-cli: " + test::Join(in, "missing.xml") + ": XMLファイルが存在しません。\n");
    EXPECT_FALSE(Exists(forms));

    // A wrong command line.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"forms", "--save"}, std::vector<std::string>{"forms", "N7130001", "--from", nested},
          std::vector<std::string>{"forms", "--from"}}) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(Run(args).exitCode, 2);
    }
}

TEST_F(DraftCli, AFormFileThatCannotBeReplacedIsPutBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs RLIMIT_FSIZE to make writing fail";
#else
    // The form file there now is the built-in form, written out; the new one cannot be written.
    test::MakeDir(forms);
    const std::string file = test::Join(forms, "N7130001.tsv");
    const std::string earlier = "# the built-in form\n" + Run({"forms", "N7130001"}).out;
    WriteFile(file, earlier);
    const Result result = RunCli(home, {"forms", "--from", notification, "--save"}, 400);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Lines(result.err).size(), 1U) << result.err;
    EXPECT_EQ(result.err.rfind("tenvor-cli: " + file + ": 様式定義ファイルを作成できません: ", 0), 0U) << result.err;
    EXPECT_EQ(ReadFile(file), earlier);
    EXPECT_TRUE(test::ListDir(test::Join(forms, "old")).empty());
    EXPECT_EQ(test::ListDir(forms), (std::vector<std::string>{"N7130001.tsv", "old"}));
#endif
}

}  // namespace
}  // namespace tenvor
