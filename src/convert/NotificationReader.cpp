#include "convert/NotificationReader.h"

#include "diag/ErrorRecorder.h"
#include "state/WindowState.h"

namespace tenvor {

NotificationReader::NotificationReader(const FormLookup& forms, ErrorRecorder& errors, WindowState& window)
    : loader_(forms), errors_(errors), window_(window)
{
}

int NotificationReader::ReadXMLData(std::string csXMxLFilePath, StXmlInfo& stXmlInfo)
{
    const std::optional<int> errorKind =
        loader_.Load(csXMxLFilePath, stXmlInfo, window_.IsFileMode() ? &window_ : nullptr);
    return RecordOutcome(errorKind, std::move(csXMxLFilePath), stXmlInfo);
}

int NotificationReader::RecordOutcome(std::optional<int> errorKind, std::string csXMLFilePath, StXmlInfo& stXmlInfo)
{
    if (!errorKind) {
        return 0;
    }
    return errors_.ErrorHandler(*errorKind, std::move(csXMLFilePath), &stXmlInfo);
}

}  // namespace tenvor
