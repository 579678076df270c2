#include "workbook/RunWorkbook.h"

#include "diag/ErrorReport.h"
#include "diag/MessageCatalog.h"
#include "forms/FormCatalogue.h"

namespace tenvor {

namespace {

const std::vector<std::string> kListHeader = {"番号", "ファイル", "様式", "人数", "CSVファイル"};
constexpr const char* kListSheetName = "一覧";
constexpr const char* kErrorSheetName = "エラー";
constexpr const char* kFileColumn = "ファイル";
constexpr const char* kReasonColumn = "詳細";

}  // namespace

RunWorkbook::RunWorkbook(std::string path, const FormCatalogue& forms)
    : forms_(forms), workbook_(std::move(path)), listSheet_(workbook_.AddSheet(kListSheetName, kListHeader))
{
}

XlsxWorkbook::SheetIndex RunWorkbook::FormSheet(const std::string& formId)
{
    const auto found = formSheets_.find(formId);
    if (found != formSheets_.end()) {
        return found->second;
    }
    std::vector<std::string> header{kFileColumn};
    if (const FormEntry* form = forms_.Find(formId)) {
        for (const FieldIndex* list : form->lists) {
            if (list != nullptr) {
                header.insert(header.end(), list->Names().begin(), list->Names().end());
            }
        }
    }
    const XlsxWorkbook::SheetIndex sheet = workbook_.AddSheet(formId, header);
    formSheets_.emplace(formId, sheet);
    return sheet;
}

void RunWorkbook::AddNotification(const std::string& shownPath, const StXmlInfo& values, const std::string& csvPath)
{
    ++notificationCount_;
    const std::string number = std::to_string(notificationCount_);
    const std::string persons = std::to_string(values.insuredData.Size());
    workbook_.AppendRow(listSheet_, {number, shownPath, values.styleNum, persons, csvPath});

    const XlsxWorkbook::SheetIndex sheet = FormSheet(values.styleNum);
    // The records were read back once already for the CSV file; a failure then was recorded.
    static_cast<void>(values.insuredData.ForEach([&](const std::vector<std::string>& person) {
        row_.clear();
        row_.push_back(shownPath);
        row_.insert(row_.end(), values.commonData.begin(), values.commonData.end());
        row_.insert(row_.end(), person.begin(), person.end());
        workbook_.AppendRow(sheet, row_);
    }));
}

Expected<bool, WorkbookFailure> RunWorkbook::Finish(const std::vector<StErrorInfo>& errors)
{
    if (!errors.empty()) {
        const XlsxWorkbook::SheetIndex sheet =
            workbook_.AddSheet(kErrorSheetName, {std::string(errorListHeaders[0]), std::string(errorListHeaders[1]),
                                                 std::string(errorListHeaders[2]), kReasonColumn});
        for (const ErrorReportRow& row : ErrorReportRows(errors)) {
            workbook_.AppendRow(sheet, {row.number, row.errorText, row.filePath, row.reason});
        }
    }
    return workbook_.Close();
}

}  // namespace tenvor
