// The CSV file of a notification: the check for outputs that already exist, the output path,
// and writing the record in the chosen encoding without ever replacing an existing file.
#pragma once

#include <string>
#include <vector>

#include "shared/StXmlInfo.h"

namespace tenvor {

class ErrorRecorder;
class LogFile;
class MessageBoxes;
class NewFile;
class WindowState;

class CsvOutput {
public:
    CsvOutput(WindowState& window, ErrorRecorder& errors, LogFile& log, MessageBoxes& messages);

    // Drops every input whose CSV file (or anything of that name) exists, recording each with
    // error kind 0. Returns 1 when a log entry could not be written (the list is then unchanged).
    int CheckExitstCsvFile(std::vector<std::string>& vecXmlFilePaths);

    // Drops every input whose CSV file exists without recording or logging anything (for runs
    // that pick up where an earlier one ended). Returns how many were dropped.
    int DropInputsWithExistingCsv(std::vector<std::string>& vecXmlFilePaths) const;

    // The output folder box, a separator, the input's base name and ".csv". An empty box means
    // the input's own folder, where the file will be written.
    void GetCsvFilePath(std::string csXMLFilePath, std::string& csCSVFilePath) const;

    // Writes the record's CSV file. Returns 0 when written or when its failure has been
    // recorded, 1 when the run must stop.
    int OutPutToCsv(std::string csXMLFilePath, StXmlInfo& stXmlInfo);

    // Writes the lines of the record. Returns 0 when all were written, 1 when a write failed.
    int WriteToFile(NewFile& fp, const StXmlInfo& stXmlInfo);

    // After a write failure that stopped the run: the CSV file and the system's reason, such as
    // "out/a.csv: No space left on device".
    const std::string& WriteFailure() const { return writeFailure_; }

private:
    int StopOnWriteFailure(const std::string& csXMLFilePath, const std::string& csvPath, const std::string& reason);

    WindowState& window_;
    ErrorRecorder& errors_;
    LogFile& log_;
    MessageBoxes& messages_;
    std::string writeFailure_;
};

}  // namespace tenvor
