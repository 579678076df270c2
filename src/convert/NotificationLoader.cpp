#include "convert/NotificationLoader.h"

#include <optional>

#include "diag/FailureReasons.h"
#include "forms/FormCatalogue.h"
#include "forms/FormId.h"
#include "state/ProgressTracker.h"

namespace tenvor {

namespace {

// The failure a load status means, or nothing when the document was loaded.
std::optional<LoadFailure> FailureOf(XmlDocument::LoadStatus status, const XmlDocument& document)
{
    switch (status) {
        case XmlDocument::LoadStatus::Ok:
            return std::nullopt;
        case XmlDocument::LoadStatus::NotWellFormed:
            return LoadFailure{ErrorKind::FormatNotSupported, false, document.Problem(), FailureCause::Other, {}};
        case XmlDocument::LoadStatus::Unreadable:
            return LoadFailure{ErrorKind::FileMissing, false, document.Problem(), FailureCause::Other, {}};
    }
    return LoadFailure{ErrorKind::FormatNotSupported, false, document.Problem(), FailureCause::Other, {}};
}

}  // namespace

LoadResult NotificationLoader::Load(const std::string& csXMLFilePath, ProgressTracker* fileModeProgress) const
{
    XmlDocument document;
    if (const std::optional<LoadFailure> failure = FailureOf(document.Load(csXMLFilePath), document)) {
        return Unexpected{*failure};
    }
    return ReadDocument(document, fileModeProgress);
}

LoadResult NotificationLoader::LoadFromMemory(std::string_view bytes) const
{
    XmlDocument document;
    if (const std::optional<LoadFailure> failure = FailureOf(document.LoadFromMemory(bytes), document)) {
        return Unexpected{*failure};
    }
    return ReadDocument(document, nullptr);
}

LoadResult NotificationLoader::ReadDocument(const XmlDocument& document, ProgressTracker* fileModeProgress) const
{
    const XmlNode root = document.Root();
    std::string scratch;
    StXmlInfo stXmlInfo;
    stXmlInfo.styleNum = std::string(root.ElementName(scratch));
    if (fileModeProgress != nullptr) {
        fileModeProgress->Begin(root.ChildCount());
    }
    const FormEntry* form = forms_.Find(stXmlInfo.styleNum);
    if (form == nullptr) {
        return Unexpected{LoadFailure{ErrorKind::FormatNotSupported, !HasFormIdShape(stXmlInfo.styleNum),
                                      UnsupportedFormReason(stXmlInfo.styleNum), FailureCause::UnsupportedForm,
                                      stXmlInfo.styleNum}};
    }
    if (std::optional<std::string> mismatch = GetCommonData(root, *form, stXmlInfo, fileModeProgress)) {
        return Unexpected{
            LoadFailure{ErrorKind::FormatNotSupported, false, std::move(*mismatch), FailureCause::FieldCheck, {}}};
    }
    if (std::optional<std::string> mismatch = GetInsuredData(root, *form, stXmlInfo, fileModeProgress)) {
        return Unexpected{
            LoadFailure{ErrorKind::FormatNotSupported, false, std::move(*mismatch), FailureCause::FieldCheck, {}}};
    }
    if (stXmlInfo.insuredData.empty()) {
        return Unexpected{
            LoadFailure{ErrorKind::FormatNotSupported, false, NoPersonRecordReason(form->id), FailureCause::Other, {}}};
    }
    return stXmlInfo;
}

namespace {

std::string MismatchReason(const FieldMismatch& mismatch, const FormEntry& form, FieldPlace place)
{
    return FieldProblemReason(mismatch.problem, form.id, mismatch.name, place);
}

}  // namespace

std::optional<std::string> NotificationLoader::GetCommonData(XmlNode root, const FormEntry& form, StXmlInfo& stXmlInfo,
                                                             ProgressTracker* fileModeProgress) const
{
    if (form.singleRecord) {
        return std::nullopt;  // the document element is the one record: no common part
    }
    auto values = flattener_.NodeListToCString(root, kCommonList, form, fileModeProgress);
    if (!values) {
        return MismatchReason(values.error(), form, {FieldPlace::Part::Common});
    }
    stXmlInfo.commonData = std::move(*values);
    return std::nullopt;
}

std::optional<std::string> NotificationLoader::GetInsuredData(XmlNode root, const FormEntry& form, StXmlInfo& stXmlInfo,
                                                              ProgressTracker* fileModeProgress) const
{
    if (form.singleRecord) {
        auto values = flattener_.NodeListToCString(root, kInsuredList, form, fileModeProgress);
        if (!values) {
            return MismatchReason(values.error(), form, {FieldPlace::Part::SingleRecord});
        }
        stXmlInfo.insuredData.push_back(std::move(*values));
        return std::nullopt;
    }
    std::optional<std::string> mismatch;
    int person = 0;
    root.ForEachDescendant(kInsuredElementName, [&](XmlNode record) {
        ++person;
        auto values = flattener_.NodeListToCString(record, kInsuredList, form, fileModeProgress);
        if (!values) {
            mismatch = MismatchReason(values.error(), form, {FieldPlace::Part::Person, person});
            return false;  // the later records are not read
        }
        stXmlInfo.insuredData.push_back(std::move(*values));
        if (fileModeProgress != nullptr) {
            fileModeProgress->Advance();
        }
        return true;
    });
    return mismatch;
}

}  // namespace tenvor
