// The error records of a run: recording a failed file, listing the records when the run
// completes, and the guidance for the selected row of the list.
#pragma once

#include <string>
#include <vector>

#include "shared/StErrorInfo.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class LogFile;
class MessageBoxes;
class WindowState;

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
    // A mode change: empties the records (the window empties its own list and guidance box).
    void ClearRecords() { errorInfoList.clear(); }

    // End of a completed run: rows newest first numbered 1..n, fitted columns, then the
    // completion message.
    void FillErrorList();

    // The guidance of the first selected row's error text, if it is one of the error texts.
    void ShowGuidanceForSelectedRow();

    const std::vector<StErrorInfo>& Records() const { return errorInfoList; }

private:
    int Append(int iErrorKind, const std::string& csFilePath);

    WindowState& window_;
    LogFile& log_;
    MessageBoxes& messages_;
    StErrorInfo errorInfo;  // the record last recorded or listed
    std::vector<StErrorInfo> errorInfoList;
};

}  // namespace tenvor
