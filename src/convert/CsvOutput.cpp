#include "convert/CsvOutput.h"

#include <algorithm>

#include "convert/CsvRendering.h"
#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "platform/FileSystem.h"
#include "platform/NewFile.h"
#include "state/WindowState.h"

namespace tenvor {

CsvOutput::CsvOutput(WindowState& window, ErrorRecorder& errors, LogFile& log, MessageBoxes& messages)
    : window_(window), errors_(errors), log_(log), messages_(messages)
{
}

namespace {

// Removes the paths marked in `drop` in one pass, keeping the order of the rest.
void RemoveMarked(std::vector<std::string>& paths, const std::vector<bool>& drop)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!drop[i]) {
            if (kept != i) {
                paths[kept] = std::move(paths[i]);
            }
            ++kept;
        }
    }
    paths.resize(kept);
}

}  // namespace

int CsvOutput::CheckExitstCsvFile(std::vector<std::string>& vecXmlFilePaths)
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    std::string csvPath;
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        GetCsvFilePath(vecXmlFilePaths[i], csvPath);
        if (!PathExists(csvPath)) {
            continue;
        }
        exists[i] = true;
        if (errors_.RecordExistingOutput(vecXmlFilePaths[i]) == 1) {
            return 1;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return 0;
}

int CsvOutput::DropInputsWithExistingCsv(std::vector<std::string>& vecXmlFilePaths) const
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    std::string csvPath;
    int dropped = 0;
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        GetCsvFilePath(vecXmlFilePaths[i], csvPath);
        if (PathExists(csvPath)) {
            exists[i] = true;
            ++dropped;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return dropped;
}

void CsvOutput::GetCsvFilePath(std::string csXMLFilePath, std::string& csCSVFilePath) const
{
    const SplitPathResult parts = SplitPath(csXMLFilePath);
    std::string folder = window_.OutputFolder();
    if (folder.empty()) {
        folder = parts.folder;
    }
    csCSVFilePath = JoinPath(folder, parts.baseName + ".csv");
}

int CsvOutput::OutPutToCsv(std::string csXMLFilePath, StXmlInfo& stXmlInfo)
{
    if (window_.OutputFolder().empty()) {
        window_.SetOutputFolder(SplitPath(csXMLFilePath).folder);
    } else if (!IsDirectory(window_.OutputFolder())) {
        return errors_.ErrorHandler(kNoPermission, std::move(csXMLFilePath), &stXmlInfo);
    }
    std::string csvPath;
    GetCsvFilePath(csXMLFilePath, csvPath);

    NewFile file;
    if (!file.Open(csvPath)) {
        return errors_.ErrorHandler(kNoPermission, std::move(csXMLFilePath), &stXmlInfo);
    }
    if (WriteToFile(file, stXmlInfo) == 1) {
        file.Abort();
        return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
    }
    switch (file.Commit()) {
        case NewFile::Publish::Done:
            return 0;
        case NewFile::Publish::AlreadyExists:
            // Created after the check, or by another input of this run with the same base name.
            return errors_.ErrorHandler(kSameFile, std::move(csXMLFilePath), &stXmlInfo);
        case NewFile::Publish::Refused:
            return errors_.ErrorHandler(kNoPermission, std::move(csXMLFilePath), &stXmlInfo);
        case NewFile::Publish::WriteFailed:
            break;
    }
    return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
}

int CsvOutput::StopOnWriteFailure(const std::string& csXMLFilePath, const std::string& csvPath,
                                  const std::string& reason)
{
    writeFailure_ = csvPath + ": " + reason;
    if (log_.OutputLogFile(kNoPermission, csXMLFilePath) == 1) {
        return 1;
    }
    messages_.Show(kMsgWriteFailed, kCaptionError);
    return 1;
}

int CsvOutput::WriteToFile(NewFile& fp, const StXmlInfo& stXmlInfo)
{
    return fp.Write(RenderCsv(stXmlInfo, window_.Encoding())) ? 0 : 1;
}

}  // namespace tenvor
