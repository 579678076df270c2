// The main window: the one dialog of the tool. It binds the window state the conversion reads and
// reports to (mode, paths, encoding, progress, error list, guidance, message boxes) to its
// controls, handles the user's events, and owns the engine that runs conversions.
#pragma once

#include <QDialog>
#include <QIcon>
#include <memory>
#include <optional>
#include <string>

#include "platform/SingleInstance.h"
#include "run/TenvorEngine.h"
#include "state/WindowState.h"
#include "ui/EventPump.h"
#include "ui/MainDialogTemplate.h"

class QLineEdit;

namespace tenvor {

class ErrorListModel;
class PathChooser;
struct DroppedInput;

class CTenvorDlg : public QDialog, public WindowState {
    Q_OBJECT

public:
    // appFolder holds the settings, the log and the single-instance lock; empty means the
    // standard folder.
    explicit CTenvorDlg(std::string appFolder = {}, QWidget* parent = nullptr);
    ~CTenvorDlg() override;

    // Initialises the window, runs it modally unless another instance runs, then tears it down.
    int exec() override;

    // Start-up: settings and debug entries, the single-instance guard, the initial state.
    bool OnInitDialog();
    void Init();
    void CheckMultipleExection(int& bRes);
    void InitListBox();
    // Teardown: gives the guard back, then logs the end in debug mode. Runs once.
    void OnDestroy();
    // True when start-up found another instance: the window is not to be shown.
    bool QuitPosted() const { return quitPosted_; }
    // True while a run is in progress.
    bool IsRunning() const { return running_; }

    // Event handlers.
    void OnClickedBtnOutput();
    void OnClickedBtnExit();
    void OnChangeEdtPathInput();
    void OnChangeEdtPathOutput();
    void OnClickedBtnBrowseInput();
    void OnClickedBtnBrowseOutput();
    void OnClickedRadSelectFile();
    void OnClickedRadSelectFolder();
    void OnClickedRad();
    void ToggleActivateBtn();
    void OnMenuFileSjis();
    void OnMenuFileUtf8();
    void OnNMClickListErrorfile();
    // "ファイル" > "出力先フォルダを開く": shows the folder the last run wrote its CSV files into
    // in the desktop's file manager. Enabled once a run of this window has written a CSV file.
    void OpenLastOutputFolder();
    // That folder, absolute; empty until a run has written a CSV file.
    const QString& LastOutputFolder() const { return lastOutputFolder_; }
    // Every key press of the window's controls passes here first; true means it was handled.
    bool PreTranslateMessage(QObject* target, QEvent* event);

    // Replaces the file and folder choosers (tests answer in place of a real dialog).
    void SetPathChooser(std::unique_ptr<PathChooser> chooser);
    TenvorEngine& Engine() { return engine_; }
    const EventPump& Pump() const { return pump_; }

    // WindowState.
    bool IsFileMode() const override;
    std::string InputPath() const override;
    std::string OutputFolder() const override;
    void SetOutputFolder(const std::string& folder) override;
    OutputEncoding Encoding() const override;
    void InitializePrgBar(int iPrgCnt) override;
    void StepPrgBar() override;
    void FillPrgBar() override;
    void ResetPrgBar() override;
    void SetProgressText(const std::string& csText) override;
    void HideProgressText() override;
    void ClearErrorList() override;
    int InsertErrorRow() override;
    void SetErrorCell(int row, int column, const std::string& text) override;
    void FitErrorColumns() override;
    int FirstSelectedErrorRow() const override;
    std::string ErrorCell(int row, int column) const override;
    void SetGuidance(const std::string& text) override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type, MessageKind kind) override;

    // Mode flags: which mode was last set up, so that a click on the current mode changes nothing.
    int isFileMode = 1;
    int isFolderMode = 0;
    // The single-instance guard (the named mutex on Windows, a file lock elsewhere) while this
    // instance holds it.
    SingleInstance instanceGuard;
    QIcon hIcon;

public slots:
    void done(int result) override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ConnectHandlers();
    void CenterOnScreen();
    // Sets a path box's text; its change handler runs even when the text stays the same.
    void SetBoxText(QLineEdit* box, const QString& text);
    // What the input browse button does with a chosen file or folder.
    void TakeInput(const QString& path, bool isFolder);
    void TakeDroppedInput(const DroppedInput& input);
    // The output box and the guidance box take the dialog's background, as read-only boxes do
    // on Windows, so that they do not look editable; their text stays selectable.
    void ShowReadOnlyBoxes();
    // After a run: remembers the folder it wrote into, when it wrote anything.
    void TakeRunResult(const RunSummary& summary);
    void ShowBar();
    void ShowProgressText(const QString& text);
    // Brings the bar and the counter up to date with the last values the run reported.
    void FlushProgress();
    void PumpEvents();

    TenvorEngine engine_;
    MainDialogControls ui_;
    ErrorListModel* errorModel_;
    std::unique_ptr<PathChooser> chooser_;
    EventPump pump_;

    // The bar as the conversion sees it; the widget shows an empty range as an empty bar.
    int barMaximum_ = 100;
    int barPosition_ = 0;
    int barStep_ = 10;
    // During a run the bar and the counter are updated on the screen only when events are
    // handled (about 30 times a second) and before any message box: laying out the counter's
    // text for each of thousands of files would cost more than the files' conversion.
    bool barPending_ = false;
    std::optional<QString> progressTextPending_;

    QString lastOutputFolder_;

    bool initialised_ = false;
    bool destroyed_ = false;
    bool quitPosted_ = false;
    bool running_ = false;
};

}  // namespace tenvor
