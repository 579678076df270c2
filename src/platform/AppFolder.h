// The fixed folder that holds the settings file and the log: $TENVOR_HOME when set, otherwise
// C:\Tenvor\ on Windows and ${XDG_DATA_HOME:-~/.local/share}/Tenvor/ elsewhere.
#pragma once

#include <string>

namespace tenvor {

// The folder, always ending with a path separator.
std::string AppFolder();

// Creates the folder and its missing parents. Returns false when it does not exist afterwards.
bool CreateFolders(const std::string& path);

#ifdef _WIN32
// The drive letter of the Windows system directory, such as "C".
std::string WindowsSystemDriveLetter();
#endif

}  // namespace tenvor
