// Runs started from the window: the error list and its guidance (by mouse and by keyboard), the
// completion message, folder runs with and without subfolders and ZIP files, a ZIP file run, the
// encoding chosen in the menu, the menu command that opens the last run's output folder, refused
// input, a log that cannot be written, and a long run that keeps the window painted without
// letting it be closed; the workbook "一覧表（Excel）も作成する" asks for, beside the CSV files, and
// its refusals.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <chrono>
#include <string>

#include "PackageGenerator.h"
#include "diag/MessageCatalog.h"
#include "diag/TimeText.h"
#include "forms/FormCatalogue.h"
#include "platform/FileSystem.h"
#include "ui/ErrorListView.h"
#include "ui/UiTestSupport.h"
#include "workbook/WorkbookTarget.h"

using namespace tenvor;
using namespace tenvor::test;

namespace {

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString MessageOf(int index, const std::string& insert = {})
{
    return Q(MessageText(index, insert));
}

// Sets the mode by clicking its radio button, as the user does.
void ChooseMode(WindowFixture& w, bool folder)
{
    QTest::mouseClick(w.Find<QRadioButton>(folder ? "IDC_RAD_SELECT_FOLDER" : "IDC_RAD_SELECT_FILE"), Qt::LeftButton);
}

void SetInput(WindowFixture& w, const std::string& path)
{
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(Q(path));
}

void ChooseOutput(WindowFixture& w, const std::string& folder)
{
    w.chooser->folderAnswers << Q(folder);
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_BROWSE_OUTPUT"), Qt::LeftButton);
}

void PressRun(WindowFixture& w)
{
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_OUTPUT"), Qt::LeftButton);
}

void ClickList(ErrorListView* list, QPoint position, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, position);
}

// The names in a folder, sorted.
QStringList Listed(const std::string& folder)
{
    QStringList names;
    for (const std::string& name : ListDir(folder)) {
        names << Q(name);
    }
    names.sort();
    return names;
}

// The CSV files a download's notifications give, sorted; its cover letter gives none.
QStringList CsvFilesOf(const gen::GeneratedPackage& package)
{
    QStringList names;
    for (const gen::PackagedXml& member : package.xml) {
        if (member.documentElement != "DOC") {
            const std::string file = member.path.substr(member.path.rfind('/') + 1);
            names << Q(file.substr(0, file.rfind('.')) + ".csv");
        }
    }
    names.sort();
    return names;
}

// The folder a download's CSV files go into: its name without ".zip".
std::string FolderOf(const gen::GeneratedPackage& package)
{
    return package.fileName.substr(0, package.fileName.size() - 4);
}

QPoint RowCenter(ErrorListView* list, int row)
{
    return list->visualRect(list->model()->index(row, 1)).center();
}

// Takes the file addresses the window asks the desktop to open, in place of the file manager.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

// Records the texts a label shows on screen while a run goes on.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QLabel* label) : label_(label) { label->installEventFilter(this); }
    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == label_ && event->type() == QEvent::Paint) {
            painted << label_->text();
        }
        return false;
    }

private:
    QLabel* label_;
};

}  // namespace

class WindowRunTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { tenvor::test::PrepareWindowTestProcess(); }

private slots:
    void folderRunListsErrorsNewestFirstAndReportsTheCount();
    void clickingARowShowsItsGuidanceAndEmptySpaceChangesNothing();
    void keyboardSelectionShowsGuidanceAsAClickDoes();
    void completedRunWithoutErrors();
    void fileRunFillsTheEmptyOutputBox();
    void folderRunTakesSubfoldersAndZipFilesWhenChecked();
    void zipFileRunFillsTheEmptyOutputBox();
    void menuChoosesTheEncodingOfTheNextRun();
    void completionMessageTellsOfCharactersShiftJisLacks();
    void invisibleCharactersInPathsAreWrittenOut();
    void menuOpensTheFolderTheLastRunWroteInto();
    void invalidInputShowsItsMessageAndClearsTheList();
    void unwritableLogStopsTheRunWithMessageSixOnce();
    void longFolderRunKeepsTheWindowPaintedAndOpen();
    void workbookGoesBesideTheCsvFilesAndEndsTheMessage();
    void unwritableWorkbookRefusesTheRunWithItsMessage();
};

