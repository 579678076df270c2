#include "convert/NotificationReader.h"

#include "diag/ErrorRecorder.h"

namespace tenvor {

NotificationReader::NotificationReader(const FormCatalogue& forms, ErrorRecorder& errors)
    : loader_(forms), errors_(errors)
{
}

RunStep NotificationReader::ReadXMLData(std::string csXMLFilePath, StXmlInfo& stXmlInfo,
                                        ProgressTracker* fileModeProgress)
{
    LoadResult loaded = loader_.Load(csXMLFilePath, fileModeProgress);
    return RecordOutcome(std::move(loaded), std::move(csXMLFilePath), stXmlInfo);
}

RunStep NotificationReader::RecordOutcome(LoadResult loaded, std::string csXMLFilePath, StXmlInfo& stXmlInfo)
{
    if (loaded) {
        stXmlInfo = std::move(loaded).value();
        return RunStep::GoOn;
    }
    const LoadFailure& failure = loaded.error();
    return errors_.ErrorHandler(failure.kind, std::move(csXMLFilePath), &stXmlInfo, failure.reason, failure.cause,
                                failure.documentElement);
}

}  // namespace tenvor
