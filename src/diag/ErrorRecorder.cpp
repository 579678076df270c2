#include "diag/ErrorRecorder.h"

#include "diag/FailureReasons.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "shared/CommonUtils.h"
#include "state/ProgressTracker.h"
#include "state/RunObserver.h"

namespace tenvor {

ErrorRecorder::ErrorRecorder(RunObserver& observer, LogFile& log) : observer_(observer), log_(log) {}

void ErrorRecorder::ResetForRun(ProgressTracker* fileModeProgress)
{
    fileModeProgress_ = fileModeProgress;
    errorInfoList.clear();
}

RunStep ErrorRecorder::Append(ErrorKind iErrorKind, const std::string& csFilePath, std::string reason,
                              FailureCause cause, std::string documentElement)
{
    errorInfo = StErrorInfo{iErrorKind, csFilePath, std::move(reason), cause, std::move(documentElement)};
    errorInfoList.push_back(errorInfo);
    // The record stands even when the log cannot take it.
    const int logged = log_.OutputLogFile(ToInt(iErrorKind), csFilePath);
    observer_.FileFailed(errorInfo);
    return logged == 0 ? RunStep::GoOn : RunStep::Stop;
}

RunStep ErrorRecorder::ErrorHandler(ErrorKind iErrorKind, std::string csFilePath, StXmlInfo* stXmlInfo,
                                    std::string reason, FailureCause cause, std::string documentElement)
{
    if (stXmlInfo != nullptr) {
        stXmlInfo->errorFlag = 1;
    }
    if (fileModeProgress_ != nullptr) {
        fileModeProgress_->Complete();
    }
    return Append(iErrorKind, csFilePath, std::move(reason), cause, std::move(documentElement));
}

RunStep ErrorRecorder::RecordExistingOutput(const std::string& csFilePath, const std::string& csvPath)
{
    return Append(ErrorKind::SameFile, csFilePath, ExistingCsvReason(csvPath));
}

RunMessage ErrorRecorder::CompletionMessage() const
{
    const int count = static_cast<int>(errorInfoList.size());
    if (count > 0) {
        return MessageBoxes::MessageOf(
            StMessage{kMsgCompletedWithErrors, 0, std::string(kCaptionCompleted), CommonUtils::intToCString(count)});
    }
    return MessageBoxes::MessageOf(StMessage{kMsgCompleted, 0, std::string(kCaptionCompleted), {}});
}

}  // namespace tenvor