void WindowRunTest::folderRunListsErrorsNewestFirstAndReportsTheCount()
{
    WindowFixture w;
    // Converted oldest first: broken1 (100), good (200), broken2 (300); existing.xml is dropped
    // before the loop because its CSV file is already there.
    WriteFile(w.in + "/broken1.xml", BrokenNotification());
    WriteFile(w.in + "/good.xml", ValidNotification());
    WriteFile(w.in + "/broken2.xml", BrokenNotification());
    WriteFile(w.in + "/existing.xml", ValidNotification());
    SetMtime(w.in + "/broken1.xml", 100);
    SetMtime(w.in + "/good.xml", 200);
    SetMtime(w.in + "/broken2.xml", 300);
    SetMtime(w.in + "/existing.xml", 400);
    WriteFile(w.out + "/existing.csv", "kept");

    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);

    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    const MessageBoxCatcher::Seen& box = w.boxes.seen[0];
    QCOMPARE(box.text, MessageOf(kMsgCompletedWithErrors, "3"));
    QCOMPARE(box.text, QStringLiteral("処理が完了しました。\n3件のエラーが発生しました。"));
    QCOMPARE(box.title, QStringLiteral("完了"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, static_cast<QWidget*>(&w.dlg()));
    QVERIFY(box.modal);

    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QAbstractItemModel* rows = list->model();
    QCOMPARE(rows->rowCount(), 3);
    const QString expected[3][3] = {
        {"1", Text(errorContentList[1]), Q(Join(w.in, "broken2.xml"))},
        {"2", Text(errorContentList[1]), Q(Join(w.in, "broken1.xml"))},
        {"3", Text(errorContentList[0]), Q(Join(w.in, "existing.xml"))},
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            QCOMPARE(rows->index(row, column).data().toString(), expected[row][column]);
        }
    }
    // Fitted: every column is as wide as its header and its widest text need.
    for (int column = 0; column < 3; ++column) {
        QVERIFY(list->columnWidth(column) >= list->HeaderWidth(column));
        QVERIFY(list->columnWidth(column) >= list->ContentsWidth(column));
    }
    QCOMPARE(list->columnWidth(1), std::max(list->HeaderWidth(1), list->ContentsWidth(1)));
    QVERIFY(list->ContentsWidth(2) > list->fontMetrics().horizontalAdvance(Q(Join(w.in, "existing.xml"))));

    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    QVERIFY(!counter->isHidden());
    QCOMPARE(counter->text(), QStringLiteral("(4/4)"));
    QCOMPARE(w.boxes.seen[0].counter, QStringLiteral("(4/4)"));  // shown before the message
    auto* bar = w.Find<QProgressBar>("IDC_PRG_BAR");
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(Exists(w.out + "/good.csv"));
    QCOMPARE(ReadFile(w.out + "/existing.csv"), std::string("kept"));
    QCOMPARE(w.dlg().ErrorRecords().size(), std::size_t{3});
}

void WindowRunTest::clickingARowShowsItsGuidanceAndEmptySpaceChangesNothing()
{
    WindowFixture w;
    WriteFile(w.in + "/a.xml", ValidNotification());
    WriteFile(w.out + "/a.csv", "kept");  // kind 0, recorded first
    WriteFile(w.in + "/b.xml", BrokenNotification());
    SetMtime(w.in + "/a.xml", 100);
    SetMtime(w.in + "/b.xml", 200);
    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    // The kind's guidance, an empty line and the row's reason.
    const QString existsGuided = Text(guidanceList[0]) +
                                 QStringLiteral("\n\n詳細: 出力先に同名のファイルがあります: ") +
                                 Text(tenvor::JoinPath(w.out, "a.csv"));
    const QString brokenGuided = Text(guidanceList[1]) + QStringLiteral("\n\n詳細: XMLとして正しくありません（");

    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    auto* guidance = w.Find<QPlainTextEdit>("IDC_EDT_GUIDANCE");
    QCOMPARE(list->model()->rowCount(), 2);
    QVERIFY(guidance->toPlainText().isEmpty());

    ClickList(list, RowCenter(list, 1));  // a.xml, kind 0
    QCOMPARE(guidance->toPlainText(), existsGuided);
    QVERIFY(guidance->toPlainText().startsWith(
        QStringLiteral("選択したファイルと同名のファイルが存在しないか確認してください。\n\n詳細: ")));
    // The row's tooltip gives the reason too.
    QCOMPARE(list->model()->index(1, 1).data(Qt::ToolTipRole).toString(),
             existsGuided.mid(Text(guidanceList[0]).size() + 6));
    ClickList(list, RowCenter(list, 0));  // b.xml, kind 1
    QVERIFY(guidance->toPlainText().startsWith(brokenGuided));

    // Below the rows: the selection goes, the guidance stays.
    const QPoint empty(RowCenter(list, 1).x(), list->visualRect(list->model()->index(1, 1)).bottom() + 20);
    QVERIFY(list->viewport()->rect().contains(empty));
    ClickList(list, RowCenter(list, 1));
    QCOMPARE(guidance->toPlainText(), existsGuided);
    ClickList(list, empty);
    QCOMPARE(w.dlg().FirstSelectedErrorRow(), -1);
    QCOMPARE(guidance->toPlainText(), existsGuided);

    // Several rows selected: the topmost one decides, not the one clicked last.
    ClickList(list, RowCenter(list, 0));
    ClickList(list, RowCenter(list, 1), Qt::ControlModifier);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 2);
    QVERIFY(guidance->toPlainText().startsWith(brokenGuided));
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
}

