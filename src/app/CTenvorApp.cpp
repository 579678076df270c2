#include "app/CTenvorApp.h"

#include <QApplication>

#include "TenvorVersion.h"
#include "ui/CTenvorDlg.h"
#include "ui/MainDialogTemplate.h"
#include "ui/QtTranslation.h"

namespace tenvor {

CTenvorApp theApp;

CTenvorApp::CTenvorApp() = default;

bool CTenvorApp::InitInstance()
{
    RegisterForRestartOnly();
    QApplication::setApplicationName(QStringLiteral("Tenvor"));
    QApplication::setApplicationVersion(QString::fromUtf8(kVersion.data(), static_cast<qsizetype>(kVersion.size())));
    QApplication::setFont(DialogFont());  // message boxes and menus in the window's font
    // The desktop entry the window belongs to (its icon and name in the task bar on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(TENVOR_DESKTOP_ID));
    if (QCoreApplication* application = QCoreApplication::instance()) {
        InstallQtJapanese(*application);  // the choosers and context menus in Japanese
    }

    CTenvorDlg dlg(instanceGuard);
    QApplication::setWindowIcon(dlg.hIcon);
    dlg.exec();  // the result does not matter: either way the program ends here
    return false;
}

}  // namespace tenvor
