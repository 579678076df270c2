#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MoveFile.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::ListDir;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(MoveFile, MovesIntoAFolderButNeverOverAFileAndSaysWhyItCannot)
{
    TempDir dir;
    test::MakeDir(dir / "old");
    WriteFile(dir / "a.tsv", "a");
    WriteFile(dir / "old/b.tsv", "b");

    // A name that is taken: both files stay as they were.
    EXPECT_EQ(MoveFileWithoutReplacing(dir / "a.tsv", dir / "old/b.tsv").outcome, MoveOutcome::TargetExists);
    EXPECT_EQ(ReadFile(dir / "a.tsv"), "a");
    EXPECT_EQ(ReadFile(dir / "old/b.tsv"), "b");

    EXPECT_EQ(MoveFileWithoutReplacing(dir / "a.tsv", dir / "old/a.tsv").outcome, MoveOutcome::Moved);
    EXPECT_EQ(ListDir(dir.path()), std::vector<std::string>{"old"});
    EXPECT_EQ(ListDir(dir / "old"), (std::vector<std::string>{"a.tsv", "b.tsv"}));
    EXPECT_EQ(ReadFile(dir / "old/a.tsv"), "a");

    const FileMove missing = MoveFileWithoutReplacing(dir / "a.tsv", dir / "c.tsv");
    EXPECT_EQ(missing.outcome, MoveOutcome::Failed);
    EXPECT_EQ(missing.systemText, "見つかりません");
    EXPECT_FALSE(test::Exists(dir / "c.tsv"));
}

}  // namespace
}  // namespace tenvor
