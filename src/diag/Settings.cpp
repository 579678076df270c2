#include "diag/Settings.h"

#include <array>
#include <vector>

#include "platform/DriveLetter.h"
#include "platform/IniFile.h"

namespace tenvor {

namespace {

constexpr std::string_view kSection = "Msg_Print";

}  // namespace

StINIData GetTenvor_IniFileData(const std::string& csIniFilePath)
{
    constexpr std::array<IniKey, 2> keys{{{"DebugFlag", "0"}, {"DriveName", "C"}}};
    const std::vector<std::string> values = ReadIniStrings(csIniFilePath, kSection, keys);
    const std::string& debugFlag = values.at(0);
    StINIData settings;
    // Each value is read into a buffer of two characters: its first character is what counts.
    settings.DebugFlag = (!debugFlag.empty() && debugFlag[0] == '1') ? 1 : 0;
    // The drive only moves the log to the drive Windows itself is installed on.
    settings.DriveName = AllowedDriveLetter(values.at(1));
    return settings;
}

}  // namespace tenvor
