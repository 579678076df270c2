#include "run/TenvorEngine.h"

#include "convert/XmlDocument.h"
#include "forms/FormFolder.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "run/InputList.h"
#include "workbook/WorkbookTarget.h"

namespace tenvor {

namespace {

// The request with its workbook's path as the run writes it, the folder a bare name goes into
// decided.
RunRequest WithWorkbookPlaced(const RunRequest& request)
{
    RunRequest placed = request;
    placed.workbookPath = WorkbookPathOf(request);
    placed.workbookInOutputRoot = false;
    return placed;
}

std::string ResolveAppFolder(std::string folder)
{
    return folder.empty() ? AppFolder() : folder;
}

// The forms of the catalogue and of the forms folder; only the built-in ones when the folder is
// not right, which problem then describes (and is empty otherwise).
FormCatalogue ReadCatalogue(const std::string& appFolder, std::string_view emptyFileId, std::string& problem)
{
    Expected<FormCatalogue, FormFileProblem> catalogue = FormCatalogue::Read(FormFolderPath(appFolder), emptyFileId);
    if (!catalogue) {
        problem = DescribeFormFileProblem(catalogue.error());
        return FormCatalogue();
    }
    problem.clear();
    return std::move(catalogue).value();
}

}  // namespace

TenvorEngine::TenvorEngine(RunObserver& observer, std::string appFolder, std::string_view formBeingWritten)
    : observer_(observer),
      appFolder_(ResolveAppFolder(std::move(appFolder))),
      forms_(ReadCatalogue(appFolder_, formBeingWritten, formFolderProblem_)),
      messages_(observer),
      log_(appFolder_, iniData_, messages_),
      errors_(observer, log_),
      reader_(forms_, errors_),
      output_(observer, errors_, log_, messages_),
      run_(observer, iniData_, log_, messages_, errors_, reader_, output_)
{
    XmlDocument::InitializeLibrary();
}

void TenvorEngine::ReloadForms()
{
    forms_ = ReadCatalogue(appFolder_, {}, formFolderProblem_);
}

void TenvorEngine::Start()
{
    iniData_ = GetTenvor_IniFileData(appFolder_ + std::string(kSettingsFileName));
    if (iniData_.DebugFlag == 1) {
        // A log that cannot be written has said so; the window opens all the same.
        static_cast<void>(log_.OutputLogFile(kDebugMode, {}));
        static_cast<void>(log_.OutputLogFile(kToolStarted, {}));
    }
    if (!formFolderProblem_.empty()) {
        messages_.Show(kMsgFormFileInvalid, kCaptionError, formFolderProblem_);
    }
}

void TenvorEngine::Finish()
{
    if (iniData_.DebugFlag == 1) {
        static_cast<void>(log_.OutputLogFile(kToolEnded, {}));
    }
}

std::optional<RunRefusal> TenvorEngine::RefusalBeforeReading(const RunRequest& request) const
{
    if (!formFolderProblem_.empty()) {
        // Conversions with forms other than the user wrote could pass for right: none is made.
        return RunRefusal{RefusalReason::FormFileInvalid, {}};
    }
    if (request.refuseUnusableOutputFolder && !request.outputFolder.empty()) {
        if (!PathExists(request.outputFolder)) {
            return RunRefusal{RefusalReason::OutputFolderMissing, request.outputFolder};
        }
        if (!IsDirectory(request.outputFolder)) {
            return RunRefusal{RefusalReason::OutputFolderNotFolder, request.outputFolder};
        }
    }
    // The workbook never replaces a file.
    if (!request.workbookPath.empty()) {
        if (const std::optional<RefusalReason> reason = CheckWorkbookTarget(request.workbookPath)) {
            return RunRefusal{*reason, request.workbookPath};
        }
    }
    return std::nullopt;
}

RunSummary TenvorEngine::Refuse(const RunRefusal& refusal)
{
    if (refusal.reason == RefusalReason::FormFileInvalid) {
        messages_.Show(kMsgFormFileInvalid, kCaptionError, formFolderProblem_);
    }
    RunSummary summary;
    summary.outcome = RunOutcome::Refused;
    summary.refusal = refusal;
    observer_.RunFinished(summary);
    return summary;
}

RunSummary TenvorEngine::Run(const RunRequest& given)
{
    const RunRequest request = WithWorkbookPlaced(given);
    if (const std::optional<RunRefusal> refusal = RefusalBeforeReading(request)) {
        return Refuse(*refusal);
    }
    return run_.Run(request);
}

RunSummary TenvorEngine::RunAlone(const RunRequest& given)
{
    const RunRequest request = WithWorkbookPlaced(given);
    // Refused before the settings are read: nothing is logged, and a form file's message is
    // shown once.
    if (const std::optional<RunRefusal> refusal = RefusalBeforeReading(request)) {
        return Refuse(*refusal);
    }
    Start();
    const RunSummary summary = run_.Run(request);
    Finish();
    return summary;
}

void TenvorEngine::ShowMessage(int msgIndex, std::string_view caption)
{
    messages_.Show(msgIndex, caption);
}

}  // namespace tenvor
