// Reads one notification into its record without recording anything: loads the XML, identifies
// the form by the document element's name, and flattens the common data and every person
// record. Without a progress bar it touches nothing but the file and the record, so several
// threads may read with one loader.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "convert/NodeFlattener.h"
#include "convert/XmlDocument.h"
#include "shared/ErrorKind.h"
#include "shared/Expected.h"
#include "shared/StErrorInfo.h"
#include "shared/StXmlInfo.h"

namespace tenvor {

class FormCatalogue;
class ProgressTracker;

// Why a notification could not be read: FormatNotSupported (not a notification of a supported
// form) or FileMissing (missing or unreadable).
struct LoadFailure {
    ErrorKind kind = ErrorKind::FormatNotSupported;
    // A well-formed document whose document element is not shaped like a form id ("N" and seven
    // digits): another kind of document, such as the cover letter of a download.
    bool otherDocument = false;
    std::string reason;  // one line of Japanese: what is wrong and where
    FailureCause cause = FailureCause::Other;
    std::string documentElement;  // for UnsupportedForm: the document element's name

    bool operator==(const LoadFailure&) const = default;
};

// The record of a notification that was read, or why it could not be.
using LoadResult = Expected<StXmlInfo, LoadFailure>;

class NotificationLoader {
public:
    explicit NotificationLoader(const FormCatalogue& forms) : forms_(forms) {}

    // fileModeProgress is the bar while file mode is on (it follows the reading), nullptr
    // otherwise.
    LoadResult Load(const std::string& csXMLFilePath, ProgressTracker* fileModeProgress) const;
    // The same for a notification held in memory (a member of a ZIP).
    LoadResult LoadFromMemory(std::string_view bytes) const;
    // The same for a notification read from source as it comes (a large member of a ZIP). For a
    // document that is not well-formed, reasonWanted is set: the failure's reason is then to be
    // taken from XmlDocument::Diagnose over the same bytes, read once more.
    LoadResult LoadFromStream(const XmlByteSource& source, bool& reasonWanted) const;

    // The forms the notifications are read with.
    const FormCatalogue& Forms() const { return forms_; }

private:
    // Reads bytes in memory: a plain notification without a tree (PlainNotificationWalk), any
    // other document through ReadStream.
    LoadResult LoadBytes(std::string_view bytes, ProgressTracker* fileModeProgress) const;
    // Reads the stream in one pass and judges what it found as a loaded document is judged: a
    // document that is not well-formed (judgeAgain rereads it for the parser's words), then
    // unacceptable entity references, an unknown form, the common part's first mismatch, the
    // first person record's, and a notification without person records. readError, when set
    // after the pass, is an I/O error that makes the file unreadable.
    LoadResult ReadStream(const XmlByteSource& source, const std::function<void(std::string&)>& judgeAgain,
                          const int* readError, ProgressTracker* fileModeProgress) const;

    const FormCatalogue& forms_;
};

}  // namespace tenvor