void WindowRunTest::keyboardSelectionShowsGuidanceAsAClickDoes()
{
    WindowFixture w;
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    auto* guidance = w.Find<QPlainTextEdit>("IDC_EDT_GUIDANCE");
    auto* exit = w.Find<QPushButton>("IDC_BTN_EXIT");

    // Tabbed into while empty, the list shows that it has the focus.
    exit->setFocus(Qt::TabFocusReason);
    const QImage unfocused = list->viewport()->grab().toImage();
    QTest::keyClick(exit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
    QVERIFY(list->viewport()->grab().toImage() != unfocused);

    WriteFile(w.in + "/a.xml", ValidNotification());
    WriteFile(w.out + "/a.csv", "kept");               // kind 0, recorded first: row 1
    WriteFile(w.in + "/b.xml", BrokenNotification());  // kind 1: row 0
    SetMtime(w.in + "/a.xml", 100);
    SetMtime(w.in + "/b.xml", 200);
    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);
    QCOMPARE(list->model()->rowCount(), 2);
    const QString existsGuided = Text(guidanceList[0]) +
                                 QStringLiteral("\n\n詳細: 出力先に同名のファイルがあります: ") +
                                 Text(tenvor::JoinPath(w.out, "a.csv"));
    const QString brokenGuided = Text(guidanceList[1]) + QStringLiteral("\n\n詳細: XMLとして正しくありません（");
    w.dlg().activateWindow();  // back from the completion message
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));

    exit->setFocus(Qt::TabFocusReason);
    QTest::keyClick(exit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
    QVERIFY(guidance->toPlainText().isEmpty());  // the focus alone selects nothing

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(w.dlg().FirstSelectedErrorRow(), 1);
    QCOMPARE(guidance->toPlainText(), existsGuided);
    // Several rows selected: the topmost one decides.
    QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 2);
    QVERIFY(guidance->toPlainText().startsWith(brokenGuided));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(guidance->toPlainText(), existsGuided);
    // No row selected any more: the guidance stays.
    QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(w.dlg().FirstSelectedErrorRow(), -1);
    QCOMPARE(guidance->toPlainText(), existsGuided);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
}

void WindowRunTest::completedRunWithoutErrors()
{
    WindowFixture w;
    WriteFile(w.in + "/only.xml", ValidNotification());
    MakeDir(w.in + "/folder.xml");  // a folder named like a file: ignored
    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);

    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(w.boxes.seen[0].title, QStringLiteral("完了"));
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QCOMPARE(list->model()->rowCount(), 0);
    // Fitted even without rows: the error-text column shrinks from 250 to its header.
    QCOMPARE(list->columnWidth(1), list->HeaderWidth(1));
    QVERIFY(list->columnWidth(1) != 250);
    QCOMPARE(w.Find<QLabel>("IDC_TXT_PROGRESS")->text(), QStringLiteral("(1/1)"));
    QVERIFY(Exists(w.out + "/only.csv"));

    // An empty folder: (0/0), the bar full, the plain completion message.
    w.boxes.seen.clear();
    TempDir empty;
    SetInput(w, empty.path());
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(w.Find<QLabel>("IDC_TXT_PROGRESS")->text(), QStringLiteral("(0/0)"));
    auto* bar = w.Find<QProgressBar>("IDC_PRG_BAR");
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), bar->maximum());
}

