// The user's input: mode changes and their reset (the error list back at its first column),
// folder mode's check box, typing and the enabling rules, the browse buttons and the real file
// chooser's filters, dropped files and folders, and the keys Enter and Escape.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QUrl>
#include <QtTest>

#include "diag/MessageCatalog.h"
#include "ui/ErrorListView.h"
#include "ui/UiTestSupport.h"

using namespace tenvor;
using namespace tenvor::test;

namespace {

// What a mode change resets, and the mode.
struct Snapshot {
    QString input, output, guidance;
    int rows = 0;
    std::size_t records = 0;
    bool fileMode = false;
    bool runEnabled = false;
    bool fileChecked = false;

    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(WindowFixture& w)
{
    return {w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->text(),
            w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text(),
            w.Find<QPlainTextEdit>("IDC_EDT_GUIDANCE")->toPlainText(),
            w.Find<ErrorListView>("IDC_LIST_ERRORFILE")->model()->rowCount(),
            w.dlg().ErrorRecords().size(),
            w.dlg().IsFileMode(),
            w.Find<QPushButton>("IDC_BTN_OUTPUT")->isEnabled(),
            w.Find<QRadioButton>("IDC_RAD_SELECT_FILE")->isChecked()};
}

// A completed file run of a broken file, with its row clicked: paths, one row, one record and
// the guidance are all set. The file's name is longer than the list is wide.
void FillWithAnError(WindowFixture& w)
{
    const std::string broken = w.in + "/broken-" + std::string(160, 'x') + ".xml";
    WriteFile(broken, BrokenNotification());
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(Q(broken));
    w.chooser->folderAnswers << Q(w.out);
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_BROWSE_OUTPUT"), Qt::LeftButton);
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_OUTPUT"), Qt::LeftButton);
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
}

void Click(WindowFixture& w, const char* symbol)
{
    QTest::mouseClick(w.Find<QWidget>(symbol), Qt::LeftButton);
}

QMimeData* UrlsOf(const QList<QUrl>& urls)
{
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

// Drags the data over the window and drops it; returns whether the window took it.
bool Drop(WindowFixture& w, QMimeData* mime)
{
    std::unique_ptr<QMimeData> owner(mime);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.dlg(), &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.dlg(), &drop);
    if (enter.isAccepted() != drop.isAccepted()) {
        qWarning("drag enter and drop disagree");
        return false;
    }
    return drop.isAccepted();
}

}  // namespace

class WindowInputTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { tenvor::test::PrepareWindowTestProcess(); }

private slots:
    void modeChangeResetsAndTheCurrentModeChangesNothing();
    void subfolderBoxBelongsToFolderModeAndClearsNothing();
    void typingEnablesAndEmptyingDisablesTheRunButton();
    void editingAPathHidesTheCounterAndEmptiesTheBar();
    void browseButtonsFillThePathBoxes();
    void fileChooserListsXmlThenZipFiles();
    void droppedItemsAreTakenLikeBrowsedOnes();
    void enterNeverRunsOrClosesOutsideThePushButtons();
    void enterOnExitClosesAndEscapeCancels();
};

void WindowInputTest::modeChangeResetsAndTheCurrentModeChangesNothing()
{
    WindowFixture w;
    FillWithAnError(w);
    const Snapshot filled = Take(w);
    QCOMPARE(filled.rows, 1);
    QCOMPARE(filled.records, std::size_t{1});
    QVERIFY(!filled.guidance.isEmpty() && !filled.output.isEmpty());

    Click(w, "IDC_RAD_SELECT_FILE");  // the current mode
    QVERIFY(Take(w) == filled);

    // The list scrolled sideways to the end of the path; emptied, it shows its titles again.
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QScrollBar* sideways = list->horizontalScrollBar();
    QVERIFY(sideways->maximum() > 0);
    sideways->setValue(sideways->maximum());
    QVERIFY(list->horizontalHeader()->offset() > 0);

    Click(w, "IDC_RAD_SELECT_FOLDER");
    QCOMPARE(sideways->value(), 0);
    QCOMPARE(list->horizontalHeader()->offset(), 0);
    QCOMPARE(list->horizontalHeader()->logicalIndexAt(0), 0);
    const Snapshot reset = Take(w);
    QVERIFY(reset.input.isEmpty() && reset.output.isEmpty() && reset.guidance.isEmpty());
    QCOMPARE(reset.rows, 0);
    QCOMPARE(reset.records, std::size_t{0});
    QVERIFY(!reset.fileMode);
    QVERIFY(!reset.runEnabled);
    QVERIFY(!reset.fileChecked);
    QVERIFY(!w.dlg().IsFileMode());
    QVERIFY(w.Find<QLabel>("IDC_TXT_PROGRESS")->isHidden());
    QCOMPARE(w.Find<QProgressBar>("IDC_PRG_BAR")->value(), 0);

    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(QStringLiteral("kept"));
    const Snapshot typed = Take(w);
    Click(w, "IDC_RAD_SELECT_FOLDER");  // the current mode again
    QVERIFY(Take(w) == typed);

    Click(w, "IDC_RAD_SELECT_FILE");
    const Snapshot back = Take(w);
    QVERIFY(back.input.isEmpty());
    QVERIFY(back.fileMode);
    QVERIFY(back.fileChecked);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});  // only the completion message of the run
}

