// Reads one notification: loads the XML, identifies the form by the document element's name,
// and flattens the common data and every person record into the per-file record.
#pragma once

#include <string>

#include "convert/NodeFlattener.h"
#include "convert/StXmlInfo.h"
#include "convert/XmlDocument.h"

namespace tenvor {

class ErrorRecorder;
class FormLookup;
class WindowState;

class NotificationReader {
public:
    NotificationReader(const FormLookup& forms, ErrorRecorder& errors, WindowState& window);

    // Reads the file into the record; a failure is recorded through the error recorder.
    // Returns 0 to go on (also after a recorded failure), 1 when the log could not be written.
    int ReadXMLData(std::string csXMxLFilePath, StXmlInfo& stXmlInfo);

    // Records the outcome of Load for the file: nothing for -1, else the failure of that kind.
    // Returns what ReadXMLData returns.
    int RecordOutcome(int errorKind, std::string csXMLFilePath, StXmlInfo& stXmlInfo);

    // The reading alone, without recording anything: returns the error kind of the failure
    // (1 not a notification of a supported form, 2 missing or unreadable), or -1 on success.
    // fileModeProgress is the window while file mode is on, nullptr otherwise; with nullptr
    // the call touches no shared state and may run on any thread.
    int Load(const std::string& csXMLFilePath, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const;

    static void ChkStyleNum(std::string csStyleNum, int& bRes);
    void GetCommonData(XmlNode root, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const;
    void GetInsuredData(XmlNode root, StXmlInfo& stXmlInfo, WindowState* fileModeProgress) const;

private:
    NodeFlattener flattener_;
    ErrorRecorder& errors_;
    WindowState& window_;
};

}  // namespace tenvor
