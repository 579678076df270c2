// The CSV paths a run has written, compared the way every file system the program runs on would
// take them as one: names that differ only in letter case or in Unicode normalisation (NFC
// against NFD) are the same name. A second CSV file of such a path is then refused everywhere,
// as Windows and macOS would refuse it, so that a run gives the same files on every system.
// Memory grows with the files written.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace tenvor {

// The name as a comparison key: case-folded and composed (NFC), by Unicode's rules. Bytes that
// are not UTF-8 are kept as they are, with ASCII letters in lower case.
std::string FoldedName(std::string_view name);

class CsvPathsOfRun {
public:
    void Clear() { written_.clear(); }

    // The path written earlier in the run that is the same as root + relative, or nullptr. The
    // root is compared as it is (it is the folder the user chose, or an input's own); the part
    // below it is folded.
    const std::string* Find(std::string_view root, std::string_view relative) const;
    // Notes the CSV file written at path (root + relative).
    void Add(std::string_view root, std::string_view relative, std::string path);

private:
    static std::string Key(std::string_view root, std::string_view relative);

    std::unordered_map<std::string, std::string> written_;  // key -> the path as written
};

}  // namespace tenvor
