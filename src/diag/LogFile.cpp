#include "diag/LogFile.h"

#include <ctime>

#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "diag/TimeText.h"
#include "platform/AppFolder.h"
#include "platform/AppendFile.h"
#include "platform/DriveLetter.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "shared/OneLineText.h"

namespace tenvor {

LogFile::LogFile(std::string folder, const StINIData& iniData, MessageBoxes& messages)
    : folder_(std::move(folder)), iniData_(iniData), messages_(messages)
{
}

std::string LogFile::Path() const
{
    const std::string path = folder_ + std::string(kLogFileName);
    // In debug mode the log goes to the drive the settings name (Windows; paths elsewhere have none).
    return iniData_.DebugFlag == 1 ? WithDriveLetter(path, iniData_.DriveName) : path;
}

std::string LogFile::EntryBody(int iCode, const std::string& csText)
{
    std::string body = "エラー種別";
    body += errorKindList.at(static_cast<std::size_t>(iCode));
    body += ' ';
    if (iCode <= kNoPermission) {
        // The log is the lasting record: it says where the file was, not where the tool was
        // started from.
        body += "対象ファイル";
        body += OneLineText(AbsolutePath(csText));
    } else {
        body += OneLineText(csText);
    }
    body += "\r\n";
    return body;
}

int LogFile::OutputLogFile(int iCode, const std::string& csText)
{
    const std::time_t now = std::time(nullptr);
    CreateFolders(folder_);
    const std::string path = Path();
    if (!AppendToFile(path, kUtf8ByteOrderMark, LogTimeStamp(now) + EntryBody(iCode, csText))) {
        messages_.Show(kMsgLogFileOpen, kCaptionError, path);
        return 1;
    }
    return 0;
}

}  // namespace tenvor