void WindowRunTest::fileRunFillsTheEmptyOutputBox()
{
    WindowFixture w;
    WriteFile(w.in + "/a.xml", ValidNotification());
    QTest::keyClicks(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT"), Q(Join(w.in, "a.xml")));
    PressRun(w);

    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text(), Q(w.in + kSeparator));
    QVERIFY(Exists(w.in + "/a.csv"));
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    QVERIFY(!counter->isHidden());  // hidden when the box was filled, shown again at the end
    QCOMPARE(counter->text(), QStringLiteral("(1/1)"));
    auto* bar = w.Find<QProgressBar>("IDC_PRG_BAR");
    QCOMPARE(bar->value(), bar->maximum());

    // A second run of the same file: its CSV exists now, so it is listed with kind 0, and in
    // file mode the bar ends full.
    w.boxes.seen.clear();
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。\n1件のエラーが発生しました。"));
    QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->index(0, 1).data().toString(),
             QStringLiteral("選択したファイルと同名のファイルが存在します。"));
    QCOMPARE(bar->value(), bar->maximum());
}

void WindowRunTest::folderRunTakesSubfoldersAndZipFilesWhenChecked()
{
    WindowFixture w;
    const FormCatalogue catalogue;
    const gen::GeneratedPackage package = gen::MakeFlatDownload(catalogue, 7);
    QVERIFY(static_cast<qsizetype>(package.xml.size()) > CsvFilesOf(package).size());  // a cover letter too
    WriteFile(w.in + "/direct.xml", ValidNotification());
    MakeDir(w.in + "/S");
    WriteFile(w.in + "/S/deep.xml", ValidNotification("2"));
    WriteFile(Join(w.in, package.fileName), package.bytes);
    ChooseMode(w, true);
    SetInput(w, w.in);
    auto* box = w.Find<QCheckBox>("IDC_CHK_SUBFOLDERS_AND_ZIP");
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");

    // Unchecked: the folder's own XML files only, as always.
    ChooseOutput(w, w.out);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(Listed(w.out), QStringList{QStringLiteral("direct.csv")});
    QCOMPARE(w.Find<QLabel>("IDC_TXT_PROGRESS")->text(), QStringLiteral("(1/1)"));

    // Checked: the subfolder's file below S/, the download's notifications below its own folder;
    // its cover letter is passed over without a row.
    w.boxes.seen.clear();
    const std::string all = w.dir / "all";
    MakeDir(all);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
    QVERIFY(box->isChecked());
    ChooseOutput(w, all);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(list->model()->rowCount(), 0);
    QStringList top = {QStringLiteral("direct.csv"), QStringLiteral("S"), Q(FolderOf(package))};
    top.sort();
    QCOMPARE(Listed(all), top);
    QCOMPARE(Listed(Join(all, "S")), QStringList{QStringLiteral("deep.csv")});
    QCOMPARE(Listed(Join(all, FolderOf(package))), CsvFilesOf(package));
    QCOMPARE(Listed(w.out), QStringList{QStringLiteral("direct.csv")});
}

void WindowRunTest::zipFileRunFillsTheEmptyOutputBox()
{
    WindowFixture w;
    const FormCatalogue catalogue;
    const gen::GeneratedPackage package = gen::MakeFlatDownload(catalogue, 8);
    const std::string zip = Join(w.in, package.fileName);
    WriteFile(zip, package.bytes);
    SetInput(w, zip);
    QVERIFY(w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text().isEmpty());
    PressRun(w);

    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(), 0);
    // The box shows the folder holding the ZIP file; the CSV files went below it.
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text(), Q(w.in + kSeparator));
    QCOMPARE(Listed(Join(w.in, FolderOf(package))), CsvFilesOf(package));
    QVERIFY(!w.dlg().LastOutputFolder().isEmpty());
}

