#include "ui/UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

#include "diag/LogFile.h"
#include "forms/DataTbl.h"

namespace tenvor::test {

void PrepareWindowTestProcess()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
}

MessageBoxCatcher::MessageBoxCatcher()
{
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &MessageBoxCatcher::Answer);
    timer_.start();
}

void MessageBoxCatcher::Answer()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box == nullptr || !box->isVisible()) {
            continue;
        }
        seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(), box->parentWidget(),
                        box->isModal(), QString()});
        if (box->parentWidget() != nullptr) {
            const auto* counter = box->parentWidget()->findChild<QLabel*>(QStringLiteral("IDC_TXT_PROGRESS"));
            if (counter != nullptr && !counter->isHidden()) {
                seen.back().counter = counter->text();
            }
        }
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    }
}

namespace {

std::optional<QString> NextAnswer(QStringList& answers)
{
    const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
    return answer.isEmpty() ? std::nullopt : std::make_optional(answer);
}

}  // namespace

std::optional<QString> StubPathChooser::ChooseXmlFile(QWidget* /*parent*/)
{
    ++fileCalls;
    return NextAnswer(fileAnswers);
}

std::optional<QString> StubPathChooser::ChooseFolder(QWidget* /*parent*/)
{
    ++folderCalls;
    return NextAnswer(folderAnswers);
}

std::string ValidNotification(const std::string& value)
{
    static const DataTbl catalogue;
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<N2008005>\n";
    for (const StDataDif& field : catalogue.dataDifMap.at("N2008005")[kInsuredList]) {
        xml += "  <" + field.sNodename + ">" + value + "</" + field.sNodename + ">\n";
    }
    return xml + "</N2008005>\n";
}

std::string BrokenNotification()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<N2008005><通知書名称>1</通知書名称>";
}

WindowFixture::WindowFixture(bool show) : home(dir / "home"), in(dir / "in"), out(dir / "out")
{
    MakeDir(in);
    MakeDir(out);
    dialog = std::make_unique<CTenvorDlg>(guard, home + "/");
    auto stub = std::make_unique<StubPathChooser>();
    chooser = stub.get();
    dialog->SetPathChooser(std::move(stub));
    dialog->OnInitDialog();
    if (show) {
        dialog->show();
        dialog->activateWindow();
    }
}

std::vector<std::string> WindowFixture::LogBodies() const
{
    return LogBodiesIn(home);
}

std::string EntryOf(int code, const std::string& text)
{
    std::string body = LogFile::EntryBody(code, text);
    return body.substr(0, body.size() - 2);  // without CR LF
}

std::vector<std::string> LogBodiesIn(const std::string& home)
{
    std::string text = ReadFile(home + "/Ver1.20.log");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    std::vector<std::string> bodies;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        const std::size_t stamp = line.find(']');
        bodies.push_back(stamp == std::string::npos ? line : line.substr(stamp + 1));
        start = end + 2;
    }
    return bodies;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace tenvor::test
