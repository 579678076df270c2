#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "platform/NewFile.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Publish = NewFile::Publish;

TEST(NewFile, CommitGivesTheCompleteFileItsNameAndLeavesNothingElse)
{
    TempDir dir;
    NewFile file;
    ASSERT_TRUE(file.Open(dir / "a.csv"));
    EXPECT_TRUE(file.Write("N2018003\r\n"));
    EXPECT_TRUE(file.Write(std::string(100000, 'x')));
    EXPECT_FALSE(test::Exists(dir / "a.csv"));  // not visible before it is complete
    EXPECT_EQ(file.Commit(), Publish::Done);
    EXPECT_EQ(ReadFile(dir / "a.csv"), "N2018003\r\n" + std::string(100000, 'x'));
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"a.csv"});

    // The object can make a second file.
    ASSERT_TRUE(file.Open(dir / "b.csv"));
    EXPECT_EQ(file.Commit(), Publish::Done);
    EXPECT_EQ(ReadFile(dir / "b.csv"), "");
}

TEST(NewFile, NeverReplacesWhatAppearedUnderTheName)
{
    TempDir dir;
    WriteFile(dir / "before.csv", "old");
    test::MakeDir(dir / "folder.csv");
#ifdef _WIN32
    // Making links needs a privilege on Windows: no dangling link there.
    const std::vector<std::string> names = {"before.csv", "between.csv", "folder.csv"};
#else
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "link.csv").c_str()), 0);
    const std::vector<std::string> names = {"before.csv", "between.csv", "folder.csv", "link.csv"};
#endif
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        NewFile file;
        ASSERT_TRUE(file.Open(dir / name));
        file.Write("new");
        if (name == "between.csv") {
            WriteFile(dir / name, "someone else's");
        }
        EXPECT_EQ(file.Commit(), Publish::AlreadyExists);
    }
    EXPECT_EQ(ReadFile(dir / "before.csv"), "old");
    EXPECT_EQ(ReadFile(dir / "between.csv"), "someone else's");
    EXPECT_TRUE(ListDir(dir / "folder.csv").empty());
    // Nothing was written through the dangling link either.
    EXPECT_EQ(ListDir(dir.path()), names);
}

TEST(NewFile, AbortOrDestructionWithoutCommitLeavesNoFile)
{
    TempDir dir;
    {
        NewFile file;
        ASSERT_TRUE(file.Open(dir / "a.csv"));
        file.Write("partial");
        file.Abort();
        EXPECT_EQ(file.Commit(), Publish::WriteFailed);
        ASSERT_TRUE(file.Open(dir / "b.csv"));
        file.Write("partial");
    }
    EXPECT_TRUE(ListDir(dir.path()).empty());
}

TEST(NewFile, FolderThatCannotTakeAFileFailsAtOpen)
{
    TempDir dir;
    WriteFile(dir / "file", "x");
    for (const std::string& target : {dir / "missing/a.csv", dir / "file/a.csv"}) {
        SCOPED_TRACE(target);
        NewFile file;
        EXPECT_FALSE(file.Open(target));
        EXPECT_NE(file.Error(), 0);
    }
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"file"});
}

TEST(NewFile, OverlongNameIsRefusedWithoutLeftovers)
{
    TempDir dir;
    NewFile file;
    ASSERT_TRUE(file.Open(dir / (std::string(300, 'n') + ".csv")));
    file.Write("data");
    EXPECT_EQ(file.Commit(), Publish::Refused);
    EXPECT_TRUE(ListDir(dir.path()).empty());
}

TEST(NewFile, DataThatCannotBeStoredIsReportedAndDropped)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: a full disk is made with RLIMIT_FSIZE, and Windows has no limit on the size of "
                    "the files one process writes";
#else
    TempDir dir;
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    NewFile file;
    const bool opened = file.Open(dir / "a.csv");
    const bool written = opened && file.Write(std::string(5000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(written);
    EXPECT_NE(file.Error(), 0);
    file.Abort();
    EXPECT_TRUE(ListDir(dir.path()).empty());
#endif
}

}  // namespace
}  // namespace tenvor