void WindowInputTest::subfolderBoxBelongsToFolderModeAndClearsNothing()
{
    WindowFixture w;
    auto* box = w.Find<QCheckBox>("IDC_CHK_SUBFOLDERS_AND_ZIP");
    const auto clickBox = [&] {  // on its indicator
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
    };
    QVERIFY(!box->isEnabled());
    Click(w, "IDC_RAD_SELECT_FOLDER");
    QVERIFY(box->isEnabled());
    QVERIFY(!box->isChecked());

    // A completed folder run with its row clicked: paths, list, guidance, counter and bar set.
    WriteFile(w.in + "/broken.xml", BrokenNotification());
    w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->setText(Q(w.in));
    w.chooser->folderAnswers << Q(w.out);
    Click(w, "IDC_BTN_BROWSE_OUTPUT");
    QVERIFY(!w.dlg().RequestFromControls().recursive);
    Click(w, "IDC_BTN_OUTPUT");
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
    const Snapshot filled = Take(w);
    QCOMPARE(filled.rows, 1);
    QVERIFY(!filled.guidance.isEmpty() && !filled.output.isEmpty());
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    auto* bar = w.Find<QProgressBar>("IDC_PRG_BAR");
    QVERIFY(!counter->isHidden());
    const QString counted = counter->text();
    const int barValue = bar->value();
    QVERIFY(barValue > 0);

    // Checking it clears nothing; the next run takes subfolders and ZIP files.
    clickBox();
    QVERIFY(box->isChecked());
    QVERIFY(Take(w) == filled);
    QVERIFY(!counter->isHidden());
    QCOMPARE(counter->text(), counted);
    QCOMPARE(bar->value(), barValue);
    RunRequest request = w.dlg().RequestFromControls();
    QVERIFY(request.recursive);
    QCOMPARE(request.inputs.size(), std::size_t{1});
    QVERIFY(request.inputs[0].mode == InputMode::Folder);

    // File mode disables it and keeps its state; a file run is never recursive.
    Click(w, "IDC_RAD_SELECT_FILE");
    QVERIFY(!box->isEnabled());
    QVERIFY(box->isChecked());
    QVERIFY(!w.dlg().RequestFromControls().recursive);
    clickBox();  // disabled: no change
    QVERIFY(box->isChecked());

    // Folder mode again, here by a dropped folder: enabled and still checked, until unchecked.
    QVERIFY(Drop(w, UrlsOf({QUrl::fromLocalFile(Q(w.in))})));
    QVERIFY(box->isEnabled());
    QVERIFY(box->isChecked());
    QVERIFY(w.dlg().RequestFromControls().recursive);
    clickBox();
    QVERIFY(!box->isChecked());
    QVERIFY(!w.dlg().RequestFromControls().recursive);
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->text(), Q(w.in));
}

void WindowInputTest::typingEnablesAndEmptyingDisablesTheRunButton()
{
    WindowFixture w;
    auto* input = w.Find<QLineEdit>("IDC_EDT_PATH_INPUT");
    auto* run = w.Find<QPushButton>("IDC_BTN_OUTPUT");
    auto* browseOutput = w.Find<QPushButton>("IDC_BTN_BROWSE_OUTPUT");
    QVERIFY(!run->isEnabled() && !browseOutput->isEnabled());
    QTest::keyClick(input, Qt::Key_A);
    QVERIFY(run->isEnabled() && browseOutput->isEnabled());
    QTest::keyClick(input, Qt::Key_B);
    QVERIFY(run->isEnabled());
    QTest::keyClick(input, Qt::Key_Backspace);
    QVERIFY(run->isEnabled());
    QTest::keyClick(input, Qt::Key_Backspace);
    QVERIFY(!run->isEnabled() && !browseOutput->isEnabled());
    // A blank is text too: the path is taken as typed.
    QTest::keyClick(input, Qt::Key_Space);
    QVERIFY(run->isEnabled());
    QVERIFY(w.Find<QPushButton>("IDC_BTN_BROWSE_INPUT")->isEnabled());
    QVERIFY(w.Find<QPushButton>("IDC_BTN_EXIT")->isEnabled());
}

