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

TenvorEngine::TenvorEngine(WindowState& window, std::string appFolder)
    : appFolder_(ResolveAppFolder(std::move(appFolder))),
      forms_(dataTbl_),
      messages_(window),
      log_(appFolder_, iniData_, messages_),
      errors_(window, log_, messages_),
      reader_(forms_, errors_, window),
      output_(window, errors_, log_, messages_),
      run_(window, iniData_, log_, messages_, errors_, reader_, output_)
{
    XmlDocument::InitializeLibrary();
}

void TenvorEngine::Start()
{
    iniData_ = GetTenvor_IniFileData(appFolder_ + std::string(kSettingsFileName));
    if (iniData_.DebugFlag == 1) {
        log_.OutputLogFile(kDebugMode, {});
        log_.OutputLogFile(kToolStarted, {});
    }
}

void TenvorEngine::Finish()
{
    if (iniData_.DebugFlag == 1) {
        log_.OutputLogFile(kToolEnded, {});
    }
}

RunSummary TenvorEngine::Run(const RunOptions& options)
{
    return run_.Run(options);
}

void TenvorEngine::ShowGuidanceForSelectedRow()
{
    errors_.ShowGuidanceForSelectedRow();
}

void TenvorEngine::ClearErrorRecords()
{
    errors_.ClearRecords();
}

void TenvorEngine::ShowMessage(int msgIndex, std::string_view caption)
{
    messages_.Show(msgIndex, caption);
}

}  // namespace tenvor
