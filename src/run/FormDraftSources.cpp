#include "run/FormDraftSources.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "convert/NotificationLoader.h"
#include "diag/MessageCatalog.h"
#include "forms/FormCatalogue.h"
#include "forms/FormFolder.h"
#include "forms/FormId.h"
#include "package/PackageListing.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "run/InputList.h"
#include "run/InputReader.h"
#include "state/RunRequest.h"

namespace tenvor {

namespace {

DraftRefusal RefusalOf(const RunRefusal& refusal)
{
    return DraftRefusal{refusal.path, MessageText(InputRefusalMessage(refusal.reason), {})};
}

// The inputs of one source: what a run lists for a file or a whole ZIP, the one item for a member.
Expected<InputList, DraftRefusal> ListSource(const DraftSource& source)
{
    if (source.member.empty()) {
        RunRequest request;
        request.inputs.push_back({InputMode::File, source.path});
        Expected<InputList, RunRefusal> listed = ListInputs(request);
        if (!listed) {
            return Unexpected{RefusalOf(listed.error())};
        }
        return std::move(listed).value();
    }
    PackageListing listing = ListPackageFile(source.path, source.path, {});
    // A name given twice in one ZIP is one row's path twice: its first item, which is the one the
    // run converts.
    const auto item = std::find_if(listing.items.begin(), listing.items.end(), [&](const PackageItem& candidate) {
        return candidate.displayPath == source.member;
    });
    if (item == listing.items.end()) {
        return Unexpected{DraftRefusal{source.path, MemberNotFoundReason(source.member)}};
    }
    InputList list;
    XmlInput input;
    input.path = item->displayPath;
    input.baseName = item->baseName;
    input.passOverOtherDocuments = true;
    input.package = 0;
    input.item = static_cast<std::size_t>(item - listing.items.begin());
    list.inputs.push_back(std::move(input));
    list.packages.push_back(std::move(listing));
    return list;
}

// Every input of the list into the builder, in order; the first refusal.
std::optional<DraftRefusal> AddInputs(const InputList& list, const NotificationLoader& loader,
                                      FormDraftBuilder& builder)
{
    InputReader reader(loader, list);
    for (std::size_t i = 0; i < reader.Count(); ++i) {
        const XmlInput& input = list.inputs[i];
        InputReader::Fetched fetched = reader.Fetch(i);
        std::optional<DraftRefusal> refusal;
        if (fetched.failure) {
            refusal = DraftRefusal{input.path, fetched.failure->reason};
        } else if (fetched.bytes) {
            refusal = builder.AddMemory(input.path, *fetched.bytes, input.passOverOtherDocuments);
        } else {
            refusal = builder.AddFile(input.path);
        }
        if (refusal) {
            return refusal;
        }
    }
    return std::nullopt;
}

}  // namespace

bool CanDraftFormFrom(const StErrorInfo& record)
{
    switch (record.cause) {
        case FailureCause::FieldCheck:
            return true;
        case FailureCause::UnsupportedForm:
            return HasFormIdShape(record.documentElement);
        case FailureCause::Other:
            break;
    }
    return false;
}

DraftSource DraftSourceOfRow(const std::string& rowPath)
{
    for (std::size_t i = 1; i < rowPath.size(); ++i) {
        if (!IsPathSeparator(rowPath[i])) {
            continue;
        }
        const std::string prefix = rowPath.substr(0, i);
        if (IsZipInput(prefix) && PathExists(prefix) && !IsDirectory(prefix)) {
            return DraftSource{prefix, rowPath};
        }
    }
    return DraftSource{rowPath, {}};
}

Expected<FormDraft, DraftRefusal> DraftForm(const std::vector<DraftSource>& sources, const FormCatalogue& catalogue)
{
    // Every file is checked before any is read, as a run checks its inputs.
    RunRequest request;
    for (const DraftSource& source : sources) {
        request.inputs.push_back({InputMode::File, source.path});
    }
    if (const std::optional<RunRefusal> refusal = CheckInputs(request)) {
        return Unexpected{RefusalOf(*refusal)};
    }

    const NotificationLoader loader(catalogue);
    FormDraftBuilder builder(catalogue);
    for (const DraftSource& source : sources) {
        const Expected<InputList, DraftRefusal> list = ListSource(source);
        if (!list) {
            return Unexpected{list.error()};
        }
        if (std::optional<DraftRefusal> refusal = AddInputs(*list, loader, builder)) {
            return Unexpected{std::move(*refusal)};
        }
    }
    Expected<FormDraft, DraftRefusal> draft = builder.Finish();
    if (!draft && draft.error().path.empty() && sources.size() == 1) {
        return Unexpected{DraftRefusal{sources.front().path, draft.error().reason}};
    }
    return draft;
}

Expected<FormDraft, DraftRefusal> DraftForm(const std::vector<DraftSource>& sources, const std::string& appFolder)
{
    const Expected<FormCatalogue, FormFileProblem> catalogue =
        FormCatalogue::Read(FormFolderPath(appFolder.empty() ? AppFolder() : appFolder));
    if (!catalogue) {
        return Unexpected{
            DraftRefusal{{}, MessageText(kMsgFormFileInvalid, DescribeFormFileProblem(catalogue.error()))}};
    }
    return DraftForm(sources, *catalogue);
}

}  // namespace tenvor
