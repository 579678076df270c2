#include "ui/CTenvorDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>
#include <algorithm>
#include <chrono>

#include "TenvorVersion.h"
#include "diag/MessageCatalog.h"
#include "diag/TimeText.h"
#include "run/FormDraftSources.h"
#include "shared/OneLineText.h"
#include "ui/DroppedInput.h"
#include "ui/ErrorListModel.h"
#include "ui/ErrorListView.h"
#include "ui/FormDraftDialog.h"
#include "ui/PathChooser.h"
#include "workbook/WorkbookTarget.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitTenvorResources()
{
    Q_INIT_RESOURCE(tenvor);
}

namespace tenvor {

namespace {

QString FromCore(const std::string& text)
{
    return QString::fromStdString(text);
}

QString FromView(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToCore(const QString& text)
{
    return text.toStdString();
}

// A path or a message as the window shows it: each invisible format character (a right-to-left
// override would show a name reversed) written as \uHHHH, as the log and the command line do.
QString Shown(const QString& text)
{
    return FromCore(VisibleText(ToCore(text)));
}

}  // namespace

CTenvorDlg::CTenvorDlg(SingleInstance& instanceGuard, std::string appFolder, QWidget* parent)
    : QDialog(parent),
      instanceGuard_(instanceGuard),
      run_(*this, std::move(appFolder)),
      ui_(BuildMainDialog(*this)),
      errorModel_(new ErrorListModel(this)),
      chooser_(std::make_unique<DialogPathChooser>())
{
    InitTenvorResources();
    hIcon = QIcon(QStringLiteral(":/res/tenvor.png"));
    setAcceptDrops(true);
    ConnectHandlers();
    // The key filter sees every key press of the window's controls before they do.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

CTenvorDlg::~CTenvorDlg()
{
    if (initialised_) {
        OnDestroy();
    }
}

void CTenvorDlg::ConnectHandlers()
{
    connect(ui_.btnOutput, &QPushButton::clicked, this, &CTenvorDlg::OnClickedBtnOutput);
    connect(ui_.btnExit, &QPushButton::clicked, this, &CTenvorDlg::OnClickedBtnExit);
    connect(ui_.btnBrowseInput, &QPushButton::clicked, this, &CTenvorDlg::OnClickedBtnBrowseInput);
    connect(ui_.btnBrowseOutput, &QPushButton::clicked, this, &CTenvorDlg::OnClickedBtnBrowseOutput);
    connect(ui_.edtPathInput, &QLineEdit::textChanged, this, &CTenvorDlg::OnChangeEdtPathInput);
    connect(ui_.edtPathOutput, &QLineEdit::textChanged, this, &CTenvorDlg::OnChangeEdtPathOutput);
    // A radio button that becomes checked changes the mode; a click on the checked one changes
    // nothing, as it toggles nothing.
    connect(ui_.radSelectFile, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            OnClickedRadSelectFile();
        }
    });
    connect(ui_.radSelectFolder, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            OnClickedRadSelectFolder();
        }
    });
    connect(ui_.menuFileSjis, &QAction::triggered, this, &CTenvorDlg::OnMenuFileSjis);
    connect(ui_.menuFileUtf8, &QAction::triggered, this, &CTenvorDlg::OnMenuFileUtf8);
    connect(ui_.menuFileOpenOutput, &QAction::triggered, this, &CTenvorDlg::OpenLastOutputFolder);
    connect(ui_.listErrorfile, &ErrorListView::Clicked, this, &CTenvorDlg::OnNMClickListErrorfile);
    // A row chosen with the arrow keys shows its guidance as a clicked one does.
    connect(ui_.listErrorfile, &ErrorListView::SelectedWithKeyboard, this, &CTenvorDlg::OnNMClickListErrorfile);
    connect(ui_.listErrorfile, &ErrorListView::RowMenuRequested, this, &CTenvorDlg::ShowErrorRowMenu);
}

// ---- Start-up and teardown ----

int CTenvorDlg::exec()
{
    if (!initialised_) {
        OnInitDialog();
    }
    int result = QDialog::Rejected;
    if (!quitPosted_) {
        result = QDialog::exec();
    }
    OnDestroy();
    return result;
}

bool CTenvorDlg::OnInitDialog()
{
    initialised_ = true;
    CenterOnScreen();  // before any message box, which is centred on the window
    Engine().Start();  // settings and debug entries come before the guard, a second instance included
    Init();
    setWindowIcon(hIcon);
    ui_.edtPathInput->setFocus(Qt::OtherFocusReason);
    return true;
}