void WindowInputTest::editingAPathHidesTheCounterAndEmptiesTheBar()
{
    WindowFixture w;
    WriteFile(w.in + "/a.xml", ValidNotification());
    auto* input = w.Find<QLineEdit>("IDC_EDT_PATH_INPUT");
    auto* counter = w.Find<QLabel>("IDC_TXT_PROGRESS");
    auto* bar = w.Find<QProgressBar>("IDC_PRG_BAR");
    auto runAgain = [&] {
        input->setText(Q(Join(w.in, "a.xml")));
        std::remove((w.in + "/a.csv").c_str());
        QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_OUTPUT"), Qt::LeftButton);
        QVERIFY(!counter->isHidden());
        QVERIFY(bar->value() > 0);
    };

    runAgain();
    QTest::keyClick(input, Qt::Key_End);
    QTest::keyClick(input, Qt::Key_Backspace);
    QVERIFY(counter->isHidden());
    QCOMPARE(bar->value(), 0);
    QVERIFY(bar->maximum() > 0);  // the range stays

    runAgain();
    const QString output = w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text();
    w.chooser->folderAnswers << output;  // the same folder again still counts as a change
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_BROWSE_OUTPUT"), Qt::LeftButton);
    QVERIFY(counter->isHidden());
    QCOMPARE(bar->value(), 0);
    QVERIFY(w.Find<QPushButton>("IDC_BTN_OUTPUT")->isEnabled());
}

void WindowInputTest::browseButtonsFillThePathBoxes()
{
    WindowFixture w;
    auto* input = w.Find<QLineEdit>("IDC_EDT_PATH_INPUT");
    auto* output = w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT");
    // Choosers answer with absolute paths in the system's form: /data/in/a.xml, or Z:\data\in\a.xml.
    const auto chosen = [](const char* relative) {
        return QDir::toNativeSeparators(QDir::rootPath() + QLatin1String(relative));
    };

    w.chooser->fileAnswers << chosen("data/in/a.xml") << QString();
    Click(w, "IDC_BTN_BROWSE_INPUT");
    QCOMPARE(input->text(), chosen("data/in/a.xml"));
    QCOMPARE(output->text(), chosen("data/in"));
    Click(w, "IDC_BTN_BROWSE_INPUT");  // cancelled
    QCOMPARE(input->text(), chosen("data/in/a.xml"));
    QCOMPARE(output->text(), chosen("data/in"));
    QCOMPARE(w.chooser->fileCalls, 2);
    QCOMPARE(w.chooser->folderCalls, 0);

    w.chooser->folderAnswers << chosen("data/out") << QString();
    Click(w, "IDC_BTN_BROWSE_OUTPUT");
    QCOMPARE(output->text(), chosen("data/out"));
    Click(w, "IDC_BTN_BROWSE_OUTPUT");  // cancelled
    QCOMPARE(output->text(), chosen("data/out"));
    QCOMPARE(input->text(), chosen("data/in/a.xml"));

    Click(w, "IDC_RAD_SELECT_FOLDER");
    w.chooser->folderAnswers << chosen("data/folder");
    Click(w, "IDC_BTN_BROWSE_INPUT");
    QCOMPARE(input->text(), chosen("data/folder"));
    QCOMPARE(output->text(), chosen("data/folder"));
    QCOMPARE(w.chooser->fileCalls, 2);
    QCOMPARE(w.chooser->folderCalls, 3);
}

