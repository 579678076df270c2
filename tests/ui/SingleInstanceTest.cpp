// One instance at a time: the guard itself, a second window refused while the first runs and
// allowed after it closes or dies, the debug entries of start and end, and the application
// object's start and end, with Qt's own texts (choosers, context menus) in Japanese.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "TenvorVersion.h"
#include "app/CTenvorApp.h"
#include "diag/MessageCatalog.h"
#include "platform/AppFolder.h"
#include "platform/SingleInstance.h"
#include "ui/UiTestSupport.h"

using namespace tenvor;
using namespace tenvor::test;

namespace {

#ifdef _WIN32
// Whether some process holds the tool's named mutex; looked at without taking it.
bool GuardHeldByProcess(qint64 /*pid*/, const std::string& /*home*/)
{
    HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, QString::fromUtf8(kSingleInstanceName).toStdWString().c_str());
    if (mutex == nullptr) {
        return false;
    }
    ::CloseHandle(mutex);
    return true;
}
#else
// Whether the process holds the flock lock on the tool's lock file in home, as /proc/locks lists
// it; looked at without taking it.
bool GuardHeldByProcess(qint64 pid, const std::string& home)
{
    const std::string path = SingleInstance::LockFilePath(kSingleInstanceName, home + "/");
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return false;
    }
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QString inode = QStringLiteral(":%1").arg(st.st_ino);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QStringList fields = QString::fromLatin1(line).simplified().split(' ');
        // "1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF"
        if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[4] == QString::number(pid) &&
            fields[5].endsWith(inode)) {
            return true;
        }
    }
    return false;
}
#endif

void WriteDebugSettings(const std::string& home)
{
    MakeDir(home);
    WriteFile(home + "/Tenvor.ini", "[Msg_Print]\nDebugFlag=1\n");
}

// Closes the window through its exit button as soon as its modal loop runs.
void ClickExitWhenShown(CTenvorDlg& dlg)
{
    QTimer::singleShot(0, &dlg, [&dlg] {
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("IDC_BTN_EXIT")), Qt::LeftButton);
    });
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

public:
    static void initMain() { tenvor::test::PrepareWindowTestProcess(); }

private slots:
    void guardExcludesUntilReleased();
    void guardReportsAFolderItCannotUse();
    void secondWindowIsRefusedWhileTheFirstRunsAndAllowedAfterItCloses();
    void debugModeLogsStartAndEndOfASecondInstanceToo();
    void normalModeLogsNothingAtStartAndEnd();
    void runningProcessBlocksUntilItDies();
    void applicationEndsASecondInstanceAfterItsMessage();
    void applicationRunsTheWindowUntilItCloses();
    void applicationShowsQtsOwnTextsInJapanese();
};

void SingleInstanceTest::guardExcludesUntilReleased()
{
    TempDir dir;
    const std::string folder = dir / "not/yet/there";
    SingleInstance first;
    SingleInstance second;
    QCOMPARE(first.Acquire("Tenvor.exe Version 1.20", folder), SingleInstance::Result::Acquired);
    QVERIFY(first.IsHeld());
#ifndef _WIN32
    QVERIFY(Exists(folder + "/Tenvor.exe Version 1.20.lock"));
#endif
    QCOMPARE(second.Acquire("Tenvor.exe Version 1.20", folder), SingleInstance::Result::HeldByAnother);
    QVERIFY(!second.IsHeld());
    // Another name is another guard.
    SingleInstance other;
    QCOMPARE(other.Acquire("Tenvor.exe Version 1.21", folder), SingleInstance::Result::Acquired);

    first.Release();
    QVERIFY(!first.IsHeld());
    first.Release();  // harmless when not held
    QCOMPARE(second.Acquire("Tenvor.exe Version 1.20", folder), SingleInstance::Result::Acquired);
    {
        SingleInstance scoped;
        QCOMPARE(scoped.Acquire("scoped", folder), SingleInstance::Result::Acquired);
    }
    QCOMPARE(first.Acquire("scoped", folder), SingleInstance::Result::Acquired);  // the destructor released it
}