void WindowRunTest::menuChoosesTheEncodingOfTheNextRun()
{
    WindowFixture w;
    const std::string name = "佐藤　太郎";
    WriteFile(w.in + "/sjis.xml", ValidNotification(name));
    WriteFile(w.in + "/utf8.xml", ValidNotification(name));
    WriteFile(w.in + "/again.xml", ValidNotification(name));

    SetInput(w, w.in + "/sjis.xml");
    PressRun(w);
    const std::string sjis = ReadFile(w.in + "/sjis.csv");
    QVERIFY(sjis.rfind("\xEF\xBB\xBF", 0) == std::string::npos);
    QVERIFY(sjis.find(Utf8ToCp932(name)) != std::string::npos);
    QVERIFY(sjis.find(name) == std::string::npos);

    w.Find<QAction>("ID_MENU_FILE_UTF8")->trigger();
    SetInput(w, w.in + "/utf8.xml");
    PressRun(w);
    const std::string utf8 = ReadFile(w.in + "/utf8.csv");
    QVERIFY(utf8.rfind("\xEF\xBB\xBF", 0) == 0);
    QVERIFY(utf8.find(name) != std::string::npos);

    // A mode change keeps the encoding; Shift_JIS again after choosing it.
    ChooseMode(w, true);
    ChooseMode(w, false);
    QVERIFY(w.Find<QAction>("ID_MENU_FILE_UTF8")->isChecked());
    w.Find<QAction>("ID_MENU_FILE_SJIS")->trigger();
    SetInput(w, w.in + "/again.xml");
    PressRun(w);
    QVERIFY(ReadFile(w.in + "/again.csv").find(Utf8ToCp932(name)) != std::string::npos);
    QCOMPARE(w.boxes.seen.size(), std::size_t{3});
}

void WindowRunTest::completionMessageTellsOfCharactersShiftJisLacks()
{
    WindowFixture w;
    // 髙 is in code page 932 (an IBM extension); 𠮷 (U+20BB7) is not, and becomes "?".
    WriteFile(w.in + "/a.xml", ValidNotification("𠮷田　髙子"));
    WriteFile(w.in + "/b.xml", ValidNotification("𠮷"));
    WriteFile(w.in + "/c.xml", ValidNotification("髙橋"));
    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。\nShift_JISで表せない文字を「?」に置き換えた"
                                                  "ファイルが2件あります。UTF-8で出力すると置き換えません。"));
    QCOMPARE(w.boxes.seen[0].title, QStringLiteral("完了"));
    QVERIFY(ReadFile(w.out + "/a.csv").find(Utf8ToCp932("?田　髙子")) != std::string::npos);
    QCOMPARE(w.dlg().ErrorRecords().size(), std::size_t{0});  // converted, not failed

    // UTF-8 replaces nothing, and the message says nothing of it.
    w.boxes.seen.clear();
    const std::string utf8 = w.dir / "utf8";
    MakeDir(utf8);
    w.Find<QAction>("ID_MENU_FILE_UTF8")->trigger();
    ChooseOutput(w, utf8);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QVERIFY(ReadFile(utf8 + "/a.csv").find("𠮷田　髙子") != std::string::npos);
}

void WindowRunTest::invisibleCharactersInPathsAreWrittenOut()
{
    WindowFixture w;
    // A right-to-left override shows what follows it reversed; a zero-width space shows nothing.
    const std::string folder = Join(w.in, "\u202Elmx.x");
    const QString shownFolder = Q(Join(w.in, "\\u202Elmx.x"));
    MakeDir(folder);
    WriteFile(Join(folder, "a.xml"), ValidNotification());
    WriteFile(Join(folder, "c.xml"), ValidNotification("2"));
    WriteFile(Join(folder, "b\u200B.xml"), BrokenNotification());

    // The run fills the empty output box with the folder, written out.
    auto* output = w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT");
    SetInput(w, Join(folder, "a.xml"));
    PressRun(w);
    QCOMPARE(output->text(), shownFolder + QLatin1Char(kSeparator));
    QVERIFY(Exists(Join(folder, "a.csv")));
    // The box still stands for the folder itself: the next run writes there.
    SetInput(w, Join(folder, "c.xml"));
    PressRun(w);
    QVERIFY(Exists(Join(folder, "c.csv")));
    QVERIFY(!Exists(Join(w.in, "\\u202Elmx.x")));
    QCOMPARE(w.boxes.seen.size(), std::size_t{2});

    // The error list's path, and the guidance's reason, are written out; the record keeps the path.
    ChooseMode(w, true);
    w.chooser->folderAnswers << Q(folder);
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_BROWSE_INPUT"), Qt::LeftButton);
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->text(), shownFolder);
    QCOMPARE(output->text(), shownFolder);
    ChooseOutput(w, w.out);
    PressRun(w);
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 2).data().toString(), Q(Join(Join(w.in, "\\u202Elmx.x"), "b\\u200B.xml")));
    QCOMPARE(w.dlg().ErrorRecords().at(0).filePath, Join(folder, "b\u200B.xml"));
    QVERIFY(Exists(w.out + "/a.csv"));
}

