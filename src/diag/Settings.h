// The optional settings file "Tenvor.ini": section "Msg_Print" with "DebugFlag" (1 turns the
// debug mode on) and "DriveName" (the log's drive letter in debug mode, Windows only).
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

struct StINIData {
    int DebugFlag = 0;
    std::string DriveName = "C";
};

inline constexpr std::string_view kSettingsFileName = "Tenvor.ini";

// Reads the settings file at that path; a missing or unreadable file, section or key gives the
// defaults (debug mode off, drive "C").
StINIData GetTenvor_IniFileData(const std::string& csIniFilePath);

}  // namespace tenvor
