#include "cli/DraftCommand.h"

#include <ctime>

#include "cli/ConsoleOutput.h"
#include "diag/MessageCatalog.h"
#include "forms/DataTbl.h"
#include "forms/FormFile.h"
#include "forms/FormFolder.h"
#include "platform/AppFolder.h"
#include "run/FormDraftSaving.h"
#include "run/FormDraftSources.h"
#include "shared/OneLineText.h"

namespace tenvor::cli {

namespace {

ExitStatus Refuse(const DraftRefusal& refusal)
{
    Write(Stream::Err, "tenvor-cli: " + DescribeDraftRefusal(refusal) + "\n");
    return ExitStatus::RefusedOrStopped;
}

}  // namespace

ExitStatus DraftFormFromNotifications(const std::vector<std::string>& paths, bool save)
{
    std::vector<DraftSource> sources;
    for (const std::string& path : paths) {
        sources.push_back(DraftSource{path, {}});
    }
    const std::string appFolder = AppFolder();
    // A forms folder that is not right refuses as it refuses every command.
    const DataTbl catalogue;
    const Expected<std::vector<KnownForm>, FormFileProblem> knownForms =
        ReadKnownForms(catalogue, FormFolderPath(appFolder));
    if (!knownForms) {
        Write(Stream::Err, std::string(kCaptionError) + ": " +
                               MessageText(kMsgFormFileInvalid, DescribeFormFileProblem(knownForms.error())) + "\n");
        return ExitStatus::RefusedOrStopped;
    }
    const Expected<FormDraft, DraftRefusal> draft = DraftForm(sources, std::span<const KnownForm>(*knownForms));
    if (!draft) {
        return Refuse(draft.error());
    }
    std::string differences;
    for (const FormDifference& difference : draft->differences) {
        differences += DifferenceLine(difference) + "\n";
    }
    if (!save) {
        Write(Stream::Err, differences);
        Write(Stream::Out, FormFileText(draft->form));
        return ExitStatus::Clean;
    }
    const Expected<SavedDraft, DraftRefusal> saved =
        SaveFormDraft(*draft, DraftTargetOf(*draft, appFolder), std::time(nullptr));
    if (!saved) {
        return Refuse(saved.error());
    }
    Write(Stream::Err, differences);
    if (!saved->written) {
        Write(Stream::Err, "tenvor-cli: " + draft->form.id + " matches its current definition; nothing saved\n");
        return ExitStatus::Clean;
    }
    Write(Stream::Out, OneLineText(saved->path) + "\n");
    return ExitStatus::Clean;
}

}  // namespace tenvor::cli
