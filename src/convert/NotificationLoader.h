// Reads one notification into its record without recording anything: loads the XML, identifies
// the form by the document element's name, and flattens the common data and every person
// record. Without a window to report progress to, it touches nothing but the file and the
// record, so several threads may read with one loader.
#pragma once

#include <optional>
#include <string>

#include "convert/NodeFlattener.h"
#include "convert/XmlDocument.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class FormLookup;
class WindowState;

class NotificationLoader {
public:
    explicit NotificationLoader(const FormLookup& forms) : flattener_(forms) {}

    // The error kind of the failure (1 not a notification of a supported form, 2 missing or
    // unreadable), or nullopt when the file was read. fileModeProgress is the window while
    // file mode is on (its bar follows the reading), nullptr otherwise.
    std::optional<int> Load(const std::string& csXMLFilePath, StXmlInfo& stXmlInfo,
                            WindowState* fileModeProgress) const;

    static void ChkStyleNum(std::string csStyleNum, int& bRes);
    void GetCommonData(XmlNode root, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const;
    void GetInsuredData(XmlNode root, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const;

private:
    NodeFlattener flattener_;
};

}  // namespace tenvor
