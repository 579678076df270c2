// A new file that another library writes by its path (the workbook, which libxlsxwriter writes
// itself): the library is given a hidden temporary name in the target's folder, and only the
// complete file is given the target's name, never replacing anything, as NewFile does for the
// files the program writes itself. The temporary file exists only from Reserve to Publish or
// Discard; whatever happens, nothing but the complete target is left.
#pragma once

#include <string>

#include "platform/NewFile.h"

namespace tenvor {

class PendingFile {
public:
    // Chooses the temporary name beside targetPath; nothing is created yet.
    explicit PendingFile(std::string targetPath);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    const std::string& TargetPath() const { return target_; }
    // The path the library writes to.
    const std::string& TemporaryPath() const { return tempPath_; }

    // Creates the temporary file, empty and exclusively (an existing file of that name is a
    // failure, see Error()), for the library to write.
    bool Reserve();
    // Gives the written temporary file the target's name without replacing anything. Afterwards
    // the temporary file is gone, whatever the result.
    NewFile::Publish Publish();
    // Removes the temporary file, if it was reserved.
    void Discard();

    // The system's code of the last failure (errno; GetLastError() on Windows), 0 when none.
    int Error() const { return error_; }
    // The system's words for it, such as "Not a directory".
    std::string ErrorText() const;

private:
    std::string target_;
    std::string tempPath_;
    bool reserved_ = false;
    int error_ = 0;
};

}  // namespace tenvor
