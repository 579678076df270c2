#include "convert/CsvOutput.h"

#include <algorithm>

#include "convert/CsvRendering.h"
#include "diag/ErrorRecorder.h"
#include "diag/FailureReasons.h"
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
    requestedFolder_ = std::move(outputFolder);
    folderDecided_ = false;
    createdFolder_.clear();
    encoding_ = encoding;
    writeFailure_.clear();
}

namespace {

// Removes the inputs marked in `drop` in one pass, keeping the order of the rest.
void RemoveMarked(std::vector<XmlInput>& paths, const std::vector<bool>& drop)
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

RunStep CsvOutput::CheckExitstCsvFile(std::vector<XmlInput>& vecXmlFilePaths)
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        if (vecXmlFilePaths[i].baseName.empty() || !PathExists(GetCsvFilePath(vecXmlFilePaths[i]))) {
            continue;
        }
        exists[i] = true;
        if (errors_.RecordExistingOutput(vecXmlFilePaths[i].path, GetCsvFilePath(vecXmlFilePaths[i])) ==
            RunStep::Stop) {
            return RunStep::Stop;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return RunStep::GoOn;
}

int CsvOutput::DropInputsWithExistingCsv(std::vector<XmlInput>& vecXmlFilePaths) const
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    int dropped = 0;
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        if (!vecXmlFilePaths[i].baseName.empty() && PathExists(GetCsvFilePath(vecXmlFilePaths[i]))) {
            exists[i] = true;
            ++dropped;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return dropped;
}

std::string CsvOutput::GetCsvFilePath(const XmlInput& input) const
{
    std::string folder = input.outputRoot;
    for (const std::string& name : input.subfolders) {
        folder = JoinPath(folder, name);
    }
    return JoinPath(folder, input.baseName + ".csv");
}

RunStep CsvOutput::OutPutToCsv(const XmlInput& input, StXmlInfo& stXmlInfo)
{
    const std::string& csXMLFilePath = input.path;
    replaced_.Clear();
    if (requestedFolder_.empty() && !folderDecided_) {
        // The first file written decides the folder: the input's own, which the window then shows
        // in its output box.
        folderDecided_ = true;
        observer_.OutputFolderDecided(input.outputRoot);
    } else if (!IsDirectory(input.outputRoot)) {
        return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                    OutputFolderMissingReason(input.outputRoot));
    }
    const std::string csvPath = GetCsvFilePath(input);
    // The members of one folder of a package come one after another: their folders are made
    // once. A folder removed since fails the file's creation below, as it would anyway.
    const std::string csvFolder = SplitPath(csvPath).folder;
    if (!input.subfolders.empty() && csvFolder != createdFolder_) {
        const FolderChainResult folders = CreateFolderChain(input.outputRoot, input.subfolders);
        if (!folders.ok) {
            return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                        FolderNotCreatedReason(folders.failedFolder, folders.systemText));
        }
        createdFolder_ = csvFolder;
    }

    NewFile file;
    if (!file.Open(csvPath)) {
        return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                    CsvNotCreatedReason(csvPath, file.ErrorText()));
    }
    switch (WriteToFile(file, stXmlInfo, &replaced_)) {
        case CsvWrite::Done:
            break;
        case CsvWrite::SinkFailed:
            file.Abort();
            return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
        case CsvWrite::RecordsUnreadable:
            file.Abort();
            return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                        ScratchFileReason(stXmlInfo.insuredData.Failure()));
    }
    switch (file.Commit()) {
        case NewFile::Publish::Done:
            return RunStep::GoOn;
        case NewFile::Publish::AlreadyExists:
            // Created after the check, or by another input of this run with the same base name.
            return errors_.ErrorHandler(ErrorKind::SameFile, csXMLFilePath, &stXmlInfo, ExistingCsvReason(csvPath));
        case NewFile::Publish::Refused:
            return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                        CsvNotCreatedReason(csvPath, file.ErrorText()));
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

CsvWrite CsvOutput::WriteToFile(NewFile& fp, const StXmlInfo& stXmlInfo, ReplacedCharacters* replaced) const
{
    return WriteCsv(
        stXmlInfo, encoding_, [&](std::string_view piece) { return fp.Write(piece); }, replaced);
}

}  // namespace tenvor
