// The main window's template: its font, caption, menu and every control with its text, place and
// size in dialog units, and the tab order. Initial states that start-up sets (the checked mode,
// the read-only boxes, the hidden counter, the list's columns) are left to the window.
#pragma once

class QAction;
class QCheckBox;
class QDialog;
class QFont;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace tenvor {

class ErrorListView;

// The fourteen controls with a symbol, the menu and its commands.
struct MainDialogControls {
    QMenuBar* menuBar = nullptr;
    QAction* menuFileSjis = nullptr;        // ID_MENU_FILE_SJIS, checked
    QAction* menuFileUtf8 = nullptr;        // ID_MENU_FILE_UTF8
    QAction* menuFileOpenOutput = nullptr;  // "出力先フォルダを開く", disabled at start
    QRadioButton* radSelectFile = nullptr;
    QRadioButton* radSelectFolder = nullptr;
    // "サブフォルダとZIPファイルも変換する": a folder run also takes the folder's subfolders and
    // ZIP files. Unchecked at start; the window enables it in folder mode only.
    QCheckBox* chkSubfoldersAndZip = nullptr;
    // "一覧表（Excel）も作成する": a run also writes the workbook of what it converts. Unchecked at
    // start and enabled in both modes.
    QCheckBox* chkWorkbook = nullptr;
    QLineEdit* edtPathInput = nullptr;
    QPushButton* btnBrowseInput = nullptr;
    QLineEdit* edtPathOutput = nullptr;
    QPushButton* btnBrowseOutput = nullptr;
    QPushButton* btnOutput = nullptr;
    QPushButton* btnExit = nullptr;
    QProgressBar* prgBar = nullptr;
    QLabel* txtProgress = nullptr;
    ErrorListView* listErrorfile = nullptr;
    QPlainTextEdit* edtGuidance = nullptr;
};

// Width and height of the window's client area below the menu, in dialog units.
inline constexpr int kDialogWidthUnits = 351;
inline constexpr int kDialogHeightUnits = 297;

// "MS UI Gothic" at 9 points, or the first Japanese font of the same kind that is installed.
QFont DialogFont();

// Sets the dialog's font, caption and window frame, and creates its menu and controls.
MainDialogControls BuildMainDialog(QDialog& dialog);

}  // namespace tenvor
