// Helpers for the window's tests: answering message boxes, answering the choosers, writing
// notifications, and opening a window whose settings folder is a temporary one.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "ui/CTenvorDlg.h"
#include "ui/PathChooser.h"

namespace tenvor::test {

// Called by each window test's initMain(), before its QApplication exists: the offscreen platform
// unless another is chosen, and the test log on standard output. Both are usually set through
// QT_* variables, which Wine does not pass on from the host; without a console, Qt on Windows
// would write the log to the debugger's output instead.
void PrepareWindowTestProcess();

// Answers every message box that opens while it lives: a timer that fires every few
// milliseconds, in any event loop (a box's own included), finds each visible box, records it and
// presses its OK button (or closes it when it has none; the recorded buttons show that).
class MessageBoxCatcher : public QObject {
    Q_OBJECT

public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QWidget* parent = nullptr;
        bool modal = false;
        QString counter;  // the owner's "(k/N)" counter as it stood, empty when hidden
    };

    MessageBoxCatcher();
    std::vector<Seen> seen;

private:
    void Answer();
    QTimer timer_;
};

// Answers the browse buttons' choosers from queued answers; an empty answer, or none left, is a
// cancel.
class StubPathChooser : public PathChooser {
public:
    std::optional<QString> ChooseXmlFile(QWidget* parent) override;
    std::optional<QString> ChooseFolder(QWidget* parent) override;

    QStringList fileAnswers;
    QStringList folderAnswers;
    int fileCalls = 0;
    int folderCalls = 0;
};

// A notification of the single-record form N2008005 that converts, with every field's value set
// to value.
std::string ValidNotification(const std::string& value = "1");
// A file the reader rejects (error kind 1).
std::string BrokenNotification();

// A window on a temporary settings folder (home) with input and output folders beside it,
// initialised and shown; its choosers are stubs.
class WindowFixture {
public:
    explicit WindowFixture(bool show = true);

    CTenvorDlg& dlg() { return *dialog; }
    template <typename Control>
    Control* Find(const char* objectName) const
    {
        return dialog->findChild<Control*>(QString::fromLatin1(objectName));
    }
    // The log's entries without the time stamp (label, blank, text), or empty when missing.
    std::vector<std::string> LogBodies() const;

    MessageBoxCatcher boxes;  // first: start-up may already show a box
    TempDir dir;
    std::string home, in, out;
    StubPathChooser* chooser = nullptr;  // owned by the window
    SingleInstance guard;                // the application's, which the window takes
    std::unique_ptr<CTenvorDlg> dialog;
};

// The log entry body a code and text give, without the line end.
std::string EntryOf(int code, const std::string& text = {});
// The log's entries under a folder without their time stamps.
std::vector<std::string> LogBodiesIn(const std::string& home);

QString Q(const std::string& text);

}  // namespace tenvor::test
