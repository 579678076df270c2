// File-system services the conversion needs: existence and kind of a path, splitting and
// joining paths, listing a folder's XML files oldest first, and writing all of a buffer to a
// descriptor. Reading is InputFile's, creating NewFile's, appending AppendFile's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// '/' everywhere; on Windows '\\' as well.
bool IsPathSeparator(char c);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// A path split the way the conversion needs it: the folder with its final separator (empty for
// a bare name), the base name (the file name without its last extension) and that extension
// with its dot.
struct SplitPathResult {
    std::string folder;
    std::string baseName;
    std::string extension;
};
SplitPathResult SplitPath(std::string_view path);
// The folder a path's file is in, as SplitPath gives it, or "." for a bare name.
std::string FolderOf(std::string_view path);

// The path as an absolute one: a relative path is put after the current folder; an absolute or
// empty one, or one given when the current folder cannot be told, comes back unchanged. Nothing
// is resolved (".." and links stay as written).
std::string AbsolutePath(const std::string& path);

// Joins a folder and a file name with exactly one separator between them.
std::string JoinPath(std::string_view folder, std::string_view name);

// The entries directly inside the folder whose name ends in ".xml" in any letter case. Regular
// files (or links to them) come oldest last-write time first, equal times in name order. Entries
// whose details cannot be read (a dangling or looping link, any entry of a folder that can be
// read but not searched) follow in name order, so that the run reports them rather than drops
// them. Folders and other kinds of file (FIFOs, devices) are left out. nullopt when the folder
// cannot be listed.
std::optional<std::vector<std::string>> ListXmlFilesOldestFirst(const std::string& folder);

// What a folder holds for a run that also takes its ZIP files and subfolders: the XML files and
// the ZIP files (".zip" in any letter case) each as ListXmlFilesOldestFirst lists XML files, and
// the names of its subfolders in name order. Links to folders are not followed (a link could lead
// round in a circle or out of the folder).
struct FolderContents {
    std::vector<std::string> xmlFiles;
    std::vector<std::string> zipFiles;
    std::vector<std::string> subfolders;  // names, not paths
};
std::optional<FolderContents> ListFolderContents(const std::string& folder);

// The names of the entries directly inside the folder whose name ends in the extension (given in
// lower case, with its dot) in any letter case, in name order. Folders (and links to folders) are
// left out; every other entry is named, also one that cannot be examined, so that reading it
// reports it. nullopt when the folder cannot be listed.
std::optional<std::vector<std::string>> ListFileNames(const std::string& folder, std::string_view lowerExtension);

// Creates each folder of the chain root/names[0]/names[1]/... that does not exist; root itself
// must exist. Stops at the first that cannot be created or is not a folder.
struct FolderChainResult {
    bool ok = true;
    std::string failedFolder;  // when not ok: the folder and the system's reason
    std::string systemText;
};
FolderChainResult CreateFolderChain(const std::string& root, const std::vector<std::string>& names);

// Writes all of the data to the descriptor, going on after interrupted and partial writes.
// False when a write fails; errno then tells why.
bool WriteAll(int fd, std::string_view data);

}  // namespace tenvor
