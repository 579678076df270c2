// Reads a workbook back for the tests, independently of the writer: the ZIP with libzip, the
// workbook's parts with libxml2. Enough of the format to check what a clerk sees: the sheets in
// order, each cell's text and type, the header's style, the frozen pane and the filter.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tenvor::test {

struct ReadCell {
    std::string type;  // the t attribute: "inlineStr" or "s" for text, "n" or "" for a number, ...
    std::string text;
    bool bold = false;  // its style's font is bold
};

struct ReadSheet {
    std::string name;
    std::vector<std::vector<ReadCell>> rows;  // by row and column; a missing cell is an empty one
    std::string frozenTopLeft;                // the frozen pane's top left cell, empty when none
    std::string autoFilter;                   // the filter's range, empty when none
    std::vector<double> widths;               // of the columns that have one, from the first

    // The texts of a row, without trailing empty cells.
    std::vector<std::string> Texts(std::size_t row) const;
};

struct ReadWorkbook {
    std::vector<ReadSheet> sheets;
    std::vector<std::string> Names() const;
    const ReadSheet* Sheet(const std::string& name) const;
};

// nullopt (with the reason in problem) when the file is not a workbook that can be read.
std::optional<ReadWorkbook> ReadXlsx(const std::string& path, std::string& problem);

}  // namespace tenvor::test
