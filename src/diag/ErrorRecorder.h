// The error records of a run: recording a failed file (the record, the log entry and the report
// to the front end) and the completion message that ends a completed run.
#pragma once

#include <string>
#include <vector>

#include "shared/ErrorKind.h"
#include "shared/RunStep.h"
#include "shared/StErrorInfo.h"
#include "shared/StXmlInfo.h"
#include "state/RunMessage.h"

namespace tenvor {

class LogFile;
class ProgressTracker;
class RunObserver;

class ErrorRecorder {
public:
    ErrorRecorder(RunObserver& observer, LogFile& log);

    // Start of a run: no records yet. In file mode a failure completes the progress.
    void ResetForRun(ProgressTracker* fileModeProgress);

    // Marks the file failed, completes the progress in file mode, appends the record with its reason, logs
    // it and reports it. Stops the run when the log could not be written (the record stands). The
    // cause and the document element go into the record only (never into the log).
    RunStep ErrorHandler(ErrorKind iErrorKind, std::string csFilePath, StXmlInfo* stXmlInfo, std::string reason,
                         FailureCause cause = FailureCause::Other, std::string documentElement = {});

    // Appends a record of kind 0 for the CSV file that exists, without touching any per-file
    // record, logs and reports it.
    RunStep RecordExistingOutput(const std::string& csFilePath, const std::string& csvPath);

    // The completion message of a completed run: "処理が完了しました。", with the number of
    // errors when there are any.
    RunMessage CompletionMessage() const;

    const std::vector<StErrorInfo>& Records() const { return errorInfoList; }

private:
    RunStep Append(ErrorKind iErrorKind, const std::string& csFilePath, std::string reason,
                   FailureCause cause = FailureCause::Other, std::string documentElement = {});

    RunObserver& observer_;
    LogFile& log_;
    ProgressTracker* fileModeProgress_ = nullptr;
    StErrorInfo errorInfo;  // the record last recorded
    std::vector<StErrorInfo> errorInfoList;
};

}  // namespace tenvor
