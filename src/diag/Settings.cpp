#include "diag/Settings.h"

#include <optional>

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/InputFile.h"

namespace tenvor {

namespace {

constexpr std::string_view kSection = "Msg_Print";

// Each value is read into a buffer of two characters: its first character is what counts.
StINIData SettingsFrom(const std::string& debugFlag, const std::string& driveName)
{
    StINIData settings;
    settings.DebugFlag = (!debugFlag.empty() && debugFlag[0] == '1') ? 1 : 0;
#ifdef _WIN32
    // The drive only moves the log to the drive Windows itself is installed on.
    const std::string drive = driveName.substr(0, 1);
    settings.DriveName = (drive == WindowsSystemDriveLetter()) ? drive : "C";
#else
    (void)driveName;
    settings.DriveName = "C";
#endif
    return settings;
}

}  // namespace

#ifdef _WIN32

StINIData GetTenvor_IniFileData(const std::string& csIniFilePath)
{
    if (!PathExists(csIniFilePath) || IsDirectory(csIniFilePath)) {
        return StINIData{};
    }
    return SettingsFrom(ReadIniString(csIniFilePath, kSection, "DebugFlag", "0"),
                        ReadIniString(csIniFilePath, kSection, "DriveName", "C"));
}

#else

namespace {

// The settings file is a few lines; reading stops here whatever the file holds.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

}  // namespace

StINIData ParseSettingsText(std::string_view text)
{
    return SettingsFrom(IniStringInText(text, kSection, "DebugFlag", "0"),
                        IniStringInText(text, kSection, "DriveName", "C"));
}

StINIData GetTenvor_IniFileData(const std::string& csIniFilePath)
{
    // Read only when it is a regular file: a FIFO or a device in its place must not stall the
    // start-up.
    const std::optional<std::string> text = ReadFileHead(csIniFilePath, kMaxSettingsBytes);
    return ParseSettingsText(text.value_or(std::string()));
}

#endif

}  // namespace tenvor
