// One press of "CSV出力": validate the input and list its files, drop those whose CSV exists,
// convert each file in order, then report the failures and the completion.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "diag/TimeText.h"
#include "shared/RunStep.h"
#include "shared/StXmlInfo.h"
#include "state/ProgressBar.h"
#include "state/RunRequest.h"
#include "state/RunSummary.h"

namespace tenvor {

class CsvOutput;
class ErrorRecorder;
class LogFile;
class MessageBoxes;
class NotificationReader;
class ReadAhead;
class RunObserver;
struct StINIData;

class ConversionRun {
public:
    ConversionRun(RunObserver& observer, const StINIData& iniData, LogFile& log, MessageBoxes& messages,
                  ErrorRecorder& errors, NotificationReader& reader, CsvOutput& output);

    // The whole run, reported to the observer and ended by RunFinished. Never throws: a failure
    // that belongs to one file is that file's error record, any other stops the run with a
    // message.
    RunSummary Run(const RunRequest& request);

    // The debug timing texts of the latest run.
    const StTime& Timing() const { return timeData; }

private:
    RunOutcome RunSteps();
    RunStep MainInitFunc(std::vector<std::string>& vecXmlFilePaths);
    RunStep MainLoopFunc(const std::vector<std::string>& vecXmlFilePaths);
    void MainEndFunc();
    RunStep SetXmlFilePath(std::vector<std::string>& vecXmlFilePaths);
    // Reads and writes one file; a failure of the file is recorded.
    RunStep ConvertFile(const std::string& path, ReadAhead* readAhead, std::size_t index);
    void ShowCounter(int done, int total);
    void LogTime(std::string& target, int iCode);
    RunStep RefuseInput(int msgIndex, const std::string& csInputPath);
    bool IsFileMode() const { return request_.mode == InputMode::File; }

    RunObserver& observer_;
    const StINIData& iniData_;
    LogFile& log_;
    MessageBoxes& messages_;
    ErrorRecorder& errors_;
    NotificationReader& reader_;
    CsvOutput& output_;
    ProgressBar bar_;

    RunRequest request_;
    StXmlInfo xmlInfo;  // the record of the file being converted
    int doneCount = 0;
    int totalCount = 0;
    int convertedCount_ = 0;
    int skippedQuietlyCount_ = 0;
    StTime timeData;
};

}  // namespace tenvor
