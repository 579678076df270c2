#include "app/CTenvorApp.h"

#include <QApplication>

#include "TenvorVersion.h"
#include "platform/SingleInstance.h"
#include "ui/CTenvorDlg.h"
#include "ui/MainDialogTemplate.h"

namespace tenvor {

CTenvorApp theApp;

CTenvorApp::CTenvorApp() = default;

bool CTenvorApp::InitInstance()
{
    RegisterForRestartOnly();
    QApplication::setApplicationName(QStringLiteral("Tenvor"));
    QApplication::setApplicationVersion(QString::fromUtf8(kVersion.data(), static_cast<qsizetype>(kVersion.size())));
    QApplication::setFont(DialogFont());  // message boxes and menus in the window's font

    CTenvorDlg dlg;
    QApplication::setWindowIcon(dlg.hIcon);
    dlg.exec();  // the result does not matter: either way the program ends here
    return false;
}

}  // namespace tenvor
