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
    return errors_.ErrorHandler(loaded.error().kind, std::move(csXMLFilePath), &stXmlInfo, loaded.error().reason);
}

}  // namespace tenvor
