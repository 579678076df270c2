// A workbook of text cells, written with libxlsxwriter: sheets with a bold, frozen and filtered
// header row, rows streamed to temporary files as they come (a sheet's rows in order, several
// sheets side by side), column widths fitted to the contents, and the file given its name only
// when complete, never replacing anything.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shared/Expected.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace tenvor {

class PendingFile;

// Why a workbook was not written: the workbook's path and the words for what failed, such as
// "out/一覧.xlsx: Not a directory".
struct WorkbookFailure {
    std::string text;
};

class XlsxWorkbook {
public:
    // Prepares the workbook; nothing is created before Close.
    explicit XlsxWorkbook(std::string targetPath);
    ~XlsxWorkbook();  // a workbook not closed leaves nothing behind
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    using SheetIndex = std::size_t;

    // A sheet named exactly name, after the others, with the header as its first row.
    SheetIndex AddSheet(const std::string& name, const std::vector<std::string>& header);
    // The next row of the sheet, every value a text cell exactly as given.
    void AppendRow(SheetIndex sheet, const std::vector<std::string_view>& values);

    // Writes the workbook and gives it its name. The first failure of a sheet or a row is
    // reported here, and then nothing is written.
    Expected<bool, WorkbookFailure> Close();

    const std::string& TargetPath() const { return target_; }

private:
    struct Sheet {
        lxw_worksheet* worksheet = nullptr;
        unsigned row = 0;         // the next row
        std::vector<int> widths;  // of each column's widest value, in characters
    };

    void WriteCell(Sheet& sheet, std::size_t column, std::string_view value, lxw_format* format);
    void Fail(std::string what);
    void FitColumns(Sheet& sheet);
    // Frees the workbook without writing anything.
    void Drop();

    std::string target_;
    std::unique_ptr<PendingFile> file_;
    lxw_workbook* workbook_ = nullptr;
    lxw_format* bold_ = nullptr;
    std::vector<Sheet> sheets_;
    std::string failure_;  // the first failure, empty while there is none
    bool closed_ = false;
};

// The width of a text in a sheet's columns, in characters: 2 for each wide character (kanji,
// kana, full-width forms), 1 for every other one.
int DisplayWidth(std::string_view utf8);

}  // namespace tenvor
