// The conversion core as a front end sees it: the catalogue, the settings, the log, the message
// boxes, the error records, the reader, the CSV writer and the run, wired together once on the
// front end's window state. A front end starts the engine when its window opens, runs
// conversions, and finishes it when the window closes.
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
#include "run/RunSummary.h"

namespace tenvor {

class WindowState;

class TenvorEngine {
public:
    // appFolder holds the settings file and the log; empty means the standard folder.
    explicit TenvorEngine(WindowState& window, std::string appFolder = {});
    TenvorEngine(const TenvorEngine&) = delete;
    TenvorEngine& operator=(const TenvorEngine&) = delete;

    // The window opened: reads the settings and, in debug mode, logs "デバッグモード" and
    // "ツール起動".
    void Start();
    // The window closed: in debug mode, logs "ツール終了".
    void Finish();

    // One run over the window's input, as the run button starts it. Never throws.
    RunSummary Run(const RunOptions& options = {});
    // The guidance of the error list's selected row, into the guidance box.
    void ShowGuidanceForSelectedRow();
    // A mode change empties the error records (the window empties its own controls).
    void ClearErrorRecords();
    // Shows message msgIndex of the catalogue with that caption.
    void ShowMessage(int msgIndex, std::string_view caption);

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