void SingleInstanceTest::guardReportsAFolderItCannotUse()
{
#ifdef _WIN32
    QSKIP("the named mutex needs no folder");
#endif
    TempDir dir;
    WriteFile(dir / "file", "x");
    SingleInstance guard;
    QCOMPARE(guard.Acquire("name", dir / "file"), SingleInstance::Result::Unavailable);
    QVERIFY(!guard.IsHeld());

    // A window whose settings folder cannot hold the lock still opens, unguarded.
    MessageBoxCatcher boxes;
    SingleInstance dlgGuard;
    CTenvorDlg dlg(dlgGuard, dir / "file/");
    dlg.OnInitDialog();
    QVERIFY(!dlg.QuitPosted());
    QVERIFY(!dlgGuard.IsHeld());
    QVERIFY(boxes.seen.empty());
}

void SingleInstanceTest::secondWindowIsRefusedWhileTheFirstRunsAndAllowedAfterItCloses()
{
    WindowFixture first;
    QVERIFY(first.guard.IsHeld());
    QVERIFY(GuardHeldByProcess(QCoreApplication::applicationPid(), first.home));

    SingleInstance secondGuard;
    CTenvorDlg second(secondGuard, first.home + "/");
    QCOMPARE(second.exec(), int(QDialog::Rejected));  // returns at once: no modal loop
    QVERIFY(second.QuitPosted());
    QVERIFY(!second.isVisible());
    QVERIFY(!secondGuard.IsHeld());
    QCOMPARE(first.boxes.seen.size(), std::size_t{1});
    const MessageBoxCatcher::Seen& box = first.boxes.seen[0];
    QCOMPARE(box.text, QStringLiteral("既に起動しています。"));
    QCOMPARE(box.title, QStringLiteral("エラー"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(box.parent, static_cast<QWidget*>(&second));
    QVERIFY(first.guard.IsHeld());  // the first keeps working

    // The first closes: its teardown gives the guard back.
    ClickExitWhenShown(first.dlg());
    QCOMPARE(first.dlg().exec(), int(QDialog::Accepted));
    QVERIFY(!first.guard.IsHeld());

    SingleInstance thirdGuard;
    CTenvorDlg third(thirdGuard, first.home + "/");
    third.OnInitDialog();
    QVERIFY(!third.QuitPosted());
    QVERIFY(thirdGuard.IsHeld());
    QCOMPARE(first.boxes.seen.size(), std::size_t{1});
}

void SingleInstanceTest::debugModeLogsStartAndEndOfASecondInstanceToo()
{
    MessageBoxCatcher boxes;
    TempDir dir;
    const std::string home = dir / "home";
    WriteDebugSettings(home);
    const std::vector<std::string> start = {EntryOf(kDebugMode), EntryOf(kToolStarted)};

    SingleInstance firstGuard;
    CTenvorDlg first(firstGuard, home + "/");
    first.OnInitDialog();
    QCOMPARE(LogBodiesIn(home), start);

    {
        SingleInstance secondGuard;
        CTenvorDlg second(secondGuard, home + "/");
        second.exec();
        QVERIFY(second.QuitPosted());
    }
    QCOMPARE(boxes.seen.size(), std::size_t{1});
    QCOMPARE(boxes.seen[0].text, QStringLiteral("既に起動しています。"));
    std::vector<std::string> expected = start;
    expected.insert(expected.end(), {EntryOf(kDebugMode), EntryOf(kToolStarted), EntryOf(kToolEnded)});
    QCOMPARE(LogBodiesIn(home), expected);

    ClickExitWhenShown(first);
    first.exec();
    expected.push_back(EntryOf(kToolEnded));
    QCOMPARE(LogBodiesIn(home), expected);
}

void SingleInstanceTest::normalModeLogsNothingAtStartAndEnd()
{
    MessageBoxCatcher boxes;
    TempDir dir;
    const std::string home = dir / "home";
    {
        SingleInstance dlgGuard;
        CTenvorDlg dlg(dlgGuard, home + "/");
        ClickExitWhenShown(dlg);
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    }
    QVERIFY(!Exists(home + "/Ver1.20.log"));
    QVERIFY(boxes.seen.empty());
}

void SingleInstanceTest::runningProcessBlocksUntilItDies()
{
    MessageBoxCatcher boxes;
    TempDir dir;
    const std::string home = dir / "home";
    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TENVOR_HOME"), Q(home));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    window.setProcessEnvironment(environment);
    window.start(QStringLiteral(TENVOR_WINDOW_PATH), {});
    QVERIFY(window.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(GuardHeldByProcess(window.processId(), home), 20000);

    {
        SingleInstance refusedGuard;
        CTenvorDlg refused(refusedGuard, home + "/");
        refused.exec();
        QVERIFY(refused.QuitPosted());
    }
    QCOMPARE(boxes.seen.size(), std::size_t{1});
    QCOMPARE(boxes.seen[0].text, QStringLiteral("既に起動しています。"));

    // The first instance dies without any teardown: the system drops its lock.
    window.kill();
    QVERIFY(window.waitForFinished());
    SingleInstance allowedGuard;
    CTenvorDlg allowed(allowedGuard, home + "/");
    allowed.OnInitDialog();
    QVERIFY(!allowed.QuitPosted());
    QVERIFY(allowedGuard.IsHeld());
    QCOMPARE(boxes.seen.size(), std::size_t{1});
}

void SingleInstanceTest::applicationEndsASecondInstanceAfterItsMessage()
{
    MessageBoxCatcher boxes;
    TempDir dir;
    ScopedEnv home("TENVOR_HOME", dir.path());
    SingleInstance running;
    QCOMPARE(running.Acquire(kSingleInstanceName, AppFolder()), SingleInstance::Result::Acquired);

    QVERIFY(!theApp.InitInstance());
    QCOMPARE(boxes.seen.size(), std::size_t{1});
    QCOMPARE(boxes.seen[0].text, QStringLiteral("既に起動しています。"));
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        QVERIFY(!widget->isVisible());
    }
}

void SingleInstanceTest::applicationRunsTheWindowUntilItCloses()
{
    MessageBoxCatcher boxes;
    TempDir dir;
    ScopedEnv home("TENVOR_HOME", dir.path());
    bool sawWindow = false;
    QTimer closer;
    closer.setInterval(10);
    connect(&closer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CTenvorDlg*>(widget);
            if (dlg != nullptr && dlg->isVisible()) {
                sawWindow = true;
                QVERIFY(theApp.instanceGuard.IsHeld());
                QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("IDC_BTN_EXIT")), Qt::LeftButton);
            }
        }
    });
    closer.start();
    QVERIFY(!theApp.InitInstance());
    QVERIFY(sawWindow);
    QVERIFY(!QApplication::windowIcon().isNull());
    QVERIFY(boxes.seen.empty());
    SingleInstance next;
    QCOMPARE(next.Acquire(kSingleInstanceName, AppFolder()), SingleInstance::Result::Acquired);
}