// The real file chooser: XML files first and by default, then ZIP files; a chosen ZIP file is
// taken like an XML file.
void WindowInputTest::fileChooserListsXmlThenZipFiles()
{
    WindowFixture w;
    ScopedEnv config("XDG_CONFIG_HOME", w.dir / "config");  // where Qt's chooser keeps its history
    const std::string zip = Join(w.in, "公文書(002).zip");
    WriteFile(zip, "PK");
    w.chooser = nullptr;  // replaced: the window owns the real one now
    w.dlg().SetPathChooser(std::make_unique<DialogPathChooser>());

    QStringList filters;
    QString shownFirst, suffix;
    QTimer answerer;
    answerer.setInterval(10);
    connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* chooser = qobject_cast<QFileDialog*>(widget);
            if (chooser == nullptr || !chooser->isVisible()) {
                continue;
            }
            // What it shows on opening; the answer is given again on every tick until the chooser
            // takes it (its file list is filled on a thread of its own and may not be ready yet).
            if (filters.isEmpty()) {
                filters = chooser->nameFilters();
                shownFirst = chooser->selectedNameFilter();
                suffix = chooser->defaultSuffix();
            }
            chooser->selectNameFilter(QStringLiteral("ZIPファイル(*.zip)"));
            chooser->selectFile(Q(zip));
            // Until its file list has been read, the chooser cannot select a file of it: the name
            // is typed into its box instead, as a user may.
            if (auto* typed = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                typed != nullptr && chooser->selectedFiles().value(0) != Q(zip)) {
                typed->setText(QFileInfo(Q(zip)).fileName());
            }
            static_cast<QDialog*>(chooser)->accept();  // as its open button does
        }
    });
    answerer.start();
    Click(w, "IDC_BTN_BROWSE_INPUT");
    answerer.stop();

    QCOMPARE(filters, (QStringList{QStringLiteral("XMLファイル(*.xml)"), QStringLiteral("ZIPファイル(*.zip)")}));
    QCOMPARE(shownFirst, filters.value(0));
    QCOMPARE(suffix, QStringLiteral("xml"));
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT")->text(), Q(zip));
    QCOMPARE(w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT")->text(), Q(w.in));
    QVERIFY(w.dlg().IsFileMode());
    QVERIFY(w.Find<QPushButton>("IDC_BTN_OUTPUT")->isEnabled());
}

void WindowInputTest::droppedItemsAreTakenLikeBrowsedOnes()
{
    WindowFixture w;
    FillWithAnError(w);
    auto* input = w.Find<QLineEdit>("IDC_EDT_PATH_INPUT");
    auto* output = w.Find<QLineEdit>("IDC_EDT_PATH_OUTPUT");
    auto* list = w.Find<ErrorListView>("IDC_LIST_ERRORFILE");
    WriteFile(w.in + "/a.xml", ValidNotification());
    WriteFile(w.in + "/b.XML", ValidNotification());
    WriteFile(w.in + "/notes.txt", "x");
    WriteFile(w.in + "/pack.Zip", "PK");

    // Refused: anything but one local folder or one XML or ZIP file. Nothing changes.
    const Snapshot before = Take(w);
    QVERIFY(!Drop(w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "notes.txt")))})));
    QVERIFY(
        !Drop(w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "a.xml"))), QUrl::fromLocalFile(Q(Join(w.in, "b.XML")))})));
    QVERIFY(!Drop(
        w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "a.xml"))), QUrl::fromLocalFile(Q(Join(w.in, "pack.Zip")))})));
    QVERIFY(!Drop(w, UrlsOf({QUrl(QStringLiteral("https://example.com/a.xml"))})));
    QVERIFY(!Drop(w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "missing.xml")))})));
    auto* text = new QMimeData;
    text->setText(Q(Join(w.in, "a.xml")));
    QVERIFY(!Drop(w, text));
    QVERIFY(Take(w) == before);

    // A file in file mode: taken like a browsed file, without a reset.
    QVERIFY(Drop(w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "b.XML")))})));
    QCOMPARE(input->text(), Q(Join(w.in, "b.XML")));
    QCOMPARE(output->text(), Q(w.in));
    QCOMPARE(list->model()->rowCount(), 1);
    QVERIFY(w.dlg().IsFileMode());

    // A folder in file mode: folder mode with its reset, then both boxes get the folder.
    QVERIFY(Drop(w, UrlsOf({QUrl::fromLocalFile(Q(w.out))})));
    QVERIFY(w.Find<QRadioButton>("IDC_RAD_SELECT_FOLDER")->isChecked());
    QVERIFY(!w.dlg().IsFileMode());
    QCOMPARE(input->text(), Q(w.out));
    QCOMPARE(output->text(), Q(w.out));
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(w.dlg().ErrorRecords().empty());
    QVERIFY(w.Find<QPlainTextEdit>("IDC_EDT_GUIDANCE")->toPlainText().isEmpty());
    QVERIFY(w.Find<QPushButton>("IDC_BTN_OUTPUT")->isEnabled());

    // A file in folder mode: back to file mode.
    QVERIFY(Drop(w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "a.xml")))})));
    QVERIFY(w.Find<QRadioButton>("IDC_RAD_SELECT_FILE")->isChecked());
    QVERIFY(w.dlg().IsFileMode());
    QCOMPARE(input->text(), Q(Join(w.in, "a.xml")));
    QCOMPARE(output->text(), Q(w.in));

    // The dropped file converts.
    QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_OUTPUT"), Qt::LeftButton);
    QVERIFY(Exists(w.in + "/a.csv"));

    // A ZIP file, its extension in any letter case, is taken like an XML file: in folder mode
    // it brings file mode back.
    QVERIFY(Drop(w, UrlsOf({QUrl::fromLocalFile(Q(w.out))})));
    QVERIFY(!w.dlg().IsFileMode());
    QVERIFY(Drop(w, UrlsOf({QUrl::fromLocalFile(Q(Join(w.in, "pack.Zip")))})));
    QVERIFY(w.Find<QRadioButton>("IDC_RAD_SELECT_FILE")->isChecked());
    QVERIFY(w.dlg().IsFileMode());
    QCOMPARE(input->text(), Q(Join(w.in, "pack.Zip")));
    QCOMPARE(output->text(), Q(w.in));
    QVERIFY(w.dlg().RequestFromControls().inputs.at(0).mode == InputMode::File);
}

