#include "run/ConversionRun.h"

#include <chrono>
#include <exception>
#include <iterator>
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
#include "state/WindowState.h"

namespace tenvor {

namespace {

// Files read ahead of the one being written: enough to keep the readers busy, little memory.
constexpr std::size_t kReadAheadWindow = 16;

}  // namespace

ConversionRun::ConversionRun(WindowState& window, const StINIData& iniData, LogFile& log, MessageBoxes& messages,
                             ErrorRecorder& errors, NotificationReader& reader, CsvOutput& output)
    : window_(window),
      iniData_(iniData),
      log_(log),
      messages_(messages),
      errors_(errors),
      reader_(reader),
      output_(output)
{
}

RunSummary ConversionRun::Run(const RunOptions& options)
{
    RunSummary summary;
    convertedCount_ = 0;
    skippedQuietlyCount_ = 0;
    try {
        summary.outcome = RunSteps(options);
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
        if (record.errorKind == kSameFile) {
            ++summary.skippedExisting;
        } else {
            ++summary.failed;
        }
    }
    return summary;
}

RunOutcome ConversionRun::RunSteps(const RunOptions& options)
{
    std::vector<std::string> vecXmlFilePaths;
    if (iniData_.DebugFlag == 1) {
        LogTime(timeData.startTime, kMeasureStart);
    }
    if (MainInitFunc(vecXmlFilePaths, options) == 1) {
        return RunOutcome::Refused;
    }
    if (MainLoopFunc(vecXmlFilePaths) == 1) {
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
    log_.OutputLogFile(iCode, target);  // a failed timing entry does not stop the run
}

int ConversionRun::MainInitFunc(std::vector<std::string>& vecXmlFilePaths, const RunOptions& options)
{
    errors_.ResetForRun();
    if (SetXmlFilePath(vecXmlFilePaths) == 1) {
        return 1;
    }
    if (options.skipExistingQuietly) {
        skippedQuietlyCount_ = output_.DropInputsWithExistingCsv(vecXmlFilePaths);
    }
    if (output_.CheckExitstCsvFile(vecXmlFilePaths) == 1) {
        return 1;
    }
    if (!window_.IsFileMode()) {
        window_.InitializePrgBar(static_cast<int>(vecXmlFilePaths.size()));
    }
    doneCount = 0;
    ShowCounter(doneCount, totalCount);
    return 0;
}

int ConversionRun::SetXmlFilePath(std::vector<std::string>& vecXmlFilePaths)
{
    const std::string inputPath = window_.InputPath();
    if (window_.IsFileMode()) {
        if (!PathExists(inputPath)) {
            return RefuseInput(kMsgXmlFileMissing, inputPath);
        }
        const bool endsInXml = inputPath.size() >= 3 && inputPath.compare(inputPath.size() - 3, 3, "xml") == 0;
        if (IsDirectory(inputPath) || !endsInXml) {
            return RefuseInput(kMsgNotXmlFile, inputPath);
        }
        vecXmlFilePaths.push_back(inputPath);
        totalCount = 1;
        return 0;
    }
    // A folder that cannot be listed is refused like a missing one: an empty list would pass for
    // a folder without notifications.
    if (!IsDirectory(inputPath) || !GetXMLFilePathList(inputPath, vecXmlFilePaths)) {
        return RefuseInput(kMsgFolderMissing, inputPath);
    }
    totalCount = static_cast<int>(vecXmlFilePaths.size());
    return 0;
}

int ConversionRun::RefuseInput(int msgIndex, const std::string& csInputPath)
{
    if (log_.OutputLogFile(kFileMissing, csInputPath) == 0) {
        messages_.Show(msgIndex, kCaptionError);
    }
    return 1;
}

bool ConversionRun::GetXMLFilePathList(std::string csXMLFilePath, std::vector<std::string>& vecXmlFilePaths)
{
    std::optional<std::vector<std::string>> listed = ListXmlFilesOldestFirst(csXMLFilePath);
    if (!listed) {
        return false;
    }
    if (vecXmlFilePaths.empty()) {
        vecXmlFilePaths = std::move(*listed);
    } else {
        vecXmlFilePaths.insert(vecXmlFilePaths.end(), std::make_move_iterator(listed->begin()),
                               std::make_move_iterator(listed->end()));
    }
    return true;
}

int ConversionRun::MainLoopFunc(std::vector<std::string>& vecXmlFilePaths)
{
    const bool folderMode = !window_.IsFileMode();
    // In folder mode reading touches nothing but the file, so it can run ahead of the loop.
    std::optional<ReadAhead> readAhead;
    if (folderMode && vecXmlFilePaths.size() > 1) {
        readAhead.emplace(reader_.Loader(), vecXmlFilePaths, ReadAhead::DefaultWorkers(), kReadAheadWindow);
    }
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        xmlInfo = StXmlInfo{};
        ShowCounter(doneCount, totalCount);
        if (ConvertFile(vecXmlFilePaths[i], readAhead ? &*readAhead : nullptr, i) == 1) {
            return 1;
        }
        ++doneCount;
        if (folderMode) {
            window_.StepPrgBar();
        }
    }
    return 0;
}

int ConversionRun::ConvertFile(const std::string& path, ReadAhead* readAhead, std::size_t index)
{
    try {
        int result;
        if (readAhead != nullptr) {
            ReadAhead::Result read = readAhead->Take(index);
            xmlInfo = std::move(read.record);
            result = reader_.RecordOutcome(read.errorKind, path, xmlInfo);
        } else {
            result = reader_.ReadXMLData(path, xmlInfo);
        }
        if (result == 1) {
            return 1;
        }
        if (xmlInfo.errorFlag == 0) {
            if (output_.OutPutToCsv(path, xmlInfo) == 1) {
                return 1;
            }
            if (xmlInfo.errorFlag == 0) {
                ++convertedCount_;
            }
        }
        return 0;
    } catch (const std::exception&) {
        // Memory ran out on a file too large to hold (or another failure inside it): the file
        // cannot be converted, the run goes on. A file already recorded is not recorded twice.
        if (xmlInfo.errorFlag == 1) {
            return 0;
        }
        return errors_.ErrorHandler(kFormatNotSupported, path, &xmlInfo);
    }
}

void ConversionRun::MainEndFunc()
{
    window_.FillPrgBar();
    ShowCounter(totalCount, totalCount);
    errors_.FillErrorList();
}

void ConversionRun::ShowCounter(int done, int total)
{
    window_.SetProgressText(std::to_string(done) + "/" + std::to_string(total));
}

}  // namespace tenvor