void SingleInstanceTest::applicationShowsQtsOwnTextsInJapanese()
{
    MessageBoxCatcher boxes;
    TempDir dir;
    ScopedEnv home("TENVOR_HOME", dir.path());
    ScopedEnv config("XDG_CONFIG_HOME", dir / "config");  // where Qt's chooser keeps its history

    // The file chooser the input's browse button opens: its texts, then cancelled.
    QStringList chooserTexts;
    QTimer answerer;
    answerer.setInterval(10);
    connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* chooser = qobject_cast<QFileDialog*>(widget);
            if (chooser != nullptr && chooser->isVisible()) {
                chooserTexts << chooser->windowTitle();
                for (const QPushButton* button : chooser->findChildren<QPushButton*>()) {
                    chooserTexts << button->text();
                }
                chooser->reject();
            }
        }
    });
    QStringList menuTexts;
    bool browsed = false;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CTenvorDlg*>(widget);
            if (dlg == nullptr || !dlg->isVisible() || browsed) {
                continue;
            }
            browsed = true;
            const std::unique_ptr<QMenu> menu(
                dlg->findChild<QLineEdit*>(QStringLiteral("IDC_EDT_PATH_INPUT"))->createStandardContextMenu());
            for (const QAction* action : menu->actions()) {
                menuTexts << action->text().section(QLatin1Char('\t'), 0, 0);  // without the shortcut
            }
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("IDC_BTN_BROWSE_INPUT")), Qt::LeftButton);
            QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("IDC_BTN_EXIT")), Qt::LeftButton);
        }
    });
    answerer.start();
    driver.start();
    QVERIFY(!theApp.InitInstance());

    QVERIFY(browsed);
    QVERIFY2(chooserTexts.contains(QStringLiteral("開く(&O)")), qPrintable(chooserTexts.join(QLatin1Char('|'))));
    QVERIFY(chooserTexts.contains(QStringLiteral("キャンセル")));
    QVERIFY2(menuTexts.contains(QStringLiteral("コピー(&C)")), qPrintable(menuTexts.join(QLatin1Char('|'))));
    QVERIFY(menuTexts.contains(QStringLiteral("貼り付け(&P)")));
    QVERIFY(boxes.seen.empty());
}

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
