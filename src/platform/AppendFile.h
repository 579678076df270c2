// Appending whole records to a file that other programs may read between them (the log).
#pragma once

#include <string>
#include <string_view>

namespace tenvor {

// Opens the file for appending (creating it when missing), writes header first when the file
// is empty, then the record, in one write so that a record stays whole, and closes it. False
// when the path is not a regular file or cannot be opened, or when the write or the close
// fails. Never blocks on a FIFO in the file's place.
bool AppendToFile(const std::string& path, std::string_view header, std::string_view record);

}  // namespace tenvor
