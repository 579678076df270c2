// A folder at or below an output root, made and entered without following links. The root is
// opened as the user gave it (it may be a link: the user chose it); each folder below it is made
// where it is missing and entered only when it is a folder of its own: a link found there (on
// Windows any reparse point: a symbolic link, a junction, a mount point) is refused, so that
// nothing below the root leads out of it. The folder stays open while the object lives, and
// NewFile::Open(folder, name) creates a file in it. On Windows every folder of the chain stays
// open without sharing deletion, so that none of them can be renamed, removed or replaced by a
// link meanwhile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#ifndef _WIN32
#include "platform/FileDescriptor.h"
#endif

namespace tenvor {

class OutputFolder {
public:
    // Why a folder could not be entered.
    enum class Refusal {
        None,
        Link,        // a link (or reparse point) is where the folder should be
        NotAFolder,  // a file of another kind is there
        BadName,     // a name that is empty, "." or "..", or holds a separator
        System,      // the system refused (see systemText)
    };
    struct Entered {
        Refusal refusal = Refusal::None;
        std::string failedFolder;  // when refused: the path of the folder
        std::string systemText;    // when refused by the system: its words
        bool ok() const { return refusal == Refusal::None; }
    };

    OutputFolder() = default;
    ~OutputFolder();  // closes the folder; what was made stays
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Opens root and goes down names, making each folder that is missing. When one is refused,
    // the folders this call made are removed again and the object is closed.
    [[nodiscard]] Entered Enter(const std::string& root, const std::vector<std::string>& names);

    bool IsOpen() const;
    // root/names[0]/names[1]/... as Enter was given them.
    const std::string& Path() const { return path_; }
    // How many of the folders Enter made the object still answers for.
    std::size_t MadeCount() const;

    // Removes the folders Enter made, deepest first, as long as they are empty, and closes the
    // object: a file that failed leaves no folder behind.
    void RemoveMadeFolders();
    // The folders Enter made hold a file now: they stay, also when a later file fails.
    void KeepMadeFolders() { made_.assign(made_.size(), false); }
    void Close();

#ifdef _WIN32
    void* Handle() const;  // HANDLE of the folder
#else
    int Descriptor() const
    {
        return fd_.Get();
    }
#endif

private:
    std::string root_;
    std::string path_;
    // Each folder entered below the root, outermost first: its name and whether Enter made it.
    std::vector<std::string> names_;
    std::vector<bool> made_;
#ifdef _WIN32
    std::vector<void*> handles_;  // the root and each folder below it, outermost first
#else
    FileDescriptor fd_;
    // Each folder entered below the root: its device and inode, to tell it when it is removed.
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
    };
    std::vector<Identity> identities_;
#endif
};

}  // namespace tenvor
