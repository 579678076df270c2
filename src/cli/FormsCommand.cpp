#include "cli/FormsCommand.h"

#include <algorithm>
#include <vector>

#include "cli/ConsoleOutput.h"
#include "diag/MessageCatalog.h"
#include "forms/DataTbl.h"
#include "forms/FormFile.h"
#include "forms/FormFolder.h"
#include "platform/AppFolder.h"
#include "shared/Expected.h"
#include "shared/OneLineText.h"

namespace tenvor::cli {

namespace {

using KnownForms = Expected<std::vector<KnownForm>, FormFileProblem>;

// emptyFileId: see ReadFormFolder.
KnownForms ReadForms(std::string_view emptyFileId = {})
{
    const DataTbl dataTbl;
    return ReadKnownForms(dataTbl, FormFolderPath(AppFolder()), emptyFileId);
}

// Reports the problem of the forms folder as a run reports it.
ExitStatus Refuse(const FormFileProblem& problem)
{
    Write(Stream::Err, std::string(kCaptionError) + ": " +
                           MessageText(kMsgFormFileInvalid, DescribeFormFileProblem(problem)) + "\n");
    return ExitStatus::RefusedOrStopped;
}

}  // namespace

ExitStatus ListForms()
{
    const KnownForms forms = ReadForms();
    if (!forms) {
        return Refuse(forms.error());
    }
    std::string list;
    for (const KnownForm& form : *forms) {
        list += form.definition.id;
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
    // "tenvor-cli forms ID > forms/ID.tsv" finds its own output file there, still empty.
    const KnownForms forms = ReadForms(formId);
    if (!forms) {
        return Refuse(forms.error());
    }
    const auto found =
        std::find_if(forms->begin(), forms->end(), [&](const KnownForm& form) { return form.definition.id == formId; });
    if (found == forms->end()) {
        Write(Stream::Err,
              "tenvor-cli: " + OneLineText(formId) + " is not a supported form; 'tenvor-cli forms' lists them\n");
        return ExitStatus::Usage;
    }
    Write(Stream::Out, FormFileText(found->definition));
    return ExitStatus::Clean;
}

}  // namespace tenvor::cli