void WindowInputTest::enterNeverRunsOrClosesOutsideThePushButtons()
{
    WindowFixture w;
    QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));
    WriteFile(w.in + "/a.xml", ValidNotification());
    auto* input = w.Find<QLineEdit>("IDC_EDT_PATH_INPUT");
    input->setText(Q(Join(w.in, "a.xml")));

    for (const char* symbol : {"IDC_EDT_PATH_INPUT", "IDC_EDT_PATH_OUTPUT", "IDC_LIST_ERRORFILE", "IDC_EDT_GUIDANCE"}) {
        QWidget* control = w.Find<QWidget>(symbol);
        control->setFocus();
        QCOMPARE(QApplication::focusWidget(), control);
        QTest::keyClick(control, Qt::Key_Return);
        QTest::keyClick(control, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY2(w.dlg().isVisible(), symbol);
        QCOMPARE(w.dlg().result(), 0);
    }
    QVERIFY(w.boxes.seen.empty());
    QVERIFY(!Exists(w.in + "/a.csv"));
    QVERIFY(w.Find<QLabel>("IDC_TXT_PROGRESS")->isHidden());

    // Enter on a focused push button presses it.
    auto* run = w.Find<QPushButton>("IDC_BTN_OUTPUT");
    run->setFocus();
    QTest::keyClick(run, Qt::Key_Return);
    QCOMPARE(w.boxes.seen.size(), std::size_t{1});
    QVERIFY(Exists(w.in + "/a.csv"));
    auto* browse = w.Find<QPushButton>("IDC_BTN_BROWSE_INPUT");
    browse->setFocus();
    QTest::keyClick(browse, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(w.chooser->fileCalls, 1);
    QVERIFY(w.dlg().isVisible());
}

void WindowInputTest::enterOnExitClosesAndEscapeCancels()
{
    {
        WindowFixture w;
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));
        auto* exit = w.Find<QPushButton>("IDC_BTN_EXIT");
        exit->setFocus();
        QTest::keyClick(exit, Qt::Key_Return);
        QVERIFY(!w.dlg().isVisible());
        QCOMPARE(w.dlg().result(), int(QDialog::Accepted));
    }
    {
        WindowFixture w;
        QVERIFY(QTest::qWaitForWindowActive(&w.dlg()));
        QTest::keyClick(w.Find<QLineEdit>("IDC_EDT_PATH_INPUT"), Qt::Key_Escape);
        QVERIFY(!w.dlg().isVisible());
        QCOMPARE(w.dlg().result(), int(QDialog::Rejected));
    }
    {
        WindowFixture w;
        QTest::mouseClick(w.Find<QPushButton>("IDC_BTN_EXIT"), Qt::LeftButton);
        QVERIFY(!w.dlg().isVisible());
        QCOMPARE(w.dlg().result(), int(QDialog::Accepted));
    }
}

QTEST_MAIN(WindowInputTest)
#include "WindowInputTest.moc"
