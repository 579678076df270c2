#include "convert/NotificationLoader.h"

#include <algorithm>
#include <optional>

#include "forms/FormLookup.h"
#include "state/ProgressBar.h"

namespace tenvor {

namespace {

// The failure a load status means, or nothing when the document was loaded.
std::optional<LoadFailure> FailureOf(XmlDocument::LoadStatus status)
{
    switch (status) {
        case XmlDocument::LoadStatus::Ok:
            return std::nullopt;
        case XmlDocument::LoadStatus::NotWellFormed:
            return LoadFailure{ErrorKind::FormatNotSupported};
        case XmlDocument::LoadStatus::Unreadable:
            return LoadFailure{ErrorKind::FileMissing};
    }
    return LoadFailure{ErrorKind::FormatNotSupported};
}

}  // namespace

bool IsFormIdShaped(std::string_view name)
{
    if (name.size() != 8 || name.front() != 'N') {
        return false;
    }
    return std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

LoadResult NotificationLoader::Load(const std::string& csXMLFilePath, ProgressBar* fileModeProgress) const
{
    XmlDocument document;
    if (const std::optional<LoadFailure> failure = FailureOf(document.Load(csXMLFilePath))) {
        return Unexpected{*failure};
    }
    return ReadDocument(document, fileModeProgress);
}

LoadResult NotificationLoader::LoadFromMemory(std::string_view bytes) const
{
    XmlDocument document;
    if (const std::optional<LoadFailure> failure = FailureOf(document.LoadFromMemory(bytes))) {
        return Unexpected{*failure};
    }
    return ReadDocument(document, nullptr);
}

LoadResult NotificationLoader::ReadDocument(const XmlDocument& document, ProgressBar* fileModeProgress) const
{
    const XmlNode root = document.Root();
    std::string scratch;
    StXmlInfo stXmlInfo;
    stXmlInfo.styleNum = std::string(root.ElementName(scratch));
    if (fileModeProgress != nullptr) {
        fileModeProgress->Initialize(root.ChildCount());
    }
    const FormEntry* form = forms_.Find(stXmlInfo.styleNum);
    if (form == nullptr) {
        return Unexpected{LoadFailure{ErrorKind::FormatNotSupported, !IsFormIdShaped(stXmlInfo.styleNum)}};
    }
    if (!GetCommonData(root, *form, stXmlInfo, fileModeProgress) ||
        !GetInsuredData(root, *form, stXmlInfo, fileModeProgress) || stXmlInfo.insuredData.empty()) {
        return Unexpected{LoadFailure{ErrorKind::FormatNotSupported}};
    }
    return stXmlInfo;
}

bool NotificationLoader::ChkStyleNum(std::string_view csStyleNum) const
{
    return forms_.Find(csStyleNum) != nullptr;
}

bool NotificationLoader::GetCommonData(XmlNode root, const FormEntry& form, StXmlInfo& stXmlInfo,
                                       ProgressBar* fileModeProgress) const
{
    if (form.singleRecord) {
        return true;  // the document element is the one record: no common part
    }
    auto values = flattener_.NodeListToCString(root, kCommonList, form, fileModeProgress);
    if (!values) {
        return false;
    }
    stXmlInfo.commonData = std::move(*values);
    return true;
}

bool NotificationLoader::GetInsuredData(XmlNode root, const FormEntry& form, StXmlInfo& stXmlInfo,
                                        ProgressBar* fileModeProgress) const
{
    if (form.singleRecord) {
        auto values = flattener_.NodeListToCString(root, kInsuredList, form, fileModeProgress);
        if (!values) {
            return false;
        }
        stXmlInfo.insuredData.push_back(std::move(*values));
        return true;
    }
    bool matches = true;
    root.ForEachDescendant(kInsuredElementName, [&](XmlNode person) {
        auto values = flattener_.NodeListToCString(person, kInsuredList, form, fileModeProgress);
        if (!values) {
            matches = false;
            return false;  // the later records are not read
        }
        stXmlInfo.insuredData.push_back(std::move(*values));
        if (fileModeProgress != nullptr) {
            fileModeProgress->Step();
        }
        return true;
    });
    return matches;
}

}  // namespace tenvor
