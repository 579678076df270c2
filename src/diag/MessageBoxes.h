// The single way the core shows a message: the description of a message box, reported to the
// front end as a message of the run.
#pragma once

#include <string>
#include <string_view>

#include "diag/MessageCatalog.h"

namespace tenvor {

class RunObserver;

class MessageBoxes {
public:
    explicit MessageBoxes(RunObserver& observer) : observer_(observer) {}

    // Reports the message the record describes.
    void OutputMessage(const StMessage& stMessage);

    // Sets messageData to {msgIndex, 0, caption, insertText} and reports it.
    void Show(int msgIndex, std::string_view caption, std::string insertText = {});

    // The message of a run stopped by a failure that belongs to no file; detail says what failed.
    void ShowRunAborted(const std::string& detail);

    // The message a record describes, as the front end gets it.
    static RunMessage MessageOf(const StMessage& stMessage);

    // The last message of the catalogue reported.
    const StMessage& LastMessage() const { return messageData; }

private:
    RunObserver& observer_;
    StMessage messageData;  // the last message reported
};

}  // namespace tenvor
