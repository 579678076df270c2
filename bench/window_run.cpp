// tenvor-bench-window: one folder run through the real window, for the benchmark. Opens the
// window (normally on the offscreen platform), chooses folder mode, takes IN and OUT through the
// two browse buttons, presses "CSV出力" and answers the completion message with OK, as a user
// would. The settings folder and the log are those of TENVOR_HOME.
//   tenvor-bench-window IN_FOLDER OUT_FOLDER
// Prints the time from the press to the completion message and the message itself to standard
// error. Exit status 0 when the run completed, 1 otherwise.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>

#include "ui/CTenvorDlg.h"
#include "ui/PathChooser.h"

namespace {

// Answers the browse buttons with fixed folders, in order.
class FixedChooser : public tenvor::PathChooser {
public:
    explicit FixedChooser(std::deque<QString> folders) : folders_(std::move(folders)) {}
    std::optional<QString> ChooseXmlFile(QWidget* /*parent*/) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(QWidget* /*parent*/) override
    {
        if (folders_.empty()) {
            return std::nullopt;
        }
        QString folder = folders_.front();
        folders_.pop_front();
        return folder;
    }

private:
    std::deque<QString> folders_;
};

// Presses OK on every message box as soon as it is shown; costs nothing while none is open.
class BoxAnswerer : public QObject {
public:
    QString lastTitle;
    QString lastText;
    QElapsedTimer* clock = nullptr;
    qint64 shownAtMs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                if (clock != nullptr && clock->isValid()) {
                    shownAtMs = clock->elapsed();
                }
                lastTitle = box->windowTitle();
                lastText = box->text();
                QTimer::singleShot(0, box, [box] {
                    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                        ok->click();
                    } else {
                        box->reject();
                    }
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

template <typename Control>
Control* Find(tenvor::CTenvorDlg& dlg, const char* name)
{
    auto* control = dlg.findChild<Control*>(QString::fromLatin1(name));
    if (control == nullptr) {
        std::fprintf(stderr, "tenvor-bench-window: the window has no control %s\n", name);
        std::exit(2);
    }
    return control;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tenvor-bench-window IN_FOLDER OUT_FOLDER\n");
        return 2;
    }
    BoxAnswerer answerer;
    application.installEventFilter(&answerer);

    tenvor::SingleInstance instanceGuard;  // the application's, as the window takes it
    tenvor::CTenvorDlg dlg(instanceGuard);
    dlg.SetPathChooser(std::make_unique<FixedChooser>(
        std::deque<QString>{QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])}));
    dlg.OnInitDialog();
    if (dlg.QuitPosted()) {
        std::fprintf(stderr, "tenvor-bench-window: another instance holds the guard\n");
        return 1;
    }
    dlg.show();
    QApplication::processEvents();

    Find<QRadioButton>(dlg, "IDC_RAD_SELECT_FOLDER")->click();
    Find<QPushButton>(dlg, "IDC_BTN_BROWSE_INPUT")->click();
    Find<QPushButton>(dlg, "IDC_BTN_BROWSE_OUTPUT")->click();
    QPushButton* run = Find<QPushButton>(dlg, "IDC_BTN_OUTPUT");
    if (!run->isEnabled()) {
        std::fprintf(stderr, "tenvor-bench-window: the run button is disabled\n");
        return 1;
    }

    QElapsedTimer clock;
    answerer.clock = &clock;
    clock.start();
    run->click();  // returns once the completion message has been answered
    const qint64 totalMs = clock.elapsed();

    const bool completed = answerer.lastTitle == QStringLiteral("完了");
    std::fprintf(stderr, "window run: %lld ms to the completion message, %lld ms in all; %s: %s\n",
                 static_cast<long long>(answerer.shownAtMs), static_cast<long long>(totalMs),
                 answerer.lastTitle.toLocal8Bit().constData(),
                 answerer.lastText.simplified().toLocal8Bit().constData());
    dlg.close();
    return completed ? 0 : 1;
}
