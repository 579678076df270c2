// Reads one notification into its record without recording anything: loads the XML, identifies
// the form by the document element's name, and flattens the common data and every person
// record. Without a progress bar it touches nothing but the file and the record, so several
// threads may read with one loader.
#pragma once

#include <string>
#include <string_view>

#include "convert/NodeFlattener.h"
#include "convert/XmlDocument.h"
#include "shared/ErrorKind.h"
#include "shared/Expected.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class FormLookup;
class ProgressBar;

// The record of a notification that was read, or why it could not be: FormatNotSupported (not
// a notification of a supported form) or FileMissing (missing or unreadable).
using LoadResult = Expected<StXmlInfo, ErrorKind>;

class NotificationLoader {
public:
    explicit NotificationLoader(const FormLookup& forms) : forms_(forms) {}

    // fileModeProgress is the bar while file mode is on (it follows the reading), nullptr
    // otherwise.
    LoadResult Load(const std::string& csXMLFilePath, ProgressBar* fileModeProgress) const;

    // True when the id names a supported form.
    bool ChkStyleNum(std::string_view csStyleNum) const;

private:
    // The common part's values into the record; false when they do not match the form.
    bool GetCommonData(XmlNode root, const FormEntry& form, StXmlInfo& stXmlInfo, ProgressBar* fileModeProgress) const;
    // Every person record's values into the record; false when one does not match the form.
    bool GetInsuredData(XmlNode root, const FormEntry& form, StXmlInfo& stXmlInfo, ProgressBar* fileModeProgress) const;

    const FormLookup& forms_;
    NodeFlattener flattener_;
};

}  // namespace tenvor
