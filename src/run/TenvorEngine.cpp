#include "run/TenvorEngine.h"

#include "convert/XmlDocument.h"
#include "platform/AppFolder.h"

namespace tenvor {

namespace {

std::string ResolveAppFolder(std::string folder)
{
    return folder.empty() ? AppFolder() : folder;
}

}  // namespace

TenvorEngine::TenvorEngine(RunObserver& observer, std::string appFolder)
    : appFolder_(ResolveAppFolder(std::move(appFolder))),
      forms_(dataTbl_),
      messages_(observer),
      log_(appFolder_, iniData_, messages_),
      errors_(observer, log_),
      reader_(forms_, errors_),
      output_(observer, errors_, log_, messages_),
      run_(observer, iniData_, log_, messages_, errors_, reader_, output_)
{
    XmlDocument::InitializeLibrary();
}

void TenvorEngine::Start()
{
    iniData_ = GetTenvor_IniFileData(appFolder_ + std::string(kSettingsFileName));
    if (iniData_.DebugFlag == 1) {
        // A log that cannot be written has said so; the window opens all the same.
        static_cast<void>(log_.OutputLogFile(kDebugMode, {}));
        static_cast<void>(log_.OutputLogFile(kToolStarted, {}));
    }
}

void TenvorEngine::Finish()
{
    if (iniData_.DebugFlag == 1) {
        static_cast<void>(log_.OutputLogFile(kToolEnded, {}));
    }
}

RunSummary TenvorEngine::Run(const RunRequest& request)
{
    return run_.Run(request);
}

void TenvorEngine::ShowMessage(int msgIndex, std::string_view caption)
{
    messages_.Show(msgIndex, caption);
}

}  // namespace tenvor
