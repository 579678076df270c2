// The workbook a run is asked to write: a new file in a folder that exists. Checked before the
// run reads or logs anything, since the workbook never replaces a file.
#pragma once

#include <optional>
#include <string>

#include "state/RunSummary.h"

namespace tenvor {

// Why a run cannot write the workbook there (a workbook refusal), or nothing when it can.
std::optional<RefusalReason> CheckWorkbookTarget(const std::string& path);

// The name of a workbook the window makes: 一覧_YYYYMMDD_HHMMSS.xlsx for the local time given as
// "YYYYMMDDHHMMSS".
std::string DefaultWorkbookName(const std::string& localTimeDigits);

}  // namespace tenvor
