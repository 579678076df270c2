#include "support/RecordingFrontEnd.h"

#include "diag/MessageCatalog.h"

namespace tenvor::test {

const char* OutcomeName(RunOutcome outcome)
{
    switch (outcome) {
        case RunOutcome::Refused:
            return "Refused";
        case RunOutcome::Stopped:
            return "Stopped";
        case RunOutcome::Completed:
            return "Completed";
    }
    return "?";
}

ShownMessage ShownMessageOf(const RunMessage& message)
{
    return ShownMessage{MessageKindOf(message.id), std::string(MessageCaption(message.id)), MessageText(message)};
}

RunRequest RecordingFrontEnd::Request() const
{
    RunRequest request;
    request.inputs.push_back({fileMode ? InputMode::File : InputMode::Folder, inputPath});
    for (const std::string& path : moreInputPaths) {
        request.inputs.push_back({fileMode ? InputMode::File : InputMode::Folder, path});
    }
    request.recursive = recursive;
    request.outputFolder = outputFolder;
    request.encoding = encoding;
    request.skipExistingQuietly = skipExistingQuietly;
    return request;
}

void RecordingFrontEnd::RunStarted(int inputCount)
{
    events.push_back("started " + std::to_string(inputCount));
}

void RecordingFrontEnd::CounterChanged(int done, int total)
{
    counterText = "(" + std::to_string(done) + "/" + std::to_string(total) + ")";
    counterVisible = true;
    counters.push_back(counterText);
    events.push_back("counter " + std::to_string(done) + "/" + std::to_string(total));
}

void RecordingFrontEnd::ProgressChanged(const Progress& progress)
{
    // The window's bar: its range the total, its position what is done.
    barMaximum = progress.total;
    barPosition = progress.done;
    events.push_back("bar " + std::to_string(progress.done) + "/" + std::to_string(progress.total));
}

void RecordingFrontEnd::OutputFolderDecided(const std::string& folder)
{
    // What the window's output box does with a new text: hide the counter, empty the bar.
    outputFolder = folder;
    counterVisible = false;
    barPosition = 0;
    events.push_back("folder " + folder);
}

void RecordingFrontEnd::FileFailed(const StErrorInfo& record)
{
    events.push_back("failed " + std::to_string(ToInt(record.errorKind)) + " " + record.filePath);
}

void RecordingFrontEnd::MessageShown(const RunMessage& message)
{
    const ShownMessage shown = ShownMessageOf(message);
    events.push_back("message " + shown.caption + ": " + shown.text);
    messages.push_back(shown);
}

void RecordingFrontEnd::RunFinished(const RunSummary& summary)
{
    events.push_back(std::string("finished ") + OutcomeName(summary.outcome));
    if (summary.outcome != RunOutcome::Completed) {
        return;
    }
    rows.clear();
    const std::size_t count = summary.errors.size();
    for (std::size_t i = 0; i < count; ++i) {
        const StErrorInfo& record = summary.errors[i];
        rows.push_front(Row{std::to_string(count - i), std::string(ErrorText(record.errorKind)), record.filePath});
    }
    ++fitCount;
    if (summary.completion) {
        messages.push_back(ShownMessageOf(*summary.completion));
    }
}

}  // namespace tenvor::test
