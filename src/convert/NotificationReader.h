// Reads one notification for the run: the loading, then the failure, if any, recorded through
// the error recorder.
#pragma once

#include <string>

#include "convert/NotificationLoader.h"
#include "shared/RunStep.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class ErrorRecorder;
class FormCatalogue;
class ProgressTracker;

class NotificationReader {
public:
    NotificationReader(const FormCatalogue& forms, ErrorRecorder& errors);

    // Reads the file into the record (fileModeProgress: the bar in file mode, else nullptr); a
    // failure is recorded through the error recorder and marks the record failed. Stops the run
    // only when the log could not be written.
    RunStep ReadXMLData(std::string csXMLFilePath, StXmlInfo& stXmlInfo, ProgressTracker* fileModeProgress);

    // Takes the outcome of a loading: the record when it was read, else the failure recorded.
    RunStep RecordOutcome(LoadResult loaded, std::string csXMLFilePath, StXmlInfo& stXmlInfo);

    const NotificationLoader& Loader() const { return loader_; }

private:
    NotificationLoader loader_;
    ErrorRecorder& errors_;
};

}  // namespace tenvor
