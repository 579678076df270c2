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
#include "platform/OutputFolder.h"
#include "state/RunObserver.h"

namespace tenvor {

CsvOutput::CsvOutput(RunObserver& observer, ErrorRecorder& errors, LogFile& log, MessageBoxes& messages)
    : observer_(observer), errors_(errors), log_(log), messages_(messages)
{
}

CsvOutput::~CsvOutput() = default;

void CsvOutput::BeginRun(std::string outputFolder, OutputEncoding encoding)
{
    requestedFolder_ = std::move(outputFolder);
    folderDecided_ = false;
    folder_.reset();
    folderPath_.clear();
    written_.Clear();
    encoding_ = encoding;
    writeFailure_.clear();
}

void CsvOutput::EndRun()
{
    folder_.reset();
    folderPath_.clear();
    written_.Clear();
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

// The folder of an input's CSV file: the output root and the input's subfolders below it.
std::string CsvFolderOf(const XmlInput& input)
{
    std::string folder = input.outputRoot;
    for (const std::string& name : input.subfolders) {
        folder = JoinPath(folder, name);
    }
    return folder;
}

// Whether the inputs' CSV files are there, asked in list order. The inputs of one folder come
// one after another, and a folder that is not there (a package's, the first time it is
// converted) holds no file: its files are then not asked for one by one.
class ExistingCsvFiles {
public:
    bool Has(const XmlInput& input)
    {
        if (input.baseName.empty()) {
            return false;
        }
        std::string folder = CsvFolderOf(input);
        if (!folderKnown_ || folder != folder_) {
            folderThere_ = PathExists(folder);
            folder_ = std::move(folder);
            folderKnown_ = true;
        }
        return folderThere_ && PathExists(JoinPath(folder_, input.baseName + ".csv"));
    }

private:
    std::string folder_;
    bool folderKnown_ = false;
    bool folderThere_ = false;
};

}  // namespace

RunStep CsvOutput::CheckExitstCsvFile(std::vector<XmlInput>& vecXmlFilePaths)
{
    std::vector<bool> exists(vecXmlFilePaths.size(), false);
    ExistingCsvFiles existing;
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        if (!existing.Has(vecXmlFilePaths[i])) {
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
    ExistingCsvFiles existing;
    for (std::size_t i = 0; i < vecXmlFilePaths.size(); ++i) {
        if (existing.Has(vecXmlFilePaths[i])) {
            exists[i] = true;
            ++dropped;
        }
    }
    RemoveMarked(vecXmlFilePaths, exists);
    return dropped;
}

std::string CsvOutput::GetCsvFilePath(const XmlInput& input) const
{
    return JoinPath(CsvFolderOf(input), input.baseName + ".csv");
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
    // The path below the root, as the comparison of the run's paths takes it.
    std::string relative;
    for (const std::string& name : input.subfolders) {
        relative += name + "/";
    }
    const std::string csvName = input.baseName + ".csv";
    relative += csvName;
    if (const std::string* earlier = written_.Find(input.outputRoot, relative)) {
        // The same file as one written before on a system that ignores letter case or
        // normalisation: refused on every system, as an existing file is.
        return errors_.ErrorHandler(ErrorKind::SameFile, csXMLFilePath, &stXmlInfo, ExistingCsvReason(*earlier));
    }
    RunStep step = RunStep::GoOn;
    if (!EnterCsvFolder(input, SplitPath(csvPath).folder, stXmlInfo, step)) {
        return step;
    }

    NewFile file;
    if (!file.Open(*folder_, csvName)) {
        DropFolderMadeForFile();
        return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                    CsvNotCreatedReason(csvPath, file.ErrorText()));
    }
    switch (WriteToFile(file, stXmlInfo, &replaced_)) {
        case CsvWrite::Done:
            break;
        case CsvWrite::SinkFailed:
            file.Abort();
            DropFolderMadeForFile();
            return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
        case CsvWrite::RecordsUnreadable:
            file.Abort();
            DropFolderMadeForFile();
            return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                        ScratchFileReason(stXmlInfo.insuredData.Failure()));
    }
    const NewFile::Publish published = file.Commit();
    if (published == NewFile::Publish::Done) {
        folder_->KeepMadeFolders();
        written_.Add(input.outputRoot, relative, csvPath);
        return RunStep::GoOn;
    }
    DropFolderMadeForFile();
    switch (published) {
        case NewFile::Publish::AlreadyExists:
            // Created after the check, or by another input of this run with the same base name.
            return errors_.ErrorHandler(ErrorKind::SameFile, csXMLFilePath, &stXmlInfo, ExistingCsvReason(csvPath));
        case NewFile::Publish::Refused:
            return errors_.ErrorHandler(ErrorKind::NoPermission, csXMLFilePath, &stXmlInfo,
                                        CsvNotCreatedReason(csvPath, file.ErrorText()));
        case NewFile::Publish::Done:
        case NewFile::Publish::WriteFailed:
            break;
    }
    return StopOnWriteFailure(csXMLFilePath, csvPath, file.ErrorText());
}

bool CsvOutput::EnterCsvFolder(const XmlInput& input, const std::string& csvFolder, StXmlInfo& stXmlInfo, RunStep& step)
{
    // The members of one folder of a package come one after another: their folder is entered
    // once and kept open. A folder removed since fails the file's creation, as it would anyway.
    if (folder_ && folder_->IsOpen() && folderPath_ == csvFolder) {
        return true;
    }
    folder_ = std::make_unique<OutputFolder>();
    folderPath_ = csvFolder;
    const OutputFolder::Entered entered = folder_->Enter(input.outputRoot, input.subfolders);
    if (entered.ok()) {
        return true;
    }
    folder_.reset();
    std::string reason;
    switch (entered.refusal) {
        case OutputFolder::Refusal::Link:
            reason = LinkedFolderReason(entered.failedFolder);
            break;
        case OutputFolder::Refusal::NotAFolder:
            reason = FolderNotCreatedReason(entered.failedFolder, "フォルダではないファイルがあります");
            break;
        case OutputFolder::Refusal::BadName:
            reason = FolderNotCreatedReason(entered.failedFolder, "フォルダ名に使えない名前です");
            break;
        case OutputFolder::Refusal::None:
        case OutputFolder::Refusal::System:
            reason = FolderNotCreatedReason(entered.failedFolder, entered.systemText);
            break;
    }
    step = errors_.ErrorHandler(ErrorKind::NoPermission, input.path, &stXmlInfo, std::move(reason));
    return false;
}

void CsvOutput::DropFolderMadeForFile()
{
    if (folder_ && folder_->MadeCount() > 0) {
        folder_->RemoveMadeFolders();
        folder_.reset();
    }
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
    if (stXmlInfo.rendered && stXmlInfo.rendered->encoding == encoding_) {
        if (replaced != nullptr) {
            *replaced = stXmlInfo.rendered->replaced;
        }
        return fp.Write(stXmlInfo.rendered->text) ? CsvWrite::Done : CsvWrite::SinkFailed;
    }
    return WriteCsv(
        stXmlInfo, encoding_, [&](std::string_view piece) { return fp.Write(piece); }, replaced);
}

}  // namespace tenvor
