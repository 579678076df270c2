#include "diag/ErrorRecorder.h"

#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "shared/CommonUtils.h"
#include "state/WindowState.h"

namespace tenvor {

ErrorRecorder::ErrorRecorder(WindowState& window, LogFile& log, MessageBoxes& messages)
    : window_(window), log_(log), messages_(messages)
{
}

int ErrorRecorder::Append(int iErrorKind, const std::string& csFilePath)
{
    errorInfo = StErrorInfo{iErrorKind, csFilePath};
    errorInfoList.push_back(errorInfo);
    // The record stands even when the log cannot take it.
    return log_.OutputLogFile(iErrorKind, csFilePath);
}

int ErrorRecorder::ErrorHandler(int iErrorKind, std::string csFilePath, StXmlInfo* stXmlInfo)
{
    if (stXmlInfo != nullptr) {
        stXmlInfo->errorFlag = 1;
    }
    if (window_.IsFileMode()) {
        window_.FillPrgBar();
    }
    return Append(iErrorKind, csFilePath);
}

int ErrorRecorder::RecordExistingOutput(const std::string& csFilePath)
{
    return Append(kSameFile, csFilePath);
}

void ErrorRecorder::ResetForRun()
{
    window_.ClearErrorList();
    window_.SetGuidance({});
    errorInfoList.clear();
}

void ErrorRecorder::FillErrorList()
{
    const int count = static_cast<int>(errorInfoList.size());
    for (int i = 0; i < count; ++i) {
        errorInfo = errorInfoList[static_cast<std::size_t>(i)];
        const int row = window_.InsertErrorRow();
        window_.SetErrorCell(row, 0, CommonUtils::intToCString(count - i));
        window_.SetErrorCell(row, 1, std::string(errorContentList.at(static_cast<std::size_t>(errorInfo.errorKind))));
        window_.SetErrorCell(row, 2, errorInfo.filePath);
    }
    window_.FitErrorColumns();
    if (count > 0) {
        messages_.Show(kMsgCompletedWithErrors, kCaptionCompleted, CommonUtils::intToCString(count));
    } else {
        messages_.Show(kMsgCompleted, kCaptionCompleted);
    }
}

void ErrorRecorder::ShowGuidanceForSelectedRow()
{
    const int row = window_.FirstSelectedErrorRow();
    const std::string text = window_.ErrorCell(row, 1);
    for (std::size_t kind = 0; kind < errorContentList.size(); ++kind) {
        if (errorContentList[kind] == text) {
            window_.SetGuidance(std::string(guidanceList[kind]));
            return;
        }
    }
}

}  // namespace tenvor