void WindowRunTest::menuOpensTheFolderTheLastRunWroteInto()
{
    OpenedUrls opened;
    WindowFixture w;
    auto* open = w.Find<QAction>("OpenOutputFolder");
    QVERIFY(open != nullptr);
    QCOMPARE(open->text(), QStringLiteral("出力先フォルダを開く"));
    QVERIFY(!open->isEnabled());

    // A run that writes nothing leaves it disabled.
    WriteFile(w.in + "/broken.xml", BrokenNotification());
    SetInput(w, w.in + "/broken.xml");
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QVERIFY(!open->isEnabled());

    // The run fills the empty output box with the input's folder and writes there.
    WriteFile(w.in + "/a.xml", ValidNotification());
    SetInput(w, w.in + "/a.xml");
    PressRun(w);
    QVERIFY(Exists(w.in + "/a.csv"));
    QVERIFY(open->isEnabled());
    open->trigger();
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(Q(w.in))});

    // A folder run into the output folder; a later run that writes nothing keeps that folder,
    // and so does a mode change.
    MakeDir(w.in + "/sub");
    WriteFile(w.in + "/sub/c.xml", ValidNotification());
    ChooseMode(w, true);
    SetInput(w, w.in + "/sub");
    ChooseOutput(w, w.out);
    PressRun(w);
    QVERIFY(Exists(w.out + "/c.csv"));
    PressRun(w);  // c.csv exists now: nothing written
    ChooseMode(w, false);
    QVERIFY(open->isEnabled());
    open->trigger();
    QCOMPARE(opened.urls.size(), 2);
    QCOMPARE(opened.urls.last(), QUrl::fromLocalFile(Q(w.out)));

    // The folder is gone: the window says so instead of opening nothing.
    QVERIFY(QDir(Q(w.out)).removeRecursively());
    w.boxes.seen.clear();
    open->trigger();
    QCOMPARE(opened.urls.size(), 2);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].title, QStringLiteral("エラー"));
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("出力先フォルダを開けませんでした。\n") + Q(w.out));
}

void WindowRunTest::invalidInputShowsItsMessageAndClearsTheList()
{
    WindowFixture w;
    WriteFile(w.in + "/upper.XML", ValidNotification());
    WriteFile(w.in + "/fooxml", ValidNotification());
    WriteFile(w.in + "/broken.xml", BrokenNotification());

    // A run with an error fills the list; the next, refused, run still empties it first.
    SetInput(w, w.in + "/broken.xml");
    PressRun(w);
    QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(), 1);

    struct Case {
        bool folder;
        std::string input;
        int message;
    };
    const Case cases[] = {
        {false, w.in + "/missing.xml", kMsgXmlFileMissing},
        {false, w.in + "/fooxml", kMsgNotXmlFile},  // "xml" at its end, but no ".xml"
        {false, w.in, kMsgNotXmlFile},
        {true, w.in + "/upper.XML", kMsgFolderMissing},
        {true, w.in + "/nothing-here", kMsgFolderMissing},
    };
    for (const Case& c : cases) {
        w.boxes.seen.clear();
        if (w.dlg().IsFileMode() == c.folder) {
            ChooseMode(w, c.folder);
        }
        SetInput(w, c.input);
        PressRun(w);
        QCOMPARE(w.boxes.seen.size(), std::size_t{1});
        QCOMPARE(w.boxes.seen[0].text, MessageOf(c.message));
        QCOMPARE(w.boxes.seen[0].title, QStringLiteral("エラー"));
        QCOMPARE(w.boxes.seen[0].icon, QMessageBox::NoIcon);
        QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(), 0);
        QVERIFY(w.Find<QLabel>("IDC_TXT_PROGRESS")->isHidden());
    }

    // ".XML" in any letter case is an XML file in file mode too, as it is when dropped.
    w.boxes.seen.clear();
    ChooseMode(w, false);
    SetInput(w, w.in + "/upper.XML");
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, MessageOf(kMsgCompleted));
    QVERIFY(Exists(w.in + "/upper.csv"));  // beside it: the mode change emptied the output box
}

void WindowRunTest::unwritableLogStopsTheRunWithMessageSixOnce()
{
    WindowFixture w;
    for (const char* name : {"a.xml", "b.xml", "c.xml"}) {
        WriteFile(w.in + "/" + name, BrokenNotification());
    }
    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);  // a completed run first: three rows
    QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(), 3);

    // The log's path is taken by a folder: no entry can be written.
    const std::string log = w.home + "/Ver1.20.log";
    std::remove(log.c_str());
    MakeDir(log);
    w.boxes.seen.clear();
    PressRun(w);

    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("ログファイルが開かれています。\n閉じてから再実行してください。"));
    QCOMPARE(w.boxes.seen[0].title, QStringLiteral("エラー"));
    QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(), 0);
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    QVERIFY(!counter->isHidden());
    QCOMPARE(counter->text(), QStringLiteral("(3/3)"));
    QVERIFY(w.dlg().isVisible());
}

