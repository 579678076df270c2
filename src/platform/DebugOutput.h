// The debugger output channel: standard error here, the debugger on Windows.
#pragma once

#include <string>

namespace tenvor {

void OutputDebugText(const std::string& text);

}  // namespace tenvor
