// What a run converts, listed before anything is read: every notification of the request's
// inputs, in the order the run takes them, each with the path it is shown, listed and logged by
// and the place its CSV file goes.
//
// Order. An XML or ZIP file given directly is itself; a folder gives its XML files oldest first
// and, when the run is recursive, then its ZIP files oldest first, then its subfolders by name,
// each the same way; a ZIP gives its XML members in stored order, ZIPs inside it depth first.
//
// Places. Below the output root (the requested output folder, or the input's own folder: for a
// ZIP the folder that holds it, for a folder input the folder itself), a notification in the
// subfolder S/T of a folder input goes to S/T/, one at D/ inside P.zip to P/D/, one inside the
// nested sub/Q.zip of P.zip to P/sub/Q/, and a ZIP found at S/P.zip below a folder input puts
// its notifications below S/P/.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "package/PackageListing.h"
#include "shared/Expected.h"
#include "shared/XmlInput.h"
#include "state/RunRequest.h"
#include "state/RunSummary.h"

namespace tenvor {

struct InputList {
    std::vector<XmlInput> inputs;
    std::vector<PackageListing> packages;
};

// Checks every input of the request without reading any: the first one missing or unusable.
std::optional<RunRefusal> CheckInputs(const RunRequest& request);

// Lists the request's inputs, which CheckInputs passed. A folder given that cannot be listed
// refuses the run like a missing one; below it, a subfolder that cannot be listed is
// an input of its own that fails.
[[nodiscard]] Expected<InputList, RunRefusal> ListInputs(const RunRequest& request);

// The folder an input's CSV files go into, below which its subfolders and packages get theirs:
// the requested output folder, or the input's own folder.
std::string OutputRootOf(const RunRequest& request, const RunInput& input);

// The path of the request's workbook, placed as RunRequest::workbookInOutputRoot says; empty for
// none.
std::string WorkbookPathOf(const RunRequest& request);

// Whether a file given directly is a ZIP of notifications (".zip" in any letter case).
bool IsZipInput(const std::string& path);

// The catalogue's message (a row of messageList) for an input that refuses a run.
int InputRefusalMessage(RefusalReason reason);

}  // namespace tenvor
