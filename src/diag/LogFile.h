// The append-only log beside the settings file, named "Ver" with the version and ".log": one
// UTF-8 line per entry, with a time stamp and the label of its code, the file opened and closed
// for every entry.
#pragma once

#include <string>
#include <string_view>

#include "TenvorVersion.h"
#include "diag/Settings.h"

namespace tenvor {

class MessageBoxes;

class LogFile {
public:
    // folder is the settings folder (ending with a separator); iniData decides which codes are
    // written by their callers and, on Windows, the drive of the log in debug mode.
    LogFile(std::string folder, const StINIData& iniData, MessageBoxes& messages);

    // Appends one entry. Returns 0 when it was written, 1 when the log could not be written
    // (message 6 has then been shown).
    [[nodiscard]] int OutputLogFile(int iCode, const std::string& csText);

    std::string Path() const;
    // The line written for an entry, without the time stamp: label, blank, file or text, CR LF.
    // A file's path is made absolute; control characters and bytes that are not UTF-8 are
    // written as escapes, so that an entry is always one line of UTF-8.
    static std::string EntryBody(int iCode, const std::string& csText);

private:
    std::string folder_;
    const StINIData& iniData_;
    MessageBoxes& messages_;
};

}  // namespace tenvor
