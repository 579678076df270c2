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
#include "platform/NewFile.h"
#include "platform/OutputFolder.h"
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

// The folders below an output root are made and entered without following a link, the root
// itself may be one, and a file is made in the folder entered.
TEST(OutputFolder, ALinkBelowTheRootIsRefusedAndTheRootMayBeOne)
{
    TempDir dir;
    MakeDir(dir / "real");
    MakeDir(dir / "elsewhere");
    if (!test::MakeFolderLink(dir / "real", dir / "root") ||
        !test::MakeFolderLink(dir / "elsewhere", dir / "real/sym")) {
        GTEST_SKIP() << "the system does not let the test make a link to a folder (or junction)";
    }
    OutputFolder folder;
    ASSERT_TRUE(folder.Enter(dir / "root", {"a", "b"}).ok());
    EXPECT_EQ(folder.Path(), dir / "root/a/b");
    EXPECT_EQ(folder.MadeCount(), 2U);
    NewFile file;
    ASSERT_TRUE(file.Open(folder, "x.csv"));
    file.Write("data");
    EXPECT_EQ(file.Commit(), NewFile::Publish::Done);
    EXPECT_EQ(test::ReadFile(dir / "real/a/b/x.csv"), "data");

    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"sym"}, std::vector<std::string>{"sym", "c"}}) {
        const OutputFolder::Entered entered = folder.Enter(dir / "root", names);
        EXPECT_EQ(entered.refusal, OutputFolder::Refusal::Link);
        EXPECT_EQ(entered.failedFolder, dir / "root/sym");
        EXPECT_FALSE(folder.IsOpen());
    }
    EXPECT_TRUE(test::ListDir(dir / "elsewhere").empty());
    // A name is one folder: a path inside it would lead through the link.
    EXPECT_EQ(folder.Enter(dir / "root", {"sym/c"}).refusal, OutputFolder::Refusal::BadName);
    EXPECT_EQ(folder.Enter(dir / "root", {"a", ".."}).refusal, OutputFolder::Refusal::BadName);
    EXPECT_TRUE(test::ListDir(dir / "elsewhere").empty());
}

// A chain that cannot be entered, or whose file failed, leaves none of the folders it made; a
// folder that holds a file stays.
TEST(OutputFolder, FoldersMadeForNothingAreRemovedAgain)
{
    TempDir dir;
    WriteFile(dir / "file", "x");
    OutputFolder folder;
    EXPECT_EQ(folder.Enter(dir.path(), {"n", "m", ".."}).refusal, OutputFolder::Refusal::BadName);
    const OutputFolder::Entered entered = folder.Enter(dir.path(), {"file", "o"});
    EXPECT_EQ(entered.refusal, OutputFolder::Refusal::NotAFolder);
    EXPECT_EQ(entered.failedFolder, dir / "file");
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"file"});

    ASSERT_TRUE(folder.Enter(dir.path(), {"p", "q", "r"}).ok());
    folder.RemoveMadeFolders();
    EXPECT_FALSE(folder.IsOpen());
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"file"});

    // p/q holds a file: only what was made for the failed one goes.
    ASSERT_TRUE(folder.Enter(dir.path(), {"p", "q"}).ok());
    {
        NewFile file;
        ASSERT_TRUE(file.Open(folder, "a.csv"));
        ASSERT_EQ(file.Commit(), NewFile::Publish::Done);
    }
    folder.KeepMadeFolders();
    ASSERT_TRUE(folder.Enter(dir.path(), {"p", "q", "s", "t"}).ok());
    EXPECT_EQ(folder.MadeCount(), 2U);
    folder.RemoveMadeFolders();
    EXPECT_EQ(test::ListDir(dir / "p/q"), std::vector<std::string>{"a.csv"});
}

// While the folder is open, the file goes into that very folder: on Windows the folder cannot be
// moved away; elsewhere a link put in its place afterwards leads nowhere.
TEST(OutputFolder, TheFileGoesIntoTheFolderEnteredWhateverItsPathBecomes)
{
    TempDir dir;
    MakeDir(dir / "elsewhere");
    OutputFolder folder;
    ASSERT_TRUE(folder.Enter(dir.path(), {"a"}).ok());
    std::error_code moved;
    std::filesystem::rename(test::NativePath(dir / "a"), test::NativePath(dir / "b"), moved);
#ifdef _WIN32
    EXPECT_TRUE(moved) << "a folder entered cannot be renamed while it is open";
#else
    ASSERT_FALSE(moved) << moved.message();
    ASSERT_TRUE(test::MakeFolderLink(dir / "elsewhere", dir / "a"));
    NewFile file;
    ASSERT_TRUE(file.Open(folder, "x.csv"));
    EXPECT_EQ(file.Commit(), NewFile::Publish::Done);
    EXPECT_EQ(test::ListDir(dir / "b"), std::vector<std::string>{"x.csv"});
#endif
    EXPECT_TRUE(test::ListDir(dir / "elsewhere").empty());
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
