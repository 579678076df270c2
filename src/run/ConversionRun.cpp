#include "run/ConversionRun.h"

#include <chrono>
#include <exception>
#include <optional>

#include "convert/CsvOutput.h"
#include "convert/NotificationReader.h"
#include "diag/ErrorRecorder.h"
#include "diag/FailureReasons.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "diag/Settings.h"
#include "platform/DebugOutput.h"
#include "platform/FileSystem.h"
#include "run/InputReader.h"
#include "run/ReadAhead.h"
#include "state/RunObserver.h"
#include "workbook/RunWorkbook.h"

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
      progress_(observer)
{
}

ConversionRun::~ConversionRun() = default;

RunSummary ConversionRun::Run(const RunRequest& request)
{
    request_ = request;
    fileMode_ = request.inputs.size() == 1 && request.inputs.front().mode == InputMode::File &&
                !IsZipInput(request.inputs.front().path);
    RunSummary summary;
    workbook_.reset();
    if (!request.workbookPath.empty()) {
        workbook_ = std::make_unique<RunWorkbook>(request.workbookPath, reader_.Loader().Forms());
    }
    convertedCount_ = 0;
    skippedQuietlyCount_ = 0;
    otherDocumentCount_ = 0;
    replacedCharacters_.clear();
    refusal_.reset();
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
    output_.EndRun();
    if (summary.outcome == RunOutcome::Refused) {
        // Refused before the loop by the inputs, else by the log (which has said so).
        summary.refusal = refusal_ ? *refusal_ : RunRefusal{RefusalReason::LogNotWritten, log_.Path()};
    }
    summary.converted = convertedCount_;
    summary.skippedExisting = skippedQuietlyCount_;
    summary.otherDocuments = otherDocumentCount_;
    summary.replacedCharacters = std::move(replacedCharacters_);
    replacedCharacters_.clear();
    if (summary.outcome == RunOutcome::Stopped) {
        summary.writeFailure = output_.WriteFailure();
    }
    FinishWorkbook(summary);
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
    InputList vecXmlFilePaths;
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

RunStep ConversionRun::MainInitFunc(InputList& vecXmlFilePaths)
{
    errors_.ResetForRun(IsFileMode() ? &progress_ : nullptr);
    output_.BeginRun(request_.outputFolder, request_.encoding);
    if (SetXmlFilePath(vecXmlFilePaths) == RunStep::Stop) {
        return RunStep::Stop;
    }
    observer_.RunStarted(totalCount);
    if (request_.skipExistingQuietly) {
        skippedQuietlyCount_ = output_.DropInputsWithExistingCsv(vecXmlFilePaths.inputs);
    }
    if (output_.CheckExitstCsvFile(vecXmlFilePaths.inputs) == RunStep::Stop) {
        return RunStep::Stop;
    }
    if (!IsFileMode()) {
        progress_.Begin(static_cast<int>(vecXmlFilePaths.inputs.size()));
    }
    doneCount = 0;
    ShowCounter(doneCount, totalCount);
    return RunStep::GoOn;
}

RunStep ConversionRun::SetXmlFilePath(InputList& vecXmlFilePaths)
{
    // Every input is checked before any is read.
    if (const std::optional<RunRefusal> refusal = CheckInputs(request_)) {
        return RefuseInput(*refusal);
    }
    Expected<InputList, RunRefusal> listed = ListInputs(request_);
    if (!listed) {
        return RefuseInput(listed.error());
    }
    vecXmlFilePaths = std::move(listed).value();
    totalCount = static_cast<int>(vecXmlFilePaths.inputs.size());
    return RunStep::GoOn;
}

RunStep ConversionRun::RefuseInput(const RunRefusal& refusal)
{
    if (log_.OutputLogFile(kFileMissing, refusal.path) == 0) {
        messages_.Show(InputRefusalMessage(refusal.reason), kCaptionError);
        refusal_ = refusal;
    } else {
        refusal_ = RunRefusal{RefusalReason::LogNotWritten, log_.Path()};  // the log has said so
    }
    return RunStep::Stop;
}

RunStep ConversionRun::MainLoopFunc(const InputList& vecXmlFilePaths)
{
    const std::vector<XmlInput>& inputs = vecXmlFilePaths.inputs;
    InputReader inputReader(reader_.Loader(), vecXmlFilePaths);
    // Reading touches nothing but the inputs, so it can run ahead of the loop; one XML file in
    // file mode is read alone, as it moves the bar.
    std::optional<ReadAhead> readAhead;
    if (!IsFileMode() && inputs.size() > 1) {
        // The readers also render each CSV file, so that this thread only writes them.
        inputReader.RenderAhead(request_.encoding);
        readAhead.emplace(inputReader, ReadAhead::DefaultWorkers(), kReadAheadWindow);
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        xmlInfo = StXmlInfo{};
        ShowCounter(doneCount, totalCount);
        if (ConvertFile(inputs[i], inputReader, readAhead ? &*readAhead : nullptr, i) == RunStep::Stop) {
            return RunStep::Stop;
        }
        ++doneCount;
        if (!IsFileMode()) {
            progress_.Advance();
        }
    }
    return RunStep::GoOn;
}

RunStep ConversionRun::ReadInput(const XmlInput& input, InputReader& inputReader, ReadAhead* readAhead,
                                 std::size_t index)
{
    if (IsFileMode()) {
        return reader_.ReadXMLData(input.path, xmlInfo, &progress_);
    }
    LoadResult loaded =
        readAhead != nullptr ? readAhead->Take(index) : inputReader.Parse(index, inputReader.Fetch(index));
    if (!loaded && loaded.error().otherDocument && input.passOverOtherDocuments) {
        // A cover letter or another document beside the notifications: not converted, not an
        // error. The record stays marked, so nothing is written for it.
        ++otherDocumentCount_;
        xmlInfo.errorFlag = 1;
        return RunStep::GoOn;
    }
    return reader_.RecordOutcome(std::move(loaded), input.path, xmlInfo);
}

RunStep ConversionRun::ConvertFile(const XmlInput& input, InputReader& inputReader, ReadAhead* readAhead,
                                   std::size_t index)
{
    try {
        if (ReadInput(input, inputReader, readAhead, index) == RunStep::Stop) {
            return RunStep::Stop;
        }
        if (xmlInfo.errorFlag == 0) {
            if (output_.OutPutToCsv(input, xmlInfo) == RunStep::Stop) {
                return RunStep::Stop;
            }
            if (xmlInfo.errorFlag == 0) {
                ++convertedCount_;
                NoteReplacedCharacters(input);
                if (workbook_) {
                    workbook_->AddNotification(input.path, xmlInfo, output_.GetCsvFilePath(input));
                }
            }
        }
        return RunStep::GoOn;
    } catch (const std::exception&) {
        // Memory ran out on a file too large to hold (or another failure inside it): the file
        // cannot be converted, the run goes on. A file already recorded is not recorded twice.
        if (xmlInfo.errorFlag == 1) {
            return RunStep::GoOn;
        }
        return errors_.ErrorHandler(ErrorKind::FormatNotSupported, input.path, &xmlInfo, OutOfMemoryReason());
    }
}

void ConversionRun::NoteReplacedCharacters(const XmlInput& input)
{
    const ReplacedCharacters& replaced = output_.LastReplaced();
    if (!replaced.Empty()) {
        replacedCharacters_.push_back({input.path, replaced.Listed(), replaced.Count()});
    }
}

void ConversionRun::MainEndFunc()
{
    progress_.Complete();
    ShowCounter(totalCount, totalCount);
}

void ConversionRun::FinishWorkbook(RunSummary& summary)
{
    const std::unique_ptr<RunWorkbook> workbook = std::move(workbook_);
    if (!workbook || summary.outcome == RunOutcome::Refused) {
        return;  // a refused run converted nothing, and leaves nothing
    }
    std::string failure;
    try {
        Expected<bool, WorkbookFailure> written = workbook->Finish(errors_.Records());
        if (written) {
            summary.workbook = workbook->Path();
            return;
        }
        failure = written.error().text;
    } catch (const std::exception& e) {
        failure = workbook->Path() + ": " + e.what();  // memory ran out for the last sheet
    }
    summary.outcome = RunOutcome::Stopped;
    summary.writeFailure = std::move(failure);
    if (log_.OutputLogFile(kNoPermission, workbook->Path()) == 0) {
        messages_.Show(kMsgWriteFailed, kCaptionError);
    }
}

void ConversionRun::ShowCounter(int done, int total)
{
    observer_.CounterChanged(done, total);
}

}  // namespace tenvor
