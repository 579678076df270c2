// One press of "CSV出力": validate the input and list its files, drop those whose CSV exists,
// convert each file in order, then list the failures and report completion.
#pragma once

#include <string>
#include <vector>

#include "convert/StXmlInfo.h"
#include "diag/TimeText.h"

namespace tenvor {

class CsvOutput;
class ErrorRecorder;
class LogFile;
class MessageBoxes;
class NotificationReader;
class WindowState;
struct StINIData;

// How a run ended, for front ends that report it (the window does not need it).
enum class RunOutcome {
    Refused,    // invalid input, or the log could not be written before the loop
    Stopped,    // stopped inside the loop: the log or a CSV file could not be written
    Completed,  // every file handled; the error list and the completion message are shown
};

class ConversionRun {
public:
    ConversionRun(WindowState& window, const StINIData& iniData, LogFile& log, MessageBoxes& messages,
                  ErrorRecorder& errors, NotificationReader& reader, CsvOutput& output);

    RunOutcome OnClickedBtnOutput();

    int MainInitFunc(std::vector<std::string>& vecXmlFilePaths);
    int MainLoopFunc(std::vector<std::string>& vecXmlFilePaths);
    void MainEndFunc();
    int SetXmlFilePath(std::vector<std::string>& vecXmlFilePaths);
    void GetXMLFilePathList(std::string csXMLFilePath, std::vector<std::string>& vecXmlFilePaths);

    StXmlInfo xmlInfo;
    int doneCount = 0;
    int totalCount = 0;
    StTime timeData;

private:
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
};

}  // namespace tenvor
