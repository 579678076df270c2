#include "convert/CsvOutput.h"

#include <algorithm>

#include "convert/CsvRendering.h"
#include "diag/ErrorRecorder.h"
#include "diag/LogFile.h"
#include "diag/MessageBoxes.h"
#include "diag/MessageCatalog.h"
#include "platform/FileSystem.h"
#include "platform/NewFile.h"
#include "state/RunObserver.h"

namespace tenvor {

CsvOutput::CsvOutput(RunObserver& observer, ErrorRecorder& errors, LogFile& log, MessageBoxes& messages)
    : observer_(observer), errors_(errors), log_(log), messages_(messages)
{
}

void CsvOutput::BeginRun(std::string outputFolder, OutputEncoding encoding)
{
    outputFolder_ = std::move(outputFolder);
    encoding_ = encoding;
    writeFailure_.clear();
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

RunStep CsvOutput::CheckExitstCsvFile(std::vector<std::string>& vecXmlFilePaths)
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        if (!PathExists(GetCsvFilePath(vecXmlFilePaths[i]))) {
            continue;
        }
        exists[i] = true;
        if (errors_.RecordExistingOutput(vecXmlFilePaths[i]) == RunStep::Stop) {
            return RunStep::Stop;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return RunStep::GoOn;
}

int CsvOutput::DropInputsWithExistingCsv(std::vector<std::string>& vecXmlFilePaths) const
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    int dropped = 0;
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        if (PathExists(GetCsvFilePath(vecXmlFilePaths[i]))) {
            exists[i] = true;
            ++dropped;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return dropped;
}

std::string CsvOutput::GetCsvFilePath(const std::string& csXMLFilePath) const
{
    const SplitPathResult parts = SplitPath(csXMLFilePath);
    return JoinPath(outputFolder_.empty() ? parts.folder : outputFolder_, parts.baseName + ".csv");
}

RunStep CsvOutput::OutPutToCsv(std::string csXMLFilePath, StXmlInfo& stXmlInfo)
{
    if (outputFolder_.empty()) {
        // The first file written decides the folder: the input's own, which the window then shows
        // in its output box.
        outputFolder_ = SplitPath(csXMLFilePath).folder;
        observer_.OutputFolderDecided(outputFolder_);
    } else if (!IsDirectory(outputFolder_)) {
        return errors_.ErrorHandler(ErrorKind::NoPermission, std::move(csXMLFilePath), &stXmlInfo);
    }
    const std::string csvPath = GetCsvFilePath(csXMLFilePath);

    NewFile file;
    if (!file.Open(csvPath)) {
        return errors_.ErrorHandler(ErrorKind::NoPermission, std::move(csXMLFilePath), &stXmlInfo);
    }
    if (!WriteToFile(file, stXmlInfo)) {
        file.Abort();
        return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
    }
    switch (file.Commit()) {
        case NewFile::Publish::Done:
            return RunStep::GoOn;
        case NewFile::Publish::AlreadyExists:
            // Created after the check, or by another input of this run with the same base name.
            return errors_.ErrorHandler(ErrorKind::SameFile, std::move(csXMLFilePath), &stXmlInfo);
        case NewFile::Publish::Refused:
            return errors_.ErrorHandler(ErrorKind::NoPermission, std::move(csXMLFilePath), &stXmlInfo);
        case NewFile::Publish::WriteFailed:
            break;
    }
    return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
}

RunStep CsvOutput::StopOnWriteFailure(const std::string& csXMLFilePath, const std::string& csvPath,
                                      const std::string& reason)
{
    writeFailure_ = csvPath + ": " + reason;
    // Without a log entry there is nothing more to tell: the log's own message has been shown.
    if (log_.OutputLogFile(kNoPermission, csXMLFilePath) == 0) {
        messages_.Show(kMsgWriteFailed, kCaptionError);
    }
    return RunStep::Stop;
}

bool CsvOutput::WriteToFile(NewFile& fp, const StXmlInfo& stXmlInfo) const
{
    return fp.Write(RenderCsv(stXmlInfo, encoding_));
}

}  // namespace tenvor
