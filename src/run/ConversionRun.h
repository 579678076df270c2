// One press of "CSV出力": validate the input and list its files, drop those whose CSV exists,
// convert each file in order, then list the failures and report completion.
#pragma once

#include <string>
#include <vector>

#include "diag/TimeText.h"
#include "run/RunSummary.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class CsvOutput;
class ErrorRecorder;
class LogFile;
class MessageBoxes;
class NotificationReader;
class ReadAhead;
class WindowState;
struct StINIData;

class ConversionRun {
public:
    ConversionRun(WindowState& window, const StINIData& iniData, LogFile& log, MessageBoxes& messages,
                  ErrorRecorder& errors, NotificationReader& reader, CsvOutput& output);

    // The whole run. Never throws: a failure that belongs to one file is that file's error
    // record, any other stops the run with a message.
    RunSummary Run(const RunOptions& options = {});

    int MainInitFunc(std::vector<std::string>& vecXmlFilePaths, const RunOptions& options = {});
    int MainLoopFunc(std::vector<std::string>& vecXmlFilePaths);
    void MainEndFunc();
    int SetXmlFilePath(std::vector<std::string>& vecXmlFilePaths);
    // Appends the folder's XML files, oldest first; false when the folder cannot be listed.
    bool GetXMLFilePathList(std::string csXMLFilePath, std::vector<std::string>& vecXmlFilePaths);

    // The debug timing texts of the latest run.
    const StTime& Timing() const { return timeData; }

private:
    RunOutcome RunSteps(const RunOptions& options);
    // Reads and writes one file; a failure of the file is recorded. 1 when the run must stop.
    int ConvertFile(const std::string& path, ReadAhead* readAhead, std::size_t index);
    void ShowCounter(int done, int total);
    void LogTime(std::string& target, int iCode);
    int RefuseInput(int msgIndex, const std::string& csInputPath);

    WindowState& window_;
    const StINIData& iniData_;
    LogFile& log_;
    MessageBoxes& messages_;
    ErrorRecorder& errors_;
    NotificationReader& reader_;
    CsvOutput& output_;

    StXmlInfo xmlInfo;  // the record of the file being converted
    int doneCount = 0;
    int totalCount = 0;
    int convertedCount_ = 0;
    int skippedQuietlyCount_ = 0;
    StTime timeData;
};

}  // namespace tenvor
