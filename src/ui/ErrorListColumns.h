// The error list's three columns: header and initial width in pixels.
#pragma once

#include <array>
#include <string_view>

namespace tenvor {

struct ErrorListColumn {
    std::string_view header;
    int width;
};

inline constexpr std::array<ErrorListColumn, 3> kErrorListColumns = {{
    {"項番", 40},
    {"エラー内容", 250},
    {"対象ファイル", 560},
}};

}  // namespace tenvor
