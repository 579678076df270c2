// The shape of a form id, "N" and seven digits: the document element of every notification of a
// form, the name of every form file, the id of every row of the catalogue. Checked here only.
#pragma once

#include <string_view>

namespace tenvor {

constexpr bool HasFormIdShape(std::string_view id)
{
    if (id.size() != 8 || id.front() != 'N') {
        return false;
    }
    for (const char c : id.substr(1)) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace tenvor
