#include "platform/CommandLine.h"

namespace tenvor {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tenvor
