// The contract between the conversion core and a front end: the user's choices, read when they
// are needed, and the progress and results, reported as they happen. The window binds every
// item to a control; the command line and the tests hold them in memory.
#pragma once

#include <string>

namespace tenvor {

enum class OutputEncoding { ShiftJis, Utf8 };

// What a message box reports: the completion of a run, or an error that refused or stopped one.
enum class MessageKind { Completion, Error };

class WindowState {
public:
    virtual ~WindowState() = default;

    // Choices. The mode is file mode (one XML file) or folder mode (every XML file of a folder).
    virtual bool IsFileMode() const = 0;
    virtual std::string InputPath() const = 0;
    virtual std::string OutputFolder() const = 0;
    virtual void SetOutputFolder(const std::string& folder) = 0;
    virtual OutputEncoding Encoding() const = 0;

    // Progress bar.
    virtual void InitializePrgBar(int iPrgCnt) = 0;  // position 0, step 1, range 0..iPrgCnt
    virtual void StepPrgBar() = 0;                   // position += step
    virtual void FillPrgBar() = 0;                   // range 0..1, position 1
    virtual void ResetPrgBar() = 0;                  // position 0

    // Counter "(k/N)".
    virtual void SetProgressText(const std::string& csText) = 0;  // shows "(" + csText + ")"
    virtual void HideProgressText() = 0;

    // Error list (three columns) and guidance box.
    virtual void ClearErrorList() = 0;
    virtual int InsertErrorRow() = 0;  // an empty row at the top; returns its index
    virtual void SetErrorCell(int row, int column, const std::string& text) = 0;
    virtual void FitErrorColumns() = 0;
    virtual int FirstSelectedErrorRow() const = 0;  // -1 when none
    virtual std::string ErrorCell(int row, int column) const = 0;
    virtual void SetGuidance(const std::string& text) = 0;

    // A plain modal message box; returns the button pressed.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type,
                               MessageKind kind) = 0;
};

}  // namespace tenvor
