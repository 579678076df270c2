#include "platform/DebugOutput.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include "platform/windows/WideText.h"
#endif

namespace tenvor {

void OutputDebugText(const std::string& text)
{
#ifdef _WIN32
    ::OutputDebugStringW(Widen(text).c_str());
#else
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
#endif
}

}  // namespace tenvor
