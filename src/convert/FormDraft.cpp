#include "convert/FormDraft.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <unordered_set>
#include <utility>

#include "convert/NodeFlattener.h"
#include "convert/NotificationLoader.h"
#include "forms/FormFile.h"
#include "forms/FormId.h"
#include "platform/TextCodec.h"
#include "shared/OneLineText.h"

namespace tenvor {

namespace {

bool HasElementChild(XmlNode node)
{
    for (XmlNode child = node.FirstChild(); child; child = child.NextSibling()) {
        if (child.IsElement()) {
            return true;
        }
    }
    return false;
}

bool HasRecordChild(XmlNode root)
{
    std::string scratch;
    for (XmlNode child = root.FirstChild(); child; child = child.NextSibling()) {
        if (child.ElementName(scratch) == kInsuredElementName) {
            return true;
        }
    }
    return false;
}

// The length of a name's definition: the current definition's for a name its list has, else
// the longest value seen and at least 1.
int LengthOf(const std::string& name, int longest, const DataDifList* currentList)
{
    if (currentList != nullptr) {
        const auto found = std::find_if(currentList->begin(), currentList->end(),
                                        [&](const StDataDif& definition) { return definition.sNodename == name; });
        if (found != currentList->end()) {
            return found->iBytes;
        }
    }
    return std::max(longest, 1);
}

}  // namespace

std::string DescribeDraftRefusal(const DraftRefusal& refusal)
{
    if (refusal.path.empty()) {
        return refusal.reason;
    }
    return OneLineText(refusal.path) + ": " + refusal.reason;
}

FormDraftBuilder::FormDraftBuilder(const FormCatalogue& catalogue) : catalogue_(catalogue) {}

std::optional<DraftRefusal> FormDraftBuilder::AddFile(const std::string& path)
{
    XmlDocument document;
    if (document.Load(path) != XmlDocument::LoadStatus::Ok) {
        return DraftRefusal{path, document.Problem()};
    }
    return Add(path, document, false);
}

std::optional<DraftRefusal> FormDraftBuilder::AddMemory(const std::string& path, std::string_view bytes,
                                                        bool passOverOtherDocuments)
{
    XmlDocument document;
    if (document.LoadFromMemory(bytes) != XmlDocument::LoadStatus::Ok) {
        return DraftRefusal{path, document.Problem()};
    }
    return Add(path, document, passOverOtherDocuments);
}

std::optional<DraftRefusal> FormDraftBuilder::Add(const std::string& path, const XmlDocument& document,
                                                  bool passOverOtherDocuments)
{
    const XmlNode root = document.Root();
    std::string scratch;
    const std::string id(root.ElementName(scratch));
    if (!HasFormIdShape(id)) {
        if (passOverOtherDocuments) {
            ++otherDocuments_;
            return std::nullopt;
        }
        return DraftRefusal{path, UnsupportedFormReason(id)};
    }
    if (notifications_ == 0) {
        id_ = id;
        firstPath_ = path;
        known_ = catalogue_.Definition(id);
        singleRecord_ = known_ != nullptr ? known_->singleRecord : !HasRecordChild(root);
        ignoresCommon_ = known_ != nullptr && !singleRecord_ && known_->commonList.empty();
    } else if (id != id_) {
        return DraftRefusal{path, DifferentFormReason(id, OneLineText(firstPath_), id_)};
    }
    const bool first = notifications_ == 0;
    ++notifications_;

    // The places in the order conversion reads them: the common part, then the records. Each is
    // held against the first notification's (its own first record for its later records: no path
    // named then).
    const std::string referencePath = first ? std::string() : OneLineText(firstPath_);
    if (singleRecord_) {
        const FieldPlace place{FieldPlace::Part::SingleRecord};
        if (std::optional<std::string> reason = ReadPlace(root, false, place, insured_, referencePath, place)) {
            return DraftRefusal{path, std::move(*reason)};
        }
        return std::nullopt;
    }
    if (!ignoresCommon_) {
        const FieldPlace place{FieldPlace::Part::Common};
        if (std::optional<std::string> reason = ReadPlace(root, true, place, common_, referencePath, place)) {
            return DraftRefusal{path, std::move(*reason)};
        }
    }
    std::optional<std::string> reason;
    int person = 0;
    root.ForEachDescendant(kInsuredElementName, [&](XmlNode record) {
        ++person;
        reason = ReadPlace(record, false, {FieldPlace::Part::Person, person}, insured_, referencePath,
                           {FieldPlace::Part::Person, 1});
        return !reason.has_value();
    });
    if (reason) {
        return DraftRefusal{path, std::move(*reason)};
    }
    if (person == 0) {
        return DraftRefusal{path, NoPersonRecordReason(id_)};
    }
    return std::nullopt;
}

std::optional<std::string> FormDraftBuilder::ReadPlace(XmlNode parent, bool passOverRecords, FieldPlace place,
                                                       DraftList& list, const std::string& referencePath,
                                                       FieldPlace referencePlace)
{
    std::vector<std::string> names;
    std::vector<int> bytes;
    std::unordered_set<std::string> seen;
    std::string scratch;
    for (XmlNode node = parent.FirstChild(); node; node = node.NextSibling()) {
        const std::string_view name = node.ElementName(scratch);
        if (passOverRecords && name == kInsuredElementName) {
            continue;  // person records are not common data
        }
        if (!node.IsElement()) {
            return FieldProblemReason(NodeFlattener::NonElementProblem(node), id_, {}, place);
        }
        if (HasElementChild(node)) {
            return NestedElementReason(name, place);
        }
        if (!seen.emplace(name).second) {
            return FieldProblemReason(FieldProblem::RepeatedElement, id_, name, place);
        }
        const std::size_t index = names.size();
        if (list.defined && (index >= list.names.size() || list.names[index] != name)) {
            return DifferentFieldsReason(place, referencePath, referencePlace, static_cast<int>(index) + 1, name,
                                         index < list.names.size() ? list.names[index] : std::string_view());
        }
        scratch_.clear();
        AppendCp932(scratch_, NodeFlattener::FieldValue(node));
        names.emplace_back(name);
        bytes.push_back(static_cast<int>(std::min<std::size_t>(scratch_.size(), std::numeric_limits<int>::max())));
    }
    if (list.defined) {
        if (names.size() < list.names.size()) {
            return DifferentFieldsReason(place, referencePath, referencePlace, static_cast<int>(names.size()) + 1, {},
                                         list.names[names.size()]);
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            list.bytes[i] = std::max(list.bytes[i], bytes[i]);
        }
        return std::nullopt;
    }
    if (names.empty() && place.part != FieldPlace::Part::Common) {
        return NoFieldReason(place);
    }
    list.defined = true;
    list.names = std::move(names);
    list.bytes = std::move(bytes);
    return std::nullopt;
}

Expected<FormDraft, DraftRefusal> FormDraftBuilder::Finish() const
{
    if (notifications_ == 0) {
        return Unexpected{DraftRefusal{{}, NoNotificationReason()}};
    }
    FormDraft draft;
    draft.form.id = id_;
    draft.form.singleRecord = singleRecord_;
    if (known_ != nullptr) {
        draft.current = *known_;
        draft.currentFile = catalogue_.Find(id_)->filePath;
    }
    for (const int list : {kCommonList, kInsuredList}) {
        const DraftList& fields = list == kCommonList ? common_ : insured_;
        const DataDifList* currentList =
            known_ == nullptr ? nullptr : (list == kCommonList ? &known_->commonList : &known_->insuredList);
        DataDifList& definitions = list == kCommonList ? draft.form.commonList : draft.form.insuredList;
        for (std::size_t i = 0; i < fields.names.size(); ++i) {
            definitions.push_back(StDataDif{fields.names[i], LengthOf(fields.names[i], fields.bytes[i], currentList)});
        }
    }
    // What is saved must read back as this very form.
    const Expected<FormDefinition, FormFileProblem> readBack = ParseFormFile(FormFileText(draft.form), draft.form.id);
    if (!readBack || *readBack != draft.form) {
        return Unexpected{DraftRefusal{
            firstPath_, readBack ? std::string("様式定義ファイルに書けない項目があります") : readBack.error().text}};
    }
    draft.differences = CompareForms(draft.current ? &*draft.current : nullptr, draft.form);
    draft.notifications = notifications_;
    draft.otherDocuments = otherDocuments_;
    return draft;
}

}  // namespace tenvor