void CTenvorDlg::CenterOnScreen()
{
    adjustSize();
    if (const QScreen* display = screen()) {
        move(display->availableGeometry().center() - rect().center());
    }
}

void CTenvorDlg::Init()
{
    int bRes = 0;
    CheckMultipleExection(bRes);
    if (bRes == 1) {
        quitPosted_ = true;  // the window closes without being shown; the program ends with 0
        return;
    }
    {
        const QSignalBlocker initialMode(ui_.radSelectFile);  // the start is no change of mode
        ui_.radSelectFile->setChecked(true);
    }
    EnableFolderModeOptions();
    ui_.edtPathOutput->setReadOnly(true);
    ui_.edtGuidance->setReadOnly(true);
    ui_.edtGuidance->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    ShowReadOnlyBoxes();
    ui_.txtProgress->hide();
    InitListBox();
    DisableWindowGhosting();
}

void CTenvorDlg::ShowReadOnlyBoxes()
{
    const QPalette& dialogPalette = palette();
    for (QWidget* box : {static_cast<QWidget*>(ui_.edtPathOutput), static_cast<QWidget*>(ui_.edtGuidance)}) {
        QPalette boxPalette = box->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            boxPalette.setColor(group, QPalette::Base, dialogPalette.color(group, QPalette::Window));
        }
        box->setPalette(boxPalette);
    }
}

void CTenvorDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && initialised_) {
        ShowReadOnlyBoxes();  // the desktop's colours changed: follow them
    }
}

void CTenvorDlg::CheckMultipleExection(int& bRes)
{
    bRes = 0;
    switch (instanceGuard_.Acquire(kSingleInstanceName, Engine().AppFolderPath())) {
        case SingleInstance::Result::Acquired:
            break;
        case SingleInstance::Result::HeldByAnother:
            Engine().ShowMessage(kMsgAlreadyRunning, kCaptionError);
            bRes = 1;
            break;
        case SingleInstance::Result::Unavailable:
            // Without a place for the lock there is no way to tell; refusing every start would
            // lock the user out, so this instance runs unguarded.
            break;
    }
}

void CTenvorDlg::InitListBox()
{
    ui_.listErrorfile->InitColumns(errorModel_);
}

void CTenvorDlg::OnDestroy()
{
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    instanceGuard_.Release();
    Engine().Finish();
}

void CTenvorDlg::OnClickedBtnExit()
{
    accept();
}

void CTenvorDlg::done(int result)
{
    if (IsRunning()) {
        return;  // a run is never torn down half-way
    }
    QDialog::done(result);
}

void CTenvorDlg::reject()
{
    if (IsRunning()) {
        return;
    }
    QDialog::reject();
}

void CTenvorDlg::closeEvent(QCloseEvent* event)
{
    if (IsRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

// ---- Keyboard ----

bool CTenvorDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (PreTranslateMessage(watched, event)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool CTenvorDlg::PreTranslateMessage(QObject* target, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        // Key presses go to the control that has the focus. Enter presses it when it is one of
        // the push buttons; anywhere else it is an ordinary key for that control and never
        // reaches the dialog as a default-button press.
        for (QPushButton* button : {ui_.btnBrowseInput, ui_.btnBrowseOutput, ui_.btnOutput, ui_.btnExit}) {
            if (target == button) {
                button->click();
                return true;
            }
        }
        return false;
    }
    return key == Qt::Key_Escape && IsRunning();
}

void CTenvorDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // no default button: Enter neither runs nor closes
        return;
    }
    QDialog::keyPressEvent(event);  // Escape: close with the cancel result
}

// ---- Mode, paths and menu ----

void CTenvorDlg::OnClickedRadSelectFile()
{
    if (IsFileMode()) {
        OnClickedRad();
    }
}

void CTenvorDlg::OnClickedRadSelectFolder()
{
    if (!IsFileMode()) {
        OnClickedRad();
    }
}

void CTenvorDlg::OnClickedRad()
{
    SetPathBox(ui_.edtPathInput, shownInput_, {});
    SetPathBox(ui_.edtPathOutput, shownOutput_, {});
    ClearErrorList();
    SetGuidance({});
    errorRecords_.clear();
    EnableFolderModeOptions();
}

void CTenvorDlg::EnableFolderModeOptions()
{
    // Disabled in file mode, the check box keeps its state for the next folder run.
    ui_.chkSubfoldersAndZip->setEnabled(!IsFileMode());
}

