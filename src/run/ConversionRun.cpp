#include "run/ConversionRun.h"

#include <chrono>
#include <exception>
#include <optional>

#include "convert/CsvOutput.h"
#include "convert/NotificationReader.h"
#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "diag/Settings.h"
#include "platform/DebugOutput.h"
#include "platform/FileSystem.h"
#include "run/ReadAhead.h"
#include "state/RunObserver.h"

namespace tenvor {

namespace {

// Files read ahead of the one being written: enough to keep the readers busy, little memory.
constexpr std::size_t kReadAheadWindow = 16;

}  // namespace

ConversionRun::ConversionRun(RunObserver& observer, const StINIData& iniData, LogFile& log, MessageBoxes& messages,
                             ErrorRecorder& errors, NotificationReader& reader, CsvOutput& output)
    : observer_(observer),
      iniData_(iniData),
      log_(log),
      messages_(messages),
      errors_(errors),
      reader_(reader),
      output_(output),
      bar_(observer)
{
}

RunSummary ConversionRun::Run(const RunRequest& request)
{
    request_ = request;
    RunSummary summary;
    convertedCount_ = 0;
    skippedQuietlyCount_ = 0;
    try {
        summary.outcome = RunSteps();
    } catch (const std::exception& e) {
        // Out of memory, or another failure between the files: the run cannot go on.
        summary.outcome = RunOutcome::Stopped;
        messages_.ShowRunAborted(e.what());
    } catch (...) {
        summary.outcome = RunOutcome::Stopped;
        messages_.ShowRunAborted("unknown exception");
    }
    summary.converted = convertedCount_;
    summary.skippedExisting = skippedQuietlyCount_;
    if (summary.outcome == RunOutcome::Stopped) {
        summary.writeFailure = output_.WriteFailure();
    }
    for (const StErrorInfo& record : errors_.Records()) {
        if (record.errorKind == ErrorKind::SameFile) {
            ++summary.skippedExisting;
        } else {
            ++summary.failed;
        }
    }
    summary.errors = errors_.Records();
    if (summary.outcome == RunOutcome::Completed) {
        summary.completion = errors_.CompletionMessage();
    }
    observer_.RunFinished(summary);
    return summary;
}

RunOutcome ConversionRun::RunSteps()
{
    std::vector<std::string> vecXmlFilePaths;
    if (iniData_.DebugFlag == 1) {
        LogTime(timeData.startTime, kMeasureStart);
    }
    if (MainInitFunc(vecXmlFilePaths) == RunStep::Stop) {
        return RunOutcome::Refused;
    }
    if (MainLoopFunc(vecXmlFilePaths) == RunStep::Stop) {
        ShowCounter(totalCount, totalCount);
        return RunOutcome::Stopped;
    }
    if (iniData_.DebugFlag == 1) {
        LogTime(timeData.endTime, kMeasureEnd);
    }
    MainEndFunc();
    return RunOutcome::Completed;
}

void ConversionRun::LogTime(std::string& target, int iCode)
{
    target = TimeTextOf(std::chrono::system_clock::now());
    OutputDebugText(target + "\n");
    static_cast<void>(log_.OutputLogFile(iCode, target));  // a failed timing entry does not stop the run
}

RunStep ConversionRun::MainInitFunc(std::vector<std::string>& vecXmlFilePaths)
{
    errors_.ResetForRun(IsFileMode() ? &bar_ : nullptr);
    output_.BeginRun(request_.outputFolder, request_.encoding);
    if (SetXmlFilePath(vecXmlFilePaths) == RunStep::Stop) {
        return RunStep::Stop;
    }
    observer_.RunStarted(totalCount);
    if (request_.skipExistingQuietly) {
        skippedQuietlyCount_ = output_.DropInputsWithExistingCsv(vecXmlFilePaths);
    }
    if (output_.CheckExitstCsvFile(vecXmlFilePaths) == RunStep::Stop) {
        return RunStep::Stop;
    }
    if (!IsFileMode()) {
        bar_.Initialize(static_cast<int>(vecXmlFilePaths.size()));
    }
    doneCount = 0;
    ShowCounter(doneCount, totalCount);
    return RunStep::GoOn;
}

RunStep ConversionRun::SetXmlFilePath(std::vector<std::string>& vecXmlFilePaths)
{
    const std::string& inputPath = request_.inputPath;
    if (IsFileMode()) {
        if (!PathExists(inputPath)) {
            return RefuseInput(kMsgXmlFileMissing, inputPath);
        }
        const bool endsInXml = inputPath.size() >= 3 && inputPath.compare(inputPath.size() - 3, 3, "xml") == 0;
        if (IsDirectory(inputPath) || !endsInXml) {
            return RefuseInput(kMsgNotXmlFile, inputPath);
        }
        vecXmlFilePaths.push_back(inputPath);
        totalCount = 1;
        return RunStep::GoOn;
    }
    // A folder that cannot be listed is refused like a missing one: an empty list would pass for
    // a folder without notifications.
    std::optional<std::vector<std::string>> listed;
    if (IsDirectory(inputPath)) {
        listed = ListXmlFilesOldestFirst(inputPath);
    }
    if (!listed) {
        return RefuseInput(kMsgFolderMissing, inputPath);
    }
    vecXmlFilePaths = std::move(*listed);
    totalCount = static_cast<int>(vecXmlFilePaths.size());
    return RunStep::GoOn;
}

RunStep ConversionRun::RefuseInput(int msgIndex, const std::string& csInputPath)
{
    if (log_.OutputLogFile(kFileMissing, csInputPath) == 0) {
        messages_.Show(msgIndex, kCaptionError);
    }
    return RunStep::Stop;
}

RunStep ConversionRun::MainLoopFunc(const std::vector<std::string>& vecXmlFilePaths)
{
    // In folder mode reading touches nothing but the file, so it can run ahead of the loop.
    std::optional<ReadAhead> readAhead;
    if (!IsFileMode() && vecXmlFilePaths.size() > 1) {
        readAhead.emplace(reader_.Loader(), vecXmlFilePaths, ReadAhead::DefaultWorkers(), kReadAheadWindow);
    }
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        xmlInfo = StXmlInfo{};
        ShowCounter(doneCount, totalCount);
        if (ConvertFile(vecXmlFilePaths[i], readAhead ? &*readAhead : nullptr, i) == RunStep::Stop) {
            return RunStep::Stop;
        }
        ++doneCount;
        if (!IsFileMode()) {
            bar_.Step();
        }
    }
    return RunStep::GoOn;
}

