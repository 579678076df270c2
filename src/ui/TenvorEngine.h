// Everything a front end needs to run conversions, wired together once: the catalogue, the
// settings, the log, the message boxes, the error records, the reader, the CSV writer and the
// run. A front end supplies the window state and calls the handlers below.
#pragma once

#include <memory>
#include <string>

#include "convert/CsvOutput.h"
#include "convert/NotificationReader.h"
#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/Settings.h"
#include "forms/DataTbl.h"
#include "forms/FormLookup.h"
#include "ui/ConversionRun.h"

namespace tenvor {

class WindowState;

class TenvorEngine {
    std::string appFolder_;  // first: the log is built from it

public:
    // appFolder holds the settings file and the log; empty means the standard folder.
    explicit TenvorEngine(WindowState& window, std::string appFolder = {});
    TenvorEngine(const TenvorEngine&) = delete;
    TenvorEngine& operator=(const TenvorEngine&) = delete;

    // Window opened: reads the settings and, in debug mode, logs "デバッグモード" and "ツール起動".
    void Start();
    // Window closed: in debug mode, logs "ツール終了".
    void Finish();

    // The run button.
    RunOutcome OnClickedBtnOutput() { return run.OnClickedBtnOutput(); }
    // A click on the error list.
    void OnNMClickListErrorfile() { errors.OnNMClickListErrorfile(); }
    // A mode change empties the error records (the window empties its own controls).
    void ClearErrorRecords() { errors.ClearRecords(); }

    const std::string& AppFolderPath() const { return appFolder_; }

    const DataTbl dataTbl;
    const FormLookup forms;
    StINIData iniData;
    MessageBoxes messages;
    LogFile log;
    ErrorRecorder errors;
    NotificationReader reader;
    CsvOutput output;
    ConversionRun run;
};

}  // namespace tenvor
