// "tenvor-cli forms --from PATH... [--save]": the form file that the notifications of the PATHs
// (XML files, ZIP files) match, on standard output, and its differences from the form's current
// definition on standard error, one per line ("-" or "+", a tab, a form file's line); with
// --save, the draft saved as the form file of its id (its path on standard output instead).
#pragma once

#include <string>
#include <vector>

#include "cli/ExitStatus.h"

namespace tenvor::cli {

// Clean when printed or saved (or nothing needed saving); RefusedOrStopped with one line on
// standard error when no draft can be made or it cannot be saved.
ExitStatus DraftFormFromNotifications(const std::vector<std::string>& paths, bool save);

}  // namespace tenvor::cli
