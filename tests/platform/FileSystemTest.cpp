#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TestSupport.h"

namespace tenvor {
namespace {

using test::MakeDir;
using test::SetMtime;
using test::TempDir;
using test::WriteFile;

TEST(SplitPath, FolderBaseNameAndLastExtension)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* baseName;
        const char* extension;
    };
    const Case cases[] = {
        {"/in/a.xml", "/in/", "a", ".xml"},     {"a.xml", "", "a", ".xml"},
        {"/in/a.b.xml", "/in/", "a.b", ".xml"}, {"/in/noext", "/in/", "noext", ""},
        {"/in.d/noext", "/in.d/", "noext", ""}, {"/in/", "/in/", "", ""},
        {"/a.XML", "/", "a", ".XML"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const SplitPathResult parts = SplitPath(c.path);
        EXPECT_EQ(parts.folder, c.folder);
        EXPECT_EQ(parts.baseName, c.baseName);
        EXPECT_EQ(parts.extension, c.extension);
    }
}

TEST(JoinPath, ExactlyOneSeparatorBetweenFolderAndName)
{
    EXPECT_EQ(JoinPath("/out", "a.csv"), "/out/a.csv");
    EXPECT_EQ(JoinPath("/out/", "a.csv"), "/out/a.csv");
    EXPECT_EQ(JoinPath("/", "a.csv"), "/a.csv");
    EXPECT_EQ(JoinPath("", "a.csv"), "a.csv");
}

TEST(FileSystem, ExistenceAndKindOfPaths)
{
    TempDir dir;
    WriteFile(dir / "f", "");
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
    EXPECT_TRUE(PathExists(dir / "f"));
    EXPECT_FALSE(IsDirectory(dir / "f"));
    EXPECT_TRUE(IsDirectory(dir.path()));
    EXPECT_TRUE(IsDirectory(dir.path() + "/"));
    EXPECT_FALSE(PathExists(dir / "f/below"));
    EXPECT_FALSE(PathExists(dir / "none"));
    EXPECT_FALSE(IsDirectory(""));
}

TEST(ListXmlFiles, OldestFirstWithTiesInNameOrder)
{
    TempDir dir;
    const std::time_t t = 1767258000;  // some morning
    const std::pair<const char*, long> files[] = {
        {"c.xml", 120}, {"a.xml", 0}, {"b.XML", 60}, {"e.xml", 60}, {"d.Xml", 60},
    };
    for (const auto& [name, offset] : files) {
        WriteFile(dir / name, "<x/>");
        SetMtime(dir / name, t + offset);
    }
    // Within one second the nanoseconds decide.
    WriteFile(dir / "late.xml", "");
    SetMtime(dir / "late.xml", t, 2);
    WriteFile(dir / "early.xml", "");
    SetMtime(dir / "early.xml", t, 1);

    const std::vector<std::string> expected = {
        dir / "a.xml", dir / "early.xml", dir / "late.xml", dir / "b.XML", dir / "d.Xml", dir / "e.xml", dir / "c.xml",
    };
    EXPECT_EQ(ListXmlFilesOldestFirst(dir.path()).value(), expected);
    EXPECT_EQ(ListXmlFilesOldestFirst(dir.path() + "/").value(), expected);
}

TEST(ListXmlFiles, RegularFilesDirectlyInsideTheFolderThenThoseThatCannotBeExamined)
{
    TempDir dir;
    WriteFile(dir / "ok.xml", "");
    WriteFile(dir / "target", "");
    MakeDir(dir / "sub.xml");
    WriteFile(dir / "sub.xml/inner.xml", "");
    ASSERT_EQ(::mkfifo((dir / "pipe.xml").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("missing.xml", (dir / "dangling.xml").c_str()), 0);
    ASSERT_EQ(::symlink("target", (dir / "link.xml").c_str()), 0);
    ASSERT_EQ(::symlink("sub.xml", (dir / "dirlink.xml").c_str()), 0);
    ASSERT_EQ(::symlink("loop.xml", (dir / "loop.xml").c_str()), 0);
    for (const char* name : {"a.xmlx", "xml", "a_xml", "a.txt", "a.csv"}) {
        WriteFile(dir / name, "");
    }
    SetMtime(dir / "ok.xml", 1000);
    SetMtime(dir / "target", 2000);

    // The dangling and the looping link cannot be examined: listed last, for the run to report.
    const std::vector<std::string> expected = {dir / "ok.xml", dir / "link.xml", dir / "dangling.xml",
                                               dir / "loop.xml"};
    EXPECT_EQ(ListXmlFilesOldestFirst(dir.path()).value(), expected);
}

TEST(ListXmlFiles, AFolderThatCannotBeListedIsToldFromAnEmptyOne)
{
    TempDir dir;
    WriteFile(dir / "a.xml", "");
    EXPECT_FALSE(ListXmlFilesOldestFirst(dir / "none").has_value());
    EXPECT_FALSE(ListXmlFilesOldestFirst(dir / "a.xml").has_value());
    MakeDir(dir / "empty");
    EXPECT_EQ(ListXmlFilesOldestFirst(dir / "empty"), std::vector<std::string>{});
}

}  // namespace
}  // namespace tenvor
