#include "convert/NotificationLoader.h"

#include "diag/MessageCatalog.h"
#include "forms/StyleNumList.h"
#include "state/WindowState.h"

namespace tenvor {

std::optional<int> NotificationLoader::Load(const std::string& csXMLFilePath, StXmlInfo& stXmlInfo,
                                            WindowState* fileModeProgress) const
{
    XmlDocument document;
    switch (document.Load(csXMLFilePath)) {
        case XmlDocument::LoadStatus::Ok:
            break;
        case XmlDocument::LoadStatus::NotWellFormed:
            return kFormatNotSupported;
        case XmlDocument::LoadStatus::Unreadable:
            return kFileMissing;
    }
    const XmlNode root = document.Root();
    std::string scratch;
    stXmlInfo.styleNum = std::string(root.ElementName(scratch));
    if (fileModeProgress != nullptr) {
        fileModeProgress->InitializePrgBar(root.ChildCount());
    }
    int supported = 0;
    ChkStyleNum(stXmlInfo.styleNum, supported);
    if (supported == 0) {
        return kFormatNotSupported;
    }
    GetCommonData(root, stXmlInfo, fileModeProgress);
    if (stXmlInfo.errorFlag == 1) {
        return kFormatNotSupported;
    }
    GetInsuredData(root, stXmlInfo, fileModeProgress);
    if (stXmlInfo.insuredData.empty() || stXmlInfo.errorFlag == 1) {
        return kFormatNotSupported;
    }
    stXmlInfo.styleNum += '\n';
    return std::nullopt;
}

void NotificationLoader::ChkStyleNum(std::string csStyleNum, int& bRes)
{
    bRes = StyleNumPosition(csStyleNum) >= 0 ? 1 : 0;
}

void NotificationLoader::GetCommonData(XmlNode root, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const
{
    if (IsSingleRecordForm(stXmlInfo.styleNum)) {
        stXmlInfo.commonData = "\n";
        return;
    }
    std::string line;
    if (flattener_.NodeListToCString(root, kCommonList, line, stXmlInfo, fileModeProgress) == 0) {
        stXmlInfo.commonData = std::move(line);
    }
}

void NotificationLoader::GetInsuredData(XmlNode root, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const
{
    std::string line;
    if (IsSingleRecordForm(stXmlInfo.styleNum)) {
        if (flattener_.NodeListToCString(root, kInsuredList, line, stXmlInfo, fileModeProgress) == 0) {
            stXmlInfo.insuredData.push_back(std::move(line));
        }
        return;
    }
    root.ForEachDescendant(kInsuredElementName, [&](XmlNode person) {
        if (flattener_.NodeListToCString(person, kInsuredList, line, stXmlInfo, fileModeProgress) != 0) {
            return false;  // the later records are not read
        }
        stXmlInfo.insuredData.push_back(std::move(line));
        line = std::string();
        if (fileModeProgress != nullptr) {
            fileModeProgress->StepPrgBar();
        }
        return true;
    });
}

}  // namespace tenvor