void CTenvorDlg::SetBoxText(QLineEdit* box, const QString& text)
{
    if (box->text() == text) {
        // The box reports a change for every new text, an equal one included.
        emit box->textChanged(text);
        return;
    }
    box->setText(text);
}

void CTenvorDlg::SetPathBox(QLineEdit* box, ShownPath& shown, const QString& path)
{
    shown = {Shown(path), path};
    SetBoxText(box, shown.text);
}

QString CTenvorDlg::PathOfBox(const QLineEdit* box, const ShownPath& shown)
{
    // What the window put there stands for its path; anything else was typed.
    const QString text = box->text();
    return text == shown.text ? shown.path : text;
}

void CTenvorDlg::OnClickedBtnBrowseInput()
{
    if (IsRunning()) {
        return;
    }
    const bool folderMode = !IsFileMode();
    const std::optional<QString> chosen = folderMode ? chooser_->ChooseFolder(this) : chooser_->ChooseXmlFile(this);
    if (chosen) {
        TakeInput(*chosen, folderMode);
    }
}

void CTenvorDlg::TakeInput(const QString& path, bool isFolder)
{
    SetPathBox(ui_.edtPathInput, shownInput_, path);
    SetPathBox(ui_.edtPathOutput, shownOutput_,
               isFolder ? path : QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
}

void CTenvorDlg::OnClickedBtnBrowseOutput()
{
    if (IsRunning()) {
        return;
    }
    if (const std::optional<QString> chosen = chooser_->ChooseFolder(this)) {
        SetPathBox(ui_.edtPathOutput, shownOutput_, *chosen);
    }
}

void CTenvorDlg::SetPathChooser(std::unique_ptr<PathChooser> chooser)
{
    if (chooser) {
        chooser_ = std::move(chooser);
    }
}

void CTenvorDlg::OnChangeEdtPathInput()
{
    ToggleActivateBtn();
    HideProgressText();
    ResetPrgBar();
}

void CTenvorDlg::OnChangeEdtPathOutput()
{
    HideProgressText();
    ResetPrgBar();
}

void CTenvorDlg::ToggleActivateBtn()
{
    const bool hasInput = !ui_.edtPathInput->text().isEmpty();
    ui_.btnOutput->setEnabled(hasInput);
    ui_.btnBrowseOutput->setEnabled(hasInput);
}

void CTenvorDlg::OnMenuFileSjis()
{
    ui_.menuFileSjis->setChecked(true);
    ui_.menuFileUtf8->setChecked(false);
}

void CTenvorDlg::OnMenuFileUtf8()
{
    ui_.menuFileSjis->setChecked(false);
    ui_.menuFileUtf8->setChecked(true);
}

// ---- Drag and drop: a dropped file or folder is taken like a browsed one ----

void CTenvorDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!IsRunning() && DroppedInputOf(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CTenvorDlg::dragMoveEvent(QDragMoveEvent* event)
{
    if (!IsRunning() && DroppedInputOf(event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CTenvorDlg::dropEvent(QDropEvent* event)
{
    if (IsRunning()) {
        return;
    }
    if (const std::optional<DroppedInput> input = DroppedInputOf(event->mimeData())) {
        event->acceptProposedAction();
        TakeDroppedInput(*input);
    }
}

void CTenvorDlg::TakeDroppedInput(const DroppedInput& input)
{
    // An item of the other kind switches the mode first, with the reset a click would do.
    if (input.isFolder && IsFileMode()) {
        ui_.radSelectFolder->setChecked(true);
    } else if (!input.isFolder && !IsFileMode()) {
        ui_.radSelectFile->setChecked(true);
    }
    TakeInput(input.path, input.isFolder);
}

// ---- The run and the error list ----

void CTenvorDlg::OnClickedBtnOutput()
{
    if (IsRunning()) {
        return;
    }
    const RunRequest request = RequestFromControls();
    // The previous run's results go before anything is checked.
    ClearErrorList();
    SetGuidance({});
    errorRecords_.clear();
    const RunSummary summary = run_.Run(request);
    if (summary.refusal) {
        // A workbook that cannot be written refuses the run without a message of the run's own.
        if (const std::optional<RunMessage> message = WorkbookRefusalMessage(*summary.refusal)) {
            ShowMessageBox(FromCore(MessageText(*message)), FromView(MessageCaption(message->id)));
        }
    }
    TakeRunResult(summary);
}

RunRequest CTenvorDlg::RequestFromControls() const
{
    RunRequest request;
    request.inputs.push_back({IsFileMode() ? InputMode::File : InputMode::Folder, InputPath()});
    request.recursive = IncludesSubfoldersAndZipFiles();
    request.outputFolder = OutputFolder();
    request.encoding = Encoding();
    if (WritesWorkbook()) {
        // Named by the moment "CSV出力" is pressed, beside the CSV files: in the output folder, or
        // without one where the run decides they go.
        const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        request.workbookPath = DefaultWorkbookName(LocalTimeDigits(now));
        request.workbookInOutputRoot = true;
    }
    return request;
}

void CTenvorDlg::TakeRunResult(const RunSummary& summary)
{
    if (summary.converted <= 0) {
        return;  // nothing written: the folder of an earlier run stays the one to open
    }
    // The run wrote into the output box's folder; it filled an empty box with the input's folder.
    const QString folder = PathOfBox(ui_.edtPathOutput, shownOutput_);
    lastOutputFolder_ = folder.isEmpty() ? QDir::currentPath() : QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    ui_.menuFileOpenOutput->setEnabled(true);
}

void CTenvorDlg::OpenLastOutputFolder()
{
    if (IsRunning() || lastOutputFolder_.isEmpty()) {
        return;
    }
    if (!QFileInfo(lastOutputFolder_).isDir() || !QDesktopServices::openUrl(QUrl::fromLocalFile(lastOutputFolder_))) {
        ShowMessageBox(
            QStringLiteral("出力先フォルダを開けませんでした。\n") + QDir::toNativeSeparators(lastOutputFolder_),
            FromCore(std::string(kCaptionError)));
    }
}

void CTenvorDlg::OnNMClickListErrorfile()
{
    if (IsRunning()) {
        return;
    }
    const int row = FirstSelectedErrorRow();
    if (const std::optional<ErrorKind> kind = errorModel_->RowKind(row)) {
        // The kind's guidance, then what exactly is wrong with this file.
        const std::string_view guidance = GuidanceText(*kind);
        QString text = QString::fromUtf8(guidance.data(), static_cast<qsizetype>(guidance.size()));
        const StErrorInfo* record = RecordOfRow(row);
        if (record != nullptr && record->cause == FailureCause::FieldCheck) {
            text += QLatin1Char('\n') + FromView(kGuidanceFormDraft);
        }
        const QString reason = errorModel_->RowReason(row);
        if (!reason.isEmpty()) {
            text += QStringLiteral("\n\n詳細: ") + reason;
        }
        SetGuidance(text);
    }
}

void CTenvorDlg::ShowErrorRowMenu(int row, QPoint globalPos)
{
    const StErrorInfo* record = RecordOfRow(row);
    if (IsRunning() || record == nullptr || !CanDraftFormFrom(*record)) {
        return;
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ErrorRowMenu"));
    const QAction* draftEntry = menu.addAction(QStringLiteral("この通知書から様式定義を作成..."));
    const StErrorInfo chosen = *record;  // the menu's event loop may change the list
    if (menu.exec(globalPos) == draftEntry) {
        DraftFormFromRecord(chosen);
    }
}

void CTenvorDlg::DraftFormFromRecord(const StErrorInfo& record)
{
    if (IsRunning()) {
        return;
    }
    const std::string appFolder = Engine().AppFolderPath();
    const Expected<FormDraft, DraftRefusal> draft = DraftForm({DraftSourceOfRow(record.filePath)}, appFolder);
    if (!draft) {
        ShowMessageBox(FromCore(DescribeDraftRefusal(draft.error())), FromView(kCaptionError));
        return;
    }
    const DraftTarget target = DraftTargetOf(*draft, appFolder);
    FormDraftDialog confirmation(DescribeDraft(*draft, target), this);
    if (confirmation.exec() != QDialog::Accepted) {
        return;
    }
    const Expected<SavedDraft, DraftRefusal> saved = run_.SaveDraft(*draft, target);
    if (!saved) {
        ShowMessageBox(FromCore(DescribeDraftRefusal(saved.error())), FromView(kCaptionError));
    }
}

// ---- The user's choices ----

bool CTenvorDlg::IsFileMode() const
{
    return ui_.radSelectFile->isChecked();
}

bool CTenvorDlg::IncludesSubfoldersAndZipFiles() const
{
    return !IsFileMode() && ui_.chkSubfoldersAndZip->isChecked();
}

bool CTenvorDlg::WritesWorkbook() const
{
    return ui_.chkWorkbook->isChecked();
}

std::string CTenvorDlg::InputPath() const
{
    return ToCore(PathOfBox(ui_.edtPathInput, shownInput_));
}

std::string CTenvorDlg::OutputFolder() const
{
    return ToCore(PathOfBox(ui_.edtPathOutput, shownOutput_));
}

OutputEncoding CTenvorDlg::Encoding() const
{
    return ui_.menuFileUtf8->isChecked() ? OutputEncoding::Utf8 : OutputEncoding::ShiftJis;
}

const StErrorInfo* CTenvorDlg::RecordOfRow(int row) const
{
    // The list shows the records newest first.
    const int count = static_cast<int>(errorRecords_.size());
    if (row < 0 || row >= count || errorModel_->rowCount() != count) {
        return nullptr;
    }
    return &errorRecords_[static_cast<std::size_t>(count - 1 - row)];
}

int CTenvorDlg::FirstSelectedErrorRow() const
{
    return ui_.listErrorfile->FirstSelectedRow();
}

// ---- What the run reports ----

void CTenvorDlg::CounterChanged(int done, int total)
{
    ShowProgressText(QStringLiteral("(%1/%2)").arg(done).arg(total));
}

void CTenvorDlg::ProgressChanged(const Progress& progress)
{
    // The bar's range is the total, its position what is done.
    barMaximum_ = progress.total;
    barPosition_ = progress.done;
    ShowBar();
}

void CTenvorDlg::OutputFolderDecided(const std::string& folder)
{
    // As any new text of the box does, this hides the counter and empties the bar.
    SetPathBox(ui_.edtPathOutput, shownOutput_, FromCore(folder));
}

void CTenvorDlg::MessageShown(const RunMessage& message)
{
    ShowMessageBox(FromCore(MessageText(message)), FromView(MessageCaption(message.id)));
}

void CTenvorDlg::RunFinished(const RunSummary& summary)
{
    if (summary.outcome != RunOutcome::Completed) {
        return;
    }
    errorRecords_ = summary.errors;
    FillErrorList(errorRecords_);
    if (summary.completion) {
        QString text = FromCore(MessageText(*summary.completion));
        if (!summary.workbook.empty()) {
            text += QStringLiteral("\n一覧表: ") + QDir::toNativeSeparators(FromCore(summary.workbook));
        }
        if (const std::optional<std::string> replaced = ReplacedCharactersLine(summary)) {
            text += QLatin1Char('\n') + FromCore(*replaced);
        }
        ShowMessageBox(text, FromView(MessageCaption(summary.completion->id)));
    }
}

// ---- The controls' side of progress and results ----

void CTenvorDlg::ShowBar()
{
    if (barMaximum_ > 0) {
        ui_.prgBar->setRange(0, barMaximum_);
        ui_.prgBar->setValue(barPosition_);
    } else {
        // An empty range shows as an empty bar (Qt would show a busy indicator).
        ui_.prgBar->setRange(0, 1);
        ui_.prgBar->setValue(0);
    }
}

void CTenvorDlg::ResetPrgBar()
{
    barPosition_ = 0;
    ShowBar();
}

void CTenvorDlg::ShowProgressText(const QString& text)
{
    ui_.txtProgress->setText(text);
    ui_.txtProgress->adjustSize();
    ui_.txtProgress->show();
}

void CTenvorDlg::HideProgressText()
{
    ui_.txtProgress->hide();
}

void CTenvorDlg::ClearErrorList()
{
    errorModel_->Clear();
    ui_.listErrorfile->ScrollToOrigin();  // an empty list shows its header from the first column
}

void CTenvorDlg::FillErrorList(const std::vector<StErrorInfo>& records)
{
    const int count = static_cast<int>(records.size());
    for (int i = 0; i < count; ++i) {
        const StErrorInfo& record = records[static_cast<std::size_t>(i)];
        const int row = errorModel_->InsertTopRow(record.errorKind, Shown(FromCore(record.reason)));
        const std::string_view text = ErrorText(record.errorKind);
        errorModel_->SetCell(row, 0, QString::number(count - i));
        errorModel_->SetCell(row, 1, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        errorModel_->SetCell(row, 2, Shown(FromCore(record.filePath)));
    }
    ui_.listErrorfile->FitColumns();
}

void CTenvorDlg::SetGuidance(const QString& text)
{
    ui_.edtGuidance->setPlainText(text);
}

void CTenvorDlg::ShowMessageBox(const QString& text, const QString& caption)
{
    // Every message of the tool is a plain box: one OK button, no icon, owned by the window.
    QMessageBox box(QMessageBox::NoIcon, caption, Shown(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("OutputMessage"));
    box.button(QMessageBox::Ok)->setIcon(QIcon());  // some styles decorate it; keep it plain
    box.exec();
}

}  // namespace tenvor
