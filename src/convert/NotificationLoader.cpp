#include "convert/NotificationLoader.h"

#include "forms/FormLookup.h"
#include "state/ProgressBar.h"

namespace tenvor {

LoadResult NotificationLoader::Load(const std::string& csXMLFilePath, ProgressBar* fileModeProgress) const
{
    XmlDocument document;
    switch (document.Load(csXMLFilePath)) {
        case XmlDocument::LoadStatus::Ok:
            break;
        case XmlDocument::LoadStatus::NotWellFormed:
            return Unexpected{ErrorKind::FormatNotSupported};
        case XmlDocument::LoadStatus::Unreadable:
            return Unexpected{ErrorKind::FileMissing};
    }
    const XmlNode root = document.Root();
    std::string scratch;
    StXmlInfo stXmlInfo;
    stXmlInfo.styleNum = std::string(root.ElementName(scratch));
    if (fileModeProgress != nullptr) {
        fileModeProgress->Initialize(root.ChildCount());
    }
    const FormEntry* form = forms_.Find(stXmlInfo.styleNum);
    if (form == nullptr) {
        return Unexpected{ErrorKind::FormatNotSupported};
    }
    if (!GetCommonData(root, *form, stXmlInfo, fileModeProgress) ||
        !GetInsuredData(root, *form, stXmlInfo, fileModeProgress) || stXmlInfo.insuredData.empty()) {
        return Unexpected{ErrorKind::FormatNotSupported};
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