void WindowRunTest::longFolderRunKeepsTheWindowPaintedAndOpen()
{
    WindowFixture w;
    QVERIFY(QTest::qWaitForWindowExposed(&w.dlg()));
    constexpr int kFiles = 2000;
    const std::string xml = ValidNotification();
    for (int i = 0; i < kFiles; ++i) {
        WriteFile(w.in + "/n" + std::to_string(i) + ".xml", xml);
    }
    ChooseMode(w, true);
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    PaintRecorder recorder(counter);

    // While the run goes on, try to close the window every way there is, and to start a second
    // run; none of it may take effect. Attempts while files are still being converted show
    // that the window handles its events during the run, not only in the completion message.
    int attempts = 0;
    int attemptsMidRun = 0;
    QTimer closer;
    closer.setInterval(0);
    connect(&closer, &QTimer::timeout, [&] {
        if (!w.dlg().IsRunning()) {
            return;
        }
        ++attempts;
        if (counter->text() != QStringLiteral("(2000/2000)")) {
            ++attemptsMidRun;
        }
        w.dlg().close();
        w.dlg().reject();
        w.dlg().done(QDialog::Accepted);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT"), &escape);
        w.dlg().OnClickedBtnOutput();
    });
    closer.start();

    QElapsedTimer clock;
    clock.start();
    PressRun(w);
    const qint64 elapsed = clock.elapsed();
    closer.stop();

    QVERIFY(w.dlg().isVisible());
    QCOMPARE(w.dlg().result(), 0);
    QVERIFY2(attemptsMidRun > 0, "the run never let the window handle its events");
    QVERIFY(attempts > attemptsMidRun);  // also refused while the completion message is open
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, QStringLiteral("処理が完了しました。"));
    QCOMPARE(counter->text(), QStringLiteral("(2000/2000)"));

    // The counter was painted with values from the middle of the run.
    QStringList middle;
    for (const QString& text : recorder.painted) {
        if (text != "(0/2000)" && text != "(2000/2000)" && text.startsWith('(') && text.endsWith("/2000)")) {
            middle << text;
        }
    }
    QVERIFY2(!middle.isEmpty(), qPrintable(recorder.painted.join(' ')));
    // Progress was shown about 30 times a second at most (besides the few other events that bring
    // it up to date), not once per report.
    const RunEventQueue& events = w.dlg().RunEvents();
    const QString report = QStringLiteral("progress shown %1 times of %2 reports in %3 ms")
                               .arg(events.ProgressDeliveries())
                               .arg(events.ProgressReports())
                               .arg(elapsed);
    QVERIFY2(events.ProgressDeliveries() >= 1, qPrintable(report));
    QVERIFY2(events.ProgressDeliveries() <= elapsed / RunEventQueue::kProgressIntervalMs + 8, qPrintable(report));
    qInfo("%s", qPrintable(report));
}

// The workbooks in a folder: the names "一覧_YYYYMMDD_HHMMSS.xlsx".
QStringList WorkbooksIn(const std::string& folder)
{
    QStringList names;
    for (const QString& name : Listed(folder)) {
        if (name.startsWith(QStringLiteral("一覧_")) && name.endsWith(QStringLiteral(".xlsx"))) {
            names << name;
        }
    }
    return names;
}

