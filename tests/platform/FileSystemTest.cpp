#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "platform/AppFolder.h"
#include "platform/DriveLetter.h"
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
        {"/in/a.xml", "/in/", "a", ".xml"},
        {"a.xml", "", "a", ".xml"},
        {"/in/a.b.xml", "/in/", "a.b", ".xml"},
        {"/in/noext", "/in/", "noext", ""},
        {"/in.d/noext", "/in.d/", "noext", ""},
        {"/in/", "/in/", "", ""},
        {"/a.XML", "/", "a", ".XML"},
#ifdef _WIN32
        // Both separators, a drive's root and a drive's current folder.
        {"C:\\in\\a.xml", "C:\\in\\", "a", ".xml"},
        {"C:\\in/sub\\a.b.xml", "C:\\in/sub\\", "a.b", ".xml"},
        {"C:\\a.xml", "C:\\", "a", ".xml"},
        {"C:a.xml", "C:", "a", ".xml"},
        {"\\\\server\\share\\a.xml", "\\\\server\\share\\", "a", ".xml"},
#endif
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
#ifdef _WIN32
    EXPECT_EQ(JoinPath("C:\\out", "a.csv"), "C:\\out\\a.csv");
    EXPECT_EQ(JoinPath("C:\\out\\", "a.csv"), "C:\\out\\a.csv");
    EXPECT_EQ(JoinPath("C:/out/", "a.csv"), "C:/out/a.csv");
    EXPECT_EQ(JoinPath("C:\\", "a.csv"), "C:\\a.csv");
    EXPECT_EQ(JoinPath("C:", "a.csv"), "C:a.csv");  // the current folder of drive C
#else
    EXPECT_EQ(JoinPath("/out", "a.csv"), "/out/a.csv");
    EXPECT_EQ(JoinPath("/out/", "a.csv"), "/out/a.csv");
    EXPECT_EQ(JoinPath("/", "a.csv"), "/a.csv");
#endif
    EXPECT_EQ(JoinPath("", "a.csv"), "a.csv");
}

TEST(FileSystem, ExistenceAndKindOfPaths)
{
    TempDir dir;
    WriteFile(dir / "f", "");
#ifndef _WIN32
    ASSERT_EQ(::symlink("missing", (dir / "dangling").c_str()), 0);
#endif
    EXPECT_TRUE(PathExists(dir / "f"));
    EXPECT_FALSE(IsDirectory(dir / "f"));
    EXPECT_TRUE(IsDirectory(dir.path()));
    EXPECT_TRUE(IsDirectory(dir.path() + "/"));
#ifdef _WIN32
    EXPECT_TRUE(IsDirectory(dir.path() + "\\"));
#endif
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
    // Within one second the fraction decides (in steps of 100 ns, which Windows keeps too).
    WriteFile(dir / "late.xml", "");
    SetMtime(dir / "late.xml", t, 200);
    WriteFile(dir / "early.xml", "");
    SetMtime(dir / "early.xml", t, 100);

    const std::vector<std::string> expected = {
        dir / "a.xml", dir / "early.xml", dir / "late.xml", dir / "b.XML", dir / "d.Xml", dir / "e.xml", dir / "c.xml",
    };
    EXPECT_EQ(ListXmlFilesOldestFirst(dir.path()).value(), expected);
    EXPECT_EQ(ListXmlFilesOldestFirst(dir.path() + test::kSeparator).value(), expected);
}

TEST(ListXmlFiles, RegularFilesDirectlyInsideTheFolderThenThoseThatCannotBeExamined)
{
    TempDir dir;
    WriteFile(dir / "ok.xml", "");
    WriteFile(dir / "target", "");
    MakeDir(dir / "sub.xml");
    WriteFile(dir / "sub.xml/inner.xml", "");
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "pipe.xml").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("missing.xml", (dir / "dangling.xml").c_str()), 0);
    ASSERT_EQ(::symlink("target", (dir / "link.xml").c_str()), 0);
    ASSERT_EQ(::symlink("sub.xml", (dir / "dirlink.xml").c_str()), 0);
    ASSERT_EQ(::symlink("loop.xml", (dir / "loop.xml").c_str()), 0);
#endif
    // a.xmlx may have a short (8.3) name ending in .XML on Windows: the listing must not take it.
    for (const char* name : {"a.xmlx", "xml", "a_xml", "a.txt", "a.csv"}) {
        WriteFile(dir / name, "");
    }
    SetMtime(dir / "ok.xml", 1000);
    SetMtime(dir / "target", 2000);

#ifdef _WIN32
    // Windows has no FIFOs, and making links needs a privilege: plain files and a folder only.
    const std::vector<std::string> expected = {dir / "ok.xml"};
#else
    // The dangling and the looping link cannot be examined: listed last, for the run to report.
    const std::vector<std::string> expected = {dir / "ok.xml", dir / "link.xml", dir / "dangling.xml",
                                               dir / "loop.xml"};
#endif
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

// The settings may move the log only to the drive Windows is installed on, and only a path that
// starts with a drive letter has one to change.
TEST(DriveLetter, OnlyAWindowsPathWithADriveMovesAndOnlyToTheSystemDrive)
{
#ifdef _WIN32
    const std::string system = WindowsSystemDriveLetter();
    const std::string other = system == "D" ? "E" : "D";
    EXPECT_EQ(AllowedDriveLetter(system + "rive"), system);
    EXPECT_EQ(AllowedDriveLetter(other), "C");
    EXPECT_EQ(AllowedDriveLetter(""), "C");
    EXPECT_EQ(WithDriveLetter("C:\\Tenvor\\Ver1.20.log", "D"), "D:\\Tenvor\\Ver1.20.log");
    EXPECT_EQ(WithDriveLetter("E:/t/Ver1.20.log", ""), "C:/t/Ver1.20.log");
    EXPECT_EQ(WithDriveLetter("\\\\server\\share\\Ver1.20.log", "D"), "\\\\server\\share\\Ver1.20.log");
#else
    EXPECT_EQ(AllowedDriveLetter("D"), "C");
    EXPECT_EQ(WithDriveLetter("/home/u/.local/share/Tenvor/Ver1.20.log", "D"),
              "/home/u/.local/share/Tenvor/Ver1.20.log");
    // A colon is a plain character of a name here.
    EXPECT_EQ(WithDriveLetter("C:/Tenvor/Ver1.20.log", "D"), "C:/Tenvor/Ver1.20.log");
#endif
}

}  // namespace
}  // namespace tenvor
