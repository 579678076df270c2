#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/AppFolder.h"
#include "run/TenvorEngine.h"
#include "support/RecordingFrontEnd.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::ScopedEnv;
using test::TempDir;

#ifdef _WIN32

// An empty value removes the variable on Windows: it counts as unset.
TEST(AppFolder, TenvorHomeOrTheFixedFolderAlwaysEndingWithASeparator)
{
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {"C:\\t\\home", "C:\\t\\home\\"}, {"C:\\t\\home\\", "C:\\t\\home\\"},
        {"D:/t/home/", "D:/t/home/"},     {"", "C:\\Tenvor\\"},
        {std::nullopt, "C:\\Tenvor\\"},
    };
    for (const auto& [tenvorHome, expected] : cases) {
        SCOPED_TRACE(expected);
        ScopedEnv home("TENVOR_HOME", tenvorHome);
        EXPECT_EQ(AppFolder(), expected);
    }
}

#else

struct Environment {
    std::optional<std::string> tenvorHome, xdgDataHome, home;
    const char* expected;
};

TEST(AppFolder, TenvorHomeThenXdgDataHomeThenHomeAlwaysEndingWithASeparator)
{
    const Environment cases[] = {
        {"/t/home", "/x", "/h", "/t/home/"},
        {"/t/home/", std::nullopt, std::nullopt, "/t/home/"},
        {"", "/x/data", "/h", "/x/data/Tenvor/"},
        {std::nullopt, "/x/data/", "/h", "/x/data/Tenvor/"},
        {std::nullopt, "", "/h/user", "/h/user/.local/share/Tenvor/"},
        {std::nullopt, std::nullopt, "/h/user/", "/h/user/.local/share/Tenvor/"},
        // A relative data folder would depend on the working folder: it is not used.
        {std::nullopt, "relative/data", "/h/user", "/h/user/.local/share/Tenvor/"},
    };
    for (const Environment& c : cases) {
        SCOPED_TRACE(c.expected);
        ScopedEnv a("TENVOR_HOME", c.tenvorHome);
        ScopedEnv b("XDG_DATA_HOME", c.xdgDataHome);
        ScopedEnv d("HOME", c.home);
        EXPECT_EQ(AppFolder(), c.expected);
    }
}

#endif

TEST(AppFolder, CreateFoldersMakesMissingParentsAndStopsAtAFile)
{
    TempDir dir;
    EXPECT_TRUE(CreateFolders(dir / "a/b/c/"));
    EXPECT_TRUE(test::Exists(dir / "a/b/c"));
    EXPECT_TRUE(CreateFolders(dir / "a/b/c"));  // already there
    EXPECT_TRUE(CreateFolders(dir / "a//d"));

    test::WriteFile(dir / "file", "x");
    EXPECT_FALSE(CreateFolders(dir / "file"));
    EXPECT_FALSE(CreateFolders(dir / "file/sub/"));
    EXPECT_EQ(test::ReadFile(dir / "file"), "x");
}

TEST(AppFolder, EngineWithoutAFolderLogsIntoTheEnvironmentsFolderCreatingItsParents)
{
    TempDir dir;
    ScopedEnv home("TENVOR_HOME", dir / "deep/er/home");
    test::RecordingFrontEnd window;
    TenvorEngine engine(window);
    EXPECT_EQ(engine.AppFolderPath(), dir / "deep/er/home/");
    engine.Start();
    window.inputPath = test::RootedPath("in/a.xml");  // missing: the refusal is logged
    EXPECT_EQ(engine.Run(window.Request()).outcome, RunOutcome::Refused);
    EXPECT_NE(test::ReadFile(dir / "deep/er/home/Ver1.20.log").find("対象ファイル" + window.inputPath + "\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace tenvor
