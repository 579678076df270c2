#include <gtest/gtest.h>

#include <string>

#include "diag/Settings.h"
#include "support/TestSupport.h"
#ifdef _WIN32
#include "platform/AppFolder.h"
#endif

namespace tenvor {
namespace {

using namespace std::string_literals;

// Each text goes into a file of its own: the settings are only ever read from a file, and
// Windows' private-profile reader may keep a file it has read in memory.
StINIData SettingsOf(const std::string& text)
{
    static test::TempDir dir;
    static int count = 0;
    const std::string path = dir / ("Tenvor" + std::to_string(++count) + ".ini");
    test::WriteFile(path, text);
    return GetTenvor_IniFileData(path);
}

int DebugFlagOf(const std::string& text)
{
    return SettingsOf(text).DebugFlag;
}

TEST(Settings, OnlyAValueStartingWithOneTurnsDebugModeOn)
{
    const std::pair<const char*, int> cases[] = {
        {"1", 1}, {"10", 1},  {" 1 ", 1}, {"1;comment", 1}, {"\"1\"", 1}, {"'1'", 1},  {"2", 0},
        {"0", 0}, {"yes", 0}, {"", 0},    {"-1", 0},        {"\"0\"", 0}, {"\"\"", 0},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(DebugFlagOf("[Msg_Print]\nDebugFlag="s + value + "\n"), expected);
    }
#ifdef _WIN32
    // The drive moves the log only to the drive Windows is installed on.
    const std::string system = WindowsSystemDriveLetter();
    const std::string other = system == "D" ? "E" : "D";
    EXPECT_EQ(SettingsOf("[Msg_Print]\nDebugFlag=1\nDriveName=" + other + "\n").DriveName, "C");
    EXPECT_EQ(SettingsOf("[Msg_Print]\nDebugFlag=1\nDriveName=" + system + "\n").DriveName, system);
#else
    // Whatever the file names, the log stays where it is.
    EXPECT_EQ(SettingsOf("[Msg_Print]\nDebugFlag=1\nDriveName=D\n").DriveName, "C");
#endif
}

TEST(Settings, NamesMatchWithoutLetterCaseAndTheFirstOccurrenceWins)
{
#ifdef _WIN32
    EXPECT_EQ(DebugFlagOf("[msg_print]\r\ndebugflag=1\r\n"), 1);
    EXPECT_EQ(DebugFlagOf("[MSG_PRINT]\nDEBUGFLAG=1\n"), 1);
#else
    EXPECT_EQ(DebugFlagOf("\xEF\xBB\xBF[msg_print]\r\ndebugflag=1\r\n"), 1);
    EXPECT_EQ(DebugFlagOf("[MSG_PRINT]\nDEBUGFLAG=1\n\0\xFF garbage"s), 1);
#endif
    EXPECT_EQ(DebugFlagOf("[Msg_Print]\nDebugFlag=0\nDebugFlag=1\n"), 0);
    EXPECT_EQ(DebugFlagOf("[Msg_Print]\nDebugFlag=1\n[Msg_Print]\nDebugFlag=0\n"), 1);
    // The key counts only in its own section; a malformed line hides nothing after it.
    EXPECT_EQ(DebugFlagOf("DebugFlag=1\n[Other]\nDebugFlag=1\n[Msg_Print]\nDriveName=D\n"), 0);
    EXPECT_EQ(DebugFlagOf("garbage\n[Msg_Print]\nno equals sign\nDebugFlag=1\n"), 1);
}

TEST(Settings, FileIsReadAndAnythingUnreadableGivesTheDefaults)
{
    test::TempDir dir;
    test::WriteFile(dir / "Tenvor.ini", "[Msg_Print]\nDebugFlag=1\n");
    EXPECT_EQ(GetTenvor_IniFileData(dir / "Tenvor.ini").DebugFlag, 1);
    test::MakeDir(dir / "folder.ini");
    for (const std::string& path : {dir / "missing.ini", dir / "folder.ini", dir / "Tenvor.ini/below.ini"}) {
        SCOPED_TRACE(path);
        const StINIData settings = GetTenvor_IniFileData(path);
        EXPECT_EQ(settings.DebugFlag, 0);
        EXPECT_EQ(settings.DriveName, "C");
    }
}

}  // namespace
}  // namespace tenvor
