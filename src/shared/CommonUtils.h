// Small string helpers shared by the flattening and the error list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tenvor {

class CommonUtils {
public:
    // The elements in order with delim between each two neighbours.
    static std::string join(const std::vector<std::string>& vec, std::string_view delim = {});
    // The integer in decimal ("%d").
    static std::string intToCString(int target);
};

}  // namespace tenvor
