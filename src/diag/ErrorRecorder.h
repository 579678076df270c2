// The error records of a run: recording a failed file, listing the records when the run
// completes, and the guidance for a clicked row.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "convert/StXmlInfo.h"

namespace tenvor {

class LogFile;
class MessageBoxes;
class WindowState;

struct StErrorInfo {
    int errorKind = 0;  // 0 to 3
    std::string filePath;
};

// The error list's columns: header and initial width in pixels.
struct ErrorListColumn {
    std::string_view header;
    int width;
};
inline constexpr std::array<ErrorListColumn, 3> kErrorListColumns = {{
    {"項番", 40},
    {"エラー内容", 250},
    {"対象ファイル", 560},
}};

class ErrorRecorder {
public:
    ErrorRecorder(WindowState& window, LogFile& log, MessageBoxes& messages);

    // Marks the file failed, fills the bar in file mode, appends the record and logs it.
    // Returns the log's result: 0, or 1 when the log could not be written.
    int ErrorHandler(int iErrorKind, std::string csFilePath, StXmlInfo* stXmlInfo);

    // Appends a record of kind 0 without touching any per-file record, and logs it.
    int RecordExistingOutput(const std::string& csFilePath);

    // Start of a run: empties the list view, the guidance box and the records.
    void ResetForRun();
    // A mode change: empties the list view, the guidance box and the records.
    void ClearRecords() { errorInfoList.clear(); }

    // End of a completed run: rows newest first numbered 1..n, fitted columns, then the
    // completion message.
    void FillErrorList();

    // A click on the list: the guidance of the first selected row's error text, if any.
    void OnNMClickListErrorfile();

    StErrorInfo errorInfo;
    std::vector<StErrorInfo> errorInfoList;

private:
    int Append(int iErrorKind, const std::string& csFilePath);

    WindowState& window_;
    LogFile& log_;
    MessageBoxes& messages_;
};

}  // namespace tenvor
