#include "diag/Settings.h"

#include <ini.h>
#include <strings.h>

#include <optional>

#include "platform/AppFolder.h"
#include "platform/InputFile.h"

namespace tenvor {

namespace {

// The settings file is a few lines; reading stops here whatever the file holds.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

struct RawSettings {
    std::optional<std::string> debugFlag;
    std::optional<std::string> driveName;
};

// A value enclosed in double or single quotation marks is read without them.
std::string Unquoted(std::string value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Section and key names match without regard to letter case; the first occurrence of a key wins.
int OnEntry(void* user, const char* section, const char* name, const char* value)
{
    auto* raw = static_cast<RawSettings*>(user);
    if (section == nullptr || name == nullptr || value == nullptr || ::strcasecmp(section, "Msg_Print") != 0) {
        return 1;
    }
    if (::strcasecmp(name, "DebugFlag") == 0 && !raw->debugFlag) {
        raw->debugFlag = Unquoted(value);
    } else if (::strcasecmp(name, "DriveName") == 0 && !raw->driveName) {
        raw->driveName = Unquoted(value);
    }
    return 1;
}

// The value as a two-character buffer keeps it: its first character only.
std::string FirstCharacter(const std::optional<std::string>& value, const char* fallback)
{
    const std::string text = value ? *value : std::string(fallback);
    return text.substr(0, 1);
}

}  // namespace

StINIData ParseSettingsText(std::string_view text)
{
    ini_allow_multiline = false;  // continuation lines are not part of the private-profile format
    RawSettings raw;
    const std::string terminated(text.substr(0, text.find('\0')));
    ini_parse_string(terminated.c_str(), OnEntry, &raw);

    StINIData settings;
    const std::string flag = FirstCharacter(raw.debugFlag, "0");
    settings.DebugFlag = (!flag.empty() && flag[0] == '1') ? 1 : 0;
    const std::string drive = FirstCharacter(raw.driveName, "C");
#ifdef _WIN32
    // The drive only moves the log to the drive Windows itself is installed on.
    settings.DriveName = (drive == WindowsSystemDriveLetter()) ? drive : "C";
#else
    (void)drive;
    settings.DriveName = "C";
#endif
    return settings;
}

StINIData GetTenvor_IniFileData(const std::string& csIniFilePath)
{
    // Read only when it is a regular file: a FIFO or a device in its place must not stall the
    // start-up.
    const std::optional<std::string> text = ReadFileHead(csIniFilePath, kMaxSettingsBytes);
    return ParseSettingsText(text.value_or(std::string()));
}

}  // namespace tenvor
