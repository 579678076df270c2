// The window state held in memory, for the command line and for driving runs in tests.
#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "state/WindowState.h"

namespace tenvor {

class HeadlessWindowState : public WindowState {
public:
    struct MessageBox {
        std::string text;
        std::string caption;
        unsigned type = 0;
        MessageKind kind = MessageKind::Error;
    };
    using Row = std::array<std::string, 3>;

    bool IsFileMode() const override { return fileMode; }
    std::string InputPath() const override { return inputPath; }
    std::string OutputFolder() const override { return outputFolder; }
    void SetOutputFolder(const std::string& folder) override;
    OutputEncoding Encoding() const override { return encoding; }

    void InitializePrgBar(int iPrgCnt) override;
    void StepPrgBar() override;
    void FillPrgBar() override;
    void ResetPrgBar() override;

    void SetProgressText(const std::string& csText) override;
    void HideProgressText() override;

    void ClearErrorList() override;
    int InsertErrorRow() override;
    void SetErrorCell(int row, int column, const std::string& text) override;
    void FitErrorColumns() override;
    int FirstSelectedErrorRow() const override;
    std::string ErrorCell(int row, int column) const override;
    void SetGuidance(const std::string& text) override;

    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned type, MessageKind kind) override;

    // The items, public so that a front end or a test can set and inspect them.
    bool fileMode = true;
    std::string inputPath;
    std::string outputFolder;
    OutputEncoding encoding = OutputEncoding::ShiftJis;

    int barMaximum = 100;
    int barPosition = 0;
    int barStep = 10;

    std::string counterText = "(0/0)";
    bool counterVisible = false;

    std::deque<Row> rows;  // top row first
    std::deque<bool> selected;
    int fitCount = 0;
    std::string guidance;

    std::vector<MessageBox> messages;

protected:
    // Hooks for front ends that show the path boxes' change handlers' effects.
    virtual void OnOutputFolderChanged();
};

}  // namespace tenvor
