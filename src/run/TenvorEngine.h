// The conversion core as a front end sees it: the catalogue, the settings, the log, the messages,
// the error records, the reader, the CSV writer and the run, wired together once. A front end
// creates it with the observer that receives everything the core reports, starts it when its
// window opens, hands it one RunRequest per run, and finishes it when the window closes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/CsvOutput.h"
#include "convert/NotificationReader.h"
#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/Settings.h"
#include "forms/DataTbl.h"
#include "forms/FormLookup.h"
#include "run/ConversionRun.h"
#include "state/RunObserver.h"
#include "state/RunRequest.h"
#include "state/RunSummary.h"

namespace tenvor {

class TenvorEngine {
public:
    // observer receives every event and message of the engine, for its whole life; appFolder
    // holds the settings file and the log, empty meaning the standard folder.
    explicit TenvorEngine(RunObserver& observer, std::string appFolder = {});
    TenvorEngine(const TenvorEngine&) = delete;
    TenvorEngine& operator=(const TenvorEngine&) = delete;

    // The window opened: reads the settings and, in debug mode, logs "デバッグモード" and
    // "ツール起動".
    void Start();
    // The window closed: in debug mode, logs "ツール終了".
    void Finish();

    // One run, reported to the observer as it goes and ended by RunFinished with the summary it
    // returns. Never throws. One run at a time: a front end that runs it on another thread waits
    // for its end before the next.
    RunSummary Run(const RunRequest& request);
    // Reports message msgIndex of the catalogue with that caption.
    void ShowMessage(int msgIndex, std::string_view caption);

    // The error records of the latest run, in the order recorded.
    const std::vector<StErrorInfo>& ErrorRecords() const { return errors_.Records(); }
    const StINIData& Settings() const { return iniData_; }
    const StTime& Timing() const { return run_.Timing(); }
    const DataTbl& Catalogue() const { return dataTbl_; }
    const std::string& AppFolderPath() const { return appFolder_; }

private:
    std::string appFolder_;  // first: the log is built from it
    const DataTbl dataTbl_;
    const FormLookup forms_;
    StINIData iniData_;
    MessageBoxes messages_;
    LogFile log_;
    ErrorRecorder errors_;
    NotificationReader reader_;
    CsvOutput output_;
    ConversionRun run_;
};

}  // namespace tenvor
