#include "cli/FormsCommand.h"

#include "cli/ConsoleOutput.h"
#include "diag/MessageCatalog.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFile.h"
#include "run/TenvorEngine.h"
#include "shared/OneLineText.h"
#include "state/RunObserver.h"

namespace tenvor::cli {

namespace {

// Reports the problem of the forms folder as a run reports it.
ExitStatus Refuse(const std::string& problem)
{
    Write(Stream::Err, std::string(kCaptionError) + ": " + MessageText(kMsgFormFileInvalid, problem) + "\n");
    return ExitStatus::RefusedOrStopped;
}

}  // namespace

ExitStatus ListForms()
{
    RunObserver quiet;  // the engine runs nothing here and reports nothing
    const TenvorEngine engine(quiet);
    if (!engine.FormFolderProblem().empty()) {
        return Refuse(engine.FormFolderProblem());
    }
    std::string list;
    for (const FormEntry& form : engine.Catalogue().Forms()) {
        list += form.id;
        if (!form.filePath.empty()) {
            list += "\t" + OneLineText(form.filePath);
        }
        list += "\n";
    }
    Write(Stream::Out, list);
    return ExitStatus::Clean;
}

ExitStatus DescribeForm(const std::string& formId)
{
    RunObserver quiet;
    // "tenvor-cli forms ID > forms/ID.tsv" finds its own output file there, still empty.
    const TenvorEngine engine(quiet, {}, formId);
    if (!engine.FormFolderProblem().empty()) {
        return Refuse(engine.FormFolderProblem());
    }
    const FormDefinition* form = engine.Catalogue().Definition(formId);
    if (form == nullptr) {
        Write(Stream::Err,
              "tenvor-cli: " + OneLineText(formId) + " is not a supported form; 'tenvor-cli forms' lists them\n");
        return ExitStatus::Usage;
    }
    Write(Stream::Out, FormFileText(*form));
    return ExitStatus::Clean;
}

}  // namespace tenvor::cli
