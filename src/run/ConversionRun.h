// One press of "CSV出力": validate the inputs and list their notifications, drop those whose
// CSV exists, convert each in order, then report the failures and the completion.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "diag/TimeText.h"
#include "run/InputList.h"
#include "shared/RunStep.h"
#include "shared/StXmlInfo.h"
#include "state/ProgressTracker.h"
#include "state/RunRequest.h"
#include "state/RunSummary.h"

namespace tenvor {

class CsvOutput;
class InputReader;
class ErrorRecorder;
class LogFile;
class MessageBoxes;
class NotificationReader;
class ReadAhead;
class RunWorkbook;
class RunObserver;
struct StINIData;

class ConversionRun {
public:
    ConversionRun(RunObserver& observer, const StINIData& iniData, LogFile& log, MessageBoxes& messages,
                  ErrorRecorder& errors, NotificationReader& reader, CsvOutput& output);
    ~ConversionRun();

    // The whole run, reported to the observer and ended by RunFinished. Never throws: a failure
    // that belongs to one file is that file's error record, any other stops the run with a
    // message.
    RunSummary Run(const RunRequest& request);

    // The debug timing texts of the latest run.
    const StTime& Timing() const { return timeData; }

private:
    RunOutcome RunSteps();
    RunStep MainInitFunc(InputList& vecXmlFilePaths);
    RunStep MainLoopFunc(const InputList& vecXmlFilePaths);
    void MainEndFunc();
    RunStep SetXmlFilePath(InputList& vecXmlFilePaths);
    // Reads one input into xmlInfo; a failure is recorded, another document counted.
    RunStep ReadInput(const XmlInput& input, InputReader& inputReader, ReadAhead* readAhead, std::size_t index);
    // Reads and writes one input; a failure of the input is recorded.
    RunStep ConvertFile(const XmlInput& input, InputReader& inputReader, ReadAhead* readAhead, std::size_t index);
    void ShowCounter(int done, int total);
    // A file just written with characters replaced is noted for the summary.
    void NoteReplacedCharacters(const XmlInput& input);
    // The run's workbook written at its end; a failure stops the run as a CSV write failure does.
    void FinishWorkbook(RunSummary& summary);
    void LogTime(std::string& target, int iCode);
    RunStep RefuseInput(const RunRefusal& refusal);
    // One XML file given in file mode: the reader itself drives the progress bar, as it follows
    // the file's elements.
    bool IsFileMode() const { return fileMode_; }

    RunObserver& observer_;
    const StINIData& iniData_;
    LogFile& log_;
    MessageBoxes& messages_;
    ErrorRecorder& errors_;
    NotificationReader& reader_;
    CsvOutput& output_;
    ProgressTracker progress_;

    RunRequest request_;
    std::optional<RunRefusal> refusal_;  // the input that refused the latest run
    bool fileMode_ = false;
    StXmlInfo xmlInfo;  // the record of the file being converted
    int doneCount = 0;
    int totalCount = 0;
    int convertedCount_ = 0;
    int skippedQuietlyCount_ = 0;
    int otherDocumentCount_ = 0;
    std::vector<ReplacedCharactersFile> replacedCharacters_;  // of the files written so far
    StTime timeData;
    std::unique_ptr<RunWorkbook> workbook_;  // while a run that asked for one goes on
};

}  // namespace tenvor
