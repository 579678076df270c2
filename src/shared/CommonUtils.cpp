#include "shared/CommonUtils.h"

namespace tenvor {

std::string CommonUtils::join(const std::vector<std::string>& vec, std::string_view delim)
{
    std::string result;
    if (vec.empty()) {
        return result;
    }
    std::size_t size = delim.size() * (vec.size() - 1);
    for (const std::string& element : vec) {
        size += element.size();
    }
    result.reserve(size);
    result += vec.front();
    for (std::size_t i = 1; i < vec.size(); ++i) {
        result += delim;
        result += vec[i];
    }
    return result;
}

std::string CommonUtils::intToCString(int target)
{
    return std::to_string(target);
}

}  // namespace tenvor
