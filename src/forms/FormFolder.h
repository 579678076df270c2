// The forms folder: "forms" in the folder of the settings file, holding one form file (see
// FormFile.h) per form, named "<ID>.tsv"; its subfolders (such as "old") are not read. A file whose
// id is a built-in form's replaces that form entirely; any other id adds a form (FormCatalogue
// joins them). Read as a program starts and when the engine is asked to read it again; never
// written by the program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "forms/FormCatalogue.h"
#include "forms/FormDefinition.h"
#include "forms/FormFile.h"
#include "shared/Expected.h"

namespace tenvor {

inline constexpr std::string_view kFormFolderName = "forms";
inline constexpr std::string_view kFormFileExtension = ".tsv";
// A form file longer than this is refused, unread: the largest form is a few kilobytes.
inline constexpr std::size_t kMaxFormFileBytes = std::size_t{1} << 20;
// A folder with more form files than this is refused.
inline constexpr std::size_t kMaxFormFiles = 1000;

// The forms folder of the folder that holds the settings file.
std::string FormFolderPath(const std::string& appFolder);

// The forms of every file of the folder, in id order: nothing when the folder does not exist,
// the first problem when a file (taken in name order) or the folder itself is not right.
// emptyFileId names the one form whose file is passed over when it is empty: the file that
// "tenvor-cli forms ID > forms/ID.tsv" is about to write.
Expected<std::vector<FileForm>, FormFileProblem> ReadFormFolder(const std::string& folder,
                                                                std::string_view emptyFileId = {});

}  // namespace tenvor
