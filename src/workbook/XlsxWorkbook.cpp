#include "workbook/XlsxWorkbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>

#include "platform/PendingFile.h"

namespace tenvor {

namespace {

// The widest a column is made, in characters: long paths stay readable without pushing the
// next columns out of sight.
constexpr int kMaximumColumnWidth = 60;

// Characters shown twice as wide as a Latin letter: the East Asian wide and full-width ranges.
bool IsWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

int DisplayWidth(std::string_view utf8)
{
    int width = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 1;
        char32_t c = lead;
        if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0Fu;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1Fu;
        }
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        }
        width += IsWide(c) ? 2 : 1;
        i += length;
    }
    return width;
}

XlsxWorkbook::XlsxWorkbook(std::string targetPath)
    : target_(std::move(targetPath)), file_(std::make_unique<PendingFile>(target_))
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // each row goes to its sheet's temporary file at once
    workbook_ = workbook_new_opt(file_->TemporaryPath().c_str(), &options);
    if (workbook_ == nullptr) {
        Fail(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
        return;
    }
    bold_ = workbook_add_format(workbook_);
    if (bold_ == nullptr) {
        Fail(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
        return;
    }
    format_set_bold(bold_);
}

XlsxWorkbook::~XlsxWorkbook()
{
    if (!closed_) {
        Drop();
    }
}

void XlsxWorkbook::Drop()
{
    closed_ = true;
    if (workbook_ == nullptr) {
        return;
    }
    // Freed without being written: the rows' temporary files are closed here, as only writing
    // the workbook would close them.
    for (Sheet& sheet : sheets_) {
        if (sheet.worksheet != nullptr && sheet.worksheet->optimize_tmpfile != nullptr) {
            std::fclose(sheet.worksheet->optimize_tmpfile);
            sheet.worksheet->optimize_tmpfile = nullptr;
            sheet.worksheet->file = nullptr;
        }
    }
    lxw_workbook_free(workbook_);
    workbook_ = nullptr;
}

void XlsxWorkbook::Fail(std::string what)
{
    if (failure_.empty()) {
        failure_ = std::move(what);
    }
}

XlsxWorkbook::SheetIndex XlsxWorkbook::AddSheet(const std::string& name, const std::vector<std::string>& header)
{
    sheets_.push_back(Sheet{});
    if (workbook_ == nullptr || !failure_.empty()) {
        return sheets_.size() - 1;
    }
    Sheet& sheet = sheets_.back();
    sheet.worksheet = workbook_add_worksheet(workbook_, name.c_str());
    if (sheet.worksheet == nullptr) {
        const lxw_error problem = workbook_validate_sheet_name(workbook_, name.c_str());
        Fail("sheet " + name + ": " + lxw_strerror(problem != LXW_NO_ERROR ? problem : LXW_ERROR_MEMORY_MALLOC_FAILED));
        return sheets_.size() - 1;
    }
    for (std::size_t column = 0; column < header.size(); ++column) {
        WriteCell(sheet, column, header[column], bold_);
    }
    ++sheet.row;
    if (!header.empty()) {
        const auto lastColumn = static_cast<lxw_col_t>(header.size() - 1);
        worksheet_freeze_panes(sheet.worksheet, 1, 0);
        const lxw_error filtered = worksheet_autofilter(sheet.worksheet, 0, 0, 0, lastColumn);
        if (filtered != LXW_NO_ERROR) {
            Fail("sheet " + name + ": " + lxw_strerror(filtered));
        }
    }
    return sheets_.size() - 1;
}

void XlsxWorkbook::AppendRow(SheetIndex index, const std::vector<std::string_view>& values)
{
    if (!failure_.empty() || index >= sheets_.size()) {
        return;
    }
    Sheet& sheet = sheets_[index];
    for (std::size_t column = 0; column < values.size(); ++column) {
        WriteCell(sheet, column, values[column], nullptr);
    }
    ++sheet.row;
}

void XlsxWorkbook::WriteCell(Sheet& sheet, std::size_t column, std::string_view value, lxw_format* format)
{
    if (!failure_.empty() || sheet.worksheet == nullptr) {
        return;
    }
    if (sheet.widths.size() <= column) {
        sheet.widths.resize(column + 1, 0);
    }
    sheet.widths[column] = std::max(sheet.widths[column], std::min(DisplayWidth(value), kMaximumColumnWidth));
    if (value.empty()) {
        return;  // no cell at all: an empty text
    }
    if (sheet.row >= LXW_ROW_MAX || column >= LXW_COL_MAX) {
        Fail(lxw_strerror(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE));
        return;
    }
    // Always a text cell: never a number, a date or a formula, whatever the value looks like.
    const std::string text(value);  // libxlsxwriter wants it terminated
    const lxw_error written = worksheet_write_string(sheet.worksheet, static_cast<lxw_row_t>(sheet.row),
                                                     static_cast<lxw_col_t>(column), text.c_str(), format);
    if (written != LXW_NO_ERROR) {
        Fail(lxw_strerror(written));
    }
}

void XlsxWorkbook::FitColumns(Sheet& sheet)
{
    for (std::size_t column = 0; column < sheet.widths.size(); ++column) {
        // A character's width of margin, and room for the filter's button in the header.
        const double width = std::min(sheet.widths[column] + 3, kMaximumColumnWidth + 3);
        const auto col = static_cast<lxw_col_t>(column);
        const lxw_error set = worksheet_set_column(sheet.worksheet, col, col, width, nullptr);
        if (set != LXW_NO_ERROR) {
            Fail(lxw_strerror(set));
            return;
        }
    }
}

Expected<bool, WorkbookFailure> XlsxWorkbook::Close()
{
    if (closed_) {
        return Unexpected{WorkbookFailure{target_ + ": closed twice"}};
    }
    for (Sheet& sheet : sheets_) {
        if (sheet.worksheet != nullptr && failure_.empty()) {
            FitColumns(sheet);
        }
    }
    if (workbook_ == nullptr || !failure_.empty()) {
        Drop();
        return Unexpected{WorkbookFailure{target_ + ": " + failure_}};
    }
    if (!file_->Reserve()) {
        Drop();
        return Unexpected{WorkbookFailure{target_ + ": " + file_->ErrorText()}};
    }
    closed_ = true;
    const lxw_error written = workbook_close(workbook_);  // frees it, written or not
    workbook_ = nullptr;
    if (written != LXW_NO_ERROR) {
        file_->Discard();
        return Unexpected{WorkbookFailure{target_ + ": " + lxw_strerror(written)}};
    }
    if (file_->Publish() == NewFile::Publish::Done) {
        return true;
    }
    // Something got the name meanwhile, which stays untouched; or the name was refused.
    return Unexpected{WorkbookFailure{target_ + ": " + file_->ErrorText()}};
}

}  // namespace tenvor
