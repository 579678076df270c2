#include "cli/DraftCommand.h"

#include <ctime>

#include "cli/ConsoleOutput.h"
#include "diag/MessageCatalog.h"
#include "forms/FormFile.h"
#include "run/FormDraftSaving.h"
#include "run/FormDraftSources.h"
#include "run/TenvorEngine.h"
#include "shared/OneLineText.h"
#include "state/RunObserver.h"

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
    RunObserver quiet;  // the engine runs nothing here and reports nothing
    const TenvorEngine engine(quiet);
    const std::string& appFolder = engine.AppFolderPath();
    // A forms folder that is not right refuses as it refuses every command.
    if (!engine.FormFolderProblem().empty()) {
        Write(Stream::Err,
              std::string(kCaptionError) + ": " + MessageText(kMsgFormFileInvalid, engine.FormFolderProblem()) + "\n");
        return ExitStatus::RefusedOrStopped;
    }
    const Expected<FormDraft, DraftRefusal> draft = DraftForm(sources, engine.Catalogue());
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
