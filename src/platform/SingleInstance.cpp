#include "platform/SingleInstance.h"

#include "platform/FileSystem.h"

namespace tenvor {

SingleInstance::~SingleInstance()
{
    Release();
}

std::string SingleInstance::LockFilePath(std::string_view name, const std::string& folder)
{
    return JoinPath(folder, std::string(name) + ".lock");
}

}  // namespace tenvor
