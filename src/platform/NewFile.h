// Creates a file that did not exist, all or nothing: the contents go to an unnamed (or hidden
// temporary) file in the target's folder, and only a complete file is given its name, without
// ever replacing something that is already there. Nothing is left behind on failure, nor when
// the process dies while writing (on Windows the temporary file is marked for deletion until
// it gets its name; should the process die in the instant between, the next new file in that
// folder removes what it left). A file made in an OutputFolder is made in that very folder,
// whatever its path leads to meanwhile.
#pragma once

#include <string>
#include <string_view>

#ifndef _WIN32
#include "platform/FileDescriptor.h"
#endif

namespace tenvor {

class OutputFolder;

class NewFile {
public:
    enum class Publish {
        Done,           // the file now exists under its name, complete
        AlreadyExists,  // something appeared under that name meanwhile; it was left untouched
        Refused,        // the system refuses the name or the folder (see Error())
        WriteFailed,    // the data could not be stored (disk full, I/O error)
    };

    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Prepares the file in the folder of targetPath. Returns false (see Error()) when the folder
    // cannot take a new file.
    bool Open(const std::string& targetPath);
    // Prepares the file `name` in the open folder (which must stay open until Commit or Abort).
    // The name is a name, not a path: one with a separator is refused.
    bool Open(const OutputFolder& folder, const std::string& name);
    // Appends data; false when it could not be stored in full.
    bool Write(std::string_view data);
    // Flushes, closes and names the file. The object is closed afterwards, whatever the result.
    Publish Commit();
    // Drops whatever was written.
    void Abort();

    // The system's code of the last failure (errno; GetLastError() on Windows), 0 when none.
    int Error() const { return error_; }
    // The system's words for it, such as "No space left on device".
    std::string ErrorText() const;

private:
    std::string target_;
    std::string tempPath_;  // empty when the file is unnamed
#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE of the temporary file, marked for deletion while open
#else
    bool OpenInFolder();

    void CloseFolder();

    FileDescriptor ownFolder_;  // the folder opened by path, for Open(targetPath)
    int folder_ = -1;           // the folder the file is made in: ownFolder_'s, or an OutputFolder's
    std::string name_;          // its name there; tempPath_ is a name there too
    FileDescriptor fd_;
#endif
    int error_ = 0;
};

}  // namespace tenvor
