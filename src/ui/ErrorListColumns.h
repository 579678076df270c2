// The error list's three columns: the header from the catalogue and the initial width in pixels.
#pragma once

#include <array>
#include <string_view>

#include "diag/MessageCatalog.h"

namespace tenvor {

struct ErrorListColumn {
    std::string_view header;
    int width;
};

inline constexpr std::array<ErrorListColumn, 3> kErrorListColumns = {{
    {errorListHeaders[0], 40},
    {errorListHeaders[1], 250},
    {errorListHeaders[2], 560},
}};

}  // namespace tenvor