void WindowRunTest::workbookGoesBesideTheCsvFilesAndEndsTheMessage()
{
    WindowFixture w;
    auto* box = w.Find<QCheckBox>("IDC_CHK_WORKBOOK");
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QStringLiteral("一覧表（Excel）も作成する"));
    QVERIFY(!box->isChecked());
    QVERIFY(box->isEnabled());
    QVERIFY(w.dlg().RequestFromControls().workbookPath.empty());
    WriteFile(w.in + "/a.xml", ValidNotification());
    WriteFile(w.in + "/broken.xml", BrokenNotification());

    // With an output folder: the workbook goes there, named by the time, its path the last line.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));  // its square
    ChooseMode(w, true);
    QVERIFY(box->isEnabled() && box->isChecked());  // the mode change leaves it as it is
    SetInput(w, w.in);
    ChooseOutput(w, w.out);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    const QStringList inOutput = WorkbooksIn(w.out);
    QCOMPARE(inOutput.size(), 1);
    QCOMPARE(inOutput[0].size(), QStringLiteral("一覧_YYYYMMDD_HHMMSS.xlsx").size());
    QCOMPARE(QDir::fromNativeSeparators(w.boxes.seen[0].text),
             QDir::fromNativeSeparators(MessageOf(kMsgCompletedWithErrors, "1") + QStringLiteral("\n一覧表: ") +
                                        Q(Join(w.out, inOutput[0].toStdString()))));
    QVERIFY(Exists(w.out + "/a.csv"));
    QVERIFY(WorkbooksIn(w.in).isEmpty());

    // Without one, in file mode: beside the CSV file, in the input's folder.
    w.boxes.seen.clear();
    ChooseMode(w, false);
    QVERIFY(box->isEnabled() && box->isChecked());
    QTest::keyClicks(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT"), Q(Join(w.in, "a.xml")));
    QVERIFY(w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text().isEmpty());
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QVERIFY(Exists(w.in + "/a.csv"));
    const QStringList inInput = WorkbooksIn(w.in);
    QCOMPARE(inInput.size(), 1);
    QCOMPARE(QDir::fromNativeSeparators(w.boxes.seen[0].text),
             QDir::fromNativeSeparators(MessageOf(kMsgCompleted) + QStringLiteral("\n一覧表: ") +
                                        Q(Join(w.in, inInput[0].toStdString()))));

    // Unchecked: no workbook, the plain message.
    w.boxes.seen.clear();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));  // its square
    QVERIFY(!box->isChecked());
    SetInput(w, w.in + "/broken.xml");
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QCOMPARE(w.boxes.seen[0].text, MessageOf(kMsgCompletedWithErrors, "1"));
    QCOMPARE(WorkbooksIn(w.in).size(), 1);

    // A new start begins unchecked.
    WindowFixture next;
    QVERIFY(!next.Find<QCheckBox>("IDC_CHK_WORKBOOK")->isChecked());
}

void WindowRunTest::unwritableWorkbookRefusesTheRunWithItsMessage()
{
    WindowFixture w;
    WriteFile(w.in + "/a.xml", ValidNotification());
    auto* box = w.Find<QCheckBox>("IDC_CHK_WORKBOOK");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));  // its square
    QVERIFY(box->isChecked());
    SetInput(w, w.in + "/a.xml");
    const std::vector<std::string> logBefore = w.LogBodies();

    // An output folder that does not exist: the workbook has no folder to go into.
    const std::string missing = Join(w.dir.path(), "missing");
    ChooseOutput(w, missing);
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    // Either separator: the path is the system's own.
    const QString prefix = QDir::fromNativeSeparators(MessageOf(kMsgWorkbookFolderMissing, Join(missing, "一覧_")));
    const QString shown = QDir::fromNativeSeparators(w.boxes.seen[0].text);
    QVERIFY2(shown.startsWith(prefix) && shown.endsWith(QStringLiteral(".xlsx")), qPrintable(shown));
    QCOMPARE(w.boxes.seen[0].title, QStringLiteral("エラー"));
    QVERIFY(!Exists(missing));
    QVERIFY(w.Find<QLabel>("IDC_TXT_PROGRESS")->isHidden());  // nothing started
    QCOMPARE(w.LogBodies(), logBefore);

    // A file of the workbook's name: every name of the next seconds is taken in the output folder.
    w.boxes.seen.clear();
    ChooseOutput(w, w.out);
    const auto now = std::chrono::system_clock::now();
    for (int second = 0; second < 10; ++second) {
        const std::time_t when = std::chrono::system_clock::to_time_t(now + std::chrono::seconds(second));
        WriteFile(Join(w.out, DefaultWorkbookName(LocalTimeDigits(when))), "not a workbook");
    }
    PressRun(w);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    const QString exists = MessageOf(kMsgWorkbookExists, Join(w.out, "一覧_"));
    QVERIFY2(w.boxes.seen[0].text.startsWith(exists), qPrintable(w.boxes.seen[0].text));
    QVERIFY(!Exists(w.out + "/a.csv"));
    QVERIFY(w.Find<QLabel>("IDC_TXT_PROGRESS")->isHidden());
    QCOMPARE(w.LogBodies(), logBefore);
    QCOMPARE(w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(), 0);
}

QTEST_MAIN(WindowRunTest)
#include "WindowRunTest.moc"
