#include "state/HeadlessWindowState.h"

#include <algorithm>

namespace tenvor {

void HeadlessWindowState::SetOutputFolder(const std::string& folder)
{
    outputFolder = folder;
    OnOutputFolderChanged();
}

void HeadlessWindowState::OnOutputFolderChanged()
{
    // What the window's change handler does: hide the counter, empty the bar.
    HideProgressText();
    ResetPrgBar();
}

void HeadlessWindowState::InitializePrgBar(int iPrgCnt)
{
    barPosition = 0;
    barStep = 1;
    barMaximum = iPrgCnt;
}

void HeadlessWindowState::StepPrgBar()
{
    barPosition = std::min(barPosition + barStep, barMaximum);
}

void HeadlessWindowState::FillPrgBar()
{
    barMaximum = 1;
    barPosition = 1;
}

void HeadlessWindowState::ResetPrgBar()
{
    barPosition = 0;
}

void HeadlessWindowState::SetProgressText(const std::string& csText)
{
    counterText = "(" + csText + ")";
    counterVisible = true;
}

void HeadlessWindowState::HideProgressText()
{
    counterVisible = false;
}

void HeadlessWindowState::ClearErrorList()
{
    rows.clear();
    selected.clear();
}

int HeadlessWindowState::InsertErrorRow()
{
    rows.emplace_front();
    selected.push_front(false);
    return 0;
}

void HeadlessWindowState::SetErrorCell(int row, int column, const std::string& text)
{
    if (row >= 0 && static_cast<std::size_t>(row) < rows.size() && column >= 0 && column < 3) {
        rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
    }
}

void HeadlessWindowState::FitErrorColumns()
{
    ++fitCount;
}

int HeadlessWindowState::FirstSelectedErrorRow() const
{
    const auto it = std::find(selected.begin(), selected.end(), true);
    return it == selected.end() ? -1 : static_cast<int>(it - selected.begin());
}

std::string HeadlessWindowState::ErrorCell(int row, int column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column < 0 || column >= 3) {
        return {};
    }
    return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void HeadlessWindowState::SetGuidance(const std::string& text)
{
    guidance = text;
}

int HeadlessWindowState::ShowMessageBox(const std::string& text, const std::string& caption, unsigned type,
                                        MessageKind kind)
{
    messages.push_back({text, caption, type, kind});
    return 1;  // IDOK
}

}  // namespace tenvor
