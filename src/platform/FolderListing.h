// What the folder listings of every system share: which names are notifications, and the order
// in which the run takes the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

// A name that ends in the extension (given in lower case, with its dot) in any letter case.
bool HasExtension(std::string_view name, std::string_view lowerExtension);
// A name that ends in ".xml" in any letter case, the dot included: the one rule for an XML
// file, in the folder listings, the files given in file mode and the window's drop.
bool HasXmlExtension(std::string_view name);
// A name that ends in ".zip" in any letter case.
bool HasZipExtension(std::string_view name);

struct ListedFile {
    std::string path;
    std::int64_t lastWrite;  // in the system's unit; only the order matters
};

// The files oldest first, equal times in name order, then the entries that could not be
// examined, in name order.
std::vector<std::string> OldestFirst(std::vector<ListedFile> files, std::vector<std::string> unexaminable);

}  // namespace tenvor
