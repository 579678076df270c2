// Reads one notification for the run: the loading, then the failure, if any, recorded through
// the error recorder.
#pragma once

#include <optional>
#include <string>

#include "convert/NotificationLoader.h"
#include "shared/StXmlInfo.h"

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

    // Records the outcome of a loading: nothing when it succeeded, else the failure of that
    // kind. Returns what ReadXMLData returns.
    int RecordOutcome(std::optional<int> errorKind, std::string csXMLFilePath, StXmlInfo& stXmlInfo);

    const NotificationLoader& Loader() const { return loader_; }

private:
    NotificationLoader loader_;
    ErrorRecorder& errors_;
    WindowState& window_;
};

}  // namespace tenvor