RunStep ConversionRun::ConvertFile(const std::string& path, ReadAhead* readAhead, std::size_t index)
{
    try {
        const RunStep read = readAhead != nullptr ? reader_.RecordOutcome(readAhead->Take(index), path, xmlInfo)
                                                  : reader_.ReadXMLData(path, xmlInfo, IsFileMode() ? &bar_ : nullptr);
        if (read == RunStep::Stop) {
            return RunStep::Stop;
        }
        if (xmlInfo.errorFlag == 0) {
            if (output_.OutPutToCsv(path, xmlInfo) == RunStep::Stop) {
                return RunStep::Stop;
            }
            if (xmlInfo.errorFlag == 0) {
                ++convertedCount_;
            }
        }
        return RunStep::GoOn;
    } catch (const std::exception&) {
        // Memory ran out on a file too large to hold (or another failure inside it): the file
        // cannot be converted, the run goes on. A file already recorded is not recorded twice.
        if (xmlInfo.errorFlag == 1) {
            return RunStep::GoOn;
        }
        return errors_.ErrorHandler(ErrorKind::FormatNotSupported, path, &xmlInfo);
    }
}

void ConversionRun::MainEndFunc()
{
    bar_.Fill();
    ShowCounter(totalCount, totalCount);
}

void ConversionRun::ShowCounter(int done, int total)
{
    observer_.CounterChanged(done, total);
}

}  // namespace tenvor
