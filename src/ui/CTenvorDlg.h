// The main window: the one dialog of the tool. It handles the user's events, builds a run request
// from its controls when "CSV出力" is pressed, hands it to its run (ui/WindowRun, which runs it on
// a worker thread), and renders what the core reports (counter, bar, output folder, error list,
// message boxes) in its controls.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPoint>
#include <memory>
#include <optional>
#include <string>

#include "platform/SingleInstance.h"
#include "run/TenvorEngine.h"
#include "state/RunObserver.h"
#include "state/RunRequest.h"
#include "ui/MainDialogTemplate.h"
#include "ui/RunEventQueue.h"
#include "ui/WindowRun.h"

class QLineEdit;

namespace tenvor {

class ErrorListModel;
class PathChooser;
struct DroppedInput;

class CTenvorDlg : public QDialog, private RunObserver {
    Q_OBJECT

public:
    // instanceGuard is the application's single-instance guard, which the window takes at
    // start-up and gives back at teardown; appFolder holds the settings, the log and the guard's
    // lock, empty meaning the standard folder.
    explicit CTenvorDlg(SingleInstance& instanceGuard, std::string appFolder = {}, QWidget* parent = nullptr);
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
    bool IsRunning() const { return run_.IsRunning(); }

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
    // The context menu of a row of the error list: "この通知書から様式定義を作成..." for a file
    // whose form a draft could fix (the field check, an unknown form id), between runs.
    void ShowErrorRowMenu(int row, QPoint globalPos);
    // Drafts the form from the record's file (or ZIP member), confirms, saves and reloads the
    // forms; a refusal or a failed save is a message box and changes nothing.
    void DraftFormFromRecord(const StErrorInfo& record);
    // "ファイル" > "出力先フォルダを開く": shows the folder the last run wrote its CSV files into
    // in the desktop's file manager. Enabled once a run of this window has written a CSV file.
    void OpenLastOutputFolder();
    // That folder, absolute; empty until a run has written a CSV file.
    const QString& LastOutputFolder() const { return lastOutputFolder_; }
    // Every key press of the window's controls passes here first; true means it was handled.
    bool PreTranslateMessage(QObject* target, QEvent* event);

    // Replaces the file and folder choosers (tests answer in place of a real dialog).
    void SetPathChooser(std::unique_ptr<PathChooser> chooser);
    TenvorEngine& Engine() { return run_.Engine(); }
    // What the engine reports to: the window's side of the run's events.
    RunEventQueue& RunEvents() { return run_.Events(); }

    // The user's choices as the controls hold them. The mode is the radio buttons' check state.
    bool IsFileMode() const;
    // Folder mode with "サブフォルダとZIPファイルも変換する" checked: the run also takes the folder's
    // subfolders and ZIP files.
    bool IncludesSubfoldersAndZipFiles() const;
    // "一覧表（Excel）も作成する" checked: the run also writes its workbook.
    bool WritesWorkbook() const;
    std::string InputPath() const;
    std::string OutputFolder() const;
    OutputEncoding Encoding() const;
    // The request "CSV出力" starts: the controls at the moment it is pressed.
    RunRequest RequestFromControls() const;
    // The row of the error list selected first, -1 when none.
    int FirstSelectedErrorRow() const;
    // The records the error list shows: the latest completed run's, until the mode changes.
    const std::vector<StErrorInfo>& ErrorRecords() const { return errorRecords_; }
    // The record a row of the error list shows; nullptr outside the rows.
    const StErrorInfo* RecordOfRow(int row) const;

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
    // The options of folder mode are enabled in folder mode only.
    void EnableFolderModeOptions();
    // The output box and the guidance box take the dialog's background, as read-only boxes do
    // on Windows, so that they do not look editable; their text stays selectable.
    void ShowReadOnlyBoxes();
    // After a run: remembers the folder it wrote into, when it wrote anything.
    void TakeRunResult(const RunSummary& summary);

    // What the core reports, rendered in the controls (on the window's thread, through the run's
    // event queue).
    void CounterChanged(int done, int total) override;
    void ProgressChanged(const Progress& progress) override;
    void OutputFolderDecided(const std::string& folder) override;
    void MessageShown(const RunMessage& message) override;
    void RunFinished(const RunSummary& summary) override;

    // The controls' side of progress and results.
    void ShowBar();
    void ResetPrgBar();
    void ShowProgressText(const QString& text);
    void HideProgressText();
    void ClearErrorList();
    // The records newest first, numbered from 1, each row knowing its kind for the guidance.
    void FillErrorList(const std::vector<StErrorInfo>& records);
    void SetGuidance(const QString& text);
    // A plain modal box: one OK button, no icon, owned by the window.
    void ShowMessageBox(const QString& text, const QString& caption);

    // A path box's text and the path it stands for: the box shows the path with its invisible
    // format characters written out (VisibleText), and gives back the path itself while its text
    // is the one shown.
    struct ShownPath {
        QString text;
        QString path;
    };
    void SetPathBox(QLineEdit* box, ShownPath& shown, const QString& path);
    static QString PathOfBox(const QLineEdit* box, const ShownPath& shown);

    SingleInstance& instanceGuard_;  // the application's
    WindowRun run_;
    MainDialogControls ui_;
    ErrorListModel* errorModel_;
    std::unique_ptr<PathChooser> chooser_;

    // The bar as the run's counts set it; the widget shows an empty range as an empty bar.
    int barMaximum_ = 100;
    int barPosition_ = 0;

    std::vector<StErrorInfo> errorRecords_;
    QString lastOutputFolder_;
    ShownPath shownInput_;
    ShownPath shownOutput_;

    bool initialised_ = false;
    bool destroyed_ = false;
    bool quitPosted_ = false;
};

}  // namespace tenvor
