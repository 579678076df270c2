// The conversion core as a front end sees it: the catalogue, the settings, the log, the messages,
// the error records, the reader, the CSV writer and the run, wired together once. A front end
// creates it with the observer that receives everything the core reports, starts it when its
// window opens, hands it one RunRequest per run, and finishes it when the window closes.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/CsvOutput.h"
#include "convert/NotificationReader.h"
#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/Settings.h"
#include "forms/FormCatalogue.h"
#include "run/ConversionRun.h"
#include "state/RunObserver.h"
#include "state/RunRequest.h"
#include "state/RunSummary.h"

namespace tenvor {

class TenvorEngine {
public:
    // observer receives every event and message of the engine, for its whole life; appFolder
    // holds the settings file, the log and the forms folder, empty meaning the standard folder.
    // The forms folder is read here. formBeingWritten: the id of a form whose file may be empty,
    // being written by "tenvor-cli forms ID > forms/ID.tsv"; that empty file is passed over.
    explicit TenvorEngine(RunObserver& observer, std::string appFolder = {}, std::string_view formBeingWritten = {});
    TenvorEngine(const TenvorEngine&) = delete;
    TenvorEngine& operator=(const TenvorEngine&) = delete;

    // The window opened: reads the settings and, in debug mode, logs "デバッグモード" and
    // "ツール起動"; then reports a form file that is not right.
    void Start();
    // The window closed: in debug mode, logs "ツール終了".
    void Finish();

    // One run, reported to the observer as it goes and ended by RunFinished with the summary it
    // returns. Never throws. One run at a time: a front end that runs it on another thread waits
    // for its end before the next.
    //
    // The engine alone decides whether the request can run, in this order: a form file that is
    // not right (refused with its message), then, when the request asks for it, an output folder
    // that is missing or a file (refused without a message: the summary's refusal says which),
    // then a workbook asked for that would replace a file or has no folder (refused without a
    // message, at the path RunRequest::workbookInOutputRoot places it),
    // all before anything is read or logged; then the inputs, each checked before any is read
    // (refused with the input's message, the path logged). The summary's refusal tells what was
    // refused and its path.
    RunSummary Run(const RunRequest& request);
    // For a front end that makes one run in its life (the command line): Start, Run and Finish,
    // where a request refused before anything is read does not start the engine at all.
    RunSummary RunAlone(const RunRequest& request);
    // Reports message msgIndex of the catalogue with that caption.
    void ShowMessage(int msgIndex, std::string_view caption);

    // The error records of the latest run, in the order recorded.
    const std::vector<StErrorInfo>& ErrorRecords() const { return errors_.Records(); }
    const StINIData& Settings() const { return iniData_; }
    const StTime& Timing() const { return run_.Timing(); }
    // The forms the runs know: the built-in ones, replaced and added to by the forms folder (only
    // the built-in ones while the folder is not right).
    const FormCatalogue& Catalogue() const { return forms_; }
    std::span<const FormDefinition> Forms() const { return forms_.Definitions(); }
    // Reads the forms folder again, as the constructor did, replacing the catalogue and the
    // problem (FormFolderProblem()); reports nothing. Between runs only, never during one.
    void ReloadForms();
    // What is wrong with the forms folder (the file, the line and the problem, as its message
    // gives them); empty when nothing is.
    const std::string& FormFolderProblem() const { return formFolderProblem_; }
    const std::string& AppFolderPath() const { return appFolder_; }

private:
    // What refuses the request before anything is read: the form files, then the output folder.
    std::optional<RunRefusal> RefusalBeforeReading(const RunRequest& request) const;
    RunSummary Refuse(const RunRefusal& refusal);

    RunObserver& observer_;
    std::string appFolder_;  // before the forms and the log, which are read and built from it
    std::string formFolderProblem_;
    FormCatalogue forms_;  // replaced in place by ReloadForms: the reader keeps referring to it
    StINIData iniData_;
    MessageBoxes messages_;
    LogFile log_;
    ErrorRecorder errors_;
    NotificationReader reader_;
    CsvOutput output_;
    ConversionRun run_;
};

}  // namespace tenvor
