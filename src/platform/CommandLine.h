// The program's arguments as the system gives them, in UTF-8.
#pragma once

#include <string>
#include <vector>

namespace tenvor {

// The arguments, the program's name first. On Windows they come from the wide (UTF-16) command
// line, because the narrow argv is in the ANSI code page and loses every character outside it;
// elsewhere they are argv as it is.
[[nodiscard]] std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tenvor
