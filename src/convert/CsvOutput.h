// The CSV file of a notification: the check for outputs that already exist, the output path,
// and writing the record in the chosen encoding without ever replacing an existing file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "convert/CsvPathsOfRun.h"
#include "convert/CsvRendering.h"
#include "platform/TextCodec.h"
#include "shared/OutputEncoding.h"
#include "shared/RunStep.h"
#include "shared/StXmlInfo.h"
#include "shared/XmlInput.h"

namespace tenvor {

class ErrorRecorder;
class LogFile;
class MessageBoxes;
class NewFile;
class OutputFolder;
class RunObserver;

class CsvOutput {
public:
    CsvOutput(RunObserver& observer, ErrorRecorder& errors, LogFile& log, MessageBoxes& messages);
    ~CsvOutput();

    // Start of a run: the requested output folder (empty: each input's own folder) and encoding.
    void BeginRun(std::string outputFolder, OutputEncoding encoding);
    // End of a run: the folder kept open for the next file is let go (on Windows the user may
    // rename or remove it again), and the paths written are forgotten.
    void EndRun();

    // Drops every input whose CSV file (or anything of that name) exists, recording each with
    // error kind 0. Stops when a log entry could not be written (the list is then unchanged).
    // Inputs without a notification to name (a package that cannot be opened) stay.
    RunStep CheckExitstCsvFile(std::vector<XmlInput>& vecXmlFilePaths);

    // Drops every input whose CSV file exists without recording or logging anything (for runs
    // that pick up where an earlier one ended). Returns how many were dropped.
    int DropInputsWithExistingCsv(std::vector<XmlInput>& vecXmlFilePaths) const;

    // The input's output root, its subfolders, its base name and ".csv".
    std::string GetCsvFilePath(const XmlInput& input) const;

    // Writes the record's CSV file, creating the subfolders below the output root it needs. No
    // link below the root is followed: a folder that is a link fails the file (kind 3), as does a
    // folder that cannot be made; the folders made for a file that fails are removed again. A
    // path written before in the run but for letter case or normalisation is kind 0, on every
    // system. Goes on when written or when its failure has been recorded; stops when a write
    // failed half-way or the log could not be written.
    RunStep OutPutToCsv(const XmlInput& input, StXmlInfo& stXmlInfo);

    // Writes the bytes of the record: SinkFailed when a write failed, RecordsUnreadable when the
    // person records could not be read back from the temporary folder. In code page 932, each
    // character it lacks is added to replaced, if given.
    CsvWrite WriteToFile(NewFile& fp, const StXmlInfo& stXmlInfo, ReplacedCharacters* replaced = nullptr) const;

    // The characters replaced with "?" in the CSV file the last OutPutToCsv wrote (none in UTF-8).
    const ReplacedCharacters& LastReplaced() const { return replaced_; }

    // After a write failure that stopped the run: the CSV file and the system's reason, such as
    // "out/a.csv: No space left on device".
    const std::string& WriteFailure() const { return writeFailure_; }

private:
    RunStep StopOnWriteFailure(const std::string& csXMLFilePath, const std::string& csvPath, const std::string& reason);
    // Opens the folder of the input's CSV file, made where missing; false when it failed and
    // the failure was recorded (step then says whether the run goes on).
    bool EnterCsvFolder(const XmlInput& input, const std::string& csvFolder, StXmlInfo& stXmlInfo, RunStep& step);
    // A file failed: the folders made for it go again.
    void DropFolderMadeForFile();

    RunObserver& observer_;
    ErrorRecorder& errors_;
    LogFile& log_;
    MessageBoxes& messages_;
    std::string requestedFolder_;
    bool folderDecided_ = false;  // the first file of a run without an output folder was written
    // The folder of the last CSV file, kept open: the members of one folder of a package come
    // one after another.
    std::unique_ptr<OutputFolder> folder_;
    std::string folderPath_;
    CsvPathsOfRun written_;
    OutputEncoding encoding_ = OutputEncoding::ShiftJis;
    std::string writeFailure_;
    ReplacedCharacters replaced_;  // of the file being written
};

}  // namespace tenvor
