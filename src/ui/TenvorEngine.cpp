#include "ui/TenvorEngine.h"

#include "convert/XmlDocument.h"
#include "platform/AppFolder.h"

namespace tenvor {

namespace {

std::string ResolveAppFolder(std::string folder)
{
    return folder.empty() ? AppFolder() : folder;
}

}  // namespace

TenvorEngine::TenvorEngine(WindowState& window, std::string appFolder)
    : appFolder_(ResolveAppFolder(std::move(appFolder))),
      forms(dataTbl),
      messages(window),
      log(appFolder_, iniData, messages),
      errors(window, log, messages),
      reader(forms, errors, window),
      output(window, errors, log, messages),
      run(window, iniData, log, messages, errors, reader, output)
{
    XmlDocument::InitializeLibrary();
}

void TenvorEngine::Start()
{
    iniData = GetTenvor_IniFileData(appFolder_ + std::string(kSettingsFileName));
    if (iniData.DebugFlag == 1) {
        log.OutputLogFile(kDebugMode, {});
        log.OutputLogFile(kToolStarted, {});
    }
}

void TenvorEngine::Finish()
{
    if (iniData.DebugFlag == 1) {
        log.OutputLogFile(kToolEnded, {});
    }
}

}  // namespace tenvor
