// The workbook of one run: everything the run converted, in one file a clerk opens in Excel.
//   一覧        番号, ファイル, 様式, 人数, CSVファイル: one row per notification, in the order
//               converted
//   one sheet per form, named by its id, in the order the forms first appear: ファイル, the
//               form's common element names and its insured element names; one row per person
//               record, with the values exactly as the CSV file gets them (before any code page
//               conversion)
//   エラー      only when files failed: the rows the command line prints, in its order
// Every value is a text cell. Rows are written as they come, not held.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "shared/StErrorInfo.h"
#include "shared/StXmlInfo.h"
#include "workbook/XlsxWorkbook.h"

namespace tenvor {

class FormCatalogue;

class RunWorkbook {
public:
    // forms give the column names of the form sheets; they must outlive the workbook.
    RunWorkbook(std::string path, const FormCatalogue& forms);

    // One notification whose CSV file was written: the input's path as the run shows it, its
    // values, and the CSV file's path.
    void AddNotification(const std::string& shownPath, const StXmlInfo& values, const std::string& csvPath);

    // The sheet of the failed files (the run's error records, in the order recorded), then the
    // file, complete under its name or not at all.
    Expected<bool, WorkbookFailure> Finish(const std::vector<StErrorInfo>& errors);

    const std::string& Path() const { return workbook_.TargetPath(); }

private:
    XlsxWorkbook::SheetIndex FormSheet(const std::string& formId);

    const FormCatalogue& forms_;
    XlsxWorkbook workbook_;
    XlsxWorkbook::SheetIndex listSheet_;
    std::unordered_map<std::string, XlsxWorkbook::SheetIndex> formSheets_;
    int notificationCount_ = 0;
    std::vector<std::string_view> row_;  // reused for every row
};

}  // namespace tenvor
